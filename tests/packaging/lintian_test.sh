#!/usr/bin/env bash
# lintian judges the four .debs as Debian does: no error and no warning that is not overridden
# (packaging/lintian/ gives the reason for each override).
#   lintian_test.sh BUILD_DIR
set -euo pipefail
build=$1
if ! command -v lintian >/dev/null; then
  echo "SKIP: lintian is not installed (./build.sh installs it)"
  exit 0
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
debs=("$out"/*.deb)
[ ${#debs[@]} = 4 ] || { echo "expected four packages, got: ${debs[*]}" >&2; exit 1; }
# Overridden tags are not shown; errors and warnings left make the test fail.
status=0
lintian --tag-display-limit 0 --fail-on error,warning "${debs[@]}" >"$out/lintian.txt" 2>&1 || status=$?
grep -v "running with root privileges" "$out/lintian.txt" || true
[ "$status" = 0 ] || { echo "lintian failed ($status)" >&2; exit 1; }
echo "lintian: no error, no warning left in $(basename -a "${debs[@]}" | tr '\n' ' ')"
