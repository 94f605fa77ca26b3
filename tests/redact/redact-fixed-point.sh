#!/usr/bin/env bash
# The redacted dump is the dump of its own reconstruction: mpgtree table of a redacted dump,
# dumped again by mpgdump with the settings that table records, gives the redacted dump byte for
# byte, in both forms, for the sample and a table of hostile texts.
#
# Usage: redact-fixed-point.sh MPGTREE MPGDUMP
# Exit 0 passed, 1 failed, 77 skipped (an mpgtree without its table subcommand).
set -u
mpgtree=$1 mpgdump=$2
here=$(cd "$(dirname "$0")" && pwd)
sample=$here/../../tools/mpgdump/sample-table.json
# shellcheck source=../support/checks.sh
source "$here/../support/checks.sh"
# Skipped until mpgtree has its table subcommand (its --help lists it).
"$mpgtree" --help 2>/dev/null | grep -qE '^ +table ' || exit 77

python3 "$here/redact_checks.py" hostile "$sample" "$work/hostile.json" || exit 2
for table in "$sample" "$work/hostile.json"; do
  for settings in "--level 2" "--level 1 --mode 3" "--level 2 --object environment"; do
    for form in stdout trace; do
      # shellcheck disable=SC2086
      if [[ $form == trace ]]; then
        "$mpgdump" "$table" $settings --trace --trace-out "$work/dump.txt" >/dev/null
      else
        "$mpgdump" "$table" $settings >"$work/dump.txt"
      fi
      for uuids in "" --uuids; do
        what="$table $settings ($form) $uuids"
        "$mpgtree" redact $uuids "$work/dump.txt" -o "$work/r.txt" 2>/dev/null || { fail "$what: redact"; continue; }
        "$mpgtree" table "$work/r.txt" -o "$work/t.json" || { fail "$what: table"; continue; }
        # The table records the dump settings, the trace tool and the named traces: the dump
        # goes to the trace tool's text (where --trace-out says) when the table makes it valid,
        # to standard output otherwise. A dump whose two forms read the same (the environment's)
        # may come back in either.
        "$mpgdump" "$work/t.json" --trace-out "$work/trace.txt" >"$work/stdout.txt"
        if grep -q '"valid": *true' "$work/t.json"; then
          mv "$work/trace.txt" "$work/again.txt"
        else
          mv "$work/stdout.txt" "$work/again.txt"
        fi
        cmp -s "$work/r.txt" "$work/again.txt" || fail "$what: the dump of the reconstruction differs"
      done
    done
  done
done
exit $failed
