#!/usr/bin/env bash
# mpgtree html: pages written from the sample dump, from a comparison and from a generated dump
# of 10^5 rows, loaded in headless Chromium; the checks read the page's DOM after its script
# ran (the page takes a search, rows to unfold and "only differences" from its URL's hash).
# Also the options that narrow a page and the refusals, which need no browser.
#
# Usage: html-pages.sh MPGDUMP MPGTREE ARTIFACTS CHECK
# CHECK is one of: sample diff verdicts stepping empty big narrowing. ARTIFACTS is where the screenshots
# are kept.
# Exit 77 (skipped) when the check needs Chromium and it is missing (scripts/install-deps test).
set -u

if [[ $# -ne 4 ]]; then
  echo "usage: $0 MPGDUMP MPGTREE ARTIFACTS CHECK" >&2
  exit 2
fi
mpgdump=$1 mpgtree=$2 artifacts=$3 check=$4
root=$(cd "$(dirname "$0")/../.." && pwd)
table=$root/tools/mpgdump/sample-table.json
# shellcheck source=../support/checks.sh
source "$root/tests/support/checks.sh"
mkdir -p "$artifacts"

browser=$(command -v chromium || command -v chromium-browser || true)
needs_browser() {
  if [[ -z $browser ]]; then
    echo "chromium is not installed: skipped"
    exit 77
  fi
}
# The browser runs as root in CI: no sandbox. Each run gets a profile of its own.
run_browser() {
  timeout 120 "$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars \
    --user-data-dir="$work/profile" --window-size=1280,800 --virtual-time-budget=10000 "$@" \
    2>/dev/null
}
# Loads PAGE with HASH and keeps the DOM after the script ran in $work/dom (the page removes its
# data once parsed).
load() {
  run_browser --dump-dom "file://$1#$2" >"$work/dom"
  grep -q 'id="first-render" data-ms=' "$work/dom" || fail "$1#$2: the page's script did not run"
}
# Loads PAGE with HASH in a frame of a harness page, runs SCRIPT there (it sees the frame's
# document as doc and its window as win, and fills the object result, or result.error) and keeps in $work/dom
# the result as JSON in <pre id="result">.
drive() {
  cat >"$work/harness.html" <<EOF
<!DOCTYPE html><html><body style="margin:0">
<iframe id="frame" src="file://$1#$2" style="width:1280px;height:800px;border:0"></iframe>
<script>
document.getElementById('frame').addEventListener('load', () => setTimeout(() => {
  const win = document.getElementById('frame').contentWindow;
  const doc = win.document;
  const result = {};
  try {
    $3
  } catch (error) {
    result.error = String(error);
  }
  const shown = document.createElement('pre');
  shown.id = 'result';
  shown.textContent = JSON.stringify(result);
  document.body.appendChild(shown);
}, 1000));
</script></body></html>
EOF
  run_browser --allow-file-access-from-files --window-size=1300,850 --dump-dom "file://$work/harness.html" >"$work/dom"
  grep -q '<pre id="result">' "$work/dom" || fail "$1#$2: the harness could not drive the page"
}
# Loads PAGE with HASH in a frame (drive, below) and keeps in $work/dom, as JSON in
# <pre id="result">, the elements matching SELECTOR that are shown and those whose text is cut
# (wider than their box): {"shown": N, "texts": [...the last 3], "cut": [...]}.
measure() {
  drive "$1" "$2" "
    const found = [...doc.querySelectorAll('$3')];
    result.shown = found.length;
    result.texts = found.map((e) => e.textContent).slice(-3);
    result.cut = found.filter((e) => e.scrollWidth > e.clientWidth).map((e) => e.textContent);"
}
# Checks that the DOM holds TEXT (fixed string).
has() { grep -qF -- "$1" "$work/dom" || fail "$2: no $1 in the page"; }

case $check in
  sample)
    needs_browser
    # A name holding markup and quotes must show as those characters.
    markup='</script><script>document.title="pwned"</script> <b>"quoted" & '\''single'\''</b>'
    jq --arg name "$markup" '.objects["file-bolt"].GetName = $name' "$table" >"$work/table.json"
    "$mpgdump" "$work/table.json" --level 2 >"$work/dump.txt"
    "$mpgtree" html "$work/dump.txt" -o "$work/page.html" || fail "html: exit status $?"
    grep -qF '</script><script>' "$work/page.html" && fail "the data holds a closing script tag"
    load "$work/page.html" "search=pwned"
    has '<title>mpgtree: ' "title"
    has '3 of 3 DMT rows shown, 1 open' "row count"
    has '1 of 1 matches in 1 rows' "match count"
    has '&lt;/script&gt;&lt;script&gt;document.title="pwned"&lt;/script&gt; &lt;b&gt;"quoted" &amp; '\''single'\''&lt;/b&gt;' "the name as text"
    has '<span class="label">name</span>' "field label"
    has 'Migration of plant 7' "manager's context name"
    has '<span class="at">line 34</span>' "the field's dump line"
    grep -q '<b>' "$work/dom" && fail "markup from the dump became elements"
    # The first row unfolded: its fields, labelled, with their lines.
    load "$work/page.html" "unfold=1"
    has '3f2a9c4e17b04d5e8a61c0d2b7e94f13' "first row's uuid"
    has '<span class="label">mapping master</span><span class="value" title="M1"><span>M1</span>' "mapping master"
    has 'non-M1 file-based · M1 Pell' "component kinds"
    # The screenshot of the sample page, kept beside the test's other artifacts.
    "$mpgdump" --level 2 >"$work/sample.txt"
    "$mpgtree" html "$work/sample.txt" -o "$work/sample.html"
    run_browser --screenshot="$artifacts/mpgtree-html-sample.png" "file://$work/sample.html#unfold=1" >/dev/null
    [[ -s $artifacts/mpgtree-html-sample.png ]] || fail "no screenshot"
    ;;

  diff)
    needs_browser
    added=d00d1e0b95a84f2e86b3a9d0e1f25c99
    jq --arg added "$added" '.objects["file-bolt"].GetName = "bolt-m12x45.part"
      | .objects.manager.GetDMTElements = ["row-housing", "row-valve", "row-new"]
      | .objects["row-new"] = (.objects["row-valve"] | .GetUuid = $added)' \
      "$table" >"$work/changed.json"
    "$mpgdump" --level 2 >"$work/a.txt"
    "$mpgdump" "$work/changed.json" --level 2 --trace --trace-out "$work/b.txt" >/dev/null
    "$mpgtree" html --diff "$work/a.txt" "$work/b.txt" -o "$work/page.html" || fail "html --diff: exit status $?"
    load "$work/page.html" "only-differences&search=bolt-m12x40"
    has '3 of 4 DMT rows shown, 1 open' "only the differing rows"
    has 'line field changed current' "the changed field, found"
    has 'bolt-m12x40.part</span><span class="arrow">→</span><span>bolt-m12x45.part' "both values"
    has 'line 34 → 34' "both lines"
    # A value that only B holds is found, in its changed field.
    load "$work/page.html" "search=bolt-m12x45"
    has '1 of 1 matches in 1 rows' "B's value found"
    has 'line field changed current' "B's value, its field"
    load "$work/page.html" "search=5e9b3c1a"
    has 'line field group changed current' "the changed RMT row"
    load "$work/page.html" "all"
    has '4 of 4 DMT rows shown' "every row"
    has 'line row changed' "the changed row"
    has 'line row only-a' "the row only in A"
    has 'line row only-b' "the row only in B"
    has "$added" "the added row's uuid"
    has 'only in B' "legend"
    # With --ignore, a comparison whose only changes are ignored is the same, and says so.
    jq '.objects["file-housing"].GetLastSaveTime = "2024-06-02T09:10:11Z"' "$table" >"$work/resaved.json"
    "$mpgdump" "$work/resaved.json" --level 2 >"$work/b.txt"
    "$mpgtree" html --diff --ignore '*.lastSaveTime' "$work/a.txt" "$work/b.txt" -o "$work/page.html" ||
      fail "html --diff --ignore: exit status $?"
    load "$work/page.html" ""
    has '<span id="verdict">The two dumps are the same; 1 field ignored.</span>' "the verdict with fields ignored"
    grep -q 'line row changed' "$work/dom" && fail "a row whose only change is ignored is marked changed"
    ;;

  verdicts)
    needs_browser
    # Rows whose dump stops after the first piece of their header (a withheld interface) share
    # their line with the row after them; rows with an invalid uuid, repeated uuids, rows in one
    # dump only. Each row's status on the page must be the one diff --json gives it.
    jq '.objects["row-housing"].GetUuid = {"result": -1}
      | .objects["row-impeller"].lacks = ["ZynIDCIMpgElementPrivate"]
      | .objects["rmt-housing-bolts"].lacks = ["ZynIDCIMpgElementPrivate"]
      | .objects["row-twin"] = (.objects["row-valve"] | .GetModificationState = 7)
      | .objects["row-gone"] = (.objects["row-valve"] | .GetUuid = "aaaa1e0b95a84f2e86b3a9d0e1f25c74")
      | .objects.manager.GetDMTElements = ["row-housing", "row-impeller", "row-valve", "row-twin", "row-gone"]' \
      "$table" >"$work/a.json"
    jq '.objects["rmt-housing-drawing"].GetModificationState = 4
      | .objects["row-valve"].GetMappingMaster = 2
      | .objects["row-twin"].GetModificationState = 8
      | .objects["row-new"] = (.objects["row-valve"] | .GetUuid = "bbbb1e0b95a84f2e86b3a9d0e1f25c74")
      | .objects["row-cut"] = (.objects["row-impeller"] | .GetUuid = "cccc1e0b95a84f2e86b3a9d0e1f25c74")
      | .objects.manager.GetDMTElements = ["row-housing", "row-impeller", "row-valve", "row-twin", "row-new", "row-cut"]' \
      "$work/a.json" >"$work/b.json"
    "$mpgdump" "$work/a.json" --level 2 >"$work/a.txt"
    "$mpgdump" "$work/b.json" --level 2 >"$work/b.txt"
    "$mpgtree" diff --json "$work/a.txt" "$work/b.txt" >"$work/report.json"
    "$mpgtree" html --diff "$work/a.txt" "$work/b.txt" -o "$work/page.html" || fail "html --diff: exit status $?"
    # The page opens on the differences, its counts at the top equal to the report's.
    load "$work/page.html" ""
    python3 - "$work/report.json" "$work/dom" <<'PY' || fail "the page's counts are not the report's"
