#!/usr/bin/env bash
# The windows flavour of build.sh: ./build.sh build windows | ./build.sh test windows.
#
# build  cross-builds with mingw-w64 into build-windows/ (programs in build-windows/bin/)
# test   build, then under Wine (a prefix of its own in build-windows/wine-prefix, no display):
#        the Windows unit tests, vesmor.exe against the Linux simulator of build/ over a Wine
#        COM port linked to the simulator's pseudo-terminal and over TCP on loopback, and
#        vesmor-sim.exe against vesmor.exe and the Linux vesmor (TCP on loopback, a COM port on
#        a pty pair, the configuration port in a private network namespace)
set -euo pipefail
cd "$(dirname "$0")/.."
action=${1:-build}
dir=build-windows

cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build "$dir"

case "$action" in
  build) ;;
  test)
    export VESMOR_TEST_SHORT=1 WINEDEBUG=-all
    export WINEPREFIX="$PWD/$dir/wine-prefix"
    unset VESMOR_WINE_PREFIX
    # Wine runs without a display; the prefix is made once (about half a minute).
    [ -d "$WINEPREFIX/dosdevices" ] || timeout 300 wine cmd /c exit >/dev/null 2>&1 </dev/null
    # A COM port that always opens, for the serial port list (below the ones wine_vesmor.sh links).
    ln -sfn /dev/null "$WINEPREFIX/dosdevices/com3"
    export VESMOR_WINE_COM_PORT=COM3
    status=0
    # One wineserver for all unit tests, so that none starts while another one shuts it down.
    # Its helper processes start now, away from the pipes ctest reads the test lists through.
    # The server that made the prefix lingers for a few seconds, and "wineserver -p" refuses to
    # start beside it (exit 2): it is stopped first.
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    wineserver -p
    timeout 120 wine cmd /c exit >/dev/null 2>&1 </dev/null || true
    ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" || status=1
    wineserver -k 2>/dev/null || true
    # The Linux side: the simulator, the tool and the tests that run vesmor.exe and
    # vesmor-sim.exe under Wine.
    cmake -S . -B build -G Ninja -DVESMOR_WINDOWS_BIN="$PWD/$dir/bin" >/dev/null
    cmake --build build --target cli_wine_tests vesmor-sim vesmor
    # Wine does not take a Linux pseudo-terminal for a console, so the progress line meant for
    # a terminal is not shown there; that one case runs on Linux only.
    ctest --test-dir build --output-on-failure -R '^wine[.]' -E 'ProgressIsShownOnATerminal' ||
      status=1
    wineserver -k 2>/dev/null || true
    exit $status
    ;;
  *) echo "the windows flavour builds and tests only (build, test)" >&2; exit 2 ;;
esac
