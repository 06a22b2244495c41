#!/usr/bin/env python3
"""Builds a small storm sewer system from a CSV of node coordinates and runs the design sequence:
verification, pipe sizes, flow lines, storm tabulation and review.

    python3 build_from_csv.py PROJECT.mdb NODES.csv SYSTEM [--tailwater 20.5]

NODES.csv has one row per inlet or manhole: name, x, y (feet or meters), rim (inlet elevation),
area (acres or hectares), c (runoff coefficient), structure, to (the node or the outfall it
drains to). The outfall is the row that drains nowhere (its "to" is empty).
Pipe lengths are the plan distances between the nodes. A new project is made when PROJECT.mdb
does not exist. The storm tabulation is printed and written beside the CSV as SYSTEM_tabs.csv.
"""
import argparse
import csv
import math
import os
import sys

import kolv


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("project")
    parser.add_argument("nodes")
    parser.add_argument("system")
    parser.add_argument("--tailwater", type=float, default=None, help="outfall tailwater elevation")
    parser.add_argument("--group", type=int, default=1, help="pipe group to size from")
    parser.add_argument("--max-velocity", type=float, default=10.0)
    parser.add_argument("--min-slope", type=float, default=0.3, help="minimum pipe slope (%%)")
    args = parser.parse_args(argv)

    with open(args.nodes, newline="", encoding="utf-8") as f:
        rows = list(csv.DictReader(f))
    where = {r["name"]: (float(r["x"]), float(r["y"])) for r in rows}
    outlets = [r for r in rows if not r["to"].strip()]
    if len(outlets) != 1:
        print("%s: one row, the outfall, must drain nowhere; %d do" % (args.nodes, len(outlets)), file=sys.stderr)
        return 2
    outfall = outlets[0]

    project = kolv.open(args.project) if os.path.exists(args.project) else kolv.new(args.project)
    with project:
        with project.change("Build %s from %s" % (args.system, os.path.basename(args.nodes))):
            system = project.add_system(args.system, outfall["name"], tailwater=args.tailwater,
                                        elevation=float(outfall["rim"]), x=where[outfall["name"]][0],
                                        y=where[outfall["name"]][1])
            for r in rows:
                if r is outfall:
                    continue
                system.nodes.add(r["name"], structure=r["structure"], x=where[r["name"]][0], y=where[r["name"]][1],
                                 INLET_ELEV=float(r["rim"]), P_C1DA=float(r["area"]), RUNOFF_C1=float(r["c"]))
            for r in rows:
                if r is outfall:
                    continue
                (x1, y1), (x2, y2) = where[r["name"]], where[r["to"]]
                system.reaches.add(r["name"], to=r["to"], LENGTH=round(math.hypot(x2 - x1, y2 - y1), 2))

        steps = [
            ("verify", system.verify()),
            ("size pipes", system.size_pipes(group=args.group, max_velocity=args.max_velocity)),
            ("flow lines", system.set_flowlines(min_slope=args.min_slope)),
        ]
        for step, result in steps:
            if not result.ok:
                print("%s stopped: %s" % (step, "; ".join(result.messages or result.lines)), file=sys.stderr)
                return 1
        tabs = system.storm_tabs()
        if not tabs.ok:
            print("storm tabulation stopped: %s" % "; ".join(tabs.messages), file=sys.stderr)
            return 1
        review = system.review()

    print("%-8s %-8s %-8s %8s %8s %8s" % ("from", "to", "pipe", "q", "hgl_up", "clear"))
    for r in tabs.rows:
        print("%-8s %-8s %-8s %8.2f %8.2f %8.2f" % (r["from"], r["to"], r["pipe"], r["q"], r["hgl_up"],
                                                    r["clearance"]))
    print("review: %d errors, %d warnings" % (review.errors, review.warnings))
    out = os.path.join(os.path.dirname(os.path.abspath(args.nodes)), "%s_tabs.csv" % args.system)
    tabs.to_csv(out, header_units=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