import json, re, sys
report = json.load(open(sys.argv[1]))
summary = report["summary"]
def changes(node):
    return len(node.get("changes", [])) + sum(changes(rmt) for rmt in node.get("rmtRows", []))
expected = {key: summary[key] for key in ("changedRows", "onlyInA", "onlyInB", "notCompared", "ignored")}
expected["fieldsChanged"] = sum(changes(d) for d in report["differences"])
dom = open(sys.argv[2]).read()
shown = {key: int(n) for key, n in re.findall(r'<span class="count" data-key="(\w+)">[a-zA-Z ]+ <b>(\d+)</b></span>', dom)}
differing = summary["changedRows"] + summary["onlyInA"] + summary["onlyInB"]
rows = f'{differing} of {report["a"]["dmtRows"] + summary["onlyInB"]} DMT rows shown'
wrong = [] if shown == expected else [f"page {shown}, report {expected}"]
if rows not in dom:
    wrong.append(f"not opened on the differences: no '{rows}'")
print("\n".join(wrong))
sys.exit(1 if wrong else 0)
PY
    run_browser --screenshot="$artifacts/mpgtree-html-differences.png" "file://$work/page.html" >/dev/null
    load "$work/page.html" "all"
    # A folded changed row shows both values in the columns that changed.
    has '<span>7 → 8</span>' "the twin's modification state, A → B"
    has '<span>None → NonM1</span>' "the valve's mapping master, A → B"
    # A DOM row shows its ordinal, unique in each of these dumps; the rows of A come first.
    python3 - "$work/report.json" "$work/dom" <<'PY' || fail "the page's statuses are not the comparison's"
