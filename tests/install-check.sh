#!/usr/bin/env bash
# Checks the install and the Debian package of a build: installs into a temporary prefix and
# moves it (an install in any prefix runs), runs the installed mpgdump on the sample on both
# sinks and compares everything it writes with the build tree's tool, reads its dumps back with
# the installed mpgtree, checks that the module and
# the libraries it loaded are the installed ones, then builds the package with cpack and checks
# its files, its dependencies, and that its tool dumps the sample as the build tree's does.
#
# Usage: tests/install-check.sh [BUILD_DIR]   (default: build/default)
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -- "${1:-$source_dir/build/default}")
work=$(mktemp -d "${TMPDIR:-/tmp}/install-check.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The module's file name, from the one place that fixes it.
module_file=$(sed -n 's/^ZYN_MPG_MODULE_NAME(\([A-Za-z0-9_]*\))$/\1.so/p' \
  "$source_dir/module/ModuleIdentity.def")

failed=0
fail() {
  echo "install-check: $*" >&2
  failed=1
}

# Runs one mpgdump with the given arguments on both sinks; its outputs land in $work/$1.*.
run_dump() {
  local name=$1 tool=$2
  shift 2
  local status=0
  for sink in stdout trace; do
    local flag=()
    [[ $sink == trace ]] && flag=(--trace)
    status=0
    (cd / && env -u LD_LIBRARY_PATH -u ZYN_TRACE_ACTIVE "$tool" "$@" "${flag[@]}" \
      --trace-out "$work/$name.$sink.trace" --trace-log "$work/$name.$sink.log" \
      >"$work/$name.$sink.stdout" 2>"$work/$name.$sink.stderr") || status=$?
    echo "$status" >"$work/$name.$sink.status"
  done
}

# Whether two runs of run_dump wrote the same bytes everywhere and ended alike.
same_dumps() {
  local expected=$1 actual=$2 what=$3
  for sink in stdout trace; do
    for part in stdout trace log status; do
      cmp -s "$work/$expected.$sink.$part" "$work/$actual.$sink.$part" ||
        fail "$what: the $part of the $sink run differs from the build tree's"
    done
  done
}

expected_files() {
  local root=$1
  echo "$root/bin/mpgdump"
  echo "$root/bin/mpgtree"
  echo "$root/include/zyn/ZynMemTable.h"
  echo "$root/include/zyn/ZynMappingInfra.h"
  for list in "$source_dir"/host/include/zyn/*.def; do
    echo "$root/include/zyn/${list##*/}"
  done
  echo "$root/share/doc/zyndcmpgdump/README.md"
  echo "$root/share/doc/zyndcmpgdump/table-format.md"
  echo "$root/share/doc/zyndcmpgdump/mpgtree.md"
  echo "$root/share/zyndcmpgdump/sample-table.json"
  for schema in "$source_dir"/docs/schemas/*.json; do
    echo "$root/share/zyndcmpgdump/schemas/${schema##*/}"
  done
  echo "$root/share/man/man1/mpgdump.1"
  echo "$root/share/man/man1/mpgtree.1"
  echo "$root/share/bash-completion/completions/mpgdump"
  echo "$root/share/bash-completion/completions/mpgtree"
  for library in "$module_file" libzynobjectmodel.so libzynmapping.so libzynmemtable.so; do
    echo "$root/lib*/zyndcmpgdump/$library"
  done
}

# Every expected file is present under a root (library directories may carry a multiarch name).
check_files() {
  local root=$1 what=$2 pattern
  while IFS= read -r pattern; do
    compgen -G "$pattern" >/dev/null || compgen -G "${pattern/lib\*\//lib*/*/}" >/dev/null ||
      fail "$what: no ${pattern#"$root"/}"
  done < <(expected_files "$root")
}

echo "== install into a temporary prefix, then move it"
cmake --install "$build" --prefix "$work/installed-here" >/dev/null
mv "$work/installed-here" "$work/prefix"
prefix=$work/prefix
check_files "$prefix" install
# The installed headers stand on their own, the lists they include among them.
for header in ZynMemTable.h ZynMappingInfra.h; do
  echo "#include \"zyn/$header\"" | ${CXX:-c++} -std=c++17 -fsyntax-only -I "$prefix/include" -x c++ - ||
    fail "install: the installed zyn/$header does not compile"
