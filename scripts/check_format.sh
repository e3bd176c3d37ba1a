#!/usr/bin/env bash
# Fails, naming the files, where a source is not as clang-format (the
# project's .clang-format) writes it. `scripts/check_format.sh --fix`
# rewrites them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests bench fuzz -name '*.cpp' -o -name '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format --style=file -i "${files[@]}"
  exit 0
fi
off=()
for f in "${files[@]}"; do
  clang-format --style=file --dry-run --Werror "$f" >/dev/null 2>&1 || off+=("$f")
done
if [ ${#off[@]} -gt 0 ]; then
  echo "not formatted (scripts/check_format.sh --fix rewrites them):" >&2
  printf '  %s\n' "${off[@]}" >&2
  exit 1
fi
