# Shared by run.sh and test.sh: the Debian 12 packages and the Release build.

VORLA_RUN_PACKAGES=(
  g++ cmake make pkg-config
  qt6-base-dev qt6-image-formats-plugins qt6-translations-l10n libxkbcommon-dev libgl-dev
  libmagick++-6.q16-dev libimagequant-dev libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  fonts-nanum
)
VORLA_TEST_PACKAGES=(
  libgtest-dev libbenchmark-dev xvfb xauth xdotool xclip imagemagick giflib-tools libgif-dev python3-pil
  gifsicle ffmpeg gdb desktop-file-utils appstream
)
VORLA_BUILD_DIR=${VORLA_BUILD_DIR:-build/release}

vorla_install_packages() {
  local missing=()
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
      || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Extra arguments go to cmake's configure step (run.sh leaves the tests and benchmarks out, so
# starting the editor needs none of their packages).
vorla_build() {
  cmake -S . -B "$VORLA_BUILD_DIR" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  cmake --build "$VORLA_BUILD_DIR" -j2
}
