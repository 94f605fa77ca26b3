#!/usr/bin/env bash
# One verdict on damaged inputs: json, check, find, diff and html read each input of
# damaged-dumps.txt and give the status and the message the table holds, with and without
# --lenient; no control byte of a dump reaches standard error raw.
#
# Usage: verdicts.sh MPGTREE
# Exit 0 passed, 1 failed.
set -u
mpgtree=$1
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../support/checks.sh
source "$here/../support/checks.sh"
sample=$here/../cases/sample-level2-mode1-stdout/stdout

# The inputs, made from the sample dump (141 lines; DMT rows at lines 5, 73 and 122).
mkdir "$work/in"
: >"$work/in/empty"
cat "$sample" "$sample" >"$work/in/two-dumps"
{ cat "$sample"; echo "end of the run, all went well"; } >"$work/in/text-after"
head -n 40 "$sample" >"$work/in/cut"
# lines: prints the lines FROM-TO of the sample, for each range in order.
lines() { for range in "$@"; do sed -n "${range/-/,}p" "$sample"; done; }
lines 1-5 7-7 6-6 8-141 >"$work/in/swapped"
lines 1-72 74-74 73-73 75-141 >"$work/in/row-header-swapped"
lines 1-72 122-139 73-121 140-141 >"$work/in/rows-swapped"
cp "$sample" "$work/in/wrong-form"
printf 'hello, world\nand more\n' >"$work/in/garbage"
{ printf '\033[2J\033]0;owned\007\r\000 pump-housing\n'; cat "$sample"; } >"$work/in/control"

# run STATUS INPUT MESSAGE HINT COMMAND...: runs the command; its status must be STATUS and its
# outputs must hold MESSAGE and HINT (when not empty), and no raw control byte but line ends.
run() {
  local want=$1 input=$2 message=$3 hint=$4
  shift 4
  (cd "$work" && "$@" >out 2>err)
  local got=$?
  local what="$input: mpgtree ${*:2}"
  [[ $got -eq $want ]] || fail "$what -> exit $got, expected $want: $(head -c 600 "$work/err" | cat -v)"
  # The matches printed by find are the dump's own text, not diagnostics: only standard error,
  # and check's standard output, are searched for raw control bytes.
  [[ $2 == find ]] && : >"$work/out"
  cat "$work/out" "$work/err" >"$work/said"
  [[ -z $message ]] || grep -qF -- "$message" "$work/said" || fail "$what: lacks: $message; said: $(head -c 600 "$work/said" | cat -v)"
  [[ -z $hint ]] || grep -qF -- "$hint" "$work/said" || fail "$what: lacks: $hint"
  # A fault of the whole input (an empty one) has no line to name: no message says "line 0".
  grep -qE -- ':0(:|$)' "$work/err" && fail "$what: names line 0: $(head -c 300 "$work/err")"
  if LC_ALL=C grep -qP '[\x00-\x09\x0b-\x1f\x7f]' "$work/said"; then
    fail "$what: a raw control byte: $(head -c 300 "$work/said" | cat -A)"
  fi
}

refused="--lenient reads it anyway"
# The hint a refusal gives: a dump that check finds not whole is refused without --lenient.
hint() { [[ $1 -eq 2 && $check -eq 1 ]] && echo "$refused"; }

while IFS='|' read -r input options statuses lenient message; do
  [[ $input =~ ^[[:space:]]*(#|$) ]] && continue
  read -r input <<<"$input"
  read -ra opts <<<"$options"
  [[ ${opts[*]} == - ]] && opts=()
  read -r check json find diff html <<<"$statuses"
  read -r ljson lfind ldiff lhtml <<<"$lenient"
  message=${message# }
  file=in/$input
  run "$check" "$input" "$message" "" "$mpgtree" check "$file" "${opts[@]}"
  run "$json" "$input" "$message" "$(hint "$json")" "$mpgtree" json "$file" -o tree.json "${opts[@]}"
  run "$find" "$input" "$message" "$(hint "$find")" "$mpgtree" find "$file" --name bolt "${opts[@]}"
  run "$diff" "$input" "$message" "$(hint "$diff")" "$mpgtree" diff "$file" "$sample" "${opts[@]}"
  run "$html" "$input" "$message" "$(hint "$html")" "$mpgtree" html "$file" -o page.html "${opts[@]}"
  for command in json find diff html; do
    var=l$command
    status=${!var}
    words=""
    [[ $status -eq 1 ]] && words="not whole: "
    case $command in
      json) args=(json "$file" -o tree.json) ;;
      find) args=(find "$file" --name bolt) ;;
      diff) args=(diff "$file" "$sample") ;;
      html) args=(html "$file" -o page.html) ;;
    esac
    run "$status" "$input" "$message" "$words" "$mpgtree" "${args[@]}" --lenient "${opts[@]}"
  done
done <"$here/damaged-dumps.txt"

# The whole sample: one verdict too, status 0 everywhere, even with --lenient.
for lenient in "" --lenient; do
  run 0 sample "" "" "$mpgtree" json "$sample" -o tree.json $lenient
  run 0 sample "" "" "$mpgtree" find "$sample" --name bolt $lenient
  run 0 sample "" "" "$mpgtree" diff "$sample" "$sample" $lenient
  run 0 sample "" "" "$mpgtree" html "$sample" -o page.html $lenient
done
run 0 sample "whole: 3 DMT row(s)" "" "$mpgtree" check "$sample"
exit $failed
