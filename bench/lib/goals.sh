# The goals of bench/run, judged on the result array. Sourced, not run.
# shellcheck shell=bash

# "met", or "missed at" the sizes where the condition (shell code on $rows) fails.
all_sizes() {
  local missed="" rows
  for rows in "${sizes[@]}"; do
    eval "$1" || missed+="${missed:+, }$rows"
  done
  if [ -z "$missed" ]; then echo met; else echo "missed at $missed rows"; fi
}
# "rows: figure; ..." over the sizes measured, the figure printed by the function named $1.
per_size() {
  local out="" rows
  for rows in "${sizes[@]}"; do out+="${out:+; }$rows: $("$1" "$rows")"; done
  printf '%s' "$out"
}
output_ratio() { echo "${result[$1,output,ratio]} (bound ${result[$1,output,bound]}, a flushed line ${result[$1,output,line_us]} us)"; }
trace_ratio() { echo "${result[$1,trace,ratio]}"; }
own_memory() { echo "${result[$1,output,own]}/${result[$1,trace,own]} KiB"; }
per_object() { echo "${result[$1,per_object]}"; }

# The Output form's bound at one size, from what a flushed line of its floor costs: 1.25 times
# the floor where a line costs under 0.2 us (the dump's own work weighs more there), 1.08 times
# where it costs 1 us or more, falling linearly in between.
output_bound() {
  local rows=$1 line_us
  line_us=$(calc "${result[$rows,output,floor]} / ${result[$rows,output,lines]} * 1e6" 3)
  result[$rows,output,line_us]=$line_us
  result[$rows,output,bound]=$(calc "$line_us < 0.2 ? 1.25 : ($line_us >= 1 ? 1.08 : 1.25 - 0.17 * ($line_us - 0.2) / 0.8)" 3)
}

# The instructions per row of the whole dump in a profile-breakdown table.
whole_dump_instructions() { awk -F '|' '/the whole dump/ { gsub(/ /, "", $3); print $3 }' "$1"; }

# Sets goal_* and the scaling figures from the result array and the load figures.
judge_goals() {
  local has_both=no form rows
  for rows in "${sizes[@]}"; do output_bound "$rows"; done
  goal_output=$(all_sizes 'awk "BEGIN { exit !(${result[$rows,output,ratio]} <= ${result[$rows,output,bound]}) }"')
  goal_trace=$(all_sizes 'awk "BEGIN { exit !(${result[$rows,trace,ratio]} <= 1.25) }"')
  goal_memory=$(all_sizes '((result[$rows,output,own] < 1024 && result[$rows,trace,own] < 1024))')
  goal_table=$(all_sizes 'awk "BEGIN { exit !(${result[$rows,per_object]} <= 256) }"')
  goal_load=$(verdict "$load_s <= 2")
  # The instructions per row of each form's whole dump, from its instruction profile.
  instructions_trace=$(whole_dump_instructions "$work/breakdown-trace.md")
  instructions_output=$(whole_dump_instructions "$work/breakdown-output.md")
  goal_instructions=$(verdict "$instructions_trace <= 30000 && $instructions_output <= 30000")
  # What each object adds, the table's fixed part left out: between the smallest and the largest.
  smallest=$(printf '%s\n' "${sizes[@]}" | sort -n | head -n 1)
  largest=$(printf '%s\n' "${sizes[@]}" | sort -n | tail -n 1)
  if ((smallest != largest)); then
    marginal=$(calc "(${result[$largest,table_bytes]} - ${result[$smallest,table_bytes]}) / (${result[$largest,objects]} - ${result[$smallest,objects]})" 1)
  else
    marginal="n/a"
  fi
  [ -n "${result[10000,output,dump]:-}" ] && [ -n "${result[1000000,output,dump]:-}" ] && has_both=yes
  for form in output trace trace_null; do
    if [ "$has_both" = yes ]; then
      result[scaling,$form]=$(calc "${result[1000000,$form,us_row]} / ${result[10000,$form,us_row]}" 3)
      result[scaling,$form,verdict]=$(verdict "${result[scaling,$form]} <= 1.10 && ${result[scaling,$form]} >= 0.90")
    else
      result[scaling,$form]="n/a"
      result[scaling,$form,verdict]="not measured (needs 10000 and 1000000 rows)"
    fi
  done
}

# The goals in a few lines, for the terminal.
print_goals() {
  echo
  echo "Goals:"
  echo "  Output form within its bound of its flush floor: $goal_output ($(per_size output_ratio))"
  echo "  Trace form at most 1.25 times its byte floor: $goal_trace ($(per_size trace_ratio))"
  echo "  at most 30,000 instructions per row: $goal_instructions (Trace $instructions_trace, Output $instructions_output)"
  echo "  time per row at 10^6 within 10% of 10^4: Output ${result[scaling,output]} (${result[scaling,output,verdict]}), Trace ${result[scaling,trace]} (${result[scaling,trace,verdict]}; to /dev/null ${result[scaling,trace_null]})"
  echo "  dump's own peak memory below 1 MiB: $goal_memory"
  echo "  table at most 256 bytes per object: $goal_table (each object adds $marginal bytes)"
  echo "  100 MB table file loaded in at most 2 s: $goal_load (${load_s} s)"
}
