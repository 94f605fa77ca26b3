# The plot of bench/run: time per row against the number of rows, dump and floor, both forms.
# shellcheck shell=bash
# Sourced, not run.

# plot_time_per_row DATA PNG: DATA holds "rows output floor trace floor trace-to-null" lines.
plot_time_per_row() {
  local data=$1 png=$2 low high
  low=$(printf '%s\n' "${sizes[@]}" | sort -n | head -n 1)
  high=$(printf '%s\n' "${sizes[@]}" | sort -n | tail -n 1)
  gnuplot <<GNUPLOT
set terminal pngcairo enhanced size 900,620 font ",10"
set output "$png"
set title "Dump time per DMT row (two RMT rows each)"
set logscale x
set xrange [$low/2.0:$high*2.0]
set xlabel "DMT rows"
set ylabel "microseconds per row"
set yrange [0:*]
set key outside below vertical maxrows 3
set format x "10^{%L}"
set grid
plot "$data" using 1:2 with linespoints lw 2 pt 7 title "Output form (to /dev/null): dump", \
     "$data" using 1:3 with linespoints lw 2 pt 6 dt 2 title "Output form: floor", \
     "$data" using 1:4 with linespoints lw 2 pt 5 title "Trace form (to a file): dump", \
     "$data" using 1:5 with linespoints lw 2 pt 4 dt 2 title "Trace form: floor", \
     "$data" using 1:6 with linespoints lw 1.5 pt 3 dt 3 lc rgb "gray40" title "Trace form to /dev/null: dump (for comparison)"
GNUPLOT
}
