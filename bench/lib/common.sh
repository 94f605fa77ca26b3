# Helpers shared by the steps of bench/run: reading stats files, arithmetic on decimals, verdicts.
# shellcheck shell=bash
# Sourced, not run.

# The value of "NAME: value" in a stats file.
field() { sed -n "s/^$2: *\([-0-9.e+]*\).*/\1/p" "$1" | head -n 1; }
# Arithmetic on decimals.
calc() { awk "BEGIN { printf \"%.${2:-3}f\", $1 }"; }
# "met" or "missed" for a condition written in awk.
verdict() { awk "BEGIN { exit !($1) }" && echo met || echo missed; }
# Fewer repeats for the larger tables, whose times are long enough to be steady.
repeats_for() {
  if (($1 <= 1000)); then echo 7; elif (($1 <= 10000)); then echo 5; elif (($1 <= 100000)); then echo 3; else echo 2; fi
}
