#!/usr/bin/env bash
# Runs one table case: mpgdump on the case's table, with its arguments, and compares what it
# writes and how it ends with the case's expectations.
#
# Usage: run-case.sh MPGDUMP CASE_DIR
#
# A case directory holds:
#   table.json  the table file (required); a case that dumps a table shared with other uses
#               holds a relative symbolic link to it instead of a copy (the sample cases link
#               to the bundled sample, tools/mpgdump/sample-table.json);
#   args        extra command-line arguments, one per line (empty lines are skipped);
#   stdout      the exact standard output (empty when absent);
#   trace       the exact text the trace tool writes (empty when absent);
#   log         the exact trace log (not checked when absent);
#   calls       the exact call log (--call-log; not asked for when absent);
#   status      the exit status (0 when absent);
#   stderr      a text that standard error must contain (not checked when absent).
set -u

if [[ $# -ne 2 ]]; then
  echo "usage: $0 MPGDUMP CASE_DIR" >&2
  exit 2
fi
mpgdump=$(realpath -- "$1") || exit 2
case_dir=$(realpath -- "$2") || exit 2
if [[ ! -f $case_dir/table.json ]]; then
  echo "$case_dir: no table.json" >&2
  exit 2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/run-case.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT

args=()
if [[ -f $case_dir/args ]]; then
  while IFS= read -r line || [[ -n $line ]]; do
    [[ -n $line ]] && args+=("$line")
  done <"$case_dir/args"
fi

if [[ -f $case_dir/calls ]]; then
  args+=(--call-log "$work/calls")
fi

# Named traces must start inactive whatever the caller's environment says.
unset ZYN_TRACE_ACTIVE

(cd "$case_dir" && "$mpgdump" "$case_dir/table.json" "${args[@]}" \
  --trace-out "$work/trace" --trace-log "$work/log" >"$work/stdout" 2>"$work/stderr")
status=$?

failed=0

# Compares an actual output with the expected file (or with nothing when that file is absent).
check_exact() {
  local name=$1 expected=$2 actual=$3
  [[ -f $expected ]] || expected=/dev/null
  [[ -f $actual ]] || actual=/dev/null
  if ! cmp -s "$expected" "$actual"; then
    echo "--- $name differs (expected, actual):"
    diff -u --label "expected $name" --label "actual $name" "$expected" "$actual"
    failed=1
  fi
}

check_exact stdout "$case_dir/stdout" "$work/stdout"
check_exact trace "$case_dir/trace" "$work/trace"
if [[ -f $case_dir/log ]]; then
  check_exact log "$case_dir/log" "$work/log"
fi
if [[ -f $case_dir/calls ]]; then
  check_exact calls "$case_dir/calls" "$work/calls"
fi

expected_status=0
if [[ -f $case_dir/status ]]; then
  expected_status=$(tr -d '[:space:]' <"$case_dir/status")
fi
if [[ $status != "$expected_status" ]]; then
  echo "--- exit status: expected $expected_status, actual $status"
  failed=1
fi

if [[ -f $case_dir/stderr ]]; then
  wanted=$(<"$case_dir/stderr")
  actual_stderr=$(<"$work/stderr")
  if [[ $actual_stderr != *"$wanted"* ]]; then
    echo "--- stderr lacks the expected text:"
    echo "$wanted"
    echo "--- actual stderr:"
    echo "$actual_stderr"
    failed=1
  fi
fi

if [[ $failed -ne 0 ]]; then
  echo "case $(basename "$case_dir"): FAILED"
  exit 1
fi
exit 0
