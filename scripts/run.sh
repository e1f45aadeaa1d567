#!/usr/bin/env bash
# Builds what is needed and shows an example memory file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build >/dev/null
exec build/cli/vaultline-cli show examples/bench-setup.xMem --memory 0
