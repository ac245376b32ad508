#!/usr/bin/env bash
# Installs the build tree into a staging directory and uses it as a user and a developer would:
# the file list, the menu entry, the man pages, the installed tools against the simulator, and
# the C and Python examples built and run against the staged library.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2
stage=$(mktemp -d)
work=$(mktemp -d)
cleanup() { rm -rf "$stage" "$work"; }
. "$source/tests/packaging/sim_session.sh"

DESTDIR="$stage/root" cmake --install "$build" --prefix /usr >/dev/null
libdir=$stage/root/usr/lib/$(gcc -print-multiarch)

echo "== file list"
(cd "$stage/root" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort) >"$stage/files.txt"
diff -u "$source/tests/packaging/expected_files.txt" "$stage/files.txt"

echo "== menu entry and man pages"
desktop-file-validate "$stage/root/usr/share/applications/vesmor-tagforge.desktop"
for page in vesmor vesmor-sim vesmor-trace vesmor-tagforge; do
  man -l "$stage/root/usr/share/man/man1/$page.1.gz" 2>/dev/null >"$work/$page.txt"
  grep -q "^NAME" "$work/$page.txt" || {
    echo "man page $page.1 does not render" >&2; exit 1; }
done
man -l "$stage/root/usr/share/man/man1/vesmor.1.gz" 2>/dev/null >"$work/vesmor.txt"
grep -q "   program" "$work/vesmor.txt" || {
  echo "vesmor.1 lacks the program command" >&2; exit 1; }

echo "== installed tools against the simulator"
start_simulator "$stage/root/usr/bin/vesmor-sim"
"$stage/root/usr/bin/vesmor" info -p "$port" | tee "$stage/info.txt"
grep -q "VMR" "$stage/info.txt"
# The installed tool finds its English texts in ../share/vesmor-tagforge.
"$stage/root/usr/bin/vesmor" --lang en info -p /dev/vesmor-no-such-port >"$work/en.txt" 2>&1 || true
grep -q "Error opening the port" "$work/en.txt" || { cat "$work/en.txt" >&2; exit 1; }

echo "== C example against the staged vesmor.pc"
export PKG_CONFIG_PATH="$libdir/pkgconfig"
pkg-config --modversion vesmor
cc -std=c11 -Wall -Wextra -Werror "$source/examples/c/tag_example.c" \
   $(pkg-config --cflags --libs vesmor) -o "$stage/tag_example"
LD_LIBRARY_PATH="$libdir" "$stage/tag_example" "$port" C-EX | tee "$stage/c.txt"
grep -q "block 0: 43 2D 45 58" "$stage/c.txt"

echo "== Python example against the staged package"
PYTHONPATH="$stage/root/usr/lib/python3/dist-packages" VESMOR_LIBRARY="$libdir/libvesmor.so.1" \
  PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 "$source/examples/python/tag_example.py" "$port" PYEX |
  tee "$stage/py.txt"
grep -q "block 0: 50 59 45 58" "$stage/py.txt"

echo "== CMake package"
mkdir -p "$stage/consumer"
cat >"$stage/consumer/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.25)
project(consumer C)
find_package(vesmor 1 REQUIRED)
add_executable(tag_example $source/examples/c/tag_example.c)
target_link_libraries(tag_example PRIVATE vesmor::vesmor)
CMAKE
cmake -S "$stage/consumer" -B "$stage/consumer/build" -G Ninja \
      -DCMAKE_PREFIX_PATH="$stage/root/usr" >/dev/null
cmake --build "$stage/consumer/build" >/dev/null
"$stage/consumer/build/tag_example" "$port" CMKE >"$work/cmake.txt"
grep -q "block 0: 43 4D 4B 45" "$work/cmake.txt"
echo "all installed pieces work"
