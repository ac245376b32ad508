#!/usr/bin/env bash
# Builds VESMOR Tagforge and optionally runs the tests or the demo.
#
#   ./build.sh [build|test|run|package] [plain|asan|tsan|windows]
#
# build  install missing Debian packages, configure and build (default)
# test   build, then run every test with ctest
# run    build, then run the window (or, without a display, the command-line write cycle)
#        against the simulated reader
# package build, then make the .debs (build/libvesmor1_, libvesmor-dev_, vesmor-tagforge_,
#        python3-vesmor_<version>_<arch>.deb)
#
# plain (default) builds into build/, asan into build-asan/ (ASan+UBSan), tsan into build-tsan/.
# windows cross-builds libvesmor.dll, vesmor.exe, vesmor-sim.exe and the Windows unit tests with
# mingw-w64 into build-windows/ (programs in build-windows/bin/); its test runs them under Wine,
# and vesmor.exe against the Linux simulator (from build/) over a Wine COM port and over TCP.
set -euo pipefail
cd "$(dirname "$0")"

action=${1:-build}
flavour=${2:-plain}

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev libudev-dev
  qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-translations-l10n libgl-dev
  libasound2-dev fonts-liberation fonts-dejavu-core xvfb
  libhidapi-dev iproute2 openssl poppler-utils
  dpkg-dev file man-db desktop-file-utils python3 clang-tidy
  lintian python3-pytest python3-setuptools python3-venv python3-pip
  libpq-dev postgresql
)

# Only the windows flavour needs the cross compiler and Wine, and socat for the pty pair one of
# whose ends a Wine COM port is linked to.
windows_packages=(g++-mingw-w64-x86-64-posix wine wine64 socat)

install_missing_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages: ${missing[*]} (run as root to install them)" >&2
    exit 1
  fi
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
}

case "$flavour" in
  plain) dir=build; sanitize="" ;;
  asan) dir=build-asan; sanitize=address ;;
  tsan) dir=build-tsan; sanitize=thread ;;
  windows) dir=build-windows; sanitize="" ;;
  *) echo "unknown flavour '$flavour' (plain, asan, tsan, windows)" >&2; exit 2 ;;
esac

if [ "$flavour" = windows ]; then
  install_missing_packages "${packages[@]}" "${windows_packages[@]}"
  exec ./scripts/windows.sh "$action"
fi

install_missing_packages "${packages[@]}"
cmake -S . -B "$dir" -G Ninja -DVESMOR_SANITIZE="$sanitize" >/dev/null
cmake --build "$dir"

case "$action" in
  build) ;;
  test)
    export VESMOR_TEST_SHORT=1
    # Qt's libraries are not built for ThreadSanitizer, which then reports races inside Qt's own
    # thread pool: the TSan run leaves out the tests labelled "qt", and those of the database
    # (libpq is not built for it either). The station tests run whole vesmor and vesmor-sim
    # processes whose tags pass in tens of milliseconds; under ASan the programs are too slow for
    # their conveyors, so they run in the plain flavour only.
    # The tests of vesmor.exe under Wine, which the windows flavour adds to build/, are its own.
    skip=(-LE wine)
    [ "$flavour" = tsan ] && skip=(-LE "qt|db|wine")
    [ "$flavour" = asan ] && skip=(-LE wine -E "^db_stations$")
    ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" "${skip[@]}"
    ;;
  run) exec ./scripts/demo.sh "$dir" ;;
  package)
    [ "$flavour" = plain ] || { echo "a package is made from the plain build" >&2; exit 2; }
    cpack --config "$dir/CPackConfig.cmake" -B "$dir" >/dev/null
    ls "$dir"/libvesmor1_*.deb "$dir"/libvesmor-dev_*.deb "$dir"/vesmor-tagforge_*.deb \
       "$dir"/python3-vesmor_*.deb
    ;;
  *) echo "unknown action '$action' (build, test, run, package)" >&2; exit 2 ;;
esac
