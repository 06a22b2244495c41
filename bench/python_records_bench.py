#!/usr/bin/env python3
"""Times reading every node and every reach of a large system through the kolv module.

    python3 bench/python_records_bench.py PROJECT.mdb [SYSTEM] [--repeat 5]

Make the project with the generator (built with -DKOLV_BUILD_BENCH=ON):

    build/bench/kolv-random-project /tmp/big.mdb 10000
    PYTHONPATH=build/python python3 bench/python_records_bench.py /tmp/big.mdb

Each repetition reads the system's nodes and reaches in flow order (as system.nodes and
system.reaches do) and touches every record's name and a number field of each, the least a
script does with them. Prints the fastest and the median repetition; the aim is under 0.2 s for
10,000 reaches.
"""
import argparse
import statistics
import sys
import time

import kolv


def read_all(system):
    total = 0.0
    for node in system.nodes:
        total += node.INLET_ELEV
        node.NAME
    for reach in system.reaches:
        total += reach.LENGTH
        reach.NODE2
    return total


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("project")
    parser.add_argument("system", nargs="?")
    parser.add_argument("--repeat", type=int, default=5)
    args = parser.parse_args(argv)
    with kolv.open(args.project) as project:
        system = project.system(args.system or project.systems[0])
        nodes, reaches = len(system.nodes), len(system.reaches)
        times = []
        for _ in range(args.repeat):
            start = time.perf_counter()
            read_all(system)
            times.append(time.perf_counter() - start)
    print("%s: %d nodes and %d reaches read in %.3f s (fastest of %d), median %.3f s"
          % (system.name, nodes, reaches, min(times), args.repeat, statistics.median(times)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
