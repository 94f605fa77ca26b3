#!/usr/bin/env python3
"""Checks table files against the table schema: the schema is a valid 2020-12 schema; the bundled
sample names it and follows it; every case table that the loader reads follows it; every table
that the loader refuses (a case's, or one of the loader test's refused tables) is refused by the
schema too, unless what is wrong lies beyond what a schema can say (listed below); the sample
cases dump the bundled sample itself (a link to it).

Usage: schema-check.py SOURCE_DIR
Exit status: 0 all checks hold; 1 some failed; 77 no validator is installed (python3-jsonschema).
"""
import json
import pathlib
import sys

try:
    import jsonschema
except ImportError:
    print("python3-jsonschema is not installed (scripts/install-deps test)")
    sys.exit(77)

# Tables that the loader refuses, each with the start of its message (its test reads them too).
REFUSED_TABLES = "tests/memtable/refused-tables.json"

# Refusals that depend on more than one object's shape: a schema cannot say them.
BEYOND_A_SCHEMA = {
    "mpgdump-target-lacks-dump": "the dumped object's type has no dump",
}


class Refused(Exception):
    """The text is not a table's JSON: the loader refuses it before reading any member."""


def refuse_duplicates(pairs):
    keys = [key for key, _ in pairs]
    for key in keys:
        if keys.count(key) > 1:
            raise Refused(f"duplicate key {key!r}")
    return dict(pairs)


def refuse_constant(name):
    raise Refused(f"{name} is not JSON")


def read_table(path):
    """The table's JSON value, as strictly as the loader reads it."""
    try:
        text = path.read_bytes().decode("utf-8")
        return json.loads(text, object_pairs_hook=refuse_duplicates,
                          parse_constant=refuse_constant)
    except (UnicodeDecodeError, json.JSONDecodeError) as error:
        raise Refused(str(error)) from error


def loader_refuses(case_dir):
    """Whether the case expects the loader to refuse its table: status 2 and a message placed in
    the table."""
    status = case_dir / "status"
    stderr = case_dir / "stderr"
    if not (status.is_file() and status.read_text().strip() == "2"):
        return False
    return case_dir.name in BEYOND_A_SCHEMA or (
        stderr.is_file() and stderr.read_text().startswith("table.json: "))


def main():
    source = pathlib.Path(sys.argv[1])
    schema_path = source / "docs/schemas/table.schema.json"
    schema = json.loads(schema_path.read_text())
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    failures = []

    def errors_of(table):
        return [f"{'/'.join(map(str, error.absolute_path)) or 'top level'}: {error.message}"
                for error in validator.iter_errors(table)]

    sample_path = source / "tools/mpgdump/sample-table.json"
    sample = read_table(sample_path)
    named = (sample_path.parent / sample.get("$schema", "")).resolve()
    if named != schema_path.resolve():
        failures.append(f"sample: \"$schema\" names {named}, not {schema_path}")
    failures += [f"sample: {error}" for error in errors_of(sample)]

    counts = {"follow": 0, "refused": 0, "beyond": 0}
    for case_dir in sorted((source / "tests/cases").iterdir()):
        table_path = case_dir / "table.json"
        if not table_path.is_file():
            continue
        name = case_dir.name
        try:
            table = read_table(table_path)
            errors = errors_of(table)
        except Refused as refusal:
            table, errors = None, [f"not a table's JSON: {refusal}"]
        if name.startswith("sample-") and table_path.resolve() != sample_path.resolve():
            failures.append(f"{name}: does not link to the bundled sample")
        if not loader_refuses(case_dir):
            failures += [f"{name}: {error}" for error in errors]
            counts["follow"] += 1
        elif name in BEYOND_A_SCHEMA:
            counts["beyond"] += 1
        elif not errors:
            failures.append(f"{name}: the loader refuses this table and the schema does not")
        else:
            counts["refused"] += 1

    # Refused tables kept as data beside the loader's test, which checks its own refusals of them.
    for entry in json.loads((source / REFUSED_TABLES).read_text()):
        if errors_of(entry["table"]):
            counts["refused"] += 1
        else:
            failures.append(f"{REFUSED_TABLES}: the schema takes a table that the loader refuses "
                            f"({entry['refusal']})")

    for failure in failures:
        print(failure)
    print(f"{counts['follow']} tables follow the schema, {counts['refused']} refused tables are "
          f"refused by it, {counts['beyond']} refused for what a schema cannot say")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
