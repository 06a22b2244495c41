"""Opening and creating projects from Python, the faults of files, and the definitions and rainfall tables."""
import os
import sqlite3

import pytest

import kolv


@pytest.mark.parametrize("units, metric", [("english", False), ("metric", True)])
def test_a_new_project_has_its_units_and_no_system(tmp_path, units, metric):
    with kolv.new(tmp_path / "road", units=units) as project:
        assert project.path.endswith("road.mdb")
        assert (project.units, project.metric) == (units, metric)
        assert project.systems == []
        # definitions are listed for the project's unit system only
        assert project.pipes.names() and all(project.pipes[n]["NAME"] == n for n in project.pipes.names())
    assert project.closed
    with pytest.raises(kolv.InputError, match="closed"):
        project.systems


def test_new_keeps_an_existing_file_unless_told_to_replace_it(sample_path):
    size = os.path.getsize(sample_path)
    with pytest.raises(kolv.InputError, match="already exists"):
        kolv.new(sample_path)
    assert os.path.getsize(sample_path) == size
    with kolv.new(sample_path, replace=True) as project:
        assert project.systems == []
    with pytest.raises(kolv.InputError, match="units"):
        kolv.new(sample_path.parent / "x.mdb", units="imperial")


def test_files_that_are_not_projects_are_refused_untouched(tmp_path):
    with pytest.raises(kolv.ProjectNotFound):
        kolv.open(tmp_path / "missing.mdb")
    text = tmp_path / "notes.mdb"
    text.write_text("not a database\n" * 100)
    with pytest.raises(kolv.NotAProject) as refused:
        kolv.open(text)
    assert "notes.mdb" in str(refused.value) and refused.value.code == 3343
    assert text.read_text() == "not a database\n" * 100
    other = tmp_path / "other.db"
    sqlite3.connect(other).execute("CREATE TABLE t(x)").connection.commit()
    with pytest.raises(kolv.NotAProject):
        kolv.open(other)


def test_a_project_another_program_holds_raises_project_locked(sample_path):
    holder = sqlite3.connect(sample_path, isolation_level=None)
    holder.execute("BEGIN EXCLUSIVE")
    try:
        with pytest.raises(kolv.ProjectLocked, match="locked"):
            kolv.open(sample_path)
    finally:
        holder.execute("ROLLBACK")
        holder.close()
    with kolv.open(sample_path) as project:
        assert project.systems == ["MAINST", "OAKAVE"]


def test_pipe_definitions_are_checked_like_the_definition_window(sample):
    pipes = sample.pipes
    name = pipes.add("TEST30", HEIGHT=2.5, WIDTH=2.5, N=0.013, GROUPP=9, COST=95)
    assert name == "TEST30" and "test30" in pipes
    assert pipes["TEST30"]["N"] == pytest.approx(0.013)
    with pytest.raises(kolv.InputError):
        pipes.set("TEST30", N=-1)
    with pytest.raises(kolv.InputError, match="not a field"):
        pipes.set("TEST30", DIAMETER=3)
    assert pipes["TEST30"]["N"] == pytest.approx(0.013)
    with pytest.raises(kolv.InputError, match="DUPLICATE|exist"):
        pipes.add("TEST30")
    pipes.delete("TEST30")
    assert "TEST30" not in pipes
    sample.undo()
    assert "TEST30" in pipes
    with pytest.raises(KeyError):
        pipes["NOPIPE"]


def test_structure_groups_are_taken_by_number_or_name(sample):
    groups = sample.structures
    groups.add("MH9", GROUPP="Manhole", COST_LT=2500)
    assert groups["MH9"]["GROUPP"] == _group_index("Manhole")
    with pytest.raises(kolv.InputError, match="Group"):
        groups.set("MH9", GROUPP="Pond")


def _group_index(name):
    from kolv import _core
    return [g.upper() for g in _core.structure_groups()].index(name.upper())


def test_idf_rows_are_edited_and_refused_like_the_grid(sample):
    idf = sample.idf
    rows = len(idf)
    index = idf.add(Zone="9", Freq="5", A=120.0, B=18.0)
    assert index == rows and idf[index]["A"] == 120.0
    with pytest.raises(kolv.InputError):
        idf.set(index, "B", "eighteen")
    assert idf[index]["B"] == 18.0
    idf.delete(index)
    assert len(idf) == rows


def test_a_time_intensity_table_is_added_with_its_points_and_previewed(sample):
    tables = sample.time_intensity
    assert ("RIVERTON", "3") in tables.tables()
    table = tables.add_table("TESTTOWN", "10", [(5, 7.2), (15, 5.1), (30, 3.6), (60, 2.3)])
    assert [(r["TIME"], r["INTENSITY"]) for r in table.rows] == [(5, 7.2), (15, 5.1), (30, 3.6), (60, 2.3)]
    curve = dict(tables.preview("TESTTOWN", "10"))
    assert curve[15] == pytest.approx(5.1, abs=1e-6) and curve[30] == pytest.approx(3.6, abs=1e-6)
    with pytest.raises(kolv.InputError):
        table.paste([(90, "lots")])
    assert len(table) == 4
    tables.delete_table("TESTTOWN", "10")
    assert ("TESTTOWN", "10") not in tables.tables()
