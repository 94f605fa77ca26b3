#!/usr/bin/env bash
# The module exports its ten creation functions and its marker, unmangled, and nothing else.
set -euo pipefail
module="$1"
expected="CreateBOAZynIMpgDumpZynMpgDMTRowDump
CreateBOAZynIMpgDumpZynMpgDummyComponentDump
CreateBOAZynIMpgDumpZynMpgEnvironmentDump
CreateBOAZynIMpgDumpZynMpgFileBasedComponentDump
CreateBOAZynIMpgDumpZynMpgManagerDump
CreateBOAZynIMpgDumpZynMpgOrvComponentDump
CreateBOAZynIMpgDumpZynMpgPellComponentDump
CreateBOAZynIMpgDumpZynMpgProviderComponentDump
CreateBOAZynIMpgDumpZynMpgRMTFileBasedComponentDump
CreateBOAZynIMpgDumpZynMpgRMTRowDump
VORNEX_QBX2_INTERNAL_ZynDCMpgDUMP"
actual=$(nm -D --defined-only "$module" | awk '$2 ~ /^[TDBRVW]$/ {print $3}' | LC_ALL=C sort)
if [ "$actual" != "$expected" ]; then
  diff -u <(echo "$expected") <(echo "$actual")
  exit 1
fi
echo "exports: 11 symbols, as expected"
