# Writing bench/run's own section of bench/RESULTS.md without touching the rest of the file
# shellcheck shell=bash
# (the sections that other harnesses and closing notes add by hand). Sourced, not run.

results_begin_marker='<!-- bench/run: begin of its section; what lies between the markers is rewritten at each run -->'
results_end_marker='<!-- bench/run: end of its section -->'

# replace_results_section FILE SECTION: FILE gets SECTION's text between the two markers, in
# place of what stood there. A file without the markers keeps all it holds, below the section.
replace_results_section() {
  local file=$1 section=$2 next
  next=$(mktemp "$file.XXXXXX")
  if [ -f "$file" ] && grep -qxF "$results_begin_marker" "$file" &&
    grep -qxF "$results_end_marker" "$file"; then
    awk -v begin="$results_begin_marker" -v end="$results_end_marker" -v section="$section" '
      $0 == begin { print; while ((getline line < section) > 0) print line; skipping = 1; next }
      $0 == end { skipping = 0 }
      !skipping { print }' "$file" >"$next"
  else
    { echo "$results_begin_marker"; cat "$section"; echo "$results_end_marker"
      if [ -f "$file" ]; then echo; cat "$file"; fi; } >"$next"
  fi
  chmod 644 "$next"
  mv "$next" "$file"
}
