#!/usr/bin/env python3
"""mpgtree table as a fixed point: for a table T, mpgdump of (mpgtree table (mpgdump T)) is
mpgdump T byte for byte, in the same form, and the rebuilt table follows the table schema.

Groups:
  generated  random tables of every object type (failing queries, withheld interfaces, rows
             and components without a dump, hostile texts), each object dumped at every level,
             in both forms, with the named traces active and not
  cases      the dumps that the cases expect (tests/cases/*/stdout and trace) that are whole
  sample     the bundled sample at every level and mode, and mpgdump --generate
  refusals   a dump split between the sinks, a cut dump and garbage are refused (status 2);
             --lenient rebuilds what it reads and lists what it left out (status 1)
  stamps     dumps whose Pell stamp pieces sit beside the exposed identifier's heading on
             standard output, or after a PLMID text that holds a stamp's label: each given back
             (never passed over), and mpgtree redact accepts it

Usage: fixed-point.py MPGDUMP MPGTREE SOURCE_DIR GROUP [SEED [TABLES]]   (23 and 3 by default)
Exit status: 0 all hold; 1 some failed; 77 no validator (python3-jsonschema).
"""
import json
import os
import pathlib
import random
import shutil
import subprocess
import sys
import tempfile

try:
    import jsonschema
except ImportError:
    print("python3-jsonschema is not installed (scripts/install-deps test)")
    sys.exit(77)

sys.path.insert(0, str(pathlib.Path(__file__).parent))
import tables  # noqa: E402  (the generator of random tables, beside this file)

MPGDUMP, MPGTREE, SOURCE = sys.argv[1], sys.argv[2], pathlib.Path(sys.argv[3])
GROUP = sys.argv[4]
SEED = int(sys.argv[5]) if len(sys.argv) > 5 else 23
TABLES = int(sys.argv[6]) if len(sys.argv) > 6 else 3
WORK = pathlib.Path(tempfile.mkdtemp(prefix="table-fixed-point."))
SCHEMA = json.loads((SOURCE / "docs/schemas/table.schema.json").read_text())
VALIDATOR = jsonschema.Draft202012Validator(SCHEMA)
ENV = {k: v for k, v in os.environ.items() if k != "ZYN_TRACE_ACTIVE"}
failures = []


def run(args, stdin=None):
    return subprocess.run(args, input=stdin, capture_output=True, env=ENV, cwd=WORK)


def dump(table_path, extra=()):
    """mpgdump of a table: (status, standard output, trace text)."""
    trace = WORK / "trace.txt"
    result = run([MPGDUMP, str(table_path), "--trace-out", str(trace), *extra])
    return result.returncode, result.stdout, trace.read_bytes()


def check_fixed_point(name, text, form, whole_only=False):
    """Rebuilds the table of a dump's text and dumps it again: the same text, in the same form.
    whole_only: a dump that the reader does not find whole is passed over (its refusal is the
    refusals' group's)."""
    source = WORK / "dump.txt"
    source.write_bytes(text)
    rebuilt = WORK / "rebuilt.json"
    result = run([MPGTREE, "table", str(source), "-o", str(rebuilt)])
    message = result.stderr.decode(errors="replace")
    if whole_only and result.returncode == 2 and ("not whole" in message or
                                                  "cannot tell" in message):
        return False
    if result.returncode != 0:
        failures.append(f"{name}: mpgtree table exit {result.returncode}: {message[:600]}")
        return True
    table = json.loads(rebuilt.read_text())
    errors = sorted(VALIDATOR.iter_errors(table), key=str)
    if errors:
        failures.append(f"{name}: the rebuilt table breaks the schema: {errors[0].message[:300]}")
    status, out, trace = dump(rebuilt)
    # A text that no line of which differs between the forms is either form's.
    again = trace if table["trace_tool"]["valid"] else out
    if again != text:
        keep = WORK / f"failed-{len(failures)}"
        keep.mkdir()
        (keep / "dump.txt").write_bytes(text)
        (keep / "again.txt").write_bytes(again)
        (keep / "rebuilt.json").write_bytes(rebuilt.read_bytes())
        failures.append(f"{name}: dumped again, the {form} text differs (status {status}); "
                        f"kept in {keep}")
    return True


def generated():
    rng = random.Random(SEED)
    checked = 0
    for number in range(TABLES):
        table = tables.random_table(rng)
        path = WORK / "table.json"
        for target in tables.dumpable_ids(table):
            # Every level for the manager, one for each other object: all of them over a run.
            levels = (-1, 0, 1, 2, 3) if target == "manager" else (rng.choice((-1, 0, 1, 2, 3)),)
            for level in levels:
                form = rng.choice(("stdout", "trace"))
                table["dump"] = {"object": target, "level": level, "mode": rng.choice((1, 3)),
                                 "index": rng.choice((0, 0, 2, 7))}
                table["trace_tool"] = {"valid": form == "trace",
                                       "trace_type": rng.choice((0, 1, 2))}
                table["active_traces"] = rng.choice(([], tables.NAMED_TRACES,
                                                     tables.NAMED_TRACES[1:]))
                path.write_text(json.dumps(table))
                status, out, trace = dump(path)
                text = trace if form == "trace" else out
                if status in (4, 6) or not text:
                    continue
                check_fixed_point(f"table {number} (seed {SEED}) {target} level {level} {form}",
                                  text, form)
                checked += 1
    print(f"{checked} dumps of {TABLES} generated tables checked")