import json, re, sys
report = json.load(open(sys.argv[1]))
classes = {"changed": "changed", "onlyInA": "only-a", "onlyInB": "only-b"}
rows_of_a = report["a"]["dmtRows"]
dmt = [d for d in report["differences"] if d["path"].startswith("dmt")]
expected_a = {d["a"]["ordinal"]: classes[d["status"]] for d in dmt if d["a"]}
expected_b = {d["b"]["ordinal"]: classes[d["status"]] for d in dmt if not d["a"]}
dom = open(sys.argv[2]).read()
rows = re.findall(r'<div class="line row ?([a-z-]*)[^"]*"[^>]*data-row="(\d+)"[^>]*><span class="fold">(\d+)</span>', dom)
wrong = []
for status, index, ordinal in rows:
    expected = (expected_a if int(index) < rows_of_a else expected_b).get(int(ordinal), "")
    if status != expected:
        wrong.append(f"row {int(index) + 1} (ordinal {ordinal}): page {status or 'same'}, report {expected or 'same'}")
if len(rows) != rows_of_a + len(expected_b):
    wrong.append(f"{len(rows)} rows on the page, {rows_of_a + len(expected_b)} in the report")
print("\n".join(wrong))
sys.exit(1 if wrong else 0)
PY
    # In the unfolded first row, only the second RMT row (its first line shared with the cut
    # first one) is changed.
    load "$work/page.html" "all&unfold=1"
    [[ $(grep -o 'line field group changed' "$work/dom" | wc -l) == 1 ]] ||
      fail "the changed RMT rows: $(grep -o 'line field group[a-z -]*' "$work/dom" | tr '\n' ' ')"
    grep -q 'group changed[^>]*><span class="label">RMT row</span><span class="value" title="rmt\[a1d6f08e3b5c47928e0f6a4d2c9b7e35\]"' \
      "$work/dom" || fail "the changed RMT row is not the drawing's"
    run_browser --screenshot="$artifacts/mpgtree-html-verdicts.png" "file://$work/page.html#all" >/dev/null
    [[ -s $artifacts/mpgtree-html-verdicts.png ]] || fail "no screenshot"
    ;;

  stepping)
    needs_browser
    # Changes in the manager, in a row's own fields, in an RMT row and in a component's file,
    # and a row only in B.
    jq '.objects.manager.IsPLMIDCompletionActive = (.objects.manager.IsPLMIDCompletionActive | not)
      | .objects["file-bolt"].GetName = "bolt-m12x45.part"
      | .objects["rmt-housing-drawing"].GetModificationState = 4
      | .objects["row-valve"].GetMappingMaster = 2
      | .objects["row-valve"].GetModificationState = 9
      | .objects["row-new"] = (.objects["row-valve"] | .GetUuid = "bbbb1e0b95a84f2e86b3a9d0e1f25c74")
      | .objects.manager.GetDMTElements += ["row-new"]' "$table" >"$work/b.json"
    "$mpgdump" --level 2 >"$work/a.txt"
    "$mpgdump" "$work/b.json" --level 2 >"$work/b.txt"
    "$mpgtree" diff --json "$work/a.txt" "$work/b.txt" >"$work/report.json"
    "$mpgtree" html --diff "$work/a.txt" "$work/b.txt" -o "$work/page.html" || fail "html --diff: exit status $?"
    # Each changed field's lines in A and B and its label ("A>B label"), in the report's order.
    jq -r '[.differences[] | select(.status == "changed") | (.changes[], (.rmtRows[] | .changes[]))
      | "\(.lineA // "")>\(.lineB // "") \(.label)"] | join(",")' "$work/report.json" >"$work/expected"
    count=$(tr ',' '\n' <"$work/expected" | wc -l)
    [[ $count -ge 5 ]] || fail "the report holds $count changed fields"
    # The next-difference key from the top, once more than there are differences: each step
    # shows its field, in view; the last step stays. Then the first changed row, unfolded by a
    # click after folding all, shows its first changed field in view.
    drive "$work/page.html" "" "
      const inView = (e) => { const r = e.getBoundingClientRect(); return r.top >= 0 && r.bottom <= win.innerHeight; };
      const current = () => { const e = doc.querySelector('.stepped'); return e ? e.dataset.step + (inView(e) ? '' : ' (out of view)') : 'none'; };
      result.steps = [];
      for (let i = 0; i <= $count; i++) {
        doc.dispatchEvent(new KeyboardEvent('keydown', { key: ']', bubbles: true }));
        result.steps.push(current());
      }
      result.last = doc.getElementById('step-count').textContent;
      doc.getElementById('viewport').scrollTop = 0;
      doc.getElementById('fold-all').click();
      doc.querySelector('.line.row.changed').click();
      result.unfolded = current();"
    steps=$(grep -o '<pre id="result">.*</pre>' "$work/dom" | sed 's/<[^>]*>//g; s/&gt;/>/g; s/&lt;/</g; s/&amp;/\&/g')
    [[ $(jq -r '.error // ""' <<<"$steps") == "" ]] || fail "the harness: $(jq -r .error <<<"$steps")"
    [[ $(jq -r '.steps[:-1] | join(",")' <<<"$steps") == "$(cat "$work/expected")" ]] ||
      fail "the steps: $(jq -c .steps <<<"$steps"), the report: $(cat "$work/expected")"
    [[ $(jq -r '.steps[-1]' <<<"$steps") == "$(jq -r '.steps[-2]' <<<"$steps")" ]] || fail "stepping did not stop at the last"
    [[ $(jq -r .last <<<"$steps") == "difference $count of $count (the last)" ]] || fail "the end: $(jq -r .last <<<"$steps")"
    first_of_row=$(jq -r '[.differences[] | select(.status == "changed" and .path != "manager")][0]
      | [.changes[], (.rmtRows[] | .changes[])][0] | "\(.lineA // "")>\(.lineB // "") \(.label)"' "$work/report.json")
    [[ $(jq -r .unfolded <<<"$steps") == "$first_of_row" ]] ||
      fail "unfolded: $(jq -r .unfolded <<<"$steps"), its first change: $first_of_row"
    run_browser --screenshot="$artifacts/mpgtree-html-stepping.png" "file://$work/page.html#unfold=1" >/dev/null
    ;;

  empty)
    needs_browser
    "$mpgdump" --level 2 >"$work/a.txt"
    # A filter that keeps no row: the page says why, and so does the exit status (1).
    "$mpgtree" html "$work/a.txt" --uuid nope -o "$work/page.html" 2>"$work/err"
    [[ $? == 1 ]] || fail "--uuid nope: expected exit status 1"
    grep -qx 'mpgtree: html: no DMT row has the uuid nope' "$work/err" || fail "--uuid nope: $(cat "$work/err")"
    load "$work/page.html" ""
    has '<div class="notice">No DMT row has the uuid nope.</div>' "why the page is empty"
    # Two dumps alike: the verdict at the top, and why no row is shown with only differences.
    "$mpgdump" --level 2 --trace --trace-out "$work/b.txt" >/dev/null
    "$mpgtree" html --diff "$work/a.txt" "$work/b.txt" -o "$work/page.html" || fail "html --diff: exit status $?"
    load "$work/page.html" "only-differences"
    has '<div class="notice">The two dumps are the same: no row differs.</div>' "why no row is shown"
    has '<span id="verdict">The two dumps are the same; 8 fields not compared (' "the verdict"
    # The PLMID texts that this trace leaves out: the housing's and the impeller's rows hold
    # some, the valve's none.
    load "$work/page.html" ""
    [[ $(grep -o '<div class="line row[a-z -]*" [^>]*><span class="fold">[0-9]' "$work/dom" |
      sed 's/<div class="line row \([a-z-]*\).*fold">\(.\)/\2:\1/' | tr '\n' ' ') == '1:not-compared 2:not-compared 3: ' ]] ||
      fail "the rows with fields not compared: $(grep -o '<div class="line row[a-z -]*"' "$work/dom" | tr '\n' ' ')"
    # A damaged dump read with --lenient: the page says so at its top.
    { head -n 20 "$work/a.txt"; printf 'garbage <in>\tthe dump\n'; tail -n +21 "$work/a.txt"; } >"$work/cut.txt"
    "$mpgtree" --lenient html "$work/cut.txt" -o "$work/page.html"
    load "$work/page.html" ""
    has 'cut.txt is damaged (read with --lenient): ' "the damage"
    has '1 line could not be placed and is not shown, the first is line 21: <code>garbage &lt;in&gt;\x09the dump</code>' "the line kept raw"
    run_browser --screenshot="$artifacts/mpgtree-html-damaged.png" "file://$work/page.html" >/dev/null
    # A dump cut short keeps no line raw, and is damaged all the same.
    head -n 60 "$work/a.txt" >"$work/cut.txt"
    "$mpgtree" --lenient html "$work/cut.txt" -o "$work/page.html"
    load "$work/page.html" ""
    has 'cut.txt is damaged (read with --lenient): ' "the damage of a cut dump"
    has 'the input ends after this line' "the first fault of a cut dump"
    ;;

  big)
    needs_browser
    # The dump goes through a pipe to the page, and to the search for its last row's uuid.
    mkfifo "$work/copy"
    grep '^<DMTElement>  100000 ' <"$work/copy" >"$work/last" &
    "$mpgdump" --generate 100000 | tee "$work/copy" | "$mpgtree" html - -o "$work/page.html" ||
      fail "html of 10^5 rows: exit status $?"
    wait
    last=$(sed 's/.*uuid: \([0-9a-f]*\) .*/\1/' "$work/last")
    load "$work/page.html" "search=$last"
    has '100000 of 100000 DMT rows shown, 1 open' "row count"
    has 'matches in 1 rows' "the last row found"
    has "$last" "the last row's uuid"
    # Six-digit line numbers and the manager's count of 100000 are whole: the page is measured
    # from a harness that holds it in a frame (read through --allow-file-access-from-files).
    measure "$work/page.html" "search=$last" '.row .c-line, #manager .field, #manager .value'
    grep -q '"shown":[1-9]' "$work/dom" && grep -q '"line [0-9]\{6,\}"' "$work/dom" && has '"cut":[]' "nothing cut" ||
      fail "cut: $(grep -o '<pre id="result">.*</pre>' "$work/dom" | head -c 600)"
    run_browser --screenshot="$artifacts/mpgtree-html-big.png" "file://$work/page.html#search=$last" >/dev/null
    ;;

  narrowing)
    "$mpgdump" --level 2 >"$work/dump.txt"
    # Too many rows: refused, with the ways to narrow the page, and no page written.
    "$mpgtree" html "$work/dump.txt" -o "$work/page.html" --max-rows 2 2>"$work/err"
    [[ $? == 2 ]] || fail "--max-rows 2: expected exit status 2"
    grep -qF -- 'narrow the page with --ordinals FROM-TO (such as --ordinals 1-2, 2 rows), --uuid UUID or --name TEXT, or raise --max-rows' \
      "$work/err" || fail "refusal: $(cat "$work/err")"
    [[ -e $work/page.html ]] && fail "a page was written despite the refusal"
    # The ordinals it suggests fit; narrowed already, it suggests from the first ordinal asked.
    "$mpgtree" html "$work/dump.txt" -o "$work/page.html" --max-rows 2 --ordinals 1-2 || fail "the suggested ordinals: $?"
    "$mpgtree" html "$work/dump.txt" -o "$work/page.html" --max-rows 1 --ordinals 2-3 2>"$work/err"
    grep -qF -- 'narrow the page further with --ordinals FROM-TO (such as --ordinals 2-2, 1 row)' "$work/err" ||
      fail "refusal when narrowed: $(cat "$work/err")"
    rows_in() {
      python3 -c 'import json,sys; t=open(sys.argv[1]).read(); i=t.index(">",t.index("id=\"page-data\""))+1; print(json.loads(t[i:t.index("</script>",i)])["rowCount"])' "$1"
    }
    for narrowing in "--ordinals 2-3:2" "--uuid 5e9b3c1a7d2f4e608c4a1b9d3e7f0a26:1" \
      "--uuid e2b94f7130c84a6d9d15b8e3a07c6f42:1" "--name Valve:2" "--name valve:0" "--name .part:1" \
      "--ordinals 1-2 --name housing:1"; do
      # shellcheck disable=SC2086
      "$mpgtree" html "$work/dump.txt" -o "$work/page.html" --max-rows 2 ${narrowing%:*} 2>/dev/null
      status=$?
      # A page that no row passed is written, with status 1.
      [[ $status == $((${narrowing##*:} == 0)) ]] || fail "$narrowing: exit status $status"
      [[ $(rows_in "$work/page.html") == "${narrowing##*:}" ]] ||
        fail "$narrowing: $(rows_in "$work/page.html") rows, expected ${narrowing##*:}"
    done
    # A page that cannot be written: exit status 4, the destination untouched, nothing left.
    "$mpgtree" html "$work/dump.txt" -o "$work/missing/page.html" 2>"$work/err"
    [[ $? == 4 ]] && grep -q 'missing/page.html' "$work/err" || fail "unwritable page: $(cat "$work/err")"
    echo old >"$work/kept.html"
    chmod a-w "$work"
    if ! touch "$work/probe" 2>/dev/null; then
      "$mpgtree" html "$work/dump.txt" -o "$work/kept.html" 2>/dev/null
      [[ $? == 4 && $(cat "$work/kept.html") == old ]] || fail "a failed write changed the page"
    fi
    chmod u+w "$work"
    [[ -z $(find "$work" -name '*.html.*') ]] || fail "a temporary page was left behind"
    "$mpgtree" html "$work/dump.txt" -o "$work/page.html" --ordinals 3-1 2>"$work/err"
    [[ $? == 2 ]] || fail "--ordinals 3-1: expected exit status 2"
    ;;

  *)
    echo "unknown check: $check" >&2
    exit 2
    ;;
esac
exit $failed
