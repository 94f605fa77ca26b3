#!/usr/bin/env bash
# Checks the install and the Debian package of a build: installs into a temporary prefix and
# moves it (an install in any prefix runs), runs the installed mpgdump on the sample on both
# sinks and compares everything it writes with the build tree's tool, reads its dumps back with
# the installed mpgtree, checks that the module and the libraries it loaded are the installed
# ones, builds a program of another project against the moved SDK (through find_package, then
# pkg-config) and runs it on the installed sample; then builds the package with cpack, checks
# its files, its dependencies, that lintian finds no error or warning in it and that its tool
# dumps the sample as the build tree's does. As root, where dpkg knows no zyndcmpgdump and none
# of its files exists, it also installs the package with dpkg, uses the tools from /usr/bin,
# their manual page and the SDK in /usr, removes the package and checks that nothing of it is
# left.
#
# Usage: tests/install/install-check.sh [BUILD_DIR]   (default: build/default)
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath -- "${1:-$source_dir/build/default}")
work=$(mktemp -d "${TMPDIR:-/tmp}/install-check.XXXXXX")
dpkg_installed=0
# A package this check installed leaves the machine whatever happens, its traces in dpkg too.
cleanup() {
  if ((dpkg_installed)); then
    dpkg --purge zyndcmpgdump >/dev/null ||
      echo "install-check: dpkg --purge zyndcmpgdump failed" >&2
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
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
  echo "$root/share/doc/zyndcmpgdump/copyright"
  echo "$root/share/doc/zyndcmpgdump/changelog.gz"
  echo "$root/share/man/man1/mpgdump.1.gz"
  echo "$root/share/man/man1/mpgtree.1.gz"
  echo "$root/lib*/cmake/ZynHost/ZynHostConfig.cmake"
  echo "$root/lib*/cmake/ZynHost/ZynHostConfigVersion.cmake"
  echo "$root/lib*/pkgconfig/zynhost.pc"
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

# Checks that a command, run from /, loads COUNT of the project's libraries, all from under ROOT.
loads_from() {
  local root=$1 what=$2 count=$3 loaded file
  shift 3
  loaded=$(cd / && env -u LD_LIBRARY_PATH LD_DEBUG=libs "$@" 2>&1 >/dev/null |
    sed -n 's/.*calling init: //p' | grep -i zyn | sort -u) || true
  [[ $(grep -c . <<<"$loaded") == "$count" ]] ||
    fail "$what: expected $count of the project's libraries, got: $loaded"
  while IFS= read -r file; do
    [[ -z $file || $(realpath -- "$file") == "$root"/* ]] ||
      fail "$what: loaded from outside $root: $file"
  done <<<"$loaded"
}

consumer_source=$source_dir/tests/install/sdk-consumer

# Runs a program and its module built against the SDK installed under ROOT on the installed
# sample: the module answers the name of the sample's context, the host libraries load from ROOT.
run_consumer() {
  local root=$1 what=$2 program=$3 module=$4 answer
  local table=$root/share/zyndcmpgdump/sample-table.json
  answer=$(cd / && env -u LD_LIBRARY_PATH "$program" "$module" "$table") ||
    fail "$what: the program failed"
  [[ $answer == "context: Migration of plant 7" ]] || fail "$what: the program printed: $answer"
  loads_from "$root" "$what" 3 "$program" "$module" "$table"
}

# Builds tests/install/sdk-consumer against the SDK installed under ROOT, through find_package,
# into $work/NAME, and runs it.
consumer_by_find_package() {
  local root=$1 name=$2 found
  local out=$work/$name what="find_package in $1"
  if cmake -S "$consumer_source" -B "$out" -DCMAKE_PREFIX_PATH="$root" \
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF >"$out.log" 2>&1 &&
    cmake --build "$out" >>"$out.log" 2>&1; then
    found=$(sed -n 's/^ZynHost_DIR:PATH=//p' "$out/CMakeCache.txt")
    [[ $found == "$root"/* ]] || fail "$what: ZynHost found in $found"
    run_consumer "$root" "$what" "$out/sdk-consumer" "$out/libcontext-name.so"
  else
    cat "$out.log" >&2
    fail "$what: the module and program did not build"
  fi
}

# The same through pkg-config, with ROOT's zynhost.pc only, warnings as errors.
consumer_by_pkg_config() {
  local root=$1 name=$2 pc_file flags
  local out=$work/$name what="pkg-config in $1"
  pc_file=$(compgen -G "$root/lib*/pkgconfig/zynhost.pc" ||
    compgen -G "$root/lib*/*/pkgconfig/zynhost.pc") || { fail "$what: no zynhost.pc"; return; }
  mkdir "$out"
  if read -r -a flags < <(PKG_CONFIG_LIBDIR=${pc_file%/*} pkg-config --cflags --libs zynhost) &&
    ${CXX:-c++} -std=c++17 -Wall -Wextra -Wpedantic -Werror -shared -fPIC \
      -o "$out/context-name.so" "$consumer_source/ContextNameModule.cpp" "${flags[@]}" &&
    ${CXX:-c++} -std=c++17 -Wall -Wextra -Wpedantic -Werror -o "$out/sdk-consumer" \
      "$consumer_source/main.cpp" "${flags[@]}"; then
    run_consumer "$root" "$what" "$out/sdk-consumer" "$out/context-name.so"
  else
    fail "$what: the module and program did not build"
  fi
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
loads_from "$prefix" "installed mpgdump" 4 "$prefix/bin/mpgdump"

echo "== the installed sample names the installed schema"
schema=$(sed -n 's/^ *"\$schema": "\(.*\)",$/\1/p' "$prefix/share/zyndcmpgdump/sample-table.json")
[[ -f $prefix/share/zyndcmpgdump/$schema ]] || fail "the installed sample names \"$schema\""

echo "== a module and a program of another project, built against the moved SDK"
consumer_by_find_package "$prefix" consumer-cmake
consumer_by_pkg_config "$prefix" consumer-pkgconfig

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

echo "== lintian on the package: no error, no warning"
if ! command -v lintian >/dev/null; then
  fail "lintian is missing (scripts/install-deps test)"
elif ! lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1; then
  cat "$work/lintian.log" >&2
  fail "lintian rejects the package"
fi

# Installs the package with dpkg, uses it, removes it, and checks that it left nothing behind:
# every path of the package that did not exist before is gone again.
dpkg_round_trip() {
  local path
  awk '{print $6}' "$work/contents" | sed 's|^\.||; s|/$||' | grep . >"$work/paths"
  while IFS= read -r path; do
    if [[ -e $path ]]; then echo "$path"; fi
  done <"$work/paths" >"$work/paths-before"
  dpkg_installed=1
  if ! dpkg -i "$deb" >"$work/dpkg.log" 2>&1; then
    cat "$work/dpkg.log" >&2
    fail "dpkg -i failed"
    return
  fi
  dpkg -L zyndcmpgdump >"$work/dpkg-list"
  grep -qx /usr/bin/mpgtree "$work/dpkg-list" || fail "dpkg -L does not list /usr/bin/mpgtree"
  run_dump dpkg-installed /usr/bin/mpgdump
  same_dumps built dpkg-installed "mpgdump installed by dpkg"
  (cd / && env -u LD_LIBRARY_PATH PATH=/usr/bin:/bin sh -c 'mpgdump | mpgtree check -') >/dev/null ||
    fail "mpgdump | mpgtree check - from /usr/bin failed"
  consumer_by_find_package /usr consumer-usr-cmake
  consumer_by_pkg_config /usr consumer-usr-pkgconfig
  if grep -qs '^path-exclude.*/usr/share/man' /etc/dpkg/dpkg.cfg /etc/dpkg/dpkg.cfg.d/*; then
    echo "(dpkg leaves out manual pages on this machine: man mpgtree not checked)"
  elif ! MANPAGER=cat MANWIDTH=80 man mpgtree >"$work/man.out" 2>&1 ||
    [[ $(head -1 "$work/man.out") != "MPGTREE(1) "* ]]; then
    head -5 "$work/man.out" >&2
    fail "man mpgtree does not show the installed page"
  fi
  if ! dpkg -r zyndcmpgdump >"$work/dpkg.log" 2>&1; then
    cat "$work/dpkg.log" >&2
    fail "dpkg -r failed"
    return
  fi
  if dpkg-query -W zyndcmpgdump >/dev/null 2>&1; then
    fail "dpkg still knows zyndcmpgdump after dpkg -r (maintainer scripts or conffiles kept)"
  else
    dpkg_installed=0
  fi
  while IFS= read -r path; do
    if [[ -e $path || -L $path ]] && ! grep -qxF "$path" "$work/paths-before"; then
      fail "dpkg -r left $path behind"
    fi
  done <"$work/paths"
}

# Whether no file of the package (directories aside) exists on this machine.
package_files_absent() {
  local path
  while IFS= read -r path; do
    if [[ -e $path || -L $path ]]; then return 1; fi
  done < <(awk '$1 !~ /^d/ {print $6}' "$work/contents" | sed 's|^\.||')
}

echo "== the package installed with dpkg, used from /usr/bin, then removed"
if [[ $(id -u) != 0 ]]; then
  echo "(not root: the package is not installed)"
elif dpkg-query -W zyndcmpgdump >/dev/null 2>&1; then
  echo "(dpkg knows zyndcmpgdump on this machine already: it is left alone)"
elif package_files_absent; then
  dpkg_round_trip
else
  echo "(files of the package exist on this machine already: it is not installed)"
fi

if ((failed)); then
  echo "install-check: FAILED" >&2
  exit 1
fi
echo "install-check: passed"
