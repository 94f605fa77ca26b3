#!/usr/bin/env python3
"""The README's folder table against the source tree: every folder holding files of its own is
named in the table, in a row's first cell as `path/`, or, below tests/, in the tests/ row as
`name` or `name/`; every folder a first cell names exists. The table cases (tests/cases/<name>/)
are one folder, the build trees and Git's own files none.

Usage: folder-table.py SOURCE_DIR
"""
import os
import pathlib
import re
import sys

SKIPPED = {".git", "build", "__pycache__", "corpus-run"}


def folders(source):
    """The folders below source that hold files of their own, as paths relative to it."""
    found = set()
    for where, subfolders, files in os.walk(source):
        subfolders[:] = [d for d in subfolders
                         if d not in SKIPPED and not d.startswith("build-")]
        relative = pathlib.Path(where).relative_to(source).as_posix()
        if relative.startswith("tests/cases/"):
            subfolders[:] = []
            continue
        if files and relative != ".":
            found.add(relative)
    return found


def table_rows(readme):
    """The rows of the folder table: (first cell, whole row)."""
    lines = readme.splitlines()
    start = lines.index("| folder | what it holds |") + 2
    rows = []
    for line in lines[start:]:
        if not line.startswith("|"):
            break
        rows.append((line.split("|")[1], line))
    return rows


def main():
    source = pathlib.Path(sys.argv[1]).resolve()
    rows = table_rows((source / "README.md").read_text())
    named = {path for cell, _ in rows for path in re.findall(r"`([^`]+)/`", cell)}
    tests_row = next(row for cell, row in rows if "`tests/`" in cell)
    faults = []
    for folder in sorted(folders(source)):
        if folder in named:
            continue
        inner = folder[len("tests/"):] if folder.startswith("tests/") else None
        if inner is not None and re.search(r"`%s/?`" % re.escape(inner), tests_row):
            continue
        faults.append(f"README.md: the folder table does not name {folder}/")
    faults += [f"README.md: the folder table names {path}/, which does not exist"
               for path in sorted(named) if not (source / path).is_dir()]
    for fault in faults:
        print(fault)
    print(f"{len(named)} folders named in the table, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
