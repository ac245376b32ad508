#!/usr/bin/env bash
# Renders the LAN search and settings windows offscreen over a LAN of their own (search running,
# search list with a foreign device, settings of a fixed and a DHCP reader, progress while a
# changed reader restarts) into screenshots/ (not kept in git) for review.
#
#   scripts/render_lan_dlgs.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
cmake --build "$dir" --target render_lan_dlgs >/dev/null
mkdir -p screenshots
QT_QPA_PLATFORM=offscreen "$dir/tests/periphery_ui/render_lan_dlgs" screenshots
