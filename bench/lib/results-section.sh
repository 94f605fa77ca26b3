# Writing a harness's own section of bench/RESULTS.md without touching the rest of the file
# shellcheck shell=bash
# (the other harness's section and the notes added by hand). Sourced, not run.

# replace_results_section FILE SECTION [HARNESS]: FILE gets SECTION's text between the two
# markers of HARNESS (bench/run unless named), in place of what stood there. A file without
# those markers keeps all it holds; the section goes at its top for bench/run, else at its end.
replace_results_section() {
  local file=$1 section=$2 harness=${3:-bench/run} next
  local results_begin_marker="<!-- $harness: begin of its section; what lies between the markers is rewritten at each run -->"
  local results_end_marker="<!-- $harness: end of its section -->"
  next=$(mktemp "$file.XXXXXX")
  if [ -f "$file" ] && grep -qxF "$results_begin_marker" "$file" &&
    grep -qxF "$results_end_marker" "$file"; then
    awk -v begin="$results_begin_marker" -v end="$results_end_marker" -v section="$section" '
      $0 == begin { print; while ((getline line < section) > 0) print line; skipping = 1; next }
      $0 == end { skipping = 0 }
      !skipping { print }' "$file" >"$next"
  elif [ "$harness" = bench/run ]; then
    { echo "$results_begin_marker"; cat "$section"; echo "$results_end_marker"
      if [ -f "$file" ]; then echo; cat "$file"; fi; } >"$next"
  else
    { if [ -f "$file" ]; then cat "$file"; echo; fi
      echo "$results_begin_marker"; cat "$section"; echo "$results_end_marker"; } >"$next"
  fi
  chmod 644 "$next"
  mv "$next" "$file"
}
