#!/usr/bin/env bash
# Configures (once) and builds a build folder. Usage: scripts/build.sh [DIR [CMAKE OPTIONS...]]
set -euo pipefail
cd "$(dirname "$0")/.."
# Compiler-cache hits across checkouts in other folders (CI clones afresh).
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
dir=${1:-build}
shift || true
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
fi
cmake --build "$dir"
