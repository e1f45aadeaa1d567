#!/usr/bin/env bash
# Writes a manual page from a program's own --help text and a page template,
# so that the commands, options and exit codes the page lists are those the
# program has: nothing about them is written twice.
#
#   make-man.sh TEMPLATE OUTPUT VERSION PROGRAM [ARGS...]
#
# PROGRAM ARGS --help is run. Its text is read as: a "Usage: ..." line, the
# description up to the first heading, headings (a line ending in ':') each
# followed by items ("  TERM" or "  TERM  DESCRIPTION", the description
# going on in lines indented further), and an "Exit codes: N meaning, ..."
# paragraph. In the template these lines are replaced:
#   @VERSION@ (anywhere)   the version
#   @SYNOPSIS@             the usage line
#   @DESCRIPTION@          the description
#   @ITEMS Heading@        the items under "Heading:" as tagged paragraphs
#   @EXIT@                 the exit codes as tagged paragraphs
set -euo pipefail
template=$1 output=$2 version=$3
shift 3
# (a sanitizer build's leak report at exit is no concern of the page's)
help=$(ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 "$@" --help)

tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT
printf '%s\n' "$help" | awk -v version="$version" -v template="$template" '
function esc(s) {
  gsub(/\\/, "\\e", s)
  gsub(/-/, "\\-", s)
  if (s ~ /^[.'"'"']/) s = "\\&" s
  return s
}
function flush_item() {
  if (term != "") items[heading] = items[heading] ".TP\n\\fB" esc(term) "\\fR\n" esc(desc) "\n"
  term = ""; desc = ""
}
BEGIN { state = "start"; heading = "" }
{
  line = $0
  if (state == "start" && line ~ /^Usage: /) {
    # the program by its name, not by the path it was run from
    synopsis = substr(line, 8); sub(/^[^ ]*\//, "", synopsis); state = "desc"; next
  }
  if (line ~ /^Exit codes: /) { flush_item(); state = "exit"; exitText = substr(line, 13); next }
  if (state == "exit") {
    if (line == "") { state = "after"; next }
    exitText = exitText " " line; next
  }
  if (line ~ /^[^ ].*:$/) { flush_item(); heading = substr(line, 1, length(line) - 1); state = "items"; next }
  if (state == "desc") {
    if (line != "") description = description esc(line) "\n"
    next
  }
  if (state == "items") {
    if (line ~ /^      +[^ ]/ && term != "") {
      sub(/^ +/, "", line); desc = desc (desc == "" ? "" : " ") line; next
    }
    if (line ~ /^  [^ ]/) {
      flush_item()
      sub(/^  /, "", line)
      # "TERM  DESCRIPTION" on one line (two spaces or more between them)
      if (match(line, /  +/)) { term = substr(line, 1, RSTART - 1); desc = substr(line, RSTART + RLENGTH) }
      else { term = line; desc = "" }
      sub(/^vaultline-cli /, "", term)
      next
    }
    if (line == "") { flush_item(); next }
  }
}
END {
  flush_item()
  # "0 success, 1 diff found differences, ..., 130 cancelled. Run ..." as one item per code
  sub(/\. Run .*/, "", exitText); sub(/\.$/, "", exitText)
  n = split(exitText, parts, /, /)
  exitItems = ""; cur = ""
  for (i = 1; i <= n; i++) {
    if (parts[i] ~ /^[0-9]+ /) {
      if (cur != "") exitItems = exitItems cur "\n"
      code = parts[i]; sub(/ .*/, "", code); meaning = parts[i]; sub(/^[0-9]+ /, "", meaning)
      cur = ".TP\n.B " code "\n" esc(meaning)
    } else {
      cur = cur ", " esc(parts[i])
    }
  }
  if (cur != "") exitItems = exitItems cur "\n"
  while ((getline t < template) > 0) {
    gsub(/@VERSION@/, version, t)
    if (t == "@SYNOPSIS@") { printf ".B %s\n", esc(synopsis); continue }
    if (t == "@DESCRIPTION@") { printf "%s", description; continue }
    if (t == "@EXIT@") {
      if (exitItems == "") { print "make-man.sh: no exit codes in the help text" > "/dev/stderr"; exit 1 }
      printf "%s", exitItems; continue
    }
    if (t ~ /^@ITEMS .*@$/) {
      h = substr(t, 8, length(t) - 8)
      if (!(h in items)) { print "make-man.sh: no heading \"" h ":\" in the help text" > "/dev/stderr"; exit 1 }
      printf "%s", items[h]; continue
    }
    print t
  }
}' >"$tmp"
mv "$tmp" "$output"
trap - EXIT
