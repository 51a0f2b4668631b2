#!/usr/bin/env bash
# Makes the pictures of the help pages (resources/help/images/*.png) from the built program:
#
#   tools/help_screenshots.sh [program]
#
# program: the built editor, by default build/release/src/gui/vorla under the repository root.
#
# The program runs on a private Xvfb (tests/x11/with_xvfb.sh) with a fresh program folder
# (VORLA_HOME), home and XDG folders, so no setting of the user's is read or written. It opens
# animations this script makes with ffmpeg and ImageMagick, and the samples the build puts into
# "샘플" beside the program; xdotool clicks and types (there is no window manager, so every key
# follows a click into the window that should get it), ImageMagick's import photographs the
# screen and each picture is cropped to what the pages talk about.
#
# Needs Xvfb, xdotool, ImageMagick (import, convert) and ffmpeg. Run it again after a change of
# the user interface and look at every picture before committing it.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
script="$repo/tools/$(basename "${BASH_SOURCE[0]}")"
screen=1040x760x24

if [ "${VORLA_SHOTS_INSIDE:-}" != 1 ]; then
    program=${1:-$repo/build/release/src/gui/vorla}
    case "$program" in /*) ;; *) program=$PWD/$program ;; esac
    for tool in Xvfb xdotool import convert ffmpeg; do
        if ! command -v "$tool" >/dev/null; then
            echo "help_screenshots.sh: $tool is missing" >&2
            exit 2
        fi
    done
    VORLA_SHOTS_INSIDE=1 exec "$repo/tests/x11/with_xvfb.sh" --screen "$screen" -- \
        bash "$script" "$program"
fi

# ---- On the private X server from here on ----

program=$1
out="$repo/resources/help/images"
work=$(mktemp -d "${TMPDIR:-/tmp}/vorla-shots.XXXXXX")
vorla_pid=""

finish() {
    stop_vorla
    rm -rf "$work"
}
trap finish EXIT

mkdir -p "$out" "$work/home" "$work/run"
chmod 700 "$work/run"
export HOME="$work/home"
export XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_CACHE_HOME="$work/home/.cache" XDG_RUNTIME_DIR="$work/run"
unset QT_QPA_PLATFORM QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS
export QT_AUTO_SCREEN_SCALE_FACTOR=0

say() { echo "help_screenshots.sh: $*" >&2; }

# ---- Sample animations ----

# A ball flying over a meadow, saved by ImageMagick's frame optimisation: every frame after the
# first is a small patch over what the frames before it left.
make_ball() {
    local i x y frames=()
    for i in 0 1 2 3 4 5 6 7; do
        x=$((20 + i * 16))
        y=$((70 - (i % 4) * 10))
        convert -size 160x120 gradient:'#9fd3ff'-'#f4f9ff' \
            -fill '#6bb35a' -draw 'rectangle 0,95 160,120' \
            -fill '#e0402a' -stroke '#7a1a10' -draw "circle $x,$y $((x + 12)),$y" \
            "$work/ball$i.png"
        frames+=("$work/ball$i.png")
    done
    convert -delay 15 "${frames[@]}" -loop 0 -layers optimize "$work/공 날리기.gif"
}

# ffmpeg's test picture as a GIF: ffmpeg too stores the frames after the first as patches.
make_testsrc() {
    ffmpeg -v error -y -f lavfi -i testsrc=size=160x120:rate=5:duration=2 \
        -vf 'split[a][b];[a]palettegen=max_colors=64[p];[b][p]paletteuse' "$work/testsrc.gif"
}

# The build's samples; when the program has none beside it, stand-ins of the same shapes.
find_samples() {
    samples="$(dirname "$program")/샘플"
    bouncing="$samples/공 튀기기.gif"
    star="$samples/반짝이는 별.gif"
    if [ ! -f "$bouncing" ]; then
        bouncing="$work/공 튀기기.gif"
        ffmpeg -v error -y -f lavfi -i 'testsrc2=size=200x150:rate=8:duration=3' "$bouncing"
    fi
    if [ ! -f "$star" ]; then
        star="$work/반짝이는 별.gif"
        convert -size 96x96 xc:none -fill gold -stroke orange \
            -draw 'polygon 48,6 60,36 92,38 66,58 76,90 48,72 20,90 30,58 4,38 36,36' \
            -set dispose background -delay 8 -loop 0 "$star"
    fi
}

# ---- The program ----

# Starts the program on the files given, with a fresh program folder, and waits for its window.
# Sets mx, my: the main window's top left corner.
start_vorla() {
    local waited=0
    # The program may be rebuilt meanwhile: wait for it to be there again.
    while [ ! -x "$program" ]; do
        if [ $waited -ge 300 ]; then
            say "no program at $program"
            exit 1
        fi
        sleep 1
        waited=$((waited + 1))
    done
    export VORLA_HOME
    VORLA_HOME=$(mktemp -d "$work/program.XXXXXX")
    "$program" "$@" >>"$work/vorla.log" 2>&1 &
    vorla_pid=$!
    local main
    main=$(wait_window '^Vorla .')
    eval "$(xdotool getwindowgeometry --shell "$main")"
    mx=$X
    my=$Y
    # GIF files load after the window shows; let the loads and the first measurements end.
    sleep 4
}

stop_vorla() {
    if [ -n "$vorla_pid" ] && kill -0 "$vorla_pid" 2>/dev/null; then
        kill "$vorla_pid" 2>/dev/null || true
        wait "$vorla_pid" 2>/dev/null || true
    fi
    vorla_pid=""
}

# The newest visible window whose title matches the regular expression; waits up to 20 s.
wait_window() {
    local id="" tries=0
    while [ -z "$id" ]; do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1 || true)
        if [ -z "$id" ]; then
            tries=$((tries + 1))
            if [ $tries -gt 100 ]; then
                say "no window \"$1\" came up; see $work/vorla.log"
                import -window root "${TMPDIR:-/tmp}/vorla-shots-failed.png" 2>/dev/null || true
                exit 1
            fi
            sleep 0.2
        fi
    done
    echo "$id"
}

# Waits until no visible window's title matches.
wait_gone() {
    local tries=0
    while xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; do
        tries=$((tries + 1))
        [ $tries -gt 50 ] && return 0
        sleep 0.2
    done
}

# Geometry of a window as "x y width height".
geometry() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    echo "$X $Y $WIDTH $HEIGHT"
}

# The visible popup menus: the program's windows named just "Vorla".
menus() {
    local id
    for id in $(xdotool search --onlyvisible --class '^vorla$' 2>/dev/null); do
        [ "$(xdotool getwindowname "$id" 2>/dev/null)" = Vorla ] && echo "$id"
    done
    return 0
}

# Waits for a popup menu to show.
wait_menu() {
    local tries=0
    while [ -z "$(menus)" ]; do
        tries=$((tries + 1))
        if [ $tries -gt 50 ]; then
            say "no menu came up"
            exit 1
        fi
        sleep 0.2
    done
}

# The box around every open popup menu, as "left top right bottom".
menu_box() {
    local id x y w h left=99999 top=99999 right=0 bottom=0
    for id in $(menus); do
        read -r x y w h < <(geometry "$id")
        [ "$w" -le 4 ] && continue
        left=$((x < left ? x : left))
        top=$((y < top ? y : top))
        right=$((x + w > right ? x + w : right))
        bottom=$((y + h > bottom ? y + h : bottom))
    done
    echo "$left $top $right $bottom"
}

# Pointer actions at a point relative to the main window's top left corner. Clicks are spaced,
# so that two never make a double-click.
point() { xdotool mousemove $((mx + $1)) $((my + $2)); }
click() {
    point "$1" "$2"
    xdotool click 1
    sleep 0.7
}
right_click() {
    point "$1" "$2"
    xdotool click 3
    sleep 0.7
}
double_click() {
    point "$1" "$2"
    xdotool click --repeat 2 --delay 80 1
    sleep 1
}
key() {
    xdotool key --delay 120 "$@"
    sleep 0.5
}
# The pointer off every window, where it shows no tooltip.
park() {
    xdotool mousemove 1035 755
    sleep "${1:-0.5}"
}

# Photographs the screen and keeps the rectangle at x, y (screen pixels) of width w and height h.
shot() {
    local name=$1 x=$2 y=$3 w=$4 h=$5
    import -window root "$work/screen.png"
    convert "$work/screen.png" -crop "${w}x${h}+${x}+${y}" +repage -strip \
        -define png:compression-level=9 -define png:exclude-chunks=date,time "$out/$name.png"
    say "$name.png ${w}x${h}"
}
# A whole window.
shot_window() {
    local x y w h
    read -r x y w h < <(geometry "$2")
    shot "$1" "$x" "$y" "$w" "$h"
}

# ---- Places in the main window (after 바둑판식 배열 of two documents, or of one) ----
# The strip of the left document at 100 %: frame 1, and the gap between frames 1 and 2.
frame1_x=155 frame1_y=435
gap12_y=555
# The right document's frame 1 and the gap after it (a 96 x 96 animation at 100 %).
right_x=588 right_frame1_y=372 right_gap12_y=448
# The left document's title bar: a click there changes nothing but the keyboard focus.
title_x=100 title_y=69
# The menu bar's titles: 파일, 애니메이션, 창.
file_menu_x=28 animation_menu_x=252 window_menu_x=319 menu_y=8

# Opens a menu of the menu bar by a click on its title (the open menu takes the keys, whatever
# window has the focus) and types the keys given; no item is highlighted until the first key.
menu() {
    click "$1" $menu_y
    shift
    key "$@"
}

# Tiles the documents, after a click on the title bar at x, y (the active document goes left).
tile_windows() {
    click "${1:-$title_x}" "${2:-$title_y}"
    menu $window_menu_x Down Down Return  # 바둑판식 배열
    sleep 0.5
}

# ---- Session 1: two samples side by side ----

session_samples() {
    start_vorla "$star" "$bouncing"
    # The second document's title bar, a little below the first one's.
    tile_windows $title_x $((title_y + 15))

    # The main window with a selected frame: strips, animation pane, tool pane.
    click $frame1_x $frame1_y
    park 2.5
    shot main "$mx" "$my" 970 640
    shot_window tool-pane "$(wait_window '^도구 창$')"
    # One row of the star's strip with its badges (the right document, beside the first one).
    shot strip-row $((mx + 491)) $((my + 302)) 250 145

    # The frame menu, with its effect submenu open.
    right_click $frame1_x $frame1_y
    wait_menu
    local left top right bottom
    read -r left top right bottom < <(menu_box)
    xdotool mousemove $((left + 60)) $((top + 258))
    sleep 1
    read -r left top right bottom < <(menu_box)
    shot frame-menu $((mx + 3)) $((top - 8)) $((right + 8 - mx - 3)) \
        $(( (bottom > my + 560 ? bottom : my + 560) + 8 - top + 8))
    key Escape Escape
    park

    # The gap menu of the right document, with a frame copied (Alt+C) so that 붙여넣기 is on.
    click $right_x $right_frame1_y
    key alt+c
    right_click $right_x $right_gap12_y
    wait_menu
    read -r left top right bottom < <(menu_box)
    shot gap-menu $((mx + 488)) $((top - 40)) $((right + 8 - mx - 488)) $((bottom + 8 - top + 40))
    key Escape
    park

    # The frame dialog, the pointer over the ball so that the magnifier shows it.
    double_click $frame1_x $frame1_y
    local dialog dx dy dw dh
    dialog=$(wait_window '의 1번 프레임$')
    read -r dx dy dw dh < <(geometry "$dialog")
    xdotool mousemove $((dx + 42)) $((dy + 134))
    sleep 0.3
    xdotool mousemove $((dx + 46)) $((dy + 136))
    sleep 1
    shot frame-dialog "$dx" "$dy" "$dw" "$dh"

    # Its colour reduction wizard (줄이기..).
    xdotool mousemove $((dx + 188)) $((dy + 495)) click 1
    local wizard
    wizard=$(wait_window '^색상수 줄이기 마법사$')
    sleep 1
    shot_window colour-reduction "$wizard"
    local wx wy
    read -r wx wy _ < <(geometry "$wizard")
    xdotool mousemove $((wx + 20)) $((wy + 15)) click 1
    key Escape
    wait_gone '^색상수 줄이기 마법사$'
    # 취소 of the frame dialog.
    xdotool mousemove $((dx + dw - 50)) $((dy + dh - 23)) click 1
    wait_gone '의 1번 프레임$'
    park

    # The effect settings sheet: 밝아지기 (Shift+I) on the gap between frames 1 and 2.
    click $frame1_x $gap12_y
    key shift+i
    shot_window effect-sheet "$(wait_window '^효과 세부 설정$')"
    key Escape
    wait_gone '^효과 세부 설정$'

    # 최적화하여 저장: the seventh item of the File menu.
    menu $file_menu_x Down Down Down Down Down Down Down Return
    # With 파일 크기 제한 ticked, so that its field shows.
    local optimise ox oy
    optimise=$(wait_window '^최적화하여 저장$')
    read -r ox oy _ < <(geometry "$optimise")
    xdotool mousemove $((ox + 18)) $((oy + 42)) click 1
    park
    shot_window optimized-save "$optimise"
    key Escape
    wait_gone '^최적화하여 저장$'

    # 저장 파일 크기 보기: both sizes.
    menu $file_menu_x Down Down Down Down Down Down Down Down Return
    sleep 1
    shot_window saved-size "$(wait_window '^파일 용량$')"
    key Return
    wait_gone '^파일 용량$'

    # 고급 애니메이션 효과 on frame 1: the next to last item of the Animation menu.
    click $frame1_x $frame1_y
    menu $animation_menu_x Up Up Return
    local advanced
    advanced=$(wait_window '^고급 애니메이션 효과$')
    sleep 0.5
    shot_window advanced-effect "$advanced"
    key Escape
    wait_gone '^고급 애니메이션 효과$'

    # 전체 프레임 속성 (Ctrl+M).
    click $title_x $title_y
    key ctrl+m
    local global
    global=$(wait_window '^전체 속성$')
    sleep 0.5
    shot_window global-properties "$global"
    key Escape
    wait_gone '^전체 속성$'

    stop_vorla
}

# ---- Session 2: a frame-optimised animation before and after 프레임 펼치기 ----

session_expand() {
    start_vorla "$work/공 날리기.gif"
    # Smaller pictures, so that four frames fit: seven steps of 7 % down to 51 %. The document's
    # window follows the zoom, so it is tiled afterwards.
    click $title_x $title_y
    key minus minus minus minus minus minus minus
    tile_windows
    # Frame 1 at the top: the preview row scrolled away (three steps of the wheel).
    point 150 400
    xdotool click --repeat 3 --delay 150 5
    park 2.5
    shot expand-before $((mx + 3)) $((my + 82)) 270 468

    # 애니메이션 > 프레임 펼치기 (the last item), with no frame selected: every frame.
    menu $animation_menu_x Up
    sleep 0.5
    local left top right bottom
    read -r left top right bottom < <(menu_box)
    shot animation-menu "$mx" "$my" $((right + 8 - mx)) $((bottom + 8 - my))
    key Return
    sleep 2
    park 2.5
    shot expand-after $((mx + 3)) $((my + 82)) 270 468
    stop_vorla
}

# ---- Session 3: the question before an edit of such an animation ----

session_question() {
    start_vorla "$work/testsrc.gif"
    tile_windows
    # Frame 2, then Delete.
    click $frame1_x $((frame1_y + 175))
    key Delete
    local question
    question=$(wait_window '^프레임 펼치기$')
    sleep 0.5
    shot_window expand-question "$question"
    key Escape
    wait_gone '^프레임 펼치기$'
    stop_vorla
}

make_ball
make_testsrc
find_samples
session_samples
session_expand
session_question
say "pictures in $out"
