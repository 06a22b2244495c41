"""The design steps from Python: a network built record by record computes the sample's reviewed
storm tabulation, and the steps' results, refusals and scenarios."""
import csv
import os

import pytest

import kolv
import sample_network
from conftest import SOURCE_DIR

GOLDEN = os.path.join(SOURCE_DIR, "tests", "data", "sample_storm_tabs.csv")

# listing key -> T60 field of the reviewed golden rows
COMPARED = {"length": "LENGTH", "area": "TOTAL_DRAINAGE_AREA", "ca": "TOTAL_TOTALCA", "tc": "TC", "tf": "TF",
            "intensity": "INTENSITY", "q": "Q", "capacity": "CAPACITY", "fl_up": "FL_UP", "fl_dn": "FL_DN",
            "hgl_up": "HGL_UP", "hgl_dn": "HGL_DN", "jloss": "JLOSS", "hgl_node": "HGL_AT_NODE",
            "inlet": "INLET_EL", "clearance": "CLEARENCE"}


def golden_rows(system):
    with open(GOLDEN, newline="") as f:
        return [r for r in csv.DictReader(f) if r["SYSTEM"] == system]


def test_a_network_built_in_python_computes_the_reviewed_storm_tabulation(empty):
    system = sample_network.build(empty, "MAINST")
    assert len(system.reaches) == 22
    # the golden run: the stored options with both exfiltration kinds on (drainage well, trench)
    tabs = system.storm_tabs(deep_well=True, french_drain=True)
    assert tabs.ok and tabs.converged, tabs.messages
    golden = golden_rows("MAINST")
    assert [(r["from"], r["to"], r["pipe"]) for r in tabs.rows] == [(g["FROM"], g["TO"], g["TYPE"]) for g in golden]
    for row, g in zip(tabs.rows, golden):
        for key, field in COMPARED.items():
            # the listing shows two decimals: half a hundredth, and a hair for the golden's own rounding
            assert row[key] == pytest.approx(float(g[field]), abs=0.0051), (row["from"], key)
    assert tabs.units["q"] == "cfs" and tabs.units["hgl_up"] == "ft"


def test_the_design_sequence_runs_on_the_sample_and_each_step_reports_its_rows(sample):
    main = sample.system("mainst")
    assert main.verify().ok
    sizes = main.size_pipes(group=1, max_velocity=10)
    assert sizes.ok
    assert len(sizes.rows) == len(main.reaches)
    # every pipe chosen came from group 1 unless the engineer fixed it
    group1 = {n for n in sample.pipes if sample.pipes[n]["GROUPP"] == 1}
    for row in sizes.rows:
        assert row["pipe"] in group1 or row["governing"] == "fixed by engineer", row
    lines = main.set_flowlines(min_slope=0.3)
    assert lines.ok and lines.rows
    for r in lines.rows:
        reach = main.reaches[r["reach"]]
        assert (reach.ELEV1, reach.ELEV2) == (r["elev1"], r["elev2"])
    tabs = main.storm_tabs()
    assert tabs.ok and len(tabs.rows) == 22
    review = main.review()
    assert review.extra["has_results"]
    assert review.status == (1 if review.errors else 0)
    cost = main.cost()
    assert cost.ok and cost.rows[0]["total"] == pytest.approx(cost.rows[0]["pipes"] + cost.rows[0]["structures"])


def test_result_to_csv_writes_the_rows_it_holds(sample, tmp_path):
    tabs = sample.system("MAINST").storm_tabs()
    path = tabs.to_csv(tmp_path / "tabs.csv", header_units=True)
    with open(path, newline="") as f:
        read = list(csv.reader(f))
    assert read[0][:3] == ["from", "to", "pipe"]
    assert "q (cfs)" in read[0]
    assert len(read) == len(tabs.rows) + 1
    assert float(read[1][read[0].index("q (cfs)")]) == tabs.rows[0]["q"]


@pytest.mark.parametrize("call, message", [
    (lambda s: s.size_pipes(group=1), "max_velocity"),
    (lambda s: s.size_pipes(group=1, max_velocity=10, max_hgl_slope=1), "not both"),
    (lambda s: s.size_pipes(group=999, max_velocity=10), "Pipe group 999"),
    (lambda s: s.storm_tabs(junction_loss=True), "junction_losses"),
    (lambda s: s.storm_tabs(max_passes="many"), "max_passes must be a number"),
    (lambda s: s.set_flowlines(min_slope=0.3, match="invert"), "match must be"),
    (lambda s: s.check_storm("", intensity_factor=1.2), ""),
])
def test_refused_options_raise_input_error_and_change_nothing(sample, call, message):
    main = sample.system("MAINST")
    before = main.reaches.to_rows()
    with pytest.raises(kolv.InputError, match=message):
        call(main)
    assert main.reaches.to_rows() == before


def test_a_check_storm_is_kept_beside_the_design_and_can_be_undone(sample):
    main = sample.system("MAINST")
    design = main.storm_tabs().rows
    steps = len(sample.undo_steps)
    harder = main.check_storm("plus30", intensity_factor=1.3)
    assert harder.scenarios == ["plus30"]
    by_node = {r["node"]: r for r in harder.rows}
    for row in design:
        node = by_node[row["from"]]
        # more rain never lowers the grade line at a node
        assert node["plus30 hgl"] >= node["design_hgl"] - 1e-9, row["from"]
    assert main.storm_tabs().rows == design  # the design's own results stay
    assert len(sample.undo_steps) > steps
    while len(sample.undo_steps) > steps:
        sample.undo()
    assert main.scenarios().rows == [] or main.scenarios().scenarios == []
