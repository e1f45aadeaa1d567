#!/usr/bin/env bash
# Builds and runs every benchmark under bench/; each prints its own figures.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
dir=build-bench
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVAULTLINE_TESTS=OFF -DVAULTLINE_BENCH=ON
fi
targets=$(cmake --build "$dir" --target help | sed -n 's/^\([^:]*-bench\): .*/\1/p' | sort)
if [ -z "$targets" ]; then
  echo "No benchmarks found under bench/." >&2
  exit 1
fi
# shellcheck disable=SC2086
cmake --build "$dir" --target $targets
status=0
for t in $targets; do
  exe=$(find "$dir/bench" -type f -name "$t" -perm -u+x | head -1)
  echo "== $t"
  "$exe" || status=$?
done
exit $status
