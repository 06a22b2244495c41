"""The scripts in examples/ run on the sample project and say what they should."""
import csv
import os
import subprocess
import sys

import pytest

from conftest import SOURCE_DIR

EXAMPLES = os.path.join(SOURCE_DIR, "examples")


def run(script, *args):
    done = subprocess.run([sys.executable, os.path.join(EXAMPLES, script)] + [str(a) for a in args],
                          capture_output=True, text=True, timeout=120, env=dict(os.environ))
    assert done.returncode == 0, done.stderr
    return done.stdout


def test_every_system_is_sized_and_tabulated_into_one_csv(sample_path, tmp_path):
    out = tmp_path / "all.csv"
    run("tabulate_all_systems.py", sample_path, out, "--group", 1, "--max-velocity", 10)
    with open(out, newline="") as f:
        rows = list(csv.reader(f))
    assert rows[0][:4] == ["system", "from", "to", "pipe"] and "q (cfs)" in rows[0]
    assert {r[0] for r in rows[1:]} == {"MAINST", "OAKAVE"}
    assert len(rows) == 1 + 22 + 10


def test_the_intensity_sweep_lists_flooded_nodes_and_leaves_the_project_as_it_was(sample_path):
    before = sample_path.read_bytes()
    out = run("intensity_sweep.py", sample_path, "MAINST", "--factors", 1.0, 3.0)
    lines = out.strip().splitlines()
    assert lines[0].startswith("intensity x1:") and lines[1].startswith("intensity x3:")
    # the design storm floods nothing; three times the rain floods at least one inlet
    assert "no node above its rim" in lines[0]
    assert "no node above its rim" not in lines[1]
    import kolv
    with kolv.open(sample_path) as project:
        assert project.system("MAINST").scenarios().scenarios == []
    assert len(sample_path.read_bytes()) >= len(before) // 2  # still a whole file


def test_a_system_built_from_coordinates_runs_the_design_sequence(tmp_path):
    nodes = tmp_path / "nodes.csv"
    with open(os.path.join(EXAMPLES, "small_system.csv")) as src:
        nodes.write_text(src.read())
    out = run("build_from_csv.py", tmp_path / "new.mdb", nodes, "ELM", "--tailwater", 42.0)
    assert "review:" in out
    with open(tmp_path / "ELM_tabs.csv", newline="") as f:
        rows = list(csv.DictReader(f))
    assert [r["from"] for r in rows][-1] == "A-5"
    assert len(rows) == 5
