"""What tests/redact/redact-cli.sh checks in Python: a table of hostile texts, the texts a table
holds that redaction must hide, and the trees of a dump and of its redaction compared.

Usage:
  redact_checks.py hostile SAMPLE OUT        writes the sample table with hostile texts
  redact_checks.py absent TABLE REDACTED [--uuids]  no text to hide of TABLE in REDACTED
  redact_checks.py compare A.json B.json [--uuids]  the trees of a dump and of its redaction
  redact_checks.py pseudonym TEXT A.json B.json     the one pseudonym of TEXT in B
"""
import json
import sys

# The queries whose answers redaction hides, and whether each is a path.
HIDDEN = {"GetName": False, "GetAlias": False, "GetTechnoString": False,
          "GetProviderName": False, "GetLastSaveName": False, "GetPathName": True,
          "GetLastSavePath": True, "GetDirectory": True}
# The tree's keys of those texts; the keys that tell where a node stands (lines change when a
# text holding line ends is replaced), and what the reader had to guess.
REDACTED_KEYS = {"contextName", "name", "alias", "technoString", "providerName", "pathName",
                 "lastSaveName", "lastSavePath", "directory"}
PLACE_KEYS = {"line", "lastLine", "listClosingLine", "managerClosingLine", "ambiguous",
              "joinedLines", "lines", "bytes", "formLine", "problems", "problemCount", "notes", "source"}
UUID_KEYS = {"uuid", "workspaceUuid", "elementUuid"}


def hostile(sample, out):
    table = json.load(open(sample))
    objects = table["objects"]
    objects["context"]["GetName"] = "Plant 7, Completion of PLMID is active. </MpgManagerInfo>"
    objects["file-housing"]["GetName"] = "Gehäuse , DocType : Part , Uuid :x.part"
    objects["file-housing"]["GetPathName"] = "/vault/Ürplant/line\nbreak/Gehäuse , DocType : Part , Uuid :x.part"
    objects["file-housing"]["GetLastSaveName"] = "saved , LastSaveTime : 2020-01-01T00:00:00Z"
    objects["file-housing"]["GetLastSavePath"] = "C:\\Werk\\<File component>\\%s"
    objects["file-bolt"]["GetName"] = "Gehäuse , DocType : Part , Uuid :x.part"
    objects["rmtfile-bolt-link"]["GetAlias"] = "Bolt, TechnoString:flange </RMT non-M1 component>"
    objects["rmtfile-bolt-link"]["GetTechnoString"] = "CONSTRAINT\n   Alias:fake"
    objects["provider-valve"]["GetProviderName"] = "Valvé %d   Provider name:</Provider component>"
    objects["environment"]["GetName"] = "Nächtlich, MappingClient :ZynDCIMpgClientOrv"
    objects["environment"]["GetDirectory"] = "/srv/migration/Werk 7/ Directory :x"
    json.dump(table, open(out, "w"), ensure_ascii=False, indent=1)


def absent(table_path, redacted_path, uuids):
    """Whether none of the texts to hide of the table is in the redacted dump."""
    redacted = open(redacted_path, "rb").read()
    left = [t for t in texts(table_path, uuids) if t.encode() in redacted]
    for text in left:
        print(f"{redacted_path} still holds {text!r}")
    return 1 if left else 0


def texts(table_path, uuids):
    """The texts to hide; those inside a uuid only when uuids are hidden too."""
    objects = json.load(open(table_path))["objects"]
    kept = [] if uuids else [answers.get(query) for answers in objects.values()
                             for query in ("GetUuid", "GetWorkspaceUuid", "GetElementUuid")]
    kept = [uuid for uuid in kept if isinstance(uuid, str)]
    found = set()
    for name, answers in objects.items():
        for query, is_path in HIDDEN.items():
            value = answers.get(query)
            if not isinstance(value, str) or not value:
                continue
            found.add(value)
            # Each line of a text holding line ends, and each part of a path, on its own.
            lines = value.split("\n")
            parts = [p for line in lines for p in line.split("/")] if is_path else lines
            found.update(p for p in parts if len(p) >= 4)
    return sorted(text for text in found if not any(text in uuid for uuid in kept))


def walk(a, b, path, pairs, problems, redacted=REDACTED_KEYS):
    if isinstance(a, dict) and isinstance(b, dict):
        if a.keys() - PLACE_KEYS != b.keys() - PLACE_KEYS:
            problems.append(f"{path}: keys {sorted((a.keys() ^ b.keys()) - PLACE_KEYS)}")
        for key in a.keys() & b.keys():
            if key in PLACE_KEYS:
                continue
            if key in redacted and isinstance(a[key], str):
                pairs.append((a[key], b[key], f"{path}.{key}"))
            else:
                walk(a[key], b[key], f"{path}.{key}", pairs, problems, redacted)
    elif isinstance(a, list) and isinstance(b, list):
        if len(a) != len(b):
            problems.append(f"{path}: {len(a)} against {len(b)} items")
        for i, (x, y) in enumerate(zip(a, b)):
            walk(x, y, f"{path}[{i}]", pairs, problems, redacted)
    elif a != b:
        problems.append(f"{path}: {a!r} against {b!r}")


def compare(a_path, b_path, uuids):
    """Same structure, times and states, and uuids unless they were replaced too; each hidden
    text replaced, equal texts by equal pseudonyms and different texts by different ones."""
    pairs, problems = [], []
    redacted = REDACTED_KEYS | UUID_KEYS if uuids else REDACTED_KEYS
    walk(json.load(open(a_path)), json.load(open(b_path)), "", pairs, problems, redacted)
    forward, backward = {}, {}
    for original, pseudonym, where in pairs:
        if original and original == pseudonym and where.rsplit(".", 1)[-1] in REDACTED_KEYS:
            problems.append(f"{where}: {original!r} kept")
        if (original == "") != (pseudonym == ""):
            problems.append(f"{where}: {original!r} became {pseudonym!r}")
        if forward.setdefault(original, pseudonym) != pseudonym:
            problems.append(f"{where}: {original!r} has two pseudonyms")
        if backward.setdefault(pseudonym, original) != original:
            problems.append(f"{where}: {pseudonym!r} stands for two texts")
    for problem in problems[:20]:
        print(problem)
    return 1 if problems else 0


def pseudonym_of(text, a_path, b_path):
    pairs, problems = [], []
    walk(json.load(open(a_path)), json.load(open(b_path)), "", pairs, problems)
    return {p for o, p, _ in pairs if o == text}


if __name__ == "__main__":
    command = sys.argv[1]
    if command == "hostile":
        hostile(sys.argv[2], sys.argv[3])
    elif command == "absent":
        sys.exit(absent(sys.argv[2], sys.argv[3], "--uuids" in sys.argv[4:]))
    elif command == "compare":
        sys.exit(compare(sys.argv[2], sys.argv[3], "--uuids" in sys.argv[4:]))
    elif command == "pseudonym":
        found = pseudonym_of(sys.argv[2], sys.argv[3], sys.argv[4])
        print(" ".join(sorted(found)))
        sys.exit(0 if len(found) == 1 else 1)
