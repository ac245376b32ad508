#!/usr/bin/env bash
# Renders the interface selection window offscreen over a fake device tree (serial list, a
# virtual COM reader selected, a USB reader in HID mode, the missing-driver question) into
# screenshots/ (not kept in git) for review.
#
#   scripts/render_port_dlg.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
cmake --build "$dir" --target render_port_dlg >/dev/null
mkdir -p screenshots
QT_QPA_PLATFORM=offscreen "$dir/tests/periphery_ui/render_port_dlg" screenshots
