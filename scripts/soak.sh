#!/usr/bin/env bash
# The full soak: 10,000 tags through `vesmor program --cycle` (about ten minutes). The figures
# (time, the tool's memory and descriptors) are printed at the end.
#   scripts/soak.sh [TAGS] [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
VESMOR_SOAK_TAGS=${1:-10000} exec "${2:-build}"/tests/soak/soak_tests
