#!/usr/bin/env bash
# vesmor.exe under Wine, called like the Linux vesmor: a "-p /dev/pts/N" (a simulator's
# pseudo-terminal) becomes a COM port of the Wine prefix linked to that pty, so that the
# library's Win32 comm calls reach the simulator through Wine's serial code.
#
#   VESMOR_WINDOWS_BIN  folder with vesmor.exe and libvesmor.dll (required)
#   VESMOR_WINE_PREFIX  the Wine prefix (default: wine-prefix beside that folder, the one
#                       ./build.sh test windows makes); made on first use
set -u
bin=${VESMOR_WINDOWS_BIN:?VESMOR_WINDOWS_BIN names the folder of vesmor.exe}
export WINEDEBUG=-all
export WINEPREFIX=${VESMOR_WINE_PREFIX:-$bin/../wine-prefix}
if [ ! -d "$WINEPREFIX/dosdevices" ]; then
  mkdir -p "$WINEPREFIX"
  timeout 120 wine cmd /c exit >/dev/null 2>&1 </dev/null
fi

args=()
after_p=0
for a in "$@"; do
  if [ "$after_p" = 1 ] && [[ "$a" =~ ^/dev/pts/([0-9]+)$ ]]; then
    # COM5 for pts/0, COM6 for pts/1, ... within COM1..COM256.
    com=$(( BASH_REMATCH[1] % 250 + 5 ))
    ln -sfn "$a" "$WINEPREFIX/dosdevices/com$com"
    a="COM$com"
  fi
  after_p=0
  [ "$a" = "-p" ] && after_p=1
  args+=("$a")
done
wine "$bin/vesmor.exe" "${args[@]}"
status=$?
# The wineserver goes before the caller's simulator does: a pty that hangs up under it makes it
# print its whole state.
wineserver -k 2>/dev/null
exit $status