done

echo "== the installed mpgdump against the build tree's, on the sample"
run_dump built "$build/bin/mpgdump"
run_dump installed "$prefix/bin/mpgdump"
same_dumps built installed "installed mpgdump, bundled sample"
run_dump installed-file "$prefix/bin/mpgdump" "$prefix/share/zyndcmpgdump/sample-table.json"
same_dumps built installed-file "installed mpgdump, installed sample file"
[[ $(<"$work/built.stdout.status") == 0 && -s $work/built.stdout.stdout ]] ||
  fail "the build tree's mpgdump did not dump the sample"

echo "== the installed mpgtree reads the installed mpgdump's dump of the sample"
for form in stdout trace; do
  flag=()
  [[ $form == trace ]] && flag=(--trace --trace-out -)
  (cd / && env -u LD_LIBRARY_PATH "$prefix/bin/mpgdump" "${flag[@]}" >"$work/sample.$form") ||
    fail "installed mpgdump ${flag[*]} failed"
  (cd / && env -u LD_LIBRARY_PATH "$prefix/bin/mpgtree" check - <"$work/sample.$form" >/dev/null) ||
    fail "installed mpgtree check - of the $form dump: not whole"
  (cd / && env -u LD_LIBRARY_PATH "$prefix/bin/mpgtree" json - <"$work/sample.$form" \
    >"$work/sample.$form.json") || fail "installed mpgtree json - of the $form dump failed"
done
if python3 -c 'import jsonschema' 2>/dev/null; then
  python3 "$source_dir/tests/reader/validate-json.py" \
    "$prefix/share/zyndcmpgdump/schemas/dump-tree.schema.json" "$work"/sample.*.json ||
    fail "installed mpgtree json: not valid against the installed schema"
else
  echo "(jsonschema missing: the JSON is not validated)"
fi

echo "== the installed tool loads the installed module and libraries"
loaded=$(cd / && env -u LD_LIBRARY_PATH LD_DEBUG=libs "$prefix/bin/mpgdump" 2>&1 >/dev/null |
  sed -n 's/.*calling init: //p' | grep -i zyn | sort -u)
[[ $(grep -c . <<<"$loaded") == 4 ]] || fail "expected the module and three libraries, got: $loaded"
while IFS= read -r file; do
  [[ $(realpath -- "$file") == "$prefix"/* ]] || fail "loaded from outside the prefix: $file"
done <<<"$loaded"

echo "== the installed sample names the installed schema"
schema=$(sed -n 's/^ *"\$schema": "\(.*\)",$/\1/p' "$prefix/share/zyndcmpgdump/sample-table.json")
[[ -f $prefix/share/zyndcmpgdump/$schema ]] || fail "the installed sample names \"$schema\""

echo "== the Debian package"
cpack -G DEB -B "$work/package" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; exit 1; }
deb=$(compgen -G "$work/package/*.deb")
dpkg-deb -c "$deb" >"$work/contents"
mkdir "$work/extracted"
dpkg-deb -x "$deb" "$work/extracted"
check_files "$work/extracted/usr" package
outside=$(awk '{print $6}' "$work/contents" | grep -v -E '^\./(usr/((bin|include|lib|share)(/.*)?)?)?$' || true)
[[ -z $outside ]] || fail "the package holds files outside /usr/bin, include, lib and share: $outside"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for needed in libc6 libstdc++6 libgcc-s1; do
  [[ ,$depends, == *", $needed ("* || ,$depends, == *",$needed ("* ]] ||
    fail "Depends lacks $needed: $depends"
done
[[ $depends != *zyn* ]] || fail "the package depends on its own libraries: $depends"
run_dump packaged "$work/extracted/usr/bin/mpgdump"
same_dumps built packaged "packaged mpgdump, bundled sample"

if ((failed)); then
  echo "install-check: FAILED" >&2
  exit 1
fi
echo "install-check: passed"
