#!/usr/bin/env bash
# Installs what is missing, checks that every include follows the layer order,
# builds, and runs every test twice: once in the normal build, once in an
# AddressSanitizer + UndefinedBehaviorSanitizer build with clang, which also
# runs the fuzz targets for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
# Compiler-cache hits across checkouts in other folders (CI clones afresh).
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"

scripts/setup.sh

echo "== Include graph (layer order)"
scripts/include-graph.sh

jobs=$(nproc)
export CTEST_OUTPUT_ON_FAILURE=1

# VAULTLINE_WERROR=ON (what CI sets) makes warnings errors in both builds,
# also in build folders configured before.
werror=()
if [ -n "${VAULTLINE_WERROR:-}" ]; then
  werror=(-DVAULTLINE_WERROR="$VAULTLINE_WERROR")
  for dir in build build-asan; do
    if [ -f "$dir/build.ninja" ]; then cmake "$dir" "${werror[@]}" >/dev/null; fi
  done
fi

echo "== Build and test (RelWithDebInfo)"
scripts/build.sh build "${werror[@]}"
ctest --test-dir build -j"$jobs" --timeout 300

echo "== Build and test with AddressSanitizer + UndefinedBehaviorSanitizer"
if [ ! -f build-asan/build.ninja ]; then
  CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DVAULTLINE_SANITIZE=ON -DVAULTLINE_FUZZ=ON -DVAULTLINE_BENCH=OFF "${werror[@]}"
fi
cmake --build build-asan
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
ctest --test-dir build-asan -j"$jobs" --timeout 600
