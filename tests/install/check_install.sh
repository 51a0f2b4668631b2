#!/bin/sh
# Installs the build into a temporary DESTDIR with prefix /usr and checks the tree: the program,
# its assets, the desktop entry, AppStream metainfo, icons at every size and the man page; the
# validators run when they are installed. Usage: check_install.sh BUILD_DIR
set -eu
build=$1
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
DESTDIR="$dest" cmake --install "$build" --prefix /usr >/dev/null
root="$dest/usr"
status=0
fail() { echo "$1"; status=1; }
for file in bin/vorla share/applications/vorla.desktop \
    share/metainfo/org.tarnwick.Vorla.metainfo.xml share/icons/hicolor/scalable/apps/vorla.svg \
    share/man/man1/vorla.1 share/vorla/dfnwim.dxt share/vorla/help/index.html share/vorla/샘플 \
    $(for size in 16 24 32 48 64 128 256; do echo "share/icons/hicolor/${size}x${size}/apps/vorla.png"; done); do
  [ -e "$root/$file" ] || fail "missing: $file"
done
# An installed copy is not portable: it would write into bin.
[ ! -e "$root/bin/vorla-portable" ] || fail "vorla-portable is installed"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/share/applications/vorla.desktop" || status=1
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$root/share/metainfo/org.tarnwick.Vorla.metainfo.xml" || status=1
fi
# The man page says what --help says, and the installed program answers without a display.
grep -q -- '--version' "$root/share/man/man1/vorla.1" || fail "the man page lacks the options"
version=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/bin/vorla" --version)
[ "$version" = "Vorla 1.05 beta1" ] || fail "installed vorla --version said: $version"
exit $status
