#!/usr/bin/env bash
# mpgtree diff on dumps of table files: a table against copies with known changes, the same
# table in both forms, rows whose uuid is invalid or repeated, and the command's inputs and
# outputs. Every JSON report is validated against docs/schemas/dump-diff.schema.json.
#
# Usage: diff-tables.sh MPGDUMP MPGTREE CHECK
# CHECK is one of: changes mixed-forms fallbacks io ignore.
set -u

if [[ $# -ne 3 ]]; then
  echo "usage: $0 MPGDUMP MPGTREE CHECK" >&2
  exit 2
fi
mpgdump=$1 mpgtree=$2 check=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
table=$root/tools/mpgdump/sample-table.json
schema=$root/docs/schemas/dump-diff.schema.json
# shellcheck source=../support/checks.sh
source "$root/tests/support/checks.sh"

# Dumps the table file $1 at level 2 into $2, on standard output or ("trace") the trace tool.
dump() {
  local tableFile=$1 out=$2 form=${3:-stdout}
  if [[ $form == trace ]]; then
    "$mpgdump" "$tableFile" --level 2 --trace --trace-out "$out" >/dev/null
  else
    "$mpgdump" "$tableFile" --level 2 >"$out"
  fi || fail "mpgdump $tableFile ($form) failed"
}

# Runs mpgtree diff --json on $1 and $2 (with the options after $3) into $work/report.json,
# checks the exit status ($3) and validates the report against the schema.
diff_json() {
  "$mpgtree" diff --json "${@:4}" "$1" "$2" >"$work/report.json" 2>"$work/err"
  local status=$?
  [[ $status == "$3" ]] || fail "diff $1 $2: exit status $status, expected $3: $(head -c 300 "$work/err")"
  python3 - "$schema" "$work/report.json" <<'EOF' || fail "diff $1 $2: report does not follow the schema"
import json, sys
import jsonschema
schema = json.load(open(sys.argv[1]))
jsonschema.Draft202012Validator.check_schema(schema)
jsonschema.Draft202012Validator(schema).validate(json.load(open(sys.argv[2])))
EOF
}

# Checks that the jq expression $1 gives $2 on the last report.
expect() {
  local actual
  actual=$(jq -c "$1" "$work/report.json")
  [[ $actual == "$2" ]] || fail "$1: got $actual, expected $2"
}

housing=3f2a9c4e17b04d5e8a61c0d2b7e94f13 impeller=8b0e5d7a2c6f4a1b9e3d0f5c7a2b6e81
added=d00d1e0b95a84f2e86b3a9d0e1f25c99

case $check in
  changes)
    # One field changed (the housing row's modification state), one row removed (the
    # impeller), one row added (a copy of the valve under a new uuid).
    jq --arg added "$added" '.objects["row-housing"].GetModificationState = 5
      | .objects.manager.GetDMTElements = ["row-housing", "row-valve", "row-new"]
      | .objects["row-new"] = (.objects["row-valve"] | .GetUuid = $added)' \
      "$table" >"$work/changed.json"
    for formB in stdout trace; do
      dump "$table" "$work/a.txt"
      dump "$work/changed.json" "$work/b.txt" $formB
      diff_json "$work/a.txt" "$work/b.txt" 1
      expect '[.differences[] | [.status, .path]]' \
        "[[\"changed\",\"dmt[$housing]\"],[\"onlyInA\",\"dmt[$impeller]\"],[\"onlyInB\",\"dmt[$added]\"]]"
      expect '[.differences[0].changes[] | [.path, .a, .b]]' \
        "[[\"dmt[$housing].modificationState\",2,5]]"
      expect '.differences[0].rmtRows' '[]'
      expect '[.summary.sameRows, .summary.changedRows, .summary.onlyInA, .summary.onlyInB]' \
        '[1,1,1,1]'
      expect '[.differences[1].a.line, .differences[2].b.ordinal]' '[73,3]'
    done
    # The same, as text: one line per row and per field, with both values and lines.
    "$mpgtree" diff "$work/a.txt" "$work/b.txt" >"$work/report.txt"
    grep -qx "changed dmt\[$housing\] (A line 5 #1, B line 5 #1)" "$work/report.txt" ||
      fail "text report: no changed row line: $(cat "$work/report.txt")"
    grep -qF "  dmt[$housing].modificationState: 2 (A line 6) -> 5 (B line 6)" "$work/report.txt" ||
      fail "text report: no changed field line: $(cat "$work/report.txt")"
    # B is in the trace form: the changed row's PLMID texts are counted, named only on request.
    grep -q '^not compared: ' "$work/report.txt" && fail "text report: fields named without --verbose"
    [[ $(tail -n 1 "$work/report.txt") == *'; fields not compared: 3 (each held by one dump only, whose other form leaves it out)' ]] ||
      fail "text report: $(tail -n 1 "$work/report.txt")"
    # A deeper change: a text inside an RMT row's component, quoted in the text report.
    jq '.objects["file-bolt"].GetName = "bolt \"M12\"\tx45"' "$table" >"$work/bolt.json"
    dump "$work/bolt.json" "$work/b.txt"
    diff_json "$work/a.txt" "$work/b.txt" 1
    expect '[.differences[0].rmtRows[].changes[] | [.path, .a, .b]]' \
      "[[\"dmt[$housing].rmt[5e9b3c1a7d2f4e608c4a1b9d3e7f0a26].pointed.name\",\"bolt-m12x40.part\",\"bolt \\\"M12\\\"\\tx45\"]]"
    "$mpgtree" diff "$work/a.txt" "$work/b.txt" | grep -qF '"bolt-m12x40.part" (A line 34) -> "bolt \"M12\"\tx45" (B line 34)' ||
      fail "text report: the changed name is not quoted as expected"
    ;;

  ignore)
    # A re-save: a save time and a version changed, and an RMT row's modification state. The
    # fields set aside are counted; a row whose only changes they are compares the same.
    jq '.objects["file-housing"].GetLastSaveTime = "2024-06-02T09:10:11Z"
      | .objects["row-housing"].GetM1ComponentVersion = "000b"' "$table" >"$work/resaved.json"
    jq '.objects["rmt-housing-drawing"].GetModificationState = 4' "$work/resaved.json" >"$work/moved.json"
    dump "$table" "$work/a.txt"
    dump "$work/resaved.json" "$work/b.txt"
    dump "$work/moved.json" "$work/c.txt"
    diff_json "$work/a.txt" "$work/b.txt" 1 --ignore '*.lastSaveTime'
    expect '[.differences[0].changes[].path, .summary.ignored]' "[\"dmt[$housing].m1ComponentVersion\",1]"
    diff_json "$work/a.txt" "$work/b.txt" 0 --ignore '*.lastSaveTime' --ignore 'dmt[*].m1ComponentVersion'
    expect '[.differences, .summary.different, .summary.sameRows, .summary.changedRows, .summary.ignored]' '[[],false,3,0,2]'
    "$mpgtree" diff --ignore '*.lastSaveTime' --ignore 'dmt[*].m1ComponentVersion' "$work/a.txt" "$work/b.txt" >"$work/report.txt"
    [[ $? == 0 && $(tail -n 1 "$work/report.txt") == 'DMT rows: 3 same, 0 changed, '*'; fields ignored: 2' ]] ||
      fail "text report: $(tail -n 1 "$work/report.txt")"
    # Within brackets '*' stands for one key: dmt[*].modificationState is not the RMT row's.
    diff_json "$work/a.txt" "$work/c.txt" 1 --ignore '*.lastSaveTime' --ignore 'dmt[*].m1ComponentVersion' --ignore 'dmt[*].modificationState'
    expect '[.differences[0].rmtRows[].changes[].path, .summary.ignored]' \
      "[\"dmt[$housing].rmt[a1d6f08e3b5c47928e0f6a4d2c9b7e35].modificationState\",2]"
    diff_json "$work/a.txt" "$work/c.txt" 0 --ignore '*.lastSaveTime' --ignore '*Version' --ignore '*.modificationState'
    expect '.summary.ignored' '3'
    # Without --ignore, no count of fields ignored.
    "$mpgtree" diff "$work/a.txt" "$work/b.txt" | tail -n 1 | grep -q 'ignored' && fail "fields ignored without --ignore"
    # --only: one kind of difference listed; the summary and the status count every one.
    jq --arg added "$added" '.objects["row-housing"].GetModificationState = 5
      | .objects.manager.GetDMTElements = ["row-housing", "row-valve", "row-new"]
      | .objects["row-new"] = (.objects["row-valve"] | .GetUuid = $added)' \
      "$table" >"$work/changed.json"
    dump "$work/changed.json" "$work/b.txt"
    for only in "changed:changed" "removed:onlyInA" "added:onlyInB"; do
      diff_json "$work/a.txt" "$work/b.txt" 1 --only "${only%:*}"
      expect '[[.differences[].status], .summary.changedRows, .summary.onlyInA, .summary.onlyInB]' "[[\"${only#*:}\"],1,1,1]"
    done
    "$mpgtree" diff --only nothing "$work/a.txt" "$work/b.txt" 2>"$work/err"
    [[ $? == 2 ]] && grep -q '^mpgtree: --only' "$work/err" || fail "--only nothing: $(cat "$work/err")"
    ;;

  mixed-forms)
    # The same table in both forms, whatever the trace type, with named traces active or not,
    # at each detail level: no difference.
    for combination in 0:0 0:1 0:2 1:2 2:2 0:3; do
      traceType=${combination%:*} level=${combination#*:}
      jq ".trace_tool.trace_type = $traceType" "$table" >"$work/t.json"
      "$mpgdump" "$work/t.json" --level $level >"$work/a.txt"
      "$mpgdump" "$work/t.json" --level $level --trace --trace-out "$work/b.txt" \
        --activate ZynMpgMappingTrace >/dev/null 2>&1
      diff_json "$work/a.txt" "$work/b.txt" 0
    done
    diff_json "$work/b.txt" "$work/a.txt" 0
    # Long octet sequences, whose hexadecimal text the trace tool leaves out.
    jq '.objects["rmtfile-bolt-link"].GetLinkSequence = {"repeat": "4c", "times": 700}' \
      "$table" >"$work/long.json"
    dump "$work/long.json" "$work/a.txt"
    dump "$work/long.json" "$work/b.txt" trace
    diff_json "$work/a.txt" "$work/b.txt" 0
    # What one form leaves out is counted, not compared: the PLMID texts the trace tool leaves
    # out here (the model PLMID of the Orv component in its 3 places, the PLMID of the Pell
    # components in their 5) and, where the link is written with its value (as the RMT row's
    # non-M1 component; its Ref place writes the length only), the long sequence's hexadecimal
    # text (held by A) and the notice that replaces it (held by B).
    expect '.summary.notCompared' '10'
    expect '.notCompared' 'null'
    diff_json "$work/a.txt" "$work/b.txt" 0 --verbose
    expect '[.summary.notCompared, (.notCompared | length)]' '[10,10]'
    expect '[.notCompared[] | select(.path | test("linkSequence")) | [(.path | sub(".*\\]\\."; "")), .heldBy]] | sort' \
      '[["nonM1Component.linkSequenceValue.hexadecimal","a"],["nonM1Component.linkSequenceValue.tooLongNoticeSize","b"]]'
    "$mpgtree" diff "$work/a.txt" "$work/b.txt" >"$work/report.txt"
    [[ $(tail -n 1 "$work/report.txt") == *'; fields not compared: 10 (each held by one dump only, whose other form leaves it out)' ]] ||
      fail "text summary: $(tail -n 1 "$work/report.txt")"
    grep -q '^not compared: ' "$work/report.txt" && fail "fields named without --verbose"
    "$mpgtree" diff -v "$work/a.txt" "$work/b.txt" >"$work/report.txt"
    [[ $(grep -c '^not compared: dmt\[' "$work/report.txt") == 10 ]] || fail "--verbose: $(cat "$work/report.txt")"
    grep -qF ".nonM1Component.linkSequenceValue.tooLongNoticeSize: only B holds it (B line " "$work/report.txt" ||
      fail "--verbose: the notice held by B is not named"
    # A generated table of every object type, whose rows hold both forms' differences.
    "$mpgdump" --generate 300x3 >"$work/a.txt"
    "$mpgdump" --generate 300x3 --trace --trace-out "$work/b.txt" >/dev/null
    diff_json "$work/a.txt" "$work/b.txt" 0
    expect '[.summary.sameRows, .summary.rowsReadAgain]' '[300,0]'
    # The count that the rows' digests give, without reading them again, is the count of the
    # fields that --verbose finds by reading them again.
    counted=$(jq .summary.notCompared "$work/report.json")
    [[ $counted -gt 0 ]] || fail "the generated table in both forms: no field left out by one form"
    diff_json "$work/a.txt" "$work/b.txt" 0 --verbose
    expect '[.summary.notCompared, (.notCompared | length), .summary.sameRows]' "[$counted,$counted,300]"
    # A value both forms write still counts: the long sequence changed, read in both forms.
    jq '.objects["rmtfile-bolt-link"].GetLinkSequence = {"repeat": "4d", "times": 700}' \
      "$table" >"$work/long2.json"
    dump "$work/long.json" "$work/a.txt"
    dump "$work/long2.json" "$work/b.txt" trace
    diff_json "$work/a.txt" "$work/b.txt" 1
    expect '[.differences[].rmtRows[].changes[].path | sub(".*\\]\\."; "")] | unique' \
      '["nonM1Component.linkSequenceValue.text"]'
    ;;

  fallbacks)
    # The housing row's uuid cannot be read; the valve and a new row share one uuid; the two
    # RMT rows of the housing row share one too.
    jq '.objects["row-housing"].GetUuid = {"result": -1}
      | .objects.manager.GetDMTElements = ["row-housing", "row-impeller", "row-valve", "row-twin"]
      | .objects["row-twin"] = (.objects["row-valve"] | .GetModificationState = 7)
      | .objects["rmt-housing-drawing"].GetUuid = .objects["rmt-housing-bolts"].GetUuid' \
      "$table" >"$work/a.json"
    jq '.objects["row-housing"].GetAlreadyExists = false
      | .objects["rmt-housing-drawing"].GetModificationState = 4
      | .objects["row-twin"].GetModificationState = 8' "$work/a.json" >"$work/b.json"
    dump "$work/a.json" "$work/a.txt"
    dump "$work/b.json" "$work/b.txt" trace
    diff_json "$work/a.txt" "$work/b.txt" 1
    expect '[.differences[] | [.path, .matchedBy, .fallback]]' \
      '[["dmt[#1]","ordinal","invalidUuid"],["dmt[#4]","ordinal","repeatedUuid"]]'
    expect '[.differences[0].changes[] | [.path, .a, .b]]' \
      '[["dmt[#1].alreadyExists",true,false]]'
    expect '[.differences[0].rmtRows[] | [.path, .fallback, (.changes[] | [.a, .b])]]' \
      '[["dmt[#1].rmt[#2]","repeatedUuid",[3,4]]]'
    expect '[.differences[1].changes[] | [.path, .a, .b]]' '[["dmt[#4].modificationState",7,8]]'
    expect '[.fallbacks[] | [.path, .reason]]' \
      '[["dmt[#1]","invalidUuid"],["dmt[#1].rmt[#1]","repeatedUuid"],["dmt[#1].rmt[#2]","repeatedUuid"],["dmt[#3]","repeatedUuid"],["dmt[#4]","repeatedUuid"]]'
    "$mpgtree" diff "$work/a.txt" "$work/b.txt" | grep -qx 'matched by ordinal: dmt\[#1\]: its uuid is invalid' ||
      fail "text report: no fallback line"
    # Equal rows that fell back are listed too.
    diff_json "$work/a.txt" "$work/a.txt" 0
    expect '[.fallbacks[].path]' '["dmt[#1]","dmt[#1].rmt[#1]","dmt[#1].rmt[#2]","dmt[#3]","dmt[#4]"]'
    ;;

  io)
    dump "$table" "$work/a.txt"
    jq '.objects["row-valve"].GetModificationState = 9' "$table" >"$work/b.json"
    dump "$work/b.json" "$work/b.txt" trace
    # Standard input for either dump; the report to a file.
    "$mpgtree" diff - "$work/b.txt" <"$work/a.txt" >"$work/out1"
    [[ $? == 1 ]] || fail "diff - B: exit status, expected 1"
    "$mpgtree" diff "$work/a.txt" - -o "$work/out2" <"$work/b.txt"
    [[ $? == 1 ]] || fail "diff A - -o: exit status, expected 1"
    grep -q '^--- A: standard input (stdout form, 3 DMT rows)$' "$work/out1" ||
      fail "diff - B: $(cat "$work/out1")"
    grep -qF 'dmt[c47d1e0b95a84f2e86b3a9d0e1f25c74].modificationState: 1 (A line 123) -> 9 (B line 116)' "$work/out2" ||
      fail "diff from standard input: $(cat "$work/out2")"
    cat "$work/a.txt" | "$mpgtree" diff - "$work/a.txt" >/dev/null || fail "diff of a pipe with itself"
    # Trouble: both from standard input, a missing dump, a dump cut inside a row.
    "$mpgtree" diff - - </dev/null 2>"$work/err"
    [[ $? == 2 ]] || fail "diff - -: expected exit status 2"
    "$mpgtree" diff "$work/a.txt" "$work/missing.txt" 2>"$work/err"
    [[ $? == 2 ]] && grep -q 'missing.txt: cannot open' "$work/err" || fail "missing dump: $(cat "$work/err")"
    head -n 30 "$work/a.txt" >"$work/cut.txt"
    "$mpgtree" diff "$work/a.txt" "$work/cut.txt" >/dev/null 2>"$work/err"
    [[ $? == 2 ]] && grep -q '^mpgtree: .*cut.txt:[0-9]' "$work/err" || fail "cut dump: $(cat "$work/err")"
    # A report that cannot be written: exit status 4 and a message.
    if [[ -w /dev/full ]]; then
      "$mpgtree" diff "$work/a.txt" "$work/b.txt" -o /dev/full 2>"$work/err"
      [[ $? == 4 ]] && grep -q 'write error' "$work/err" || fail "-o /dev/full: $(cat "$work/err")"
      "$mpgtree" diff --json "$work/a.txt" "$work/b.txt" >/dev/full 2>"$work/err"
      [[ $? == 4 ]] || fail "--json >/dev/full: expected exit status 4"
    fi
    ;;

  *)
    echo "unknown check: $check" >&2
    exit 2
    ;;
esac
exit $failed
