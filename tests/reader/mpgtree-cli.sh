#!/usr/bin/env bash
# mpgtree as its users meet it: exit statuses, messages, standard input, failed writes, and its
# JSON checked against the schema.
#
# Usage: mpgtree-cli.sh MPGTREE MPGDUMP SCHEMA CHECK
#   CHECK: usage, stdin, write-errors, same-file, bad-input, check-status, find, schema,
#          progress
# Exit 0 passed, 1 failed, 77 skipped.
set -u
mpgtree=$1 mpgdump=$2 schema=$3 check=$4
here=$(cd "$(dirname "$0")" && pwd)
cases=$here/../cases
# shellcheck source=../support/checks.sh
source "$here/../support/checks.sh"
# expect STATUS COMMAND...: runs the command, its standard error in $work/err.
expect() {
  local want=$1; shift
  "$@" >"$work/out" 2>"$work/err"
  local got=$?
  [[ $got -eq $want ]] || fail "$* -> exit $got, expected $want; stderr: $(head -c 400 "$work/err")"
}
has() { grep -qF -- "$2" "$1" || fail "$1 lacks: $2"; }

sample_out=$cases/sample-level2-mode1-stdout/stdout
sample_trace=$cases/sample-level2-mode1-trace/trace

case $check in
  usage)
    expect 0 "$mpgtree" --help
    for word in json check find "4 an output could not be written" --form --lenient; do
      has "$work/out" "$word"
    done
    expect 0 "$mpgtree" --version
    has "$work/out" "mpgtree 1.0.0"
    expect 2 "$mpgtree"
    expect 2 "$mpgtree" json
    expect 2 "$mpgtree" json "$sample_out" --form neither
    expect 0 "$mpgtree" json --help
    has "$work/out" "--lines"
    ;;
  stdin)
    "$mpgdump" --level 2 | "$mpgtree" json - >"$work/tree.json" || fail "mpgdump | mpgtree json -"
    python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert d["form"]=="stdout", d["form"]; assert d["whole"]' "$work/tree.json" || fail "the JSON of standard input"
    "$mpgtree" check - <"$sample_trace" >"$work/out" || fail "check - of the trace tool's text"
    has "$work/out" "standard input: whole: 3 DMT row(s)"
    ;;
  write-errors)
    [[ -w /dev/full ]] || exit 77
    for command in "json $sample_out" "json --lines $sample_out" "check $sample_out" "find $sample_out --name bolt"; do
      # shellcheck disable=SC2086
      "$mpgtree" $command >/dev/full 2>"$work/err"
      status=$?
      [[ $status -eq 4 ]] || fail "mpgtree $command >/dev/full -> exit $status, expected 4"
      has "$work/err" "mpgtree: standard output: write error: No space left on device"
    done
    expect 4 "$mpgtree" json "$sample_out" -o /dev/full
    has "$work/err" "mpgtree: /dev/full: write error: No space left on device"
    [[ $(grep -c "write error" "$work/err") -eq 1 ]] || fail "-o /dev/full: not one message"
    # A run that fails before its output is complete leaves no file and no temporary.
    "$mpgtree" json "$work/missing.txt" -o "$work/none.json" 2>/dev/null
    [[ ! -e $work/none.json ]] || fail "-o written by a run that failed"
    [[ -z $(find "$work" -name '*.json?*') ]] || fail "a temporary was left: $(ls -a "$work")"
    expect 4 "$mpgtree" json "$sample_out" -o "$work/no/such/folder.json"
    has "$work/err" "mpgtree: $work/no/such/folder.json: cannot create: No such file or directory"
    ;;
  same-file)
    # -o naming the input, directly or through a link, is refused before anything is written.
    cp "$sample_out" "$work/dump.txt" && ln -s dump.txt "$work/link.txt"
    for output in dump.txt link.txt; do
      expect 2 "$mpgtree" json "$work/dump.txt" -o "$work/$output"
      has "$work/err" "name the same file"
      cmp -s "$sample_out" "$work/dump.txt" || fail "-o $output: the input was changed"
    done
    # Standard output on the input, and -o on standard output's file.
    (cd "$work" && "$mpgtree" check dump.txt >>dump.txt 2>err)
    [[ $? -eq 2 ]] && has "$work/err" "name the same file" || fail "check >>input not refused"
    (cd "$work" && "$mpgtree" json dump.txt -o tree.json >>tree.json 2>err)
    [[ $? -eq 2 ]] && has "$work/err" "name the same file" || fail "-o on standard output's file"
    # Reading the input twice is allowed: nothing writes to it.
    expect 0 "$mpgtree" json "$work/dump.txt" -o "$work/tree.json"
    ;;
  progress)
    command -v script >/dev/null || exit 77
    quoted=$(printf '%q' "$mpgtree")
    "$mpgdump" --generate 3000x2 --level 2 >"$work/big.txt" || fail "mpgdump --generate"
    size=$(stat -c %s "$work/big.txt")
    for command in "json --lines" "check" "find --name nothing-here"; do
      (cd "$work" && script -qec "$quoted --progress $command big.txt >/dev/null" /dev/null \
        >terminal </dev/null)
      grep -qE "mpgtree: [0-9.]+ [KMG]?i?B of [0-9.]+ [KMG]?i?B" "$work/terminal" ||
        fail "$command: no line of $size bytes: $(head -c 200 "$work/terminal" | cat -A)"
      [[ $(<"$work/terminal") == *$'\n'* ]] && fail "$command: a line stayed on the terminal"
      # Standard error a pipe or a file: nothing.
      (cd "$work" && "$mpgtree" $command big.txt 2>&1 >/dev/null | cat >piped)
      [[ -s $work/piped ]] && fail "$command: a pipe received $(head -c 200 "$work/piped")"
    done
    # Automatic on a terminal, off with --no-progress; the output the same either way.
    (cd "$work" && script -qec "$quoted json big.txt -o shown.json >/dev/null" /dev/null >terminal </dev/null)
    has "$work/terminal" "mpgtree: "
    (cd "$work" && script -qec "$quoted --no-progress json big.txt -o plain.json >/dev/null" /dev/null \
      >terminal </dev/null)
    [[ -s $work/terminal ]] && fail "--no-progress: the terminal received $(head -c 200 "$work/terminal")"
    cmp -s "$work/shown.json" "$work/plain.json" || fail "the output differs with progress"
    ;;
  bad-input)
    expect 2 "$mpgtree" json "$work/missing.txt"
    has "$work/err" "missing.txt: cannot open: No such file or directory"
    expect 2 "$mpgtree" check "$work"
    has "$work/err" "it is a directory"
    # A line the reader cannot place: named by file, line and column, with what was expected.
    sed '12s/^/garbage /' "$sample_out" >"$work/bad.txt"
    expect 2 "$mpgtree" json "$work/bad.txt"
    has "$work/err" "bad.txt:12:1: expected"
    expect 2 "$mpgtree" json "$work/bad.txt" -o "$work/bad.json"
    has "$work/err" "bad.txt: not whole (1 fault, the first at line 12); --lenient reads it anyway"
    # --lenient reads it, and says that a line was kept raw (status 1, never 0).
    expect 1 "$mpgtree" json --lenient "$work/bad.txt"
    has "$work/out" '"kind":"raw","line":12'
    has "$work/err" "bad.txt: not whole: 1 fault, 1 line kept raw, the first at line 12"
    # Read in the form it is not written in: the option is wrong, not the dump.
    expect 2 "$mpgtree" json --form trace "$sample_out"
    has "$work/err" "line 1 is in the standard-output form; --form trace was given"
    grep -q "split" "$work/err" && fail "--form trace on standard output: called a split"
    ;;
  check-status)
    expect 0 "$mpgtree" check "$sample_out"
    head -n 40 "$sample_out" >"$work/cut.txt"
    expect 1 "$mpgtree" check "$work/cut.txt"
    has "$work/out" "cut.txt:40: fault: the input ends after this line"
    has "$work/out" "cut.txt:23: fault: the RMT row that opens here is not closed"
    expect 2 "$mpgtree" check "$cases/rmt-validity-flip-header/stdout"
    has "$work/out" "cannot tell: the dump's lines were split"
    expect 0 "$mpgtree" check -q "$cases/manager-skipped-elements-keep-positions-trace/trace"
    ;;
  find)
    expect 0 "$mpgtree" find "$sample_trace" --uuid 71C0A5E39D2B4F8E8046E1B7D3C95A0F
    has "$work/out" "34: <File component>  Name :bolt-m12x40.part"
    expect 0 "$mpgtree" find "$sample_out" --name "Valve catalogue"
    has "$work/out" "== $sample_out:101-103: providerComponent"
    has "$work/out" "126:    Binary identifier length:12"
    expect 1 "$mpgtree" find "$sample_out" --uuid 00000000000000000000000000000000
    expect 2 "$mpgtree" find "$sample_out"
    expect 2 "$mpgtree" find "$sample_out" --uuid a --name b
    # A uuid as table files accept it: either case, dashes anywhere.
    expect 0 "$mpgtree" find "$sample_out" --uuid 71C0A5E3-9D2B-4F8E-8046-E1B7D3C95A0F
    has "$work/out" "Name :bolt-m12x40.part"
    expect 0 "$mpgtree" find "$sample_out" --uuid 71c0-a5e39d2b4f8e8046e1b7d3c95a0f-
    # A text that is no uuid, and an empty name, are bad usage with their own message.
    for uuid in nope 71c0a5e39d2b4f8e8046e1b7d3c95a0 71c0a5e39d2b4f8e8046e1b7d3c95a0g ""; do
      expect 2 "$mpgtree" find "$sample_out" --uuid "$uuid"
      has "$work/err" "mpgtree: find: --uuid '$uuid' is no uuid"
    done
    expect 2 "$mpgtree" find "$sample_out" --name ""
    has "$work/err" "mpgtree: find: --name '' names nothing"
    # -i: a name in any letter case.
    expect 1 "$mpgtree" find "$sample_out" --name VALVE
    expect 0 "$mpgtree" find "$sample_out" --name VALVE -i
    has "$work/out" "providerComponent"
    # -q leaves the reader's notes out, as check -q does: a context name holding a line end.
    sed '2s/ of plant/\nof plant/' "$sample_out" >"$work/joined.txt"
    expect 1 "$mpgtree" find "$work/joined.txt" --name none-such
    has "$work/err" "joined.txt:3: note: joined to the text on the line before"
    expect 0 "$mpgtree" find "$work/joined.txt" --name $'Migration\nof' -q
    [[ -s $work/err ]] && fail "find -q: $(head -c 300 "$work/err")"
    ;;
  schema)
    python3 -c 'import jsonschema' 2>/dev/null || exit 77
    n=0
    for dump in "$sample_out" "$sample_trace" "$cases"/*-level2-*/stdout "$cases"/*-level2-*/trace \
                "$cases"/rmt-*/stdout "$cases"/manager-*/trace; do
      [[ -s $dump ]] || continue
      n=$((n + 1))
      "$mpgtree" json --lenient "$dump" -o "$work/$n.json" 2>/dev/null
      "$mpgtree" json --lenient --lines "$dump" -o "$work/$n.jsonl" 2>/dev/null
    done
    "$mpgdump" --generate 25x3 --level 2 | "$mpgtree" json --lines - -o "$work/generated.jsonl"
    python3 "$here/validate-json.py" "$schema" "$work"/*.json "$work"/*.jsonl || fail "schema"
    ;;
  *)
    echo "unknown check: $check" >&2
    exit 2
    ;;
esac
exit $failed
