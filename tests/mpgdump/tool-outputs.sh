#!/usr/bin/env bash
# What mpgdump does when one of its outputs fails: one table of outputs x faults, the refusal of
# one file named twice, and runs cut short by a signal.
#
# Usage: tool-outputs.sh MPGDUMP SAMPLE_TABLE GROUP
# GROUP is one of:
#   faults     each output (standard output, the trace text, the trace log, the --stats report)
#              against each fault that can strike it: /dev/full, a closed descriptor, a
#              directory in its place, a path in a missing folder, a read-only file. Each row
#              checks the one message, the exit status, and the other outputs: complete (equal
#              to a run without the fault) when the fault strikes while writing, untouched when
#              it is found before anything is written.
#   same-file  two outputs naming one file, directly or through a link: refused before anything
#              is written; the harmless cases (character devices, '-') still run.
#   signals    a run killed while writing its trace log: the conventional status, the old log
#              kept, no temporary left.
#   delivery   the trace text without a trace log, gathered into large blocks in a file of its
#              own and handed over text by text on standard output: the same bytes, in the same
#              order among the dump's other output, as a run that logs each text.
# Exit 77 means skipped.
set -u

if [[ $# -ne 3 ]]; then
  echo "usage: $0 MPGDUMP SAMPLE_TABLE GROUP" >&2
  exit 2
fi
mpgdump=$(realpath -- "$1") || exit 2
sample=$2 group=$3
# shellcheck source=../support/checks.sh
source "$(dirname "$0")/../support/checks.sh"

# The sample table with a trace tool that turns valid and invalid in turn, so that standard
# output, the trace text and the trace log all receive text.
table=$work/table.json
flips=$(printf 'false, true, %.0s' {1..40})
sed "s/\"trace_tool\": {\"valid\": false/\"trace_tool\": {\"valid\": [${flips}false]/" "$sample" \
  >"$table"
grep -q '"valid": \[false, true' "$table" || { echo "cannot set the trace tool's schedule"; exit 2; }

# The outputs of a run without faults, that the complete outputs of each row must equal.
reference=$work/reference
mkdir "$reference"
"$mpgdump" "$table" --trace-out "$reference/trace" --trace-log "$reference/log" \
  >"$reference/stdout" 2>"$reference/stderr"
status=$?
if [[ $status != 0 || ! -s $reference/stdout || ! -s $reference/trace || ! -s $reference/log ]]
then
  echo "the reference run failed or left an output empty (status $status):"
  cat "$reference/stderr"
  exit 1
fi

# Runs mpgdump as the user the row needs: as root, a read-only file is writable, so those rows
# run as nobody (through setpriv) or are skipped when that is not possible.
as_row_user=()
can_run_read_only() {
  [[ $(id -u) != 0 ]] && return 0
  command -v setpriv >/dev/null || return 1
  as_row_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  chmod 755 "$work" && chmod 644 "$table"
}

run_fault_row() {
  local output=$1 fault=$2 expected_status=$3 others=$4 message=$5
  local row=$work/$output-$fault
  mkdir "$row"
  echo untouched >"$row/trace"
  echo untouched >"$row/log"
  local trace_out=$row/trace trace_log=$row/log stdout=$row/stdout stderr=$row/stderr
  local extra=() stdout_closed=0 stderr_closed=0
  as_row_user=()

  # Where the fault strikes.
  local target=
  case $output in
    trace-out) target=trace_out ;;
    trace-log) target=trace_log ;;
  esac
  case $output:$fault in
    stdout:full) stdout=/dev/full ;;
    stdout:closed | trace-log:closed) stdout=- stdout_closed=1 ;;
    trace-out:closed) trace_out=- stdout=- stdout_closed=1 ;;
    stats:full) extra=(--stats) stderr=/dev/full ;;
    stats:closed) extra=(--stats) stderr_closed=1 ;;
    *:full) printf -v "$target" %s /dev/full ;;
    *:directory) rm "${!target}" && mkdir "${!target}" ;;
    *:missing) printf -v "$target" %s "$row/missing/${!target##*/}" ;;
    *:read-only)
      if ! can_run_read_only; then
        echo "skipped: $output $fault (root writes read-only files, and setpriv is missing)"
        return
      fi
      chmod 444 "${!target}"
      [[ ${#as_row_user[@]} -gt 0 ]] && chown -R 65534 "$row"
      ;;
  esac

  local command=("${as_row_user[@]}" "$mpgdump" "$table" --trace-out "$trace_out"
    --trace-log "$trace_log" "${extra[@]}")
  if ((stdout_closed)); then
    "${command[@]}" >&- 2>"$stderr"
  elif ((stderr_closed)); then
    "${command[@]}" >"$stdout" 2>&-
  else
    "${command[@]}" >"$stdout" 2>"$stderr"
  fi
  local status=$?
  local what="$output x $fault"
  echo "row: $what: exit status $status"

  [[ $status == "$expected_status" ]] || fail "$what: exit status $status, expected $expected_status"
  if [[ $message != - ]]; then
    local wanted="mpgdump: ${message//@DIR@/$row}"
    [[ $(<"$stderr") == "$wanted" ]] ||
      fail "$what: standard error is not the one message \"$wanted\": $(head -c 300 "$stderr")"
  fi

  # The other outputs.
  local name
  for name in stdout trace log; do
    local actual
    case $name in
      stdout) actual=$stdout ;;
      trace) actual=$trace_out ;;
      log) actual=$trace_log ;;
    esac
    # The output at fault, or one that is no file of the row's.
    [[ $actual == "$row/$name" && ! -d $actual ]] || continue
    if [[ $others == complete ]]; then
      cmp -s "$reference/$name" "$actual" || fail "$what: $name differs from a run without fault"
    elif [[ $name == stdout ]]; then
      [[ -s $actual ]] && fail "$what: wrote on standard output"
    else
      [[ $(<"$actual") == untouched ]] || fail "$what: $name was touched"
    fi
  done
  if [[ $output:$fault == trace-log:closed ]]; then
    grep -qv '^{"sink":.*}$' "$row/log" && fail "$what: the log holds lines that are no record"
  fi
  [[ -n $(find "$row" -name '.*' -type f) ]] && fail "$what: a temporary was left behind"
  return 0
}

