#!/usr/bin/env bash
# Builds the .deb, installs it with dpkg, uses the installed programs against the installed
# simulator, and removes it again. Needs root; a machine that has the package installed
# already is left alone.
#   deb_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2
if [ "$(id -u)" != 0 ]; then
  echo "SKIP: installing a .deb needs root"
  exit 0
fi
if dpkg-query -W -f='${Status}' vesmor-tagforge 2>/dev/null | grep -q "install ok installed"; then
  echo "SKIP: vesmor-tagforge is installed on this machine already"
  exit 0
fi
out=$(mktemp -d)
installed=0
cleanup() {
  [ "$installed" = 1 ] && dpkg -r vesmor-tagforge >/dev/null
  rm -rf "$out"
}
. "$source/tests/packaging/sim_session.sh"
trap cleanup EXIT

cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
deb=$(ls "$out"/vesmor-tagforge_*.deb)
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
dpkg-deb -f "$deb" Depends Recommends
dpkg-deb -c "$deb" | awk '{ print $6 }' >"$out/contents.txt"
for file in ./usr/bin/vesmor-tagforge ./usr/bin/vesmor ./usr/lib/libvesmor.so.1 ./usr/include/vesmor.h \
            ./usr/lib/pkgconfig/vesmor.pc ./usr/share/applications/vesmor-tagforge.desktop; do
  grep -qx "$file" "$out/contents.txt" || { echo "the package lacks $file" >&2; exit 1; }
done

dpkg -i "$deb" >/dev/null
installed=1
desktop-file-validate /usr/share/applications/vesmor-tagforge.desktop
start_simulator /usr/bin/vesmor-sim
info=$(/usr/bin/vesmor info -p "$port")
echo "$info"
grep -q "VMR" <<<"$info"
libraries=$(ldd /usr/bin/vesmor)
grep -q "libvesmor.so.1 => /usr/.*lib/libvesmor.so.1" <<<"$libraries"
dpkg -r vesmor-tagforge >/dev/null
installed=0
[ ! -e /usr/bin/vesmor ]
echo "installed, used and removed"
