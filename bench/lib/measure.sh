# The measuring steps of bench/run: each runs one kind of measure for one size and leaves its
# shellcheck shell=bash
# stats files in $work; record_size reads them into the result array. Sourced, not run; they
# use $bin, $work and the result array of bench/run.

# Runs mpgdump REPEAT times with the given arguments (standard output to /dev/null) and keeps
# the --stats report of the fastest dump in FILE.
best_dump() {
  local repeat=$1 out=$2
  shift 2
  local best="" seconds i
  for ((i = 0; i < repeat; i++)); do
    "$bin/mpgdump" "$@" --stats >/dev/null 2>"$work/stats.try"
    seconds=$(field "$work/stats.try" "dump seconds")
    if [ -z "$best" ] || awk "BEGIN { exit !($seconds < $best) }"; then
      best=$seconds
      cp "$work/stats.try" "$out"
    fi
  done
}

# Output form: the dump to /dev/null, then the same lines replayed through std::cout.
measure_output_form() {
  local rows=$1 repeat=$2
  best_dump "$repeat" "$work/output-$rows.stats" --generate "$rows"
  "$bin/mpgdump" --generate "$rows" 2>/dev/null |
    "$bin/replay_stdout" --repeat "$repeat" >/dev/null 2>"$work/output-floor-$rows.stats"
}

# Trace form: the dump to a file and to /dev/null, then its floors from the trace log of
# another run: the bytes alone with fwrite, and the same trace-tool calls replayed. The three
# files must be the same.
measure_trace_form() {
  local rows=$1 repeat=$2
  best_dump "$repeat" "$work/trace-$rows.stats" --generate "$rows" --trace \
    --trace-out "$work/trace-$rows.txt"
  # The same to /dev/null, to tell the dump's own scaling from that of the file's writing.
  best_dump "$repeat" "$work/trace-null-$rows.stats" --generate "$rows" --trace \
    --trace-out /dev/null
  # The log goes to a file: mpgdump writes its outputs beside their place, then renames them.
  "$bin/mpgdump" --generate "$rows" --trace --trace-out /dev/null \
    --trace-log "$work/trace-log-$rows.jsonl" >/dev/null 2>/dev/null
  "$bin/replay_trace" --repeat "$repeat" --out "$work/trace-replay-$rows.txt" \
    --bytes-out "$work/trace-bytes-$rows.txt" "$work/trace-log-$rows.jsonl" \
    2>"$work/trace-floor-$rows.stats"
  rm -f "$work/trace-log-$rows.jsonl"
  if ! cmp -s "$work/trace-$rows.txt" "$work/trace-replay-$rows.txt" ||
    ! cmp -s "$work/trace-$rows.txt" "$work/trace-bytes-$rows.txt"; then
    echo "warning: the trace replay of $rows rows did not write what the dump wrote" >&2
    result[$rows,trace_same]=no
  else
    result[$rows,trace_same]=yes
  fi
  result[$rows,trace_file_bytes]=$(stat -c %s "$work/trace-$rows.txt")
  rm -f "$work/trace-$rows.txt" "$work/trace-replay-$rows.txt" "$work/trace-bytes-$rows.txt"
}

# The dump's own memory, the high-water mark reset just before the dump: mpgdump's peak is the
# whole process's, the building of the table included.
measure_memory() {
  local rows=$1
  "$bin/dump_memory" "$rows" >/dev/null 2>"$work/memory-output-$rows.stats"
  "$bin/dump_memory" "$rows" --trace "$work/memory-trace.txt" 2>"$work/memory-trace-$rows.stats"
  rm -f "$work/memory-trace.txt"
}

# Reads one form's stats of one size into the result array.
record_form() {
  local rows=$1 form=$2 stats=$work/$2-$1.stats floor=$work/$2-floor-$1.stats floor_s
  # The Output floor is its replay; the Trace floor is the bytes alone.
  if [ "$form" = trace ]; then
    floor_s=$(field "$floor" "byte floor seconds")
  else
    floor_s=$(field "$floor" "replay seconds")
  fi
  result[$rows,$form,dump]=$(field "$stats" "dump seconds")
  result[$rows,$form,floor]=$floor_s
  result[$rows,$form,ratio]=$(calc "${result[$rows,$form,dump]} / $floor_s" 3)
  result[$rows,$form,us_row]=$(calc "${result[$rows,$form,dump]} / $rows * 1e6" 3)
  result[$rows,$form,floor_us_row]=$(calc "$floor_s / $rows * 1e6" 3)
  result[$rows,$form,lines]=$(field "$stats" lines)
  result[$rows,$form,bytes]=$(field "$stats" bytes)
  result[$rows,$form,before]=$(field "$stats" "resident memory before dump")
  result[$rows,$form,peak]=$(field "$stats" "peak resident memory")
  result[$rows,$form,process_own]=$((result[$rows,$form,peak] - result[$rows,$form,before]))
  result[$rows,$form,own]=$(field "$work/memory-$form-$rows.stats" "dump's own")
  result[$rows,objects]=$(field "$stats" objects)
  result[$rows,table_bytes]=$(field "$stats" "table bytes")
}

# Reads the figures of one size that are not of one form into the result array.
record_size() {
  local rows=$1 floor=$work/trace-floor-$1.stats
  result[$rows,trace_replay,floor]=$(field "$floor" "replay seconds")
  result[$rows,trace_replay,ratio]=$(calc "${result[$rows,trace,dump]} / ${result[$rows,trace_replay,floor]}" 3)
  result[$rows,trace_replay,floor_us_row]=$(calc "${result[$rows,trace_replay,floor]} / $rows * 1e6" 3)
  result[$rows,trace_null,dump]=$(field "$work/trace-null-$rows.stats" "dump seconds")
  result[$rows,trace_null,us_row]=$(calc "${result[$rows,trace_null,dump]} / $rows * 1e6" 3)
  result[$rows,per_object]=$(calc "${result[$rows,table_bytes]} / ${result[$rows,objects]}" 1)
  result[$rows,replay_bytes]=$(field "$work/output-floor-$rows.stats" bytes)
  result[$rows,trace_calls]=$(field "$floor" calls)
  result[$rows,trace_puts]=$(field "$floor" TraPut)
  result[$rows,trace_recovered]=$(field "$floor" "TraPrint with recovered values")
  result[$rows,trace_as_text]=$(field "$floor" "TraPrint as %s")
  if [ "${result[$rows,replay_bytes]}" != "${result[$rows,output,bytes]}" ]; then
    echo "warning: the stdout replay of $rows rows did not read what the dump wrote" >&2
  fi
}

# Loading a table file of about 100 MB: its stats in $work/write.stats and $work/load.stats.
measure_load() {
  "$bin/write_table" 100 "$work/table-100MB.json" 2>"$work/write.stats"
  "$bin/load_table" "$work/table-100MB.json" 2>"$work/load.stats"
  rm -f "$work/table-100MB.json"
}