case $group in
  faults)
    while read -r output fault status others message; do
      [[ -z $output || $output == \#* ]] && continue
      run_fault_row "$output" "$fault" "$status" "$others" "$message"
    done <<'TABLE'
# output   fault      status  others     the one message after "mpgdump: " (- for none seen)
stdout     full       5       complete   standard output: write error: No space left on device
stdout     closed     5       complete   standard output: write error: Bad file descriptor
trace-out  full       5       complete   /dev/full: write error: No space left on device
trace-out  closed     5       complete   standard output: write error: Bad file descriptor
trace-out  directory  5       untouched  @DIR@/trace: cannot create: Is a directory
trace-out  missing    5       untouched  @DIR@/missing/trace: cannot create: No such file or directory
trace-out  read-only  5       untouched  @DIR@/trace: cannot create: Permission denied
trace-log  full       5       complete   /dev/full: write error: No space left on device
trace-log  closed     5       complete   standard output: write error: Bad file descriptor
trace-log  directory  5       untouched  @DIR@/log: cannot create: Is a directory
trace-log  missing    5       untouched  @DIR@/missing/log: cannot create: No such file or directory
trace-log  read-only  5       untouched  @DIR@/log: cannot create: Permission denied
stats      full       5       complete   -
stats      closed     5       complete   -
TABLE
    # Standard output cannot be a directory, a missing path or a read-only file: the shell
    # opens it and refuses those before mpgdump starts; the same holds for standard error.

    # A dump that fails after writing: its own failure is still reported, and the lost output
    # decides the status.
    "$mpgdump" "$(dirname "$0")/../cases/dmt-lacks-private-stdout/table.json" >/dev/full \
      2>"$work/err"
    status=$?
    [[ $status == 5 ]] || fail "failing dump on /dev/full: exit status $status, expected 5"
    grep -qx 'mpgdump: standard output: write error: No space left on device' "$work/err" &&
      grep -q '^mpgdump: Dump of .* failed: E_FAIL' "$work/err" ||
      fail "failing dump on /dev/full: not both messages: $(head -c 300 "$work/err")"
    ;;
  same-file)
    cd "$work" || exit 2
    echo kept >existing
    : >target
    ln existing hard
    ln -s absent dangling
    ln -s existing soft
    # Each row: the expected status, then the arguments; '>F' sends standard output to F.
    while read -r expected args; do
      [[ -z $expected || $expected == \#* ]] && continue
      read -ra words <<<"$args"
      stdout=$work/out.txt
      if [[ ${words[-1]} == \>* ]]; then
        stdout=${words[-1]#>}
        unset 'words[-1]'
      fi
      before=$(ls -l --time-style=+ existing hard soft dangling 2>/dev/null; cat existing)
      "$mpgdump" "$table" "${words[@]}" >"$stdout" 2>"$work/err"
      status=$?
      [[ $status == "$expected" ]] || fail "$args: exit status $status, expected $expected"
      if [[ $expected == 2 ]]; then
        grep -q '^mpgdump: .* name the same file$' "$work/err" ||
          fail "$args: no message naming the pair: $(head -c 300 "$work/err")"
        [[ -e absent ]] && fail "$args: created the file"
        [[ -s $stdout ]] && fail "$args: wrote on standard output"
        after=$(ls -l --time-style=+ existing hard soft dangling 2>/dev/null; cat existing)
        [[ $before == "$after" ]] || fail "$args: touched a file"
      fi
      rm -f absent out.txt
    done <<'TABLE'
# status  arguments
2         --trace-out absent --trace-log absent
2         --trace-out absent --trace-log ./dangling
2         --trace-out existing --trace-log hard
2         --trace-out soft --trace-log existing
2         --trace-log target >target
2         --trace-out /dev/stdout >target
2         --trace-log /dev/fd/1
2         --trace-log absent --call-log absent
2         --trace-out existing --call-log hard
2         --call-log target >target
0         --trace-out /dev/null --trace-log /dev/null
0         --trace-out - --trace-log absent
TABLE
    # '-' takes standard output itself: the trace text lands there, in order with the rest.
    "$mpgdump" "$table" --trace-out - >"$work/both" 2>"$work/err"
    expected=$(($(wc -c <"$reference/stdout") + $(wc -c <"$reference/trace")))
    [[ $(wc -c <"$work/both") == "$expected" ]] ||
      fail "--trace-out -: standard output does not hold the dump's text and the trace text"
    ;;
  signals)
    for signal in TERM HUP PIPE; do
      dir=$work/$signal
      mkdir "$dir"
      echo old >"$dir/log"
      if [[ $signal == PIPE ]]; then
        "$mpgdump" --generate 20000 --trace-log "$dir/log" | head -c 100 >/dev/null
        status=${PIPESTATUS[0]}
      else
        # Standard output is a pipe nobody reads: the dump blocks once it is full, with its
        # trace log still a temporary.
        mkfifo "$dir/pipe"
        exec 3<>"$dir/pipe"
        "$mpgdump" --generate 20000 --trace-log "$dir/log" >"$dir/pipe" &
        pid=$!
        for _ in $(seq 100); do
          [[ -n $(find "$dir" -name '.log.*') ]] && break
          sleep 0.1
        done
        kill "-$signal" "$pid"
        wait "$pid" 2>/dev/null
        status=$?
        exec 3>&-
      fi
      expected=$((128 + $(kill -l "$signal")))
      [[ $status == "$expected" ]] || fail "SIG$signal: exit status $status, expected $expected"
      [[ $(<"$dir/log") == old ]] || fail "SIG$signal: the old log was replaced or cut"
      [[ -n $(find "$dir" -name '.log.*') ]] && fail "SIG$signal: a temporary was left behind"
    done
    ;;
  delivery)
    # Each pair: a run without a trace log, and the same run with one.
    same_as_logged() {
      local name=$1
      shift
      "$mpgdump" "$@" >"$work/$name.out" 2>"$work/$name.err" || fail "$name: $(<"$work/$name.err")"
      "$mpgdump" "$@" --trace-log "$work/$name.log" >"$work/$name.logged" 2>/dev/null
      cmp -s "$work/$name.out" "$work/$name.logged" || fail "$name: standard output differs"
    }
    same_as_logged trace-file "$table" --trace-out "$work/trace"
    cmp -s "$work/trace" "$reference/trace" || fail "trace-file: the trace text differs"
    same_as_logged trace-on-stdout "$table" --trace-out -
    # A text longer than any block, after a short one; then many blocks.
    long=$work/long.json
    awk 'BEGIN { x = "x"; while (length(x) < 300000) x = x x }
      { sub(/"GetName": "Migration of plant 7"/, "\"GetName\": \"" x "\""); print }' \
      "$sample" >"$long"
    for source in "$long" "--generate 300"; do
      # shellcheck disable=SC2086 # "--generate 300" is two words
      "$mpgdump" $source --trace --trace-out "$work/gathered" >/dev/null 2>&1
      # shellcheck disable=SC2086
      "$mpgdump" $source --trace --trace-out "$work/each" --trace-log "$work/log" >/dev/null 2>&1
      [[ $(wc -c <"$work/each") -gt 200000 ]] || fail "$source: too little trace text to test"
      cmp -s "$work/gathered" "$work/each" || fail "$source: the gathered trace text differs"
    done
    ;;
  *)
    echo "unknown group: $group" >&2
    exit 2
    ;;
esac

exit $failed
