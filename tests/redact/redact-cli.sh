#!/usr/bin/env bash
# mpgtree redact as its users meet it: no hidden text of the table left in the redacted dump,
# equal texts given equal pseudonyms (across runs with one --key), the redacted dump whole and
# of the same tree but for its texts, and the refusals.
#
# Usage: redact-cli.sh MPGTREE MPGDUMP CHECK
#   CHECK: hidden, keyed, refusals
# Exit 0 passed, 1 failed, 77 skipped.
set -u
mpgtree=$1 mpgdump=$2 check=$3
here=$(cd "$(dirname "$0")" && pwd)
sample=$here/../../tools/mpgdump/sample-table.json
checks=$here/redact_checks.py
# shellcheck source=../support/checks.sh
source "$here/../support/checks.sh"
# expect STATUS COMMAND...: runs the command, its standard error in $work/err.
expect() {
  local want=$1; shift
  "$@" >"$work/out" 2>"$work/err"
  local got=$?
  [[ $got -eq $want ]] || fail "$* -> exit $got, expected $want; stderr: $(head -c 400 "$work/err")"
}

# hides TABLE DUMP REDACTED [--uuids]: no text of TABLE that redaction hides is in REDACTED, which is
# whole and reads as DUMP's tree with each text replaced, equal texts by equal pseudonyms.
hides() {
  local table=$1 dump=$2 redacted=$3 uuids=${4:-}
  python3 "$checks" absent "$table" "$redacted" $uuids || fail "$redacted: texts left"
  "$mpgtree" check "$redacted" >/dev/null || fail "$redacted: not whole"
  "$mpgtree" json "$dump" >"$work/a.json" 2>/dev/null
  "$mpgtree" json "$redacted" >"$work/b.json" 2>/dev/null
  python3 "$checks" compare "$work/a.json" "$work/b.json" $uuids || fail "$dump: the trees differ"
}

case $check in
  hidden)
    python3 "$checks" hostile "$sample" "$work/hostile.json" || exit 2
    for table in "$sample" "$work/hostile.json"; do
      for settings in "--level 2" "--level 1" "--level 0" "--level 2 --mode 3" "--level 2 --object environment" \
                      "--level 2 --object rmt-housing-bolts"; do
        for form in stdout trace; do
          # shellcheck disable=SC2086
          if [[ $form == trace ]]; then
            "$mpgdump" "$table" $settings --trace --trace-out "$work/dump.txt" >/dev/null
          else
            "$mpgdump" "$table" $settings >"$work/dump.txt"
          fi
          for uuids in "" --uuids; do
            expect 0 "$mpgtree" redact $uuids "$work/dump.txt" -o "$work/redacted.txt"
            hides "$table" "$work/dump.txt" "$work/redacted.txt" $uuids
          done
        done
      done
    done
    ;;
  keyed)
    "$mpgdump" "$sample" --level 2 >"$work/a.txt"
    "$mpgdump" "$sample" --level 2 --object rmt-housing-bolts --trace --trace-out "$work/b.txt" >/dev/null
    "$mpgtree" json "$work/a.txt" >"$work/a.json"
    "$mpgtree" json "$work/b.txt" >"$work/b.json"
    # pseudonym KEY-OPTION DUMP TREE: the one pseudonym of bolt-m12x40.part in DUMP's redaction.
    pseudonym() {
      # shellcheck disable=SC2086
      "$mpgtree" redact $1 "$2" | "$mpgtree" json - >"$work/r.json" 2>/dev/null
      python3 "$checks" pseudonym bolt-m12x40.part "$3" "$work/r.json"
    }
    one=$(pseudonym "--key secret" "$work/a.txt" "$work/a.json") || fail "a: not one pseudonym"
    two=$(pseudonym "--key secret" "$work/b.txt" "$work/b.json") || fail "b: not one pseudonym"
    other=$(pseudonym "--key other" "$work/b.txt" "$work/b.json") || fail "b: not one pseudonym"
    plain=$(pseudonym "" "$work/b.txt" "$work/b.json") || fail "b: not one pseudonym"
    [[ $one == "$two" && $one == name-*.part ]] || fail "one key, two dumps: $one and $two"
    [[ $other != "$one" && $plain != "$one" ]] || fail "another key, or none: $other, $plain, $one"
    ;;
  refusals)
    "$mpgdump" "$sample" --level 2 >"$work/a.txt"
    # Garbage, a dump cut short, a dump split between the sinks: refused, and no file left.
    printf 'no dump here\n' >"$work/garbage.txt"
    head -n 30 "$work/a.txt" >"$work/cut.txt"
    cat "$here/../cases/dmt-validity-flip-closing-line/stdout" >"$work/split.txt"
    for input in garbage cut split; do
      expect 2 "$mpgtree" redact "$work/$input.txt" -o "$work/$input.out"
      [[ ! -e $work/$input.out ]] || fail "$input: refused, yet written"
      expect 2 "$mpgtree" redact "$work/$input.txt"
      [[ ! -s $work/out ]] || fail "$input: refused, yet written to standard output"
    done
    grep -q "not whole" "$work/err" || grep -q "cannot tell" "$work/err" || fail "split: no reason"
    # --lenient redacts what it reads of a cut dump: status 1, and no name of it left.
    expect 1 "$mpgtree" --lenient redact "$work/cut.txt" -o "$work/cut.out"
    grep -q "pump-housing" "$work/cut.out" && fail "cut: a name left"
    # A line that cannot be placed, inside a row, is left out whole: nothing tells what it holds.
    { head -n 20 "$work/a.txt"; echo "stray secret-name.part"; tail -n +21 "$work/a.txt"; } >"$work/stray.txt"
    expect 1 "$mpgtree" --lenient redact "$work/stray.txt" -o "$work/stray.out"
    grep -q "1 line(s) that could not be placed left out" "$work/err" || fail "stray: not counted"
    grep -q "secret-name\|pump-housing" "$work/stray.out" && fail "stray: a name left"
    [[ $(wc -l <"$work/stray.out") -eq $(wc -l <"$work/a.txt") ]] || fail "stray: not left out"
    # An output naming the input, and a lost write.
    expect 2 "$mpgtree" redact "$work/a.txt" -o "$work/a.txt"
    if [[ -w /dev/full ]]; then
      expect 4 "$mpgtree" redact "$work/a.txt" -o /dev/full
    fi
    ;;
  *)
    echo "unknown check: $check" >&2
    exit 2
    ;;
esac
exit $failed
