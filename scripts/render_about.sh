#!/usr/bin/env bash
# Renders the settings window "Einstellungen" and the About window (checking, up to date, newer
# version offered, no server) offscreen into screenshots/ (not kept in git) for review. The About
# window asks an HTTPS server on loopback that the tool starts with a certificate made for the
# run (needs the openssl command).
#
#   scripts/render_about.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
cmake --build "$dir" --target render_about >/dev/null
mkdir -p screenshots
QT_QPA_PLATFORM=offscreen "$dir/tests/app_update/render_about" screenshots
