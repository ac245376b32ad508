#!/usr/bin/env bash
# The Python package's message table is the one the generator makes from the application's.
#   message_table_test.sh GENERATOR QM_DIRECTORY CHECKED_IN_FILE
set -euo pipefail
generator=$1 qm_dir=$2 checked_in=$3
made=$(mktemp)
trap 'rm -f "$made"' EXIT
"$generator" "$qm_dir" >"$made"
if ! diff -u "$checked_in" "$made"; then
  echo "python/vesmor/_messages.py is out of date: cmake --build build --target python_messages" >&2
  exit 1
fi
grep -q '^    23: ("Kollision Fehler", "Collision error"),$' "$made"
echo "the message table is current"
