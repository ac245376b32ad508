#!/usr/bin/env bash
# Renders every window of the program offscreen in German and in English into screenshots/
# (English pictures end in "_en.png"): the main window in each format and with a write cycle,
# the interface window in its states, the content window, the settings and About windows, the
# LAN search and settings windows. The pictures the manual shows are
# then copied to docs/manual/images/, from where the build puts them into the PDF manuals.
#
#   scripts/render_all.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
# The English translation is built with the window program.
cmake --build "$dir" --target vesmor-tagforge >/dev/null

for lang in de en; do
  export VESMOR_RENDER_LANG=$lang
  scripts/render_main_window.sh "$dir"
  scripts/render_port_dlg.sh "$dir"
  scripts/render_content_view.sh "$dir"
  scripts/render_about.sh "$dir"
  scripts/render_lan_dlgs.sh "$dir"
done
unset VESMOR_RENDER_LANG

# Every picture the manuals name, from this run.
missing=0
for picture in $(grep -oh 'src="images/[^"]*"' docs/manual/manual_*.html | sed 's/src="images\///; s/"$//' | sort -u); do
  if [ -f "screenshots/$picture" ]; then
    cp "screenshots/$picture" "docs/manual/images/$picture"
  else
    echo "the manual shows $picture, which no render tool made" >&2
    missing=1
  fi
done
ls screenshots/*.png | wc -l | xargs echo "pictures in screenshots/:"
exit $missing
