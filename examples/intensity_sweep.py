#!/usr/bin/env python3
"""Raises the rainfall of a system step by step and lists, for each step, the nodes whose
hydraulic grade line rises above the rim (negative HGL clearance).

    python3 intensity_sweep.py PROJECT.mdb SYSTEM [--factors 1.0 1.25 1.5 2.0]

Each factor runs a check storm on the design as it stands (every intensity times the factor);
the check storms are taken back at the end, so the project is left as it was.
"""
import argparse
import sys

import kolv


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("project")
    parser.add_argument("system")
    parser.add_argument("--factors", type=float, nargs="+", default=[1.0, 1.25, 1.5, 2.0])
    args = parser.parse_args(argv)

    with kolv.open(args.project) as project:
        system = project.system(args.system)
        unit = "m" if project.metric else "ft"
        names = ["x%g" % f for f in args.factors]
        with project.change("Intensity sweep"):
            for name, factor in zip(names, args.factors):
                run = system.check_storm(name, intensity_factor=factor)
                if not run.ok:
                    print("factor %g: %s" % (factor, "; ".join(run.messages)), file=sys.stderr)
                    return 1
            comparison = system.scenarios()
        project.undo()

    for name, factor in zip(names, args.factors):
        key = name + " hgl"
        flooded = [(r["node"], r["rim"] - r[key]) for r in comparison.rows
                   if r[key] is not None and r[key] > r["rim"]]
        flooded.sort(key=lambda n: n[1])
        listed = ", ".join("%s (%.2f %s)" % (node, clearance, unit) for node, clearance in flooded)
        print("intensity x%g: %s" % (factor, listed or "no node above its rim"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
