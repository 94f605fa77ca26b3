#!/usr/bin/env bash
# The comforts of mpgdump on a terminal and in a shell: the progress line, outputs created even
# when empty, and bash completion.
#
# Usage: tool-comforts.sh MPGDUMP COMPLETION_DIR GROUP
# GROUP is one of:
#   progress       on a pseudo-terminal (through script) the line is drawn, redrawn in place
#                  and erased, leaving no line behind; it is absent when standard error is a
#                  file or a pipe, when the trace text or the dump itself goes to the terminal,
#                  and with --no-progress; the dump's outputs are byte-identical either way.
#   empty-outputs  --trace-out FILE and --trace-log FILE exist after a run that wrote nothing
#                  there, even one whose dump failed.
#   completion     each completion (mpgdump, mpgtree) answers the expected words for partial
#                  command lines, and mpgdump's knows exactly the options and trace names that
#                  mpgdump accepts.
# Exit 77 means skipped.
set -u

if [[ $# -ne 3 ]]; then
  echo "usage: $0 MPGDUMP COMPLETION_DIR GROUP" >&2
  exit 2
fi
mpgdump=$(realpath -- "$1") || exit 2
completions=$(realpath -- "$2") || exit 2
group=$3
cases=$(realpath -- "$(dirname "$0")/../cases") || exit 2
# shellcheck source=../support/checks.sh
source "$(dirname "$0")/../support/checks.sh"
cd "$work" || exit 2

rows=2000

# Runs a shell command line on a pseudo-terminal; what the terminal shows goes to FILE.
on_terminal() {
  local file=$1 line=$2
  script -qec "$line" /dev/null >"$file" </dev/null
}

# Checks that a terminal's text is progress lines drawn over one another and erased at the end:
# no line end anywhere, every piece between carriage returns a progress line of this dump or
# blanks, and the last piece blanks as wide as the widest line.
check_drawn_and_erased() {
  local what=$1 file=$2
  local text widest=0 piece
  text=$(<"$file")
  [[ $text == *$'\n'* ]] && fail "$what: the terminal kept a line: $(head -c 300 "$file")"
  [[ $text == $'\r'"mpgdump: 0 of $rows DMT rows (0%)"* ]] ||
    fail "$what: no first progress line: $(head -c 200 "$file" | cat -A)"
  local pattern="^mpgdump: [0-9]+ of $rows DMT rows \([0-9]+%\)(, [0-9]+ rows/s(, [0-9]+:[0-9]{2} left)?)? *$"
  local pieces
  IFS=$'\r' read -r -d '' -a pieces < <(printf '%s' "${text#$'\r'}")
  local last=${pieces[-1]}
  unset 'pieces[-1]'
  for piece in "${pieces[@]}"; do
    [[ $piece =~ $pattern ]] || fail "$what: not a progress line: \"$piece\""
    ((${#piece} > widest)) && widest=${#piece}
  done
  [[ $last =~ ^\ +$ && ${#last} -ge $widest ]] ||
    fail "$what: the line was not erased (last piece \"$last\", widest line $widest)"
}

case $group in
  progress)
    if ! command -v script >/dev/null; then
      echo "skipped: no script command (bsdutils)"
      exit 77
    fi
    args="--generate $rows --trace-out trace --trace-log log"
    quoted=$(printf '%q' "$mpgdump")

    # Without a terminal: the reference outputs, and nothing on standard error.
    mkdir plain && (cd plain && "$mpgdump" $args >stdout 2>stderr)
    [[ -s plain/stderr ]] && fail "standard error a file: it received $(head -c 200 plain/stderr)"
    (cd plain && "$mpgdump" $args 2>&1 >/dev/null | cat >piped)
    [[ -s plain/piped ]] && fail "standard error a pipe: it received $(head -c 200 plain/piped)"

    # On a terminal: the line, and the same outputs.
    mkdir shown && on_terminal shown/terminal "cd shown && $quoted $args >stdout"
    check_drawn_and_erased "on a terminal" shown/terminal
    for output in stdout trace log; do
      cmp -s "plain/$output" "shown/$output" || fail "on a terminal: $output differs"
    done
    # Forced into a file: the same lines, and the same outputs.
    mkdir forced && (cd forced && "$mpgdump" $args --progress >stdout 2>terminal)
    check_drawn_and_erased "--progress into a file" forced/terminal
    for output in stdout trace log; do
      cmp -s "plain/$output" "forced/$output" || fail "with --progress: $output differs"
    done

    # On a terminal, but someone else writes there, or it was turned off.
    for line in "--no-progress >/dev/null" "--trace >/dev/null" "--trace-out /dev/null"; do
      on_terminal quiet "$quoted --generate $rows $line"
      grep -q 'DMT rows (' quiet && fail "$line on a terminal: progress shown"
    done
    ;;
  empty-outputs)
    for table in "" "$cases/mpgdump-dump-fails/table.json"; do
      echo old >trace
      echo old >log
      "$mpgdump" $table --trace-out trace --trace-log log >/dev/null 2>&1
      for output in trace log; do
        [[ -f $output && ! -s $output ]] ||
          fail "${table:-sample table}: $output is not an empty file: $(head -c 100 $output)"
      done
      rm -f trace log
      "$mpgdump" $table --trace-out trace --trace-log log >/dev/null 2>&1
      [[ -f trace && -f log ]] || fail "${table:-sample table}: an absent output was not created"
    done
    ;;
  completion)
    source "$completions/mpgdump.bash" || exit 2
    mkdir tables && touch table.json trace.txt lib.so
    # Each row: the words typed so far (the last one being completed; '' for a new word), a
    # bar, and the words the completion must answer, in any order.
    while IFS='|' read -r typed expected; do
      [[ -z $typed || $typed == \#* ]] && continue
      eval "COMP_WORDS=(mpgdump $typed)"
      COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
      COMPREPLY=()
      _zyn_mpgdump 2>/dev/null
      actual=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
      wanted=$(printf '%s\n' $expected | sort | xargs)
      [[ $actual == "$wanted" ]] || fail "mpgdump $typed: answered \"$actual\", expected \"$wanted\""
    done <<'TABLE'
--tr                      | --trace --trace-out --trace-log
--stats --pro             | --progress
--no                      | --no-progress
--activate ''             | ZynMpgFullMappingTrace ZynMpgMappingTrace ZynMpgProviderComponentTrace ZynMpgFullSaveTrace ZynMpgEnvQueryTrace
--activate ZynMpgF        | ZynMpgFullMappingTrace ZynMpgFullSaveTrace
--trace-out ''            | - lib.so table.json tables trace.txt
--trace-out tr            | trace.txt
--trace-out = tr          | trace.txt
--trace-log ta            | table.json tables
--module li               | lib.so
--level ''                |
ta                        | table.json tables
--trace ''                | lib.so table.json tables trace.txt
TABLE
    # The completion's words are exactly the tool's own.
    from_help=$("$mpgdump" --help | grep -oE '^  (-h,)?--[a-z-]+' | sed 's/.*--/--/' | sort | xargs)
    [[ $(printf '%s\n' $_zyn_mpgdump_options | sort | xargs) == "$from_help" ]] ||
      fail "the completion's options differ from mpgdump --help's: $from_help"
    known=$("$mpgdump" --activate '?' 2>&1 | sed -n 's/.*(known: \(.*\))$/\1/p' | tr -d ,)
    [[ -n $known && $(xargs <<<"$_zyn_mpgdump_traces") == "$known" ]] ||
      fail "the completion's trace names differ from mpgdump's: $known"

    source "$completions/mpgtree.bash" || exit 2
    while IFS='|' read -r typed expected; do
      [[ -z $typed || $typed == \#* ]] && continue
      eval "COMP_WORDS=(mpgtree $typed)"
      COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
      COMPREPLY=()
      _zyn_mpgtree 2>/dev/null
      actual=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
      wanted=$(printf '%s\n' $expected | sort | xargs)
      [[ $actual == "$wanted" ]] || fail "mpgtree $typed: answered \"$actual\", expected \"$wanted\""
    done <<'TABLE'
''                        | json check find diff html redact table
--form ''                 | auto stdout trace
--form = tr               | trace
--lenient --pro           | --progress
--no                      | --no-progress
--form stdout ch          | check
json --l                  | --lines --lenient
json ta                   | table.json tables
json table.json -o ''     | - lib.so table.json tables trace.txt
json -o tr                | trace.txt
check --q                 | --quiet
find --                   | --help --uuid --name --ignore-case --quiet --form --lenient --progress --no-progress
diff --j                  | --json
html --ma                 | --max-rows
html --ordinals ''        |
find --uuid ''            |
diff ta                   | table.json tables
redact --k                | --key
redact --key ''           |
table --e                 | --explain
TABLE
    ;;
  *)
    echo "unknown group: $group" >&2
    exit 2
    ;;
esac

exit $failed
