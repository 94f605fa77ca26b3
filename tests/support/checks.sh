# What the shell tests share, sourced at their start: a work folder ($work) removed when the
# test ends, named traces inactive whatever the caller's environment says, and fail, which
# reports a failed check and makes the test fail ($failed) while the other checks go on.
work=$(mktemp -d "${TMPDIR:-/tmp}/${0##*/}.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT
unset ZYN_TRACE_ACTIVE

failed=0
fail() {
  echo "FAILED: $*"
  failed=1
}
