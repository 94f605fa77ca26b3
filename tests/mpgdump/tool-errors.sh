#!/usr/bin/env bash
# Bad input to mpgdump that a case directory cannot hold: missing or unreadable table files, and a
# library that is not the dump module; and a 100 MB table that must load and dump. What the loader
# refuses in a table's text is its own test's (tests/memtable/TableLoaderTest.cpp).
#
# Usage: tool-errors.sh MPGDUMP LIBRARY_WITHOUT_MARKER CHECK
# CHECK is one of: missing-file directory unreadable-file not-a-module big-table.
# Each refused input must end with its exit status (2 for a table, 3 for a module), a message on
# standard error that names the place, and nothing on standard output. Exit 77 means skipped.
set -u

if [[ $# -ne 3 ]]; then
  echo "usage: $0 MPGDUMP LIBRARY_WITHOUT_MARKER CHECK" >&2
  exit 2
fi
mpgdump=$1 library=$2 check=$3
# shellcheck source=../support/checks.sh
source "$(dirname "$0")/../support/checks.sh"

# Runs mpgdump with the given arguments and checks that it refused them with STATUS and a
# message holding PLACE.
expect_refusal() {
  local status=$1 place=$2
  shift 2
  "$mpgdump" "$@" >"$work/out" 2>"$work/err"
  local actual=$?
  [[ $actual == "$status" ]] || fail "mpgdump $*: exit status $actual, expected $status"
  [[ -s $work/out ]] && fail "mpgdump $*: wrote on standard output: $(head -c 200 "$work/out")"
  grep -qF -- "$place" "$work/err" || fail "mpgdump $*: no \"$place\" in: $(head -c 300 "$work/err")"
}

case $check in
  missing-file)
    expect_refusal 2 "$work/absent.json: " "$work/absent.json"
    ;;
  directory)
    mkdir "$work/table.json"
    expect_refusal 2 "$work/table.json: " "$work/table.json"
    ;;
  unreadable-file)
    if [[ $(id -u) == 0 ]]; then
      echo "skipped: root reads every file"
      exit 77
    fi
    echo '{"objects": {}}' >"$work/locked.json"
    chmod 000 "$work/locked.json"
    expect_refusal 2 "$work/locked.json: " "$work/locked.json"
    ;;
  not-a-module)
    echo '{"objects": {"note": {"type": "ZynDCIMpgDummyComponent"}}, "dump": {"object": "note"}}' \
      >"$work/table.json"
    expect_refusal 3 "cannot load the module $library: " --module "$library" "$work/table.json"
    ;;
  big-table)
    # Under AddressSanitizer reading alone takes half a minute; the ordinary build checks this.
    if [[ ${ZYN_SANITIZE:-} == address ]]; then
      echo "skipped: too slow under AddressSanitizer"
      exit 77
    fi
    # 140000 DMT rows, each with a file component, a Pell component and an RMT row: 100 MB.
    awk 'BEGIN {
      rows = 140000
      printf "{\"objects\": {\n\"manager\": {\"type\": \"ZynDCIMpgManager\", \"GetDMTElements\": ["
      for (i = 0; i < rows; i++) printf "%s\"r%d\"", (i ? "," : ""), i
      printf "]},\n"
      for (i = 0; i < rows; i++) {
        printf "\"r%d\": {\"type\": \"ZynDCIMpgDMTRow\", \"GetUuid\": \"%032x\", ", i, i
        printf "\"GetModificationState\": %d, \"GetNonM1Component\": \"f%d\", ", i % 7, i
        printf "\"GetM1Component\": \"p%d\", \"GetRMTElements\": [\"m%d\"]},\n", i, i
        printf "\"f%d\": {\"type\": \"ZynDCIMpgFileBasedComponent\", \"GetName\": ", i
        printf "\"part-%08d.part\", \"GetDocType\": \"Part\", \"GetPathName\": ", i
        printf "\"/vault/plant/mechanics/assemblies/part-%08d.part\"},\n", i
        printf "\"p%d\": {\"type\": \"ZynDCIMpgPellComponent\", \"GetComponentType\": 4, ", i
        printf "\"GetPLMID\": {\"physical\": \"%016x\", \"logical\": \"PART-%d\", ", i, i
        printf "\"major\": \"A\"}, \"GetCEStamp\": \"2024-03-11T16:42:05Z#%04d\"},\n", i % 10000
        printf "\"m%d\": {\"type\": \"ZynDCIMpgRMTRow\", \"GetUuid\": \"%032x\", ", i, i + 1000000
        printf "\"GetOwner\": \"f%d\", \"GetNonM1Component\": \"p%d\"},\n", i, i
      }
      printf "\"note\": {\"type\": \"ZynDCIMpgDummyComponent\"}\n},\n"
      printf "\"dump\": {\"object\": \"manager\", \"level\": 1}}\n"
    }' >"$work/big.json"
    size=$(wc -c <"$work/big.json")
    ((size >= 100000000)) || fail "the generated table holds only $size bytes"
    "$mpgdump" "$work/big.json" 2>"$work/err" | tail -n 2 >"$work/out"
    status=${PIPESTATUS[0]}
    [[ $status == 0 ]] || fail "big table: exit status $status: $(head -c 300 "$work/err")"
    [[ -s $work/err ]] && fail "big table: wrote on standard error: $(head -c 300 "$work/err")"
    printf '</DUMP of DMTElements>\n</DUMP Mapping Manager>\n' | cmp -s - "$work/out" ||
      fail "big table: the dump does not end with the manager's closing tags: $(cat "$work/out")"
    ;;
  *)
    echo "unknown check: $check" >&2
    exit 2
    ;;
esac

exit $failed
