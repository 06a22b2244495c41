"""Reads the checked-in tables of the sample project and builds one of its systems through the module."""
import csv
import os

from conftest import SOURCE_DIR

SAMPLE_DIR = os.path.join(SOURCE_DIR, "data", "sample")

# Fields the build does not type: the record's identity, and what the computations write.
SKIP = {"NAME", "SYSTEM", "NODE1", "NODE2", "SEQUENCER", "DRAIN_TYPE", "OUT_NODE", "XD", "YD", "STRUCT_NAME",
        "PIPE_NAME", "OUT_TW"}


def rows(table, system):
    with open(os.path.join(SAMPLE_DIR, table + ".csv"), newline="", encoding="utf-8") as f:
        lines = [line for line in f if not line.startswith("#")]
    return [r for r in csv.DictReader(lines) if r["SYSTEM"] == system]


def typed_fields(row):
    """The row's values, switches (CALC_...) last: typing a computed value turns its switch off,
    so the stored switch is set after the value it governs."""
    values = [(k, v) for k, v in row.items() if k not in SKIP and v != ""]
    return [kv for kv in values if not kv[0].startswith("CALC_")] + [kv for kv in values if kv[0].startswith("CALC_")]


def build(project, system):
    """Adds `system` of the sample to `project`: header, nodes, reaches, in one undo step."""
    header = rows("T16", system)[0]
    with project.change("Build " + system):
        s = project.add_system(system, header["OUT_NODE"], tailwater=float(header["OUT_TW"]))
        for field, value in typed_fields(header):
            s.outfall[field] = value
        for node in rows("NODE", system):
            s.nodes.add(node["NAME"], structure=node["STRUCT_NAME"], x=float(node["XD"]), y=float(node["YD"]),
                        **dict(typed_fields(node)))
        for reach in rows("REACH", system):
            s.reaches.add(reach["NODE1"], to=reach["NODE2"], pipe=reach["PIPE_NAME"], **dict(typed_fields(reach)))
    return s
