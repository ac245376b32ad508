#!/usr/bin/env bash
# Renders the main window offscreen, connected to the simulated reader, in each data format and
# with a write cycle running, into screenshots/ (not kept in git) for review.
#
#   scripts/render_main_window.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
cmake --build "$dir" --target render_main_window >/dev/null
mkdir -p screenshots
QT_QPA_PLATFORM=offscreen "$dir/tests/app_ui/render_main_window" screenshots
