#!/usr/bin/env python3
"""Sizes the pipes of every system of a project and writes all their storm tabulations into one CSV.

    python3 tabulate_all_systems.py PROJECT.mdb OUT.csv [--group 1] [--max-velocity 10]

Each row of the CSV is one reach, with the system's name in the first column; the heading gives
each quantity's unit. A system whose pipes cannot be sized or whose grade line does not settle
is named on stderr and the script ends with status 1 after writing the others.
"""
import argparse
import csv
import sys

import kolv


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("project")
    parser.add_argument("out")
    parser.add_argument("--group", type=int, default=1, help="pipe group to choose from")
    parser.add_argument("--max-velocity", type=float, default=10.0, help="full-flow velocity limit (ft/s or m/s)")
    args = parser.parse_args(argv)

    failed = []
    rows, columns, units = [], [], {}
    with kolv.open(args.project) as project:
        for name in project.systems:
            system = project.system(name)
            sizes = system.size_pipes(group=args.group, max_velocity=args.max_velocity)
            tabs = system.storm_tabs() if sizes.ok else sizes
            if not tabs.ok or not tabs.converged:
                failed.append(name)
                print("%s: %s" % (name, "; ".join(tabs.messages) or getattr(tabs, "note", "") or "not computed"),
                      file=sys.stderr)
                continue
            units.update(tabs.units)
            for key in tabs.columns:
                if key not in columns:
                    columns.append(key)
            rows += [dict(system=name, **row) for row in tabs.rows]

    with open(args.out, "w", newline="", encoding="utf-8") as f:
        writer = csv.writer(f)
        writer.writerow(["system"] + ["%s (%s)" % (c, units[c]) if c in units else c for c in columns])
        for row in rows:
            writer.writerow([row["system"]] + ["" if row.get(c) is None else row[c] for c in columns])
    print("%d reaches of %d systems written to %s" % (len(rows), len({r["system"] for r in rows}), args.out))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
