"""Random table files for the fixed-point property of mpgtree table: every object type, failing
queries, withheld interfaces, rows and components without a dump, hostile texts."""

E_FAIL = -2147467259
NAMED_TRACES = ["ZynMpgMappingTrace", "ZynMpgProviderComponentTrace"]

# Texts that look like the dump's own separators and tags, format directives, non-ASCII.
HOSTILE = ["pump, housing", " , DocType : x , Uuid :", ", TechnoString:y", " major:M logical:L",
           "%d %s %n", "<DMTElement>  1 *** uuid: ", "Stamp : ", "éè ü", " trailing ",
           "</File Component>", "", "a,b , c", "No CEStamp ", "Unknown(7)", "  Owner:",
           "two\nlines", "tab\there", "ends\n", "\nstarts"]


def text(rng):
    if rng.random() < 0.5:
        return rng.choice(HOSTILE)
    return "".join(rng.choice("abcXYZ019-_./ ") for _ in range(rng.randint(1, 12)))


def hexa(rng, count):
    return "".join(f"{rng.randrange(256):02x}" for _ in range(count))


def maybe_fail(rng, value, rate=0.15):
    return {"result": E_FAIL} if rng.random() < rate else value


def plmid(rng):
    return rng.choice([None, {}, {"physical": hexa(rng, rng.randint(0, 8)), "logical": text(rng),
                                  "major": text(rng)}])


def octets(rng):
    kind = rng.random()
    if kind < 0.25:
        return ""
    if kind < 0.35:
        return {"repeat": hexa(rng, 3), "times": rng.randint(170, 400)}
    return hexa(rng, rng.randint(1, 40))


def component(rng):
    kind = rng.choice(["File", "RMTFile", "Orv", "Pell", "PellNonM1", "Provider", "Dummy"])
    obj = {"type": "ZynDCIMpg" + ("RMTFileBased" if kind == "RMTFile" else
                                   "FileBased" if kind == "File" else kind) + "Component"}
    if kind == "File":
        obj.update(GetName=text(rng), GetDocType=text(rng), GetUuid=hexa(rng, 16),
                   GetPathName=text(rng), GetLastSavePath=text(rng), GetLastSaveName=text(rng),
                   GetLastSaveTime=rng.choice([None, rng.randint(-10**11, 10**11),
                                               "2024-03-11T16:42:05Z", "0044-03-15T12:00:00Z"]))
    elif kind == "RMTFile":
        obj.update(GetPX1Id=octets(rng), GetHashKey=rng.randrange(2**32), GetAlias=text(rng),
                   GetTechnoString=text(rng), GetLinkSequence=octets(rng),
                   IsBrokenLink=rng.random() < 0.5, GetObjectType=text(rng))
        if rng.random() < 0.15:
            obj["lacks"] = ["ZynIDCIMpgComponentPrivate"]
    elif kind == "Orv":
        obj.update(GetHashKey=rng.randrange(2**32), GetModelPLMID=maybe_fail(rng, plmid(rng)),
                   GetWorkspaceId=rng.choice([0, rng.randint(-99, 99999)]),
                   GetElementId=rng.choice([0, rng.randint(1, 999)]),
                   GetWorkspaceUuid=rng.choice(["", text(rng)]),
                   GetElementUuid=maybe_fail(rng, rng.choice(["", text(rng)])))
    elif kind.startswith("Pell"):
        obj.update(GetComponentType=maybe_fail(rng, 4 if kind == "PellNonM1" else rng.randint(0, 3)),
                   GetPLMID=plmid(rng), GetCEStamp=maybe_fail(rng, text(rng), 0.3))
    elif kind == "Provider":
        obj.update(GetBinaryIdentifier=rng.choice(["", hexa(rng, rng.randint(1, 12)),
                                                   {"length": rng.randint(1, 40)}]),
                   GetProviderName=text(rng))
    if rng.random() < 0.1:
        obj["lacks"] = obj.get("lacks", []) + ["ZynIMpgDump"]
    return obj


def identifier(rng):
    return rng.choice(["", hexa(rng, rng.randint(1, 4)), {"result": 1}, {"result": E_FAIL},
                       {"result": 2}])


def row_common(rng, obj):
    obj.update(GetUuid=maybe_fail(rng, hexa(rng, 16)), GetAlreadyExists=rng.random() < 0.5,
               GetModificationState=rng.choice([0, 2, -1, rng.randint(-2**31, 2**31 - 1)]))
    lacks = rng.random()
    if lacks < 0.08:
        obj["lacks"] = ["ZynIMpgDump"]
    elif lacks < 0.14:
        obj["lacks"] = ["ZynIDCIMpgElementPrivate"]
    return obj


def random_table(rng):
    objects = {}

    def add(prefix, obj):
        objects[f"{prefix}{len(objects)}"] = obj
        return f"{prefix}{len(objects) - 1}"

    def component_or_null():
        return add("c", component(rng)) if rng.random() < 0.8 else None

    dmt_rows = []
    for _ in range(rng.randint(1, 4)):
        rmt_rows = []
        for _ in range(rng.randint(0, 3)):
            rmt = row_common(rng, {"type": "ZynDCIMpgRMTRow", "GetMigrationState": rng.random() < .5})
            rmt.update(GetOwner=component_or_null(), GetRef=component_or_null(),
                       GetPointed=component_or_null(), GetNonM1Component=component_or_null(),
                       GetM1Components=[component_or_null() for _ in range(rng.randint(0, 3))])
            rmt_rows.append(add("r", rmt))
        dmt = row_common(rng, {"type": "ZynDCIMpgDMTRow",
                               "GetMappingMaster": rng.choice([0, 1, 2, 7, -3])})
        dmt.update(GetNonM1Component=component_or_null(), GetM1Component=component_or_null(),
                   GetNonM1ComponentVersion=identifier(rng), GetM1ComponentVersion=identifier(rng),
                   GetM1ComponentMajorID=identifier(rng), GetRMTElements=rmt_rows)
        dmt_rows.append(add("d", dmt))
    manager = {"type": "ZynDCIMpgManager", "IsPLMIDCompletionActive": rng.random() < 0.5,
               "GetDMTElements": dmt_rows,
               "GetDMTElementsToBeSaved": rng.sample(dmt_rows, rng.randint(0, len(dmt_rows)))}
    if rng.random() < 0.7:
        objects["ctx"] = {"type": "ZynDCIMpgContext", "GetName": text(rng)}
        manager["GetContext"] = "ctx"
    objects["manager"] = manager
    objects["environment"] = {"type": "ZynDCIMpgEnvironment", "GetName": text(rng),
                              "GetMappingClient": rng.randint(-1, 7),
                              "GetMappingMaster": rng.choice([0, 1, 2, 9]),
                              "GetDirectory": rng.choice(["", text(rng)])}
    return {"objects": objects}


def dumpable_ids(table):
    return [key for key, obj in table["objects"].items()
            if obj["type"] != "ZynDCIMpgContext" and "ZynIMpgDump" not in obj.get("lacks", [])]
