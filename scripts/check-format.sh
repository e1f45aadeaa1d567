#!/usr/bin/env bash
# Fails, naming the files, when a C or C++ source of ours is not formatted as
# .clang-format says. "scripts/check-format.sh --fix" formats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "check-format: clang-format is not installed (scripts/setup.sh)" >&2; exit 2; }

# The files git knows, and new ones not yet added, but nothing it ignores
# (build folders).
mapfile -d '' files < <(git ls-files -z --cached --others --exclude-standard -- '*.cpp' '*.h' '*.c')
[ ${#files[@]} -gt 0 ] || exit 0

if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
if ! clang-format --dry-run --Werror "${files[@]}"; then
  echo "check-format: the files above are not formatted; run scripts/check-format.sh --fix" >&2
  exit 1
fi
