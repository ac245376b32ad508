#!/usr/bin/env bash
# Renders the transponder content window offscreen, reading from the simulated reader (a
# 28-block transponder, one with 8-byte blocks, two transponders at once, a comparison with a
# saved image), in German and English, into screenshots/ (not kept in git) for review.
#
#   scripts/render_content_view.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
cmake --build "$dir" --target render_content_view >/dev/null
mkdir -p screenshots
QT_QPA_PLATFORM=offscreen "$dir/tests/app_ui/render_content_view" screenshots
QT_QPA_PLATFORM=offscreen VESMOR_RENDER_LANG=en "$dir/tests/app_ui/render_content_view" screenshots
