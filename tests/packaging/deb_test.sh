#!/usr/bin/env bash
# Builds the four .debs, installs them together with apt, uses the installed programs against
# the installed simulator, builds the C example against libvesmor-dev and runs the Python
# example against python3-vesmor, then removes them again. Needs root; a machine that has one
# of the packages installed already is left alone.
#   deb_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2
packages=(libvesmor1 libvesmor-dev vesmor-tagforge python3-vesmor)
if [ "$(id -u)" != 0 ]; then
  echo "SKIP: installing a .deb needs root"
  exit 0
fi
if ! command -v apt-get >/dev/null; then
  echo "SKIP: no apt-get on this machine"
  exit 0
fi
for package in "${packages[@]}"; do
  if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    echo "SKIP: $package is installed on this machine already"
    exit 0
  fi
done
out=$(mktemp -d)
installed=0
remove_packages() {
  # Only the packages of this test; what apt pulled in for them stays.
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=120 purge -y "${packages[@]}" >/dev/null 2>&1
}
cleanup() {
  [ "$installed" = 1 ] && remove_packages
  rm -rf "$out"
}
. "$source/tests/packaging/sim_session.sh"
trap cleanup EXIT

cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
debs=()
for package in "${packages[@]}"; do
  deb=$(ls "$out/${package}"_*.deb)
  echo "$(basename "$deb"), $(stat -c %s "$deb") bytes: $(dpkg-deb -f "$deb" Depends)"
  debs+=("$deb")
done
libdir=/usr/lib/$(gcc -print-multiarch)
contains() {  # contains PACKAGE FILE...
  local package=$1
  shift
  dpkg-deb -c "$out/${package}"_*.deb | awk '{ print $6 }' >"$out/contents.txt"
  for file in "$@"; do
    grep -qx ".$file" "$out/contents.txt" || { echo "$package lacks $file" >&2; exit 1; }
  done
}
contains libvesmor1 "$libdir/libvesmor.so.1"
contains libvesmor-dev /usr/include/vesmor.h "$libdir/libvesmor.so" "$libdir/pkgconfig/vesmor.pc"
contains vesmor-tagforge /usr/bin/vesmor-tagforge /usr/bin/vesmor \
  /usr/share/applications/vesmor-tagforge.desktop
contains python3-vesmor /usr/lib/python3/dist-packages/vesmor/__init__.py

# apt resolves the packages' dependencies on each other and on Debian's libraries.
DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=120 install -y --no-install-recommends "${debs[@]}" >"$out/apt.txt" 2>&1 ||
  { cat "$out/apt.txt" >&2; exit 1; }
installed=1
desktop-file-validate /usr/share/applications/vesmor-tagforge.desktop
start_simulator /usr/bin/vesmor-sim
info=$(/usr/bin/vesmor info -p "$port")
echo "$info"
grep -q "VMR" <<<"$info"
grep -Eq "libvesmor.so.1 => (/usr/bin/\.\.)?(/usr)?/lib/$(gcc -print-multiarch)/libvesmor.so.1 " <<<"$(ldd /usr/bin/vesmor)"

echo "== C example against libvesmor-dev"
cc -std=c11 -Wall -Wextra -Werror "$source/examples/c/tag_example.c" \
   $(pkg-config --cflags --libs vesmor) -o "$out/tag_example"
"$out/tag_example" "$port" DEBC | tee "$out/c.txt"
grep -q "block 0: 44 45 42 43" "$out/c.txt"

echo "== Python example against python3-vesmor"
(cd "$out" && env -u PYTHONPATH -u VESMOR_LIBRARY PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 -c \
   "import vesmor; print(vesmor.__file__)") | tee "$out/module.txt"
grep -qx /usr/lib/python3/dist-packages/vesmor/__init__.py "$out/module.txt"
(cd "$out" && env -u PYTHONPATH -u VESMOR_LIBRARY PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 \
   "$source/examples/python/tag_example.py" "$port" DEBP) | tee "$out/py.txt"
grep -q "block 0: 44 45 42 50" "$out/py.txt"

remove_packages
installed=0
for gone in /usr/bin/vesmor "$libdir/libvesmor.so.1" /usr/lib/python3/dist-packages/vesmor; do
  [ ! -e "$gone" ] || { echo "$gone is left after the removal" >&2; exit 1; }
done
echo "installed, used and removed"
