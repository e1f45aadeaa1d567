#!/usr/bin/env bash
# Runs the desktop program against a freshly started simulated DXR9K.
#
#   scripts/run.sh [FILE.xMem]
#
# Installs missing packages and builds what is missing, starts dxr9k-sim on a
# pseudo-terminal with the example memories of examples/bench-setup.xMem (a
# copy, so that uploads stay for this session only), makes it the instrument
# in the program's resource list, runs vaultline and stops the simulator when
# the program ends. Without a display it runs the same download with
# vaultline-cli instead and shows memory 0.
#
# Environment:
#   VAULTLINE_BUILD_DIR   build folder (default: build)
#   VAULTLINE_NO_BUILD=1  use the build folder as it is (no package check, no build)
#   VAULTLINE_SIM_ARGS    more options for dxr9k-sim, e.g. "--latency 20" for a slow instrument
#   VAULTLINE_SIM_LINK    path of the simulator's stable device name
#                         (default: $XDG_RUNTIME_DIR/vaultline-dxr9k-sim, else /tmp/vaultline-dxr9k-sim-UID)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${VAULTLINE_BUILD_DIR:-build}
case $build in /*) ;; *) build=$root/$build ;; esac

say() { printf 'run.sh: %s\n' "$*" >&2; }

if [ "${VAULTLINE_NO_BUILD:-}" != 1 ]; then
  scripts/setup.sh
  if [ ! -f "$build/build.ninja" ]; then
    say "configuring $build"
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
  say "building the programs (the first build takes a few minutes)"
  cmake --build "$build" --target vaultline vaultline-cli dxr9k-sim >/dev/null
fi

sim=$build/sim/dxr9k-sim
cli=$build/cli/vaultline-cli
gui=$build/app/vaultline
for program in "$sim" "$cli" "$gui"; do
  [ -x "$program" ] || { say "$program is missing; run without VAULTLINE_NO_BUILD=1 to build it"; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/vaultline-run.XXXXXX")
sim_pid=
# shellcheck disable=SC2317 # called by the trap
cleanup() {
  if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# A stable device name, so that the program remembers the simulator from one
# run to the next (the pseudo-terminal's own number changes every time).
if [ -n "${VAULTLINE_SIM_LINK:-}" ]; then
  link=$VAULTLINE_SIM_LINK
elif [ -n "${XDG_RUNTIME_DIR:-}" ] && [ -d "$XDG_RUNTIME_DIR" ] && [ -w "$XDG_RUNTIME_DIR" ]; then
  link=$XDG_RUNTIME_DIR/vaultline-dxr9k-sim
else
  link=/tmp/vaultline-dxr9k-sim-$(id -u)
fi

cp examples/bench-setup.xMem "$work/instrument.xMem"
chmod u+w "$work/instrument.xMem"
# shellcheck disable=SC2086 # VAULTLINE_SIM_ARGS holds several options on purpose
"$sim" --pty --link "$link" --state "$work/instrument.xMem" ${VAULTLINE_SIM_ARGS:-} >"$work/sim.out" &
sim_pid=$!

# Its first line of output is the resource name; wait for the whole line.
resource=
for _ in $(seq 100); do
  if [ "$(wc -l <"$work/sim.out")" -ge 1 ]; then
    IFS= read -r resource <"$work/sim.out"
    break
  fi
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$resource" ]; then
  say "the simulated instrument did not start"
  exit 1
fi
export VAULTLINE_VISA_RESOURCES=$resource
say "simulated DXR9K on $resource (memories of examples/bench-setup.xMem)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  say "no display (DISPLAY and WAYLAND_DISPLAY are empty): showing the same download with vaultline-cli"
  say "for the desktop program, run this on a desktop, or under 'xvfb-run -a scripts/run.sh'"
  file=$work/download.xMem
  echo "\$ vaultline-cli download $resource download.xMem" >&2
  "$cli" download "$resource" "$file"
  echo "\$ vaultline-cli show download.xMem --memory 0" >&2
  "$cli" show "$file" --memory 0
  echo "\$ vaultline-cli diff examples/bench-setup.xMem download.xMem" >&2
  "$cli" diff examples/bench-setup.xMem "$file"
  exit 0
fi

say "starting vaultline: choose Transfer > Download..., select $resource and press Download"
status=0
"$gui" "$@" || status=$?
exit "$status"
