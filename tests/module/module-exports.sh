#!/usr/bin/env bash
# The module exports exactly the symbols the build derived from its lists (one creation function
# per dump class, and the marker), unmangled, and nothing else.
# Usage: module-exports.sh MODULE EXPECTED_SYMBOLS_FILE (one name a line, sorted)
set -euo pipefail
module="$1"
expected=$(LC_ALL=C sort "$2")
[ "$(wc -l <<<"$expected")" -ge 2 ] || { echo "no symbols expected: $2" >&2; exit 1; }
actual=$(nm -D --defined-only "$module" | awk '$2 ~ /^[TDBRVW]$/ {print $3}' | LC_ALL=C sort)
if [ "$actual" != "$expected" ]; then
  diff -u <(echo "$expected") <(echo "$actual")
  exit 1
fi
echo "exports: $(wc -l <<<"$actual") symbols, as expected"
