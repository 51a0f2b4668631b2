#!/usr/bin/env bash
# Makes the encoder benchmark's outside-made animations in the folder given as $1 (default: a
# folder under the system temporary folder). A file already there is kept, so repeated runs do
# not pay for it again; delete the folder to make them anew.
#
#   testsrc.gif     ffmpeg test pattern video, 321 frames of 320x240, ffmpeg's own frame
#                   differencing (changed rectangles, unchanged pixels transparent)
#   mandelbrot.gif  ffmpeg mandelbrot zoom, 321 frames of 320x240, palettegen/paletteuse with
#                   Bayer dither: noisy, hard to compress
#   plasma.gif      ImageMagick plasma, 60 frames of 320x240 quantised one by one, joined by
#                   gifsicle: a different local colour table on every frame
#   alpha.gif       ffmpeg testsrc2 seen through a moving round hole: transparency, restore to
#                   background, 120 frames
#   previous.gif    ImageMagick plasma picture with a badge moving over it, each badge frame
#                   restoring to previous: 41 frames, disposal 3
set -euo pipefail

out=${1:-${TMPDIR:-/tmp}/vorla-bench-files}
mkdir -p "$out"
cd "$out"

# The ImageMagick 6 binary by its own name, so that no other 'convert' on PATH is taken.
magick=$(command -v convert-im6.q16 || command -v convert)

make() {  # make FILE COMMAND...: runs COMMAND to make FILE unless it exists
  local file=$1
  shift
  [ -s "$file" ] && return 0
  echo "making $out/$file" >&2
  "$@" || { rm -f "$file"; echo "could not make $file" >&2; return 1; }
}

testsrc() {
  ffmpeg -v error -nostdin -y -f lavfi -i "testsrc=size=320x240:rate=25" -frames:v 321 testsrc.gif
}

mandelbrot() {
  # trim ends the source, so that palettegen sees its end and can emit the palette.
  ffmpeg -v error -nostdin -y \
    -f lavfi -i "mandelbrot=size=320x240:rate=25:maxiter=200,trim=end_frame=321" \
    -filter_complex "[0:v]split[a][b];[a]palettegen=stats_mode=diff[p];[b][p]paletteuse=dither=bayer" \
    mandelbrot.gif
}

plasma() {
  local frames=()
  local i
  for i in $(seq 0 59); do
    frames+=('(' mpr:base -roll "+$((i * 5))+$((i * 3))" -modulate "100,$((70 + i * 2)),$((100 + i * 3))" ')')
  done
  local tmp
  tmp=$(mktemp -d)
  OMP_NUM_THREADS=1 "$magick" -size 320x240 -seed 7 plasma:fractal -write mpr:base +delete \
    "${frames[@]}" +adjoin "$tmp/p_%03d.gif"
  gifsicle --no-warnings --loopcount=forever --delay 8 "$tmp"/p_*.gif > plasma.gif
  rm -rf "$tmp"
}

alpha() {
  ffmpeg -v error -nostdin -y -f lavfi -i \
    "testsrc2=size=320x240:rate=20,trim=end_frame=120,format=rgba,geq=r='r(X,Y)':g='g(X,Y)':b='b(X,Y)':a='if(lt(hypot(X-160-70*sin(T*2),Y-120-40*cos(T*3)),80),255,0)'" \
    -filter_complex "[0:v]split[a][b];[a]palettegen=reserve_transparent=1[p];[b][p]paletteuse=alpha_threshold=128" \
    alpha.gif
}

previous() {
  local args=() i
  for i in $(seq 0 39); do
    args+=(-dispose Previous -delay 6 '(' -size 60x40 xc:none -fill "hsl($((i * 9)),80%,50%)"
      -draw "roundrectangle 0,0 59,39 8,8" -fill white -draw "circle 30,20 30,$((8 + i % 10))"
      -repage "+$((i * 6))+$((100 + (i % 10) * 8))" ')')
  done
  OMP_NUM_THREADS=1 "$magick" -seed 3 -size 320x240 plasma:fractal -colors 64 -dispose None \
    -delay 6 "${args[@]}" -loop 0 previous.gif
}

status=0
make testsrc.gif testsrc || status=1
make mandelbrot.gif mandelbrot || status=1
make plasma.gif plasma || status=1
make alpha.gif alpha || status=1
make previous.gif previous || status=1
exit $status
