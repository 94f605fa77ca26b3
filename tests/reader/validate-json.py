#!/usr/bin/env python3
"""Validates mpgtree's JSON outputs against the dump-tree schema (draft 2020-12).

Usage: validate-json.py SCHEMA FILE...   A FILE ending in .jsonl is JSON Lines: each line is
validated on its own. Exit 0 when all are valid, 1 when one is not, 77 when the validator is
missing (the test is then skipped).
"""
import json
import sys

try:
    import jsonschema
except ImportError:
    print("python3-jsonschema is not installed (scripts/install-deps test)", file=sys.stderr)
    sys.exit(77)


def main():
    schema = json.load(open(sys.argv[1], encoding="utf-8"))
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    failures = 0
    for path in sys.argv[2:]:
        with open(path, encoding="utf-8") as file:
            documents = ([json.loads(line) for line in file if line.strip()]
                         if path.endswith(".jsonl") else [json.load(file)])
        for number, document in enumerate(documents, 1):
            for error in validator.iter_errors(document):
                failures += 1
                where = "/".join(str(part) for part in error.absolute_path)
                print(f"{path}: {'line ' + str(number) if len(documents) > 1 else 'document'}: "
                      f"{where}: {error.message[:300]}")
                if failures > 20:
                    return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
