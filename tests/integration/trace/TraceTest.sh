#!/usr/bin/env bash
# vaultline-cli --log against dxr9k-sim --log: the same commands and replies
# in the same order, in the same format; the client's own events (open, lock,
# timeout, close) besides; and --log refused when it cannot be written.
set -uo pipefail
cli=$1 sim=$2 memories=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/vaultline-trace-test.XXXXXX")
sim_pid=
# shellcheck disable=SC2317 # called by the trap
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fails=0
fail() { echo "FAIL: $*" >&2; fails=$((fails + 1)); }
export HOME=$work XDG_CONFIG_HOME=$work/config VAULTLINE_VISA_PROVIDER=builtin
unset VAULTLINE_VISA_RESOURCES

# start_sim ARGS...: a simulator (on a pseudo-terminal unless ARGS say --tcp);
# sets sim_pid and resource.
start_sim() {
  : >"$work/sim.out"
  local transport=--pty
  [[ " $* " == *" --tcp "* ]] && transport=
  # shellcheck disable=SC2086 # no transport option for --tcp
  "$sim" $transport "$@" >"$work/sim.out" &
  sim_pid=$!
  resource=
  for _ in $(seq 100); do
    IFS= read -r resource <"$work/sim.out" && [ -n "$resource" ] && return 0
    sleep 0.05
  done
  fail "the simulator did not start"
  return 1
}
stop_sim() {
  kill "$sim_pid"
  wait "$sim_pid" 2>/dev/null
  sim_pid=
}
# The commands and replies of a transcript, without the time stamps.
wire() { sed -E -n 's/^[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3} ([<>] .*)$/\1/p' "$1"; }

# A download of memories that hold quotes, commas and two-line memos.
cp "$memories" "$work/instrument.xMem"
chmod u+w "$work/instrument.xMem"
start_sim --state "$work/instrument.xMem" --log "$work/sim.log" || exit 1
"$cli" --log "$work/cli.log" download "$resource" "$work/out.xMem" || fail "download with --log"
stop_sim
wire "$work/sim.log" >"$work/sim.wire"
wire "$work/cli.log" >"$work/cli.wire"
[ "$(wc -l <"$work/cli.wire")" -gt 100 ] || fail "the client trace holds $(wc -l <"$work/cli.wire") commands and replies"
diff "$work/sim.wire" "$work/cli.wire" >"$work/diff" || fail "the traces differ:$(printf '\n'; head -20 "$work/diff")"
# Every line is stamped and marked; the session's own events are there.
grep -Ev '^[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3} [<>-] ' "$work/cli.log" && fail "lines of another format"
for event in "- open $resource" '- lock exclusive' '- unlock' "- close $resource" '- baud 19200'; do
  grep -qF -- " $event" "$work/cli.log" || fail "no '$event' in the client trace"
done

# The option after the command, and a second run appended to the same file.
start_sim --log "$work/sim2.log" || exit 1
"$cli" identify "$resource" --log "$work/cli.log" >/dev/null || fail "identify with --log after the command"
[ "$(grep -c -- '- open ' "$work/cli.log")" = 2 ] || fail "the second run did not append"
grep -q '> \*IDN?' "$work/cli.log" || fail "no *IDN? in the trace of identify"
stop_sim

# A socket session is traced as well, and is no serial line.
start_sim --tcp 0 --log "$work/sim3.log" || exit 1
"$cli" --log "$work/socket.log" identify "$resource" >/dev/null || fail "identify over a socket with --log"
stop_sim
diff <(wire "$work/sim3.log") <(wire "$work/socket.log") >/dev/null || fail "the socket traces differ"
grep -q -- '- baud' "$work/socket.log" && fail "serial settings on a socket session"
grep -q "> \*IDN?" "$work/socket.log" || fail "no *IDN? in the socket trace"

# An instrument that stops answering: the timeout is in the trace.
start_sim --silent-after 0 || exit 1
"$cli" --log "$work/timeout.log" identify "$resource" >/dev/null 2>&1
[ $? = 5 ] || fail "identify of a silent instrument did not fail with a VISA error"
grep -Eq ' - read timeout: ' "$work/timeout.log" || fail "no timeout in the trace:$(cat "$work/timeout.log")"
stop_sim

# Bad --log: a clear message and the usage exit code, before anything is sent.
for args in "list --log" "--log= list" "--log $work/no/such/dir/t.log list"; do
  # shellcheck disable=SC2086
  (cd "$work" && "$cli" $args >/dev/null 2>"$work/err")
  [ $? = 2 ] || fail "'$args' is not a usage error"
  grep -q 'vaultline-cli: ' "$work/err" || fail "'$args' gives no message"
done
# Without --log nothing is written anywhere.
"$cli" list >/dev/null
[ -z "$(find "$work" -maxdepth 1 -newer "$work/err" -name '*.log')" ] || fail "a trace without --log"
exit $((fails > 0))
