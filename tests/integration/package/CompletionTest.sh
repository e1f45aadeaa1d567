#!/usr/bin/env bash
# Sources the bash completion and completes as bash would, with the program
# of this build first on the PATH.
set -euo pipefail
src=$1 cli=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/vaultline-completion-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin" "$work/files" "$work/files/sub"
ln -s "$cli" "$work/bin/vaultline-cli"
export PATH=$work/bin:$PATH XDG_CONFIG_HOME=$work/config HOME=$work
export VAULTLINE_VISA_PROVIDER=builtin
export VAULTLINE_VISA_RESOURCES='ASRL/tmp/vaultline-test-a::INSTR;TCPIP0::127.0.0.1::5025::SOCKET'
touch "$work/files/a.xMem" "$work/files/b.XMEM" "$work/files/notes.txt" "$work/files/sub/two words.xMem"
# shellcheck disable=SC1091
source "$src/packaging/completion/vaultline-cli"

# Completes LINE (the cursor at its end) and prints the candidates sorted, one a line.
complete_line() {
  COMP_LINE=$1
  COMP_POINT=${#1}
  read -ra COMP_WORDS <<<"$1"
  [[ $1 == *' ' ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _vaultline_cli
  printf '%s\n' "${COMPREPLY[@]}" | sort
}
fails=0
expect() {
  local line=$1 want=$2 got
  got=$(complete_line "$line" | paste -sd' ')
  if [ "$got" != "$want" ]; then
    echo "FAIL: '$line' completes to '$got', expected '$want'" >&2
    fails=$((fails + 1))
  fi
}

cd "$work/files"
# The commands that begin with d (those of --help, whatever their number).
expect 'vaultline-cli d' "$(vaultline-cli --help | sed -n 's/^  vaultline-cli \(d[a-z-]*\).*/\1/p' | sort | paste -sd' ')"
[[ " $(complete_line 'vaultline-cli d' | paste -sd' ') " == *" diff doctor download "* ]] ||
  { echo "FAIL: diff, doctor, download" >&2; fails=$((fails + 1)); }
# Resource names as 'vaultline-cli list' prints them (socket names are never listed).
# (the machine's own serial ports are listed too)
expect 'vaultline-cli identify ' "$(vaultline-cli list | sort | paste -sd' ')"
[[ $(complete_line 'vaultline-cli identify ') == *ASRL/tmp/vaultline-test-a::INSTR* ]] ||
  { echo "FAIL: the configured resource is not completed" >&2; fails=$((fails + 1)); }
expect 'vaultline-cli identify ASRL/tmp/v' 'ASRL/tmp/vaultline-test-a::INSTR'
# After a colon bash replaces only what follows it.
expect 'vaultline-cli identify ASRL/tmp/vaultline-test-a::' 'INSTR'
expect 'vaultline-cli --log t.log identify ASRL/tmp/' 'ASRL/tmp/vaultline-test-a::INSTR'
# Memory files where a FILE goes, in any case, and folders to go into.
expect 'vaultline-cli download ASRL/tmp/vaultline-test-a::INSTR ' 'a.xMem b.XMEM sub'
expect 'vaultline-cli upload ' 'a.xMem b.XMEM sub'
expect 'vaultline-cli diff a.xMem ' 'a.xMem b.XMEM sub'
expect 'vaultline-cli show a.xMem --memory ' ''
# A name with a space is one candidate.
[ "$(complete_line 'vaultline-cli show sub/')" = 'sub/two words.xMem' ] ||
  { echo "FAIL: a file name with a space" >&2; fails=$((fails + 1)); }
expect 'vaultline-cli download X --into ' 'a.xMem b.XMEM sub'
expect 'vaultline-cli download --range 1-2 ASRL/tmp/vaultline-test-a::INSTR ' 'a.xMem b.XMEM sub'
# Options of the command, and the global ones.
expect 'vaultline-cli download X Y --r' '--range'
expect 'vaultline-cli --l' '--log'
expect 'vaultline-cli --log ' 'a.xMem b.XMEM notes.txt sub'
expect 'vaultline-cli list ' ''
exit $((fails > 0))
