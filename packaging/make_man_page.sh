#!/usr/bin/env bash
# Writes a man page for a command-line program from its own --help output, so the page never
# drifts from the program. For a program with subcommands, each subcommand's --help becomes a
# subsection of COMMANDS.
#   make_man_page.sh PROGRAM NAME "one-line summary" VERSION OUTPUT
set -euo pipefail
program=$1 name=$2 summary=$3 version=$4 output=$5

# CLI11 help text → man sections. Option lines start with two spaces and a dash; wrapped
# descriptions continue on lines indented further; other lines are prose.
to_man() {
  awk -v name="$name" '
    function esc(s) { gsub(/\\/, "\\e", s); gsub(/-/, "\\-", s); sub(/^[.'\'']/, "\\\\\\&&", s); return s }
    /^Usage:/ { next }
    /^(Options|Subcommands|Positionals):$/ { section = $0; next }
    /^  [^ ]/ && section != "" {
      line = substr($0, 3)
      split_at = match(line, /  +/)
      if (split_at > 0) { term = substr(line, 1, split_at - 1); text = substr(line, split_at + RLENGTH) }
      else { term = line; text = "" }
      print ".TP"; print ".B " esc(term); if (text != "") print esc(text)
      next
    }
    /^    +[^ ]/ && section != "" { sub(/^ +/, ""); print esc($0); next }
    /^$/ { if (section != "") { section = ""; print ".PP" } ; next }
    { print esc($0) }
  '
}

{
  echo ".TH \"$(echo "$name" | tr a-z A-Z)\" 1 \"\" \"VESMOR Tagforge $version\" \"User Commands\""
  echo ".SH NAME"
  echo "$name \\- $summary"
  echo ".SH SYNOPSIS"
  usage=$("$program" --help | sed -n 's/^Usage: [^ ]* *//p' | head -1)
  echo ".B $name"
  echo "$usage" | sed 's/-/\\-/g'
  echo ".SH DESCRIPTION"
  "$program" --help | to_man
  commands=$("$program" --help | awk '/^Subcommands:$/ { on = 1; next } on && /^  [^ ]/ { print $1 } on && /^$/ { on = 0 }')
  if [ -n "$commands" ]; then
    echo ".SH COMMANDS"
    for command in $commands; do
      echo ".SS $command"
      "$program" "$command" --help | sed -n 's/^Usage: [^ ]*/.B '"$name"'/p' | sed 's/-/\\-/g'
      echo ".PP"
      "$program" "$command" --help | to_man
    done
  fi
  echo ".SH SEE ALSO"
  for other in vesmor vesmor-sim vesmor-trace; do
    [ "$other" = "$name" ] || echo ".BR $other (1)"
  done
} >"$output"
