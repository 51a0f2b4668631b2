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
need() {
  if [ ! -e "$root/$1" ]; then
    echo "missing: $1"
    status=1
  fi
}
for file in bin/vorla share/applications/vorla.desktop \
    share/metainfo/org.tarnwick.Vorla.metainfo.xml share/icons/hicolor/scalable/apps/vorla.svg \
    share/man/man1/vorla.1 share/vorla/dfnwim.dxt share/vorla/help/index.html share/vorla/샘플; do
  need "$file"
done
for size in 16 24 32 48 64 128 256; do need "share/icons/hicolor/${size}x${size}/apps/vorla.png"; done
if [ -e "$root/bin/vorla-portable" ]; then
  echo "an installed copy must not be portable (it would write into bin)"
  status=1
fi
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/share/applications/vorla.desktop" || status=1
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$root/share/metainfo/org.tarnwick.Vorla.metainfo.xml" >/dev/null ||
    { appstreamcli validate --no-net "$root/share/metainfo/org.tarnwick.Vorla.metainfo.xml"; status=1; }
fi
# The man page says what --help says.
if ! grep -q -- '--version' "$root/share/man/man1/vorla.1"; then
  echo "the man page lacks the options"
  status=1
fi
version=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/bin/vorla" --version)
if [ "$version" != "Vorla 1.05 beta1" ]; then
  echo "installed vorla --version said: $version"
  status=1
fi
exit $status
