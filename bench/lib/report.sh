# The Markdown of bench/run's own section of bench/RESULTS.md, one function per part, each
# shellcheck shell=bash
# printing on standard output from the result array and the files in $work. Sourced, not run.

report_machine() {
  local cpu memory
  cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
  memory=$(awk '/^MemTotal:/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
  cat <<MD
# Dump performance

Written by \`bench/run\` on $(date -u '+%Y-%m-%d %H:%M UTC'); every figure below comes from that one
run. Nothing here is a test: the harness reports, it does not fail.

## Machine

- processors (nproc): $(nproc)
- CPU: ${cpu:-unknown}
- memory: $memory
- kernel: $(uname -sr); compiler: $(c++ --version | head -n 1); build: \`cmake --preset bench\` (Release)
- load average (1, 5, 15 minutes) when the run began: $load_at_start; when it ended: $(cut -d ' ' -f 1-3 /proc/loadavg)
- uptime at the end: $(uptime)
- /tmp: $(df -T /tmp | awk 'NR == 2 { print $2 " file system on " $1 }')

MD
}

report_dump_table() {
  local rows form
  echo "## Dump against floor"
  echo
  echo "| rows | form | dump s | floor s | dump / floor | µs per row (dump) | µs per row (floor) | lines on stdout | bytes on stdout |"
  echo "|---:|---|---:|---:|---:|---:|---:|---:|---:|"
  for rows in "${sizes[@]}"; do
    for form in output trace; do
      echo "| $rows | $form | ${result[$rows,$form,dump]} | ${result[$rows,$form,floor]} | ${result[$rows,$form,ratio]} | ${result[$rows,$form,us_row]} | ${result[$rows,$form,floor_us_row]} | ${result[$rows,$form,lines]} | ${result[$rows,$form,bytes]} |"
    done
    echo "| $rows | trace, against the replay floor | ${result[$rows,trace,dump]} | ${result[$rows,trace_replay,floor]} | ${result[$rows,trace_replay,ratio]} | ${result[$rows,trace,us_row]} | ${result[$rows,trace_replay,floor_us_row]} | | |"
    echo "| $rows | trace to /dev/null | ${result[$rows,trace_null,dump]} | | | ${result[$rows,trace_null,us_row]} | | | |"
  done
  cat <<'MD'

![time per row](time-per-row.png)

The Trace form writes its whole text into a file in /tmp (about 2.5 GB at 10^6 rows), the dump
and its floor alike; the line "trace to /dev/null" is the same dump with the trace tool's text
going to /dev/null instead, mpgdump --trace --trace-out /dev/null, which tells how the dump's
own work scales apart from the writing of the file.

Trace form details:

| rows | trace file bytes | trace-tool calls | TraPut | TraPrint, values recovered | TraPrint as "%s" | replay wrote the same file |
|---:|---:|---:|---:|---:|---:|---|
MD
  for rows in "${sizes[@]}"; do
    echo "| $rows | ${result[$rows,trace_file_bytes]} | ${result[$rows,trace_calls]} | ${result[$rows,trace_puts]} | ${result[$rows,trace_recovered]} | ${result[$rows,trace_as_text]} | ${result[$rows,trace_same]} |"
  done
  echo
}

report_breakdown() {
  cat <<MD
## Where a row's instructions go

Trace form:

$(cat "$work/breakdown-trace.md")

Output form:

$(cat "$work/breakdown-output.md")

Taken of the default build (\`cmake --preset default\`: optimised, with debug information, so
that the profile can name the functions); instruction counts do not move with the machine's
load, unlike the times above. Each part is the inclusive count of the functions that stand for
it: the trace tool's TraPut and TraPrint (less the formatting and the writing they contain), the
formatter and vsnprintf, the trace file's sink; on standard output, the gathering of the pieces
(their own instructions, std::to_chars included) and the stream's writes and flushes; the
dictionary's creation of extensions, the release of extensions, the table's answers and
interface requests (less the creations they make); the module's logic is what the dump counts
beyond them.

MD
}

report_memory() {
  local rows form
  cat <<'MD'
## Memory and table size

Two readings of the dump's memory. mpgdump --stats gives the resident memory just before the
dump ("before") and the largest resident memory of the whole process ("process peak",
getrusage): their difference bounds the dump's growth from above but also takes in the
transient peaks of the table's building, which the dump never reaches. `dump_memory` (same
generated table, same module, same sinks: standard output to /dev/null, or
`mpgdump::TraceToolSink` into a file) resets the process's high-water mark
(/proc/self/clear_refs) just before the dump and reads it (VmHWM) just after: "dump's own" is
that peak less the resident memory before. The goal is judged on the latter.

| rows | objects | table bytes | bytes per object | form | before KiB | process peak KiB | process peak − before KiB | dump's own KiB |
|---:|---:|---:|---:|---|---:|---:|---:|---:|
MD
  for rows in "${sizes[@]}"; do
    for form in output trace; do
      echo "| $rows | ${result[$rows,objects]} | ${result[$rows,table_bytes]} | ${result[$rows,per_object]} | $form | ${result[$rows,$form,before]} | ${result[$rows,$form,peak]} | ${result[$rows,$form,process_own]} | ${result[$rows,$form,own]} |"
    done
  done
  cat <<MD

Table file: $(field "$work/load.stats" bytes) bytes, $(field "$work/load.stats" objects) objects ($(field "$work/write.stats" rows) DMT rows);
read in $read_s s, \`LoadTable\` in $load_s s; the loaded table holds $(field "$work/load.stats" "table bytes") bytes;
peak resident memory of the loader $(field "$work/load.stats" "peak resident memory") KiB.

MD
}

report_goals() {
  cat <<MD
## Goals

| goal | figure | verdict |
|---|---|---|
| Output form to /dev/null within its bound of its flush floor: 1.25 where a flushed line costs under 0.2 us, 1.08 from 1 us, linear between | $(per_size output_ratio) | $goal_output |
| Trace form to a file at most 1.25 times its byte floor | $(per_size trace_ratio) | $goal_trace |
| instructions per row of the whole dump at most 30,000 (callgrind, 2,000 rows) | Trace $instructions_trace, Output $instructions_output | $goal_instructions |
| time per row at 10^6 rows within 10% of that at 10^4 (Output form) | ratio ${result[scaling,output]} | ${result[scaling,output,verdict]} |
| time per row at 10^6 rows within 10% of that at 10^4 (Trace form) | ratio ${result[scaling,trace]} (the same dump to /dev/null: ${result[scaling,trace_null]}, ${result[scaling,trace_null,verdict]}) | ${result[scaling,trace,verdict]} |
| the dump's own peak memory below 1 MiB at every size | $(per_size own_memory) (Output/Trace) | $goal_memory |
| the table at most 256 bytes per object | $(per_size per_object); each object adds $marginal bytes (from $smallest to $largest rows) | $goal_table |
| a 100 MB table file loaded in at most 2 s | $load_s s (LoadTable; reading the file $read_s s more) | $goal_load |

MD
}

report_micro() {
  cat <<MD
## Microbenchmarks

Each dump class alone (an object with every value set and nothing nested, at the level it gets
inside a level-1 table dump; the environment at level 2), standard output going to a null
streambuf or the trace tool to an output that does nothing; then the interface look-ups and the
creation of extensions. \`stdout_bytes\` is what one dump writes on standard output.

\`\`\`
$(cat "$work/micro.txt")
\`\`\`
MD
}

# The whole section, in order.
report_section() {
  report_machine
  cat "$root/bench/lib/commands.md"
  echo
  report_dump_table
  report_breakdown
  report_memory
  report_goals
  report_micro
}
