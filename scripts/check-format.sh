#!/usr/bin/env bash
# Fails, naming each place, when clang-format (with the root .clang-format) would change a C++
# source of the repository; with --fix it formats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')
else
  mapfile -t files < <(find src tests tools -name '*.cpp' -o -name '*.h' | sort)
fi

if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
elif ! clang-format --dry-run --Werror "${files[@]}"; then
  echo "Not formatted as .clang-format says (see above); scripts/check-format.sh --fix formats them." >&2
  exit 1
fi
