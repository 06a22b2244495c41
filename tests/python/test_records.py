"""Node, reach and outfall records from Python: flow order, typed values, checked assignment with the
calculation switches it turns off, and undo of a change as one step."""
import pytest

import kolv


def test_reaches_come_in_flow_order_and_nodes_with_them(sample):
    for name in sample.systems:
        system = sample.system(name)
        reaches = system.reaches
        placed = set()
        draining = {}
        for r in reaches:
            draining.setdefault(r.NODE2.upper(), []).append(r.NODE1.upper())
        for r in reaches:
            # every reach into this reach's upstream node came before it
            assert all(up in placed for up in draining.get(r.NODE1.upper(), [])), (name, r.NODE1)
            placed.add(r.NODE1.upper())
        with_reach = [n for n in system.nodes.names() if n.upper() in placed]
        assert with_reach == [r.NODE1 for r in reaches if r.NODE1 in with_reach]


def test_fields_read_by_attribute_or_item_in_any_case_as_typed_values(sample):
    node = sample.system("MAINST").nodes["s-1"]
    assert node.NAME == "S-1" and node["name"] == "S-1" and node.name == "S-1"
    assert node.inlet_elev == node["INLET_ELEV"] == pytest.approx(40.8)
    assert isinstance(node.NODE_TYPE, int) and isinstance(node.INCLUDE_IN_PROFILE, bool)
    assert node.INCLUDE_IN_PROFILE is True
    outfall = sample.system("MAINST").outfall
    assert outfall.OUT_NODE == "OUT-1" and outfall["DESIGNED BY"] == outfall.designed_by == "R.M.S."
    with pytest.raises(AttributeError):
        node.NO_SUCH_FIELD
    with pytest.raises(KeyError):
        sample.system("MAINST").nodes["NOPE"]


@pytest.mark.parametrize("kind, key, field, value, message", [
    ("nodes", "S-1", "RUNOFF_C1", 1.5, "1-C must be between 0 and 1"),
    ("nodes", "S-1", "INLET_ELEV", "12ft", ""),
    ("nodes", "S-1", "TC", float("nan"), ""),
    ("nodes", "S-1", "STRUCT_NAME", "NOSUCH", "NOSUCH"),
    ("reaches", "S-3", "LENGTH", -5, "Length"),
    ("reaches", "S-3", "PIPE_NAME", "NOPIPE", "NOPIPE"),
    ("reaches", "S-3", "CALC_PIPESIZE", "maybe", "switch"),
    ("reaches", "S-3", "NODE1", "S-5", ""),
    ("outfall", None, "OUT_TW", 1e9, ""),
])
def test_a_refused_value_raises_the_programs_message_and_changes_nothing(sample, kind, key, field, value, message):
    system = sample.system("MAINST")
    record = system.outfall if kind == "outfall" else getattr(system, kind)[key]
    before = record.as_dict()
    with pytest.raises(kolv.InputError, match=message) as refused:
        setattr(record, field, value)
    assert str(refused.value)
    again = system.outfall if kind == "outfall" else getattr(system, kind)[key]
    assert again.as_dict() == before


@pytest.mark.parametrize("kind, key, field, value, switch", [
    ("nodes", "S-1", "RUNOFF_C1", 0.85, "CALC_RUNOFF_C1"),
    ("nodes", "S-1", "RUNOFF_C3", 0.2, "CALC_RUNOFF_C3"),
    ("reaches", "S-3", "ELEV1", 36.2, "CALC_FROM_ELEV"),
    ("reaches", "S-3", "ELEV2", 35.9, "CALC_TO_ELEV"),
    ("reaches", "S-3", "PIPE_NAME", "RCP24", "CALC_PIPESIZE"),
])
def test_typing_a_value_a_calculation_switch_governs_turns_the_switch_off(sample, kind, key, field, value, switch):
    record = getattr(sample.system("MAINST"), kind)[key]
    record[switch] = True
    assert record[switch]
    record[field] = value
    assert record[field] == (pytest.approx(value) if isinstance(value, float) else value)
    assert not record[switch]
    # an unrelated field leaves the switch alone
    record[switch] = True
    other = "TC" if kind == "nodes" else "BARRELS"
    record[other] = record[other]
    assert record[switch]


def test_a_change_is_one_undo_step_and_redo_replays_it(sample):
    main = sample.system("MAINST")
    before = [n.INLET_ELEV for n in main.nodes]
    with sample.change("Raise inlets"):
        for n in main.nodes:
            n.INLET_ELEV = n.INLET_ELEV + 0.5
    assert sample.undo_steps[-1] == "Raise inlets"
    raised = [n.INLET_ELEV for n in main.nodes]
    assert raised == pytest.approx([b + 0.5 for b in before])
    assert sample.undo()
    assert [n.INLET_ELEV for n in main.nodes] == before
    assert sample.redo_steps[0] == "Raise inlets"
    assert sample.redo()
    assert [n.INLET_ELEV for n in main.nodes] == pytest.approx(raised)


def test_a_change_that_fails_half_way_leaves_nothing_behind(sample):
    main = sample.system("MAINST")
    before = main.nodes.to_rows()
    steps = sample.undo_steps
    with pytest.raises(kolv.InputError):
        with sample.change("Half done"):
            main.nodes["S-1"].INLET_ELEV = 45.0
            main.nodes["S-2"].RUNOFF_C1 = 7
    assert main.nodes.to_rows() == before
    assert sample.undo_steps == steps


def test_nodes_and_reaches_added_and_deleted_with_undo(sample):
    main = sample.system("MAINST")
    count = len(main.nodes), len(main.reaches)
    node = main.nodes.add("S-99", structure="CI5", x=100, y=200, INLET_ELEV=41.5)
    assert node.INLET_ELEV == 41.5 and node.STRUCT_NAME == "CI5"
    reach = main.reaches.add("S-99", to="S-1", pipe="RCP18", LENGTH=120)
    assert (reach.NODE1, reach.NODE2, reach.LENGTH) == ("S-99", "S-1", 120)
    order = main.reaches.names()
    assert order.index("S-99") < order.index("S-1")  # it drains into S-1, so it comes before it
    with pytest.raises(kolv.InputError):
        main.nodes.add("S-1")  # names are unique in the project
    with pytest.raises(kolv.InputError):
        main.reaches.add("S-99", to="S-2")  # one reach leaves a node
    main.nodes.delete("S-99")
    assert (len(main.nodes), len(main.reaches)) == count
    sample.undo()
    assert "S-99" in main.nodes and "S-99" in main.reaches


def test_systems_added_and_deleted(sample):
    s = sample.add_system("NEWSYS", "OUT-9", tailwater=12.5, elevation=11.0, AREA1=0.9)
    assert "NEWSYS" in sample.systems
    assert (s.outfall.OUT_NODE, s.outfall.OUT_TW, s.outfall.OUT_EL, s.outfall.AREA1) == ("OUT-9", 12.5, 11.0, 0.9)
    assert len(s.nodes) == 0
    with pytest.raises(kolv.InputError):
        sample.add_system("mainst", "OUT-8")
    with pytest.raises(kolv.InputError):
        sample.add_system("OTHER", "S-1")  # a node already bears that name
    assert "OTHER" not in sample.systems
    sample.delete_system("NEWSYS")
    assert "NEWSYS" not in sample.systems
    with pytest.raises(kolv.InputError, match="Systems: MAINST, OAKAVE"):
        sample.system("NEWSYS")
