#!/usr/bin/env bash
# Fails when a tracked .cpp or .h file does not follow the repository's .clang-format, naming each
# such file; `scripts/checkstyle.sh --fix` formats them in place instead.
set -euo pipefail
cd "$(dirname "$0")/.."

formatter=clang-format-14
if [ "${1:-}" = "--fix" ]; then
  git ls-files -z -- '*.cpp' '*.h' | xargs -0 "$formatter" -i
  exit 0
fi

# Files deleted in the work tree but not yet in the index are not checked.
mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h')
existing=()
for f in "${files[@]}"; do
  [ -f "$f" ] && existing+=("$f")
done

status=0
output=$(printf '%s\0' "${existing[@]}" | xargs -0 -n 50 -P 2 "$formatter" --dry-run --Werror 2>&1) || status=$?
bad=$(printf '%s\n' "$output" | sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' | sort -u)
if [ -n "$bad" ]; then
  echo "style: these files do not follow .clang-format (scripts/checkstyle.sh --fix formats them):"
  printf '%s\n' "$bad" | sed 's/^/  /'
  exit 1
fi
if [ "$status" -ne 0 ]; then
  printf '%s\n' "$output"
  echo "style: $formatter failed"
  exit 1
fi
echo "style: ${#existing[@]} files follow .clang-format"