def cases():
    checked = 0
    for case in sorted((SOURCE / "tests/cases").iterdir()):
        for form in ("stdout", "trace"):
            expected = case / form
            if not expected.is_file() or not expected.stat().st_size:
                continue
            checked += check_fixed_point(f"case {case.name} ({form})", expected.read_bytes(),
                                         form, True)
    print(f"{checked} whole dumps of the cases checked")


def sample():
    sample_table = SOURCE / "tools/mpgdump/sample-table.json"
    for level in ("-1", "0", "1", "2", "3"):
        for mode in ("1", "3") if level == "2" else ("1",):
            args = ["--level", level, "--mode", mode]
            _, out, _ = dump(sample_table, args)
            check_fixed_point(f"sample level {level} mode {mode}", out, "stdout")
            _, _, trace = dump(sample_table, args + ["--trace"])
            check_fixed_point(f"sample level {level} mode {mode} trace", trace, "trace")
    for level in ("0", "2"):
        out = run([MPGDUMP, "--generate", "100x3", "--level", level]).stdout
        check_fixed_point(f"--generate 100x3 level {level}", out, "stdout")


def expect_refusal(name, text, args=(), status=2, says=""):
    source = WORK / "refused.txt"
    source.write_bytes(text)
    rebuilt = WORK / "refused.json"
    rebuilt.unlink(missing_ok=True)
    result = run([MPGTREE, "table", str(source), "-o", str(rebuilt), *args])
    message = result.stderr.decode(errors="replace")
    if result.returncode != status or says not in message:
        failures.append(f"{name}: exit {result.returncode}, expected {status} saying "
                        f"{says!r}: {message[:400]}")
    if status == 2 and rebuilt.exists():
        failures.append(f"{name}: refused, yet the table file was written")
    if status == 2:
        to_stdout = run([MPGTREE, "table", str(source), *args])
        if to_stdout.returncode != 2 or to_stdout.stdout:
            failures.append(f"{name}: refused, yet {len(to_stdout.stdout)} bytes of a table "
                            f"reached standard output (exit {to_stdout.returncode})")
    return rebuilt


def refusals():
    sample_table = SOURCE / "tools/mpgdump/sample-table.json"
    # The trace tool turned invalid inside a row's header: half of it on either sink.
    split = (SOURCE / "tests/cases/rmt-validity-flip-header/stdout").read_bytes()
    expect_refusal("a dump split between the sinks", split, says="lines were split")
    expect_refusal("a dump split between the sinks, --lenient", split, ["--lenient"],
                   says="lines were split")
    whole_dump = run([MPGDUMP, "--level", "2"]).stdout
    cut = b"".join(whole_dump.splitlines(keepends=True)[:40])
    expect_refusal("a cut dump", cut, says="not whole")
    expect_refusal("garbage", b"\x00\xffnot a dump\n<DMTElement>\n", says="")
    expect_refusal("an empty input", b"", says="empty")
    rebuilt = expect_refusal("a cut dump, --lenient", cut, ["--lenient"], 1, "left out")
    if rebuilt.exists():
        if list(VALIDATOR.iter_errors(json.loads(rebuilt.read_text()))):
            failures.append("a cut dump, --lenient: the table breaks the schema")
        status, _, _ = dump(rebuilt)
        if status != 0:
            failures.append(f"a cut dump, --lenient: mpgdump of its table exits {status}")
    else:
        failures.append("a cut dump, --lenient: no table written")


# Cases whose Pell stamp pieces stand beside the heading, or after a PLMID text holding a label.
STAMP_DUMPS = ["pell-calls-provider-trace-active/stdout", "pell-exposed-identifier-stdout/stdout",
               "sample-level2-mode1-stdout-named-traces/stdout",
               "pell-plmid-holding-stamp-label-stdout/stdout",
               "pell-plmid-holding-no-cestamp-trace/trace"]


def stamps():
    for name in STAMP_DUMPS:
        text = (SOURCE / "tests/cases" / name).read_bytes()
        check_fixed_point(f"case {name}", text, name.split("/")[1])
        source = WORK / "stamps.txt"
        source.write_bytes(text)
        result = run([MPGTREE, "redact", str(source), "-o", str(WORK / "redacted.txt")])
        if result.returncode != 0:
            failures.append(f"case {name}: mpgtree redact exits {result.returncode}: "
                            f"{result.stderr.decode(errors='replace')[:400]}")
    print(f"{len(STAMP_DUMPS)} dumps of Pell stamps checked")


GROUPS = {"generated": generated, "cases": cases, "sample": sample, "refusals": refusals,
          "stamps": stamps}
GROUPS[GROUP]()
for failure in failures:
    print("FAIL:", failure)
if not failures:
    shutil.rmtree(WORK)  # kept for a look when something failed
sys.exit(1 if failures else 0)
