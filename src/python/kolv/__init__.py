"""Storm sewer design by the Rational Method, from Python.

Open or create a project, build and change its systems, and run the design steps the desktop
program and kolv-cli run, on the same project files::

    import kolv

    with kolv.open("road.mdb") as project:
        main = project.system("MAINST")
        main.size_pipes(group=1, max_velocity=10)
        main.set_flowlines(min_slope=0.3)
        tabs = main.storm_tabs(junction_losses=True)
        for row in tabs.rows:
            print(row["from"], row["q"], row["hgl_up"])
        tabs.to_csv("mainst.csv")

Every change goes through the same checks as the editing panel, and can be undone:
``with project.change("Raise inlets"): ...`` makes one undo step of everything inside it,
and ``project.undo()`` takes it back. Refusals raise :class:`InputError` with the program's
own message.
"""

import builtins as _builtins
import csv as _csv
import json as _json
import os as _os
from collections.abc import Sequence as _Sequence

from . import _core
from .errors import DatabaseError, Error, InputError, NotAProject, ProjectLocked, ProjectNotFound

__all__ = [
    "new", "open", "Project", "System", "Records", "Record", "Result", "Definitions", "Grid",
    "TimeIntensityTables", "Error", "InputError", "DatabaseError", "ProjectLocked", "NotAProject",
    "ProjectNotFound",
]

_UNITS = ("english", "metric")


def _data_folder():
    """The installed data folder beside this package (<prefix>/share/kolv), or None."""
    here = _os.path.dirname(_os.path.abspath(__file__))
    # <prefix>/lib/python3/dist-packages/kolv -> <prefix>/share/kolv
    folder = _os.path.normpath(_os.path.join(here, "..", "..", "..", "..", "share", "kolv"))
    return folder if _os.path.isfile(_os.path.join(folder, "seedv3.mdb")) else None


def _default_seed():
    if _os.environ.get("KOLV_DATA_DIR"):
        return _os.path.join(_os.environ["KOLV_DATA_DIR"], "seedv3.mdb")
    folder = _data_folder()
    return _os.path.join(folder, "seedv3.mdb") if folder else _core.default_seed()


def new(path, units="english", *, replace=False, seed=None):
    """Creates a project from the seed database and opens it.

    ``units`` is "english" (feet, acres, cfs) or "metric" (meters, hectares, m3/s). ".mdb" is
    added to a name without an extension. An existing file is kept (InputError) unless
    ``replace=True``. ``seed`` names another seed database than the installed one.
    """
    if units not in _UNITS:
        raise InputError("units must be 'english' or 'metric', not %r." % (units,), 13)
    handle = _core.new_project(_os.fspath(path), seed or _default_seed(), units == "metric", replace)
    return Project(handle)


def open(path):  # noqa: A001 - the package's verb, as in kolv.open("road.mdb")
    """Opens a project file (adding the fields an older file lacks). Use it in a ``with``
    statement to close the file at the end; the project is written as you go, so nothing is
    lost when a script stops half way."""
    return Project(_core.open_project(_os.fspath(path)))


class Result:
    """What a design step produced.

    ``rows``      list of dicts, one per reach, node or finding (see ``units`` for the units
                  of the numeric keys, which are the project's units);
    ``units``     key -> unit ("ft", "cfs", "%", ...), for the keys that have one;
    ``lines``     the listing the desktop program shows in the step's window;
    ``messages``  what the program said (message boxes, warnings), as "TITLE: text";
    ``status``    0 when the step ran to its end; ``ok`` says the same as a bool;
    ``converged`` False when a storm tabulation did not settle (see ``note``).
    """

    def __init__(self, step, rows=(), units=None, lines=(), messages=(), status=0, converged=True, **extra):
        self.step = step
        self.rows = list(rows)
        self.units = dict(units or {})
        self.lines = list(lines)
        self.messages = list(messages)
        self.status = status
        self.converged = converged
        self.extra = extra
        for key, value in extra.items():
            setattr(self, key, value)

    @property
    def ok(self):
        return self.status == 0

    @property
    def columns(self):
        """The keys of the rows, in order."""
        keys = []
        for row in self.rows:
            for key in row:
                if key not in keys:
                    keys.append(key)
        return keys

    def to_csv(self, path, *, header_units=False):
        """Writes the rows as a CSV file with a heading row of the keys (with their units in
        parentheses when ``header_units`` is true). Returns the path."""
        columns = self.columns
        with _builtins.open(path, "w", newline="", encoding="utf-8") as f:
            writer = _csv.writer(f)
            if header_units:
                writer.writerow(["%s (%s)" % (c, self.units[c]) if c in self.units else c for c in columns])
            else:
                writer.writerow(columns)
            for row in self.rows:
                writer.writerow(["" if row.get(c) is None else row.get(c) for c in columns])
        return path

    def __repr__(self):
        return "<kolv.Result %s: status %d, %d rows, %d messages>" % (
            self.step, self.status, len(self.rows), len(self.messages))



def _unit_of(caption):
    """The unit in a listing caption: "Q(cfs)" -> "cfs"; None without one."""
    if caption.endswith(")") and "(" in caption:
        return caption[caption.rindex("(") + 1:-1]
    return None


def _number(cell):
    if cell == "":
        return None
    try:
        return float(cell.replace(",", ""))
    except ValueError:
        return cell


class Record:
    """One node, reach or outfall record: its fields by name, as attributes (any case) or items.

    ``node.INLET_ELEV``, ``node.inlet_elev`` and ``node["INLET_ELEV"]`` read the same field.
    Assigning a field writes it at once through the editing panel's checks: a refused value
    raises InputError and changes nothing; typing a value a calculation switch governs
    (runoff C, inverts, pipe, length) turns that switch off, as in the desktop program.
    """

    __slots__ = ("_owner", "_table", "_row")

    def __init__(self, owner, table, row):
        object.__setattr__(self, "_owner", owner)
        object.__setattr__(self, "_table", table)
        object.__setattr__(self, "_row", row)

    def _position(self, name):
        positions = self._owner._positions
        pos = positions.get(name)
        if pos is None:
            pos = self._table.position(name)
            if pos < 0 and "_" in name:
                pos = self._table.position(name.replace("_", " "))  # "DESIGNED BY"
            if pos < 0:
                return -1
            positions[name] = pos
        return pos

    def __getattr__(self, name):
        if name.startswith("__"):
            raise AttributeError(name)
        pos = self._position(name)
        if pos < 0:
            raise AttributeError("%s has no field %r" % (self._owner.kind_caption, name))
        return self._table.value(self._row, pos)

    def __getitem__(self, name):
        pos = self._position(name)
        if pos < 0:
            raise KeyError(name)
        return self._table.value(self._row, pos)

    def __setattr__(self, name, value):
        self._set(name, value)

    def __setitem__(self, name, value):
        self._set(name, value)

    def _set(self, name, value):
        pos = self._position(name)
        if pos < 0:
            raise AttributeError("%s has no field %r" % (self._owner.kind_caption, name))
        field = self._table.fields[pos]
        self._owner._write(self, field, value)

    def _reload(self):
        table = self._owner._reread(self)
        object.__setattr__(self, "_table", table)
        object.__setattr__(self, "_row", 0)

    def keys(self):
        """The field names, in the table's order."""
        return self._table.fields

    def as_dict(self):
        """Every field as a dict of typed values."""
        return dict(zip(self._table.fields, self._table.row(self._row)))

    def __iter__(self):
        return iter(self._table.fields)

    def __eq__(self, other):
        return isinstance(other, Record) and self.as_dict() == other.as_dict()

    __hash__ = None

    def __repr__(self):
        return "<kolv.Record %s %s>" % (self._owner.kind_caption, self._key())

    def _key(self):
        # a reach is known by the node it leaves, a header by its system
        return self[{"NODE": "NAME", "REACH": "NODE1", "T16": "SYSTEM"}[self._owner.kind]]


class Records(_Sequence):
    """The nodes or reaches of a system in flow order, as they were when read.

    ``len(nodes)``, ``nodes[0]``, ``nodes["S-12"]`` (by name, any case), ``"S-12" in nodes``,
    iteration. ``system.nodes`` reads the records again; a view taken before a design step
    shows the values from before it.
    """

    _CAPTIONS = {"NODE": "node", "REACH": "reach", "T16": "outfall"}

    def __init__(self, system, kind, table):
        self.system = system
        self.kind = kind
        self.kind_caption = self._CAPTIONS[kind]
        self._table = table
        self._positions = {}
        self._names = None

    def __len__(self):
        return len(self._table)

    def __getitem__(self, key):
        if isinstance(key, slice):
            return [self[i] for i in range(*key.indices(len(self)))]
        if isinstance(key, str):
            index = self._index_of(key)
            if index is None:
                raise KeyError("%s %r is not in system %s" % (self.kind_caption, key, self.system.name))
            key = index
        if key < 0:
            key += len(self)
        if not 0 <= key < len(self):
            raise IndexError("%s index out of range" % self.kind_caption)
        return Record(self, self._table, key)

    def __iter__(self):
        table = self._table
        for i in range(len(table)):
            yield Record(self, table, i)

    def __contains__(self, name):
        if isinstance(name, Record):
            name = name["NAME"]
        return self._index_of(name) is not None

    def _index_of(self, name):
        if self._names is None:
            pos = self._table.position("NAME")
            self._names = {str(n).strip().upper(): i for i, n in enumerate(self._table.column(pos))}
        return self._names.get(str(name).strip().upper())

    def names(self):
        """The names, in flow order."""
        return list(self._table.column(self._table.position("NAME")))

    @property
    def fields(self):
        return self._table.fields

    def to_rows(self, fields=None):
        """The records as a list of dicts (all fields, or those named)."""
        names = self._table.fields
        if fields is None:
            return [dict(zip(names, self._table.row(i))) for i in range(len(self._table))]
        cols = [self._table.position(f) for f in fields]
        return [{f: self._table.value(i, c) for f, c in zip(fields, cols)} for i in range(len(self._table))]

    def add(self, name, **fields):
        """Adds a node (``to=`` the node or outfall it drains to makes its reach too) or a
        reach (``from_node=``, ``to=``) with the fields given, as one undo step."""
        return self.system._add(self.kind, name, fields)

    def delete(self, name):
        """Deletes a node (with the reaches in and out of it) or a reach, as one undo step."""
        self.system._delete(self.kind, name)

    # record writes and re-reads, shared by the records of this view
    def _write(self, record, field, value):
        self.system._write(self.kind, record._key(), field, value)
        record._reload()

    def _reread(self, record):
        return self.system.project._handle.record(self.kind, self.system.name, record._key())

    def __repr__(self):
        return "<kolv.Records %d %ss of %s>" % (len(self), self.kind_caption, self.system.name)


class System:
    """One storm sewer system of a project: its records and its design steps."""

    def __init__(self, project, name):
        self.project = project
        self.name = name

    def __repr__(self):
        return "<kolv.System %s>" % self.name

    @property
    def _h(self):
        return self.project._handle

    @property
    def nodes(self):
        """The nodes in flow order (each with its outgoing reach, nodes without one last)."""
        return Records(self, "NODE", self._h.table("NODE", self.name))

    @property
    def reaches(self):
        """The reaches in flow order."""
        return Records(self, "REACH", self._h.table("REACH", self.name))

    @property
    def outfall(self):
        """The outfall and header record (T16): OUT_NODE, OUT_TW, OUT_EL, design storm, ..."""
        records = Records(self, "T16", self._h.table("T16", self.name))
        if not len(records):
            raise InputError("System %s has no outfall and header record." % self.name, 13)
        return records[0]

    # ---- editing --------------------------------------------------------------------------

    def _write(self, kind, key, field, value):
        _core.set_field(self._h, kind, self.name, key, field, value)

    def _add(self, kind, name, fields):
        caption = "Add %s %s" % ("Node" if kind == "NODE" else "Reach", str(name).strip())
        with self.project.change(caption):
            _core.add_record(self._h, kind, self.name, str(name), fields)
        return (self.nodes if kind == "NODE" else self.reaches)[str(name).strip()]

    def _delete(self, kind, name):
        _core.delete_record(self._h, kind, self.name, str(name))

    # ---- design steps ---------------------------------------------------------------------

    def verify(self):
        """Verifies the nodes and reaches. ``rows`` has one {"finding": line} per fault;
        ``status`` is 1 when there are findings (``ok`` False)."""
        r = _core.verify(self._h, self.name)
        findings = [l for l in r["lines"] if l != "Verification Complete."]
        return Result("verify", rows=[{"finding": l} for l in findings], lines=[r["title"]] + r["lines"],
                      messages=r["messages"], status=0 if r["ok"] else 1, faults=r["faults"],
                      complete=r["complete"])

    def size_pipes(self, group, *, max_velocity=None, max_hgl_slope=None, min_velocity=None,
                   not_smaller_than_upstream=False, verify=False):
        """Step 2: chooses each pipe from pipe group ``group`` so that the full-flow velocity
        stays below ``max_velocity`` (ft/s or m/s) or the friction slope below
        ``max_hgl_slope`` (%). ``min_velocity``: the minimum velocity for travel times (None
        the default 2.0 ft/s / 0.610 m/s, False none). ``rows``: each reach's pipe with the
        constraint that governed it."""
        r = _core.size_pipes(self._h, self.name, group, max_velocity, max_hgl_slope, min_velocity,
                             not_smaller_than_upstream, verify)
        units = {"q_cfs": "cfs"}
        return Result("size_pipes", rows=r["rows"], units=units, lines=r["verification_lines"] + r["lines"],
                      messages=r["messages"], status=0 if r["status"] == 0 else 1)

    def set_flowlines(self, min_slope, *, vary_by_velocity=None, match="flow", large_from=None, decimals=6,
                      verify=False):
        """Step 3: sets the pipe inverts for cover, ``min_slope`` (%) and matching at the
        structures (``match`` "flow" or "crown"; ``large_from`` matches only pipes of at least
        that size, in or mm; ``vary_by_velocity`` makes the minimum slope the one at which each
        pipe runs full at that velocity). ``rows``: each reach's inverts after the step."""
        r = _core.set_flowlines(self._h, self.name, min_slope, vary_by_velocity, match, large_from, decimals,
                                verify)
        length = "m" if self.project.metric else "ft"
        rows = [{"reach": rec["NAME"], "from": rec["NODE1"], "to": rec["NODE2"], "elev1": rec["ELEV1"],
                 "elev2": rec["ELEV2"]} for rec in self.reaches] if r["ran"] else []
        return Result("set_flowlines", rows=rows, units={"elev1": length, "elev2": length},
                      lines=r["ditch_lines"] + r["verification_lines"] + r["lines"], messages=r["messages"],
                      status=0 if r["ran"] else 1)

    def storm_tabs(self, *, verify=False, **options):
        """Step 4: the storm tabulation with the project's stored options changed by the
        keywords given (``kolv.storm_tab_options()`` lists them), which are stored as the
        desktop window stores them. ``rows``: one dict per reach in flow order, keyed as the
        kolv-cli CSV ("from", "to", "pipe", "q", "velocity", "hgl_up", "clearance", ...), in
        the project's units (``units``). ``converged`` False with ``note`` when the grade line
        did not settle."""
        r = _core.storm_tabs(self._h, self.name, options, verify)
        return _table_result("storm_tabs", r, status=0 if r["status"] == 0 else 1, converged=r["converged"],
                             passes=r["passes"], note=r["note"], options=r["options"],
                             lines=r["ditch_lines"] + r["verification_lines"] + r["lines"])

    def cost(self, *, detail=False):
        """The system cost: ``rows`` holds the totals of pipes, structures and the whole."""
        r = _core.cost(self._h, self.name, detail)
        rows = [] if r["stopped"] else [{"pipes": r["pipes"], "structures": r["structures"], "total": r["total"]}]
        return Result("cost", rows=rows, lines=[r["title"]] + r["lines"], messages=r["messages"],
                      status=1 if r["stopped"] else 0)

    def review(self):
        """The design review against the project's criteria and the last results: one row per
        finding, worst first; ``status`` 1 when a finding is an error."""
        r = _core.review(self._h, self.name)
        return Result("review", rows=r["rows"], lines=r["lines"], messages=r["messages"],
                      status=1 if r["errors"] else 0, errors=r["errors"], warnings=r["warnings"],
                      notes=r["notes"], has_results=r["has_results"])

    def check_storm(self, name, *, frequency=None, intensity_factor=1.0, verify=False, **options):
        """Runs a check storm on the design as it stands (another return period ``frequency``
        of the system's IDF zone or location, and/or every intensity times
        ``intensity_factor``) and keeps its grade line as scenario ``name``; the design's own
        results are not changed. Returns the comparison of every scenario (see scenarios())."""
        r = _core.check_storm(self._h, self.name, name, frequency or "", intensity_factor, options, verify)
        if r["status"] != 0:
            return Result("check_storm", lines=r["lines"], messages=r["messages"], status=1)
        result = _comparison(r["comparison"])
        result.lines = r["lines"]
        result.messages = r["messages"]
        return result

    def scenarios(self):
        """The design run and every kept check storm, node by node, least clearance first:
        ``rows`` with "node", "rim", "design_hgl", "<scenario> hgl", "least_clearance"."""
        return _comparison(_core.scenarios(self._h, self.name))


def _table_result(step, r, **extra):
    keys = [c[0] for c in r["columns"]]
    numeric = [c[2] for c in r["columns"]]
    units = {c[0]: _unit_of(c[1]) for c in r["columns"] if _unit_of(c[1])}
    rows = [{k: (_number(cell) if num else cell) for k, num, cell in zip(keys, numeric, row)} for row in r["rows"]]
    return Result(step, rows=rows, units=units, messages=r["messages"], **extra)


def _comparison(text):
    data = _json.loads(text)
    unit = "m" if data["units"] == "metric" else "ft"
    rows = []
    for n in data["nodes"]:
        row = {"node": n["node"], "rim": n["rim"], "design_hgl": n["design_hgl"]}
        for name, hgl in zip(data["scenarios"], n["scenario_hgl"]):
            row[name + " hgl"] = hgl
        row["least_clearance"] = n["least_clearance"]
        rows.append(row)
    units = {k: unit for k in (rows[0] if rows else {})} if rows else {}
    units.pop("node", None)
    return Result("scenarios", rows=rows, units=units, scenarios=data["scenarios"])


class Definitions:
    """The structure or pipe definitions of the project's unit system, by name.

    ``project.pipes["18RCP"]`` is a dict of the definition's fields; ``project.pipes.set(
    "18RCP", N=0.012)`` changes fields (checked, one undo step); ``add(name, **fields)`` and
    ``delete(name)`` as in the definition windows.
    """

    def __init__(self, project, kind):
        self._project = project
        self._kind = kind

    def names(self):
        return _core.definition_names(self._project._handle, self._kind)

    def __iter__(self):
        return iter(self.names())

    def __len__(self):
        return len(self.names())

    def __contains__(self, name):
        return str(name).strip().upper() in (n.upper() for n in self.names())

    def __getitem__(self, name):
        try:
            return _core.read_definition(self._project._handle, self._kind, name)
        except InputError as e:
            raise KeyError(str(e)) from None

    def set(self, name, **fields):
        """Changes fields of a definition (names as in the table: HEIGHT, N, COST, GROUPP, ...)."""
        _core.write_definition(self._project._handle, self._kind, name, {k.upper(): v for k, v in fields.items()})

    def add(self, name, **fields):
        """Adds a definition (its first 8 characters are its name) and returns the name stored."""
        return _core.add_definition(self._project._handle, self._kind, name,
                                    {k.upper(): v for k, v in fields.items()})

    def delete(self, name):
        _core.delete_definition(self._project._handle, self._kind, name)

    def rows(self):
        """Every definition as a dict, in the window's order."""
        return [self[n] for n in self.names()]


class Grid:
    """A table of rows edited like the desktop grid: the IDF coefficients (Zone, Freq, A, B,
    C, D) or one time-intensity table (Time, Intensity). Rows are numbered from 0 as listed."""

    def __init__(self, project, which, location="", frequency=""):
        self._project = project
        self._which = which
        self._location = location
        self._frequency = frequency

    def _args(self):
        return (self._project._handle, self._which, self._location, self._frequency)

    @property
    def columns(self):
        return [c[0] for c in _core.grid(*self._args())["columns"]]

    @property
    def rows(self):
        """The rows as dicts keyed by column field, numbers as floats."""
        g = _core.grid(*self._args())
        keys = [c[0] for c in g["columns"]]
        return [dict(zip(keys, row)) for row in g["rows"]]

    def __len__(self):
        return len(_core.grid(*self._args())["rows"])

    def __getitem__(self, row):
        return self.rows[row]

    def set(self, row, column, value):
        """Writes one cell (column by field or caption, or by number); checked, one undo step."""
        _core.grid_set(*self._args(), row, column, value)

    def add(self, **values):
        """Adds a row, fills the values given (column=value) and returns its index."""
        index = _core.grid_add(*self._args())
        for column, value in values.items():
            self.set(index, column, value)
        return index

    def delete(self, *rows):
        _core.grid_delete(*self._args(), list(rows))

    def paste(self, block, row=None, column=0):
        """Pastes a tab-separated block (or a list of rows) with its top left cell at
        (row, column); rows past the end are added. Refused whole on one bad value."""
        if not isinstance(block, str):
            block = "\n".join("\t".join(str(v) for v in r) for r in block)
        return _core.grid_paste(*self._args(), row, column, block)


class TimeIntensityTables:
    """The user-defined time-intensity tables, by location and frequency."""

    def __init__(self, project):
        self._project = project

    def tables(self):
        """(location, frequency) of every table, in order."""
        seen = []
        for row in Grid(self._project, "time_intensity").rows:
            key = (row["LOCATION"], row["FREQUENCY"])
            if key not in seen:
                seen.append(key)
        return seen

    def __iter__(self):
        return iter(self.tables())

    def __len__(self):
        return len(self.tables())

    def table(self, location, frequency):
        """One table's rows (TIME, INTENSITY) as a Grid."""
        return Grid(self._project, "time_intensity", location, frequency)

    __call__ = table

    def add_table(self, location, frequency, points=()):
        """Adds a table and its (time, intensity) points; returns it."""
        _core.add_time_intensity_table(self._project._handle, location, frequency)
        grid = self.table(location, frequency)
        if points:
            # the new table's first row holds only its location and frequency
            grid.paste([list(p) for p in points], row=0, column="TIME")
        return grid

    def delete_table(self, location, frequency):
        _core.delete_time_intensity_table(self._project._handle, location, frequency)

    def preview(self, location, frequency):
        """(minutes, intensity) of the table's curve at 0, 5, ..., 90 minutes."""
        return _core.time_intensity_preview(self._project._handle, location, frequency)


class _Change:
    def __init__(self, project, caption):
        self._project = project
        self._caption = caption

    def __enter__(self):
        self._before = self._project._handle.undo_names()
        self._project._handle.begin_change(self._caption)
        return self._project

    def __exit__(self, kind, value, traceback):
        handle = self._project._handle
        handle.end_change()
        if kind is not None and handle.undo_names() != self._before:
            handle.undo()  # a change that failed half way leaves nothing behind
        return False


class Project:
    """An open project file. Use :func:`kolv.open` or :func:`kolv.new`."""

    def __init__(self, handle):
        self._handle = handle

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def close(self):
        """Closes the file (everything is already written)."""
        self._handle.close()

    @property
    def closed(self):
        return self._handle.closed

    @property
    def path(self):
        return self._handle.path

    @property
    def metric(self):
        return self._handle.metric

    @property
    def units(self):
        """"english" or "metric"."""
        return "metric" if self._handle.metric else "english"

    def __repr__(self):
        return "<kolv.Project %s (%s)%s>" % (self.path if not self.closed else "", "closed" if self.closed
                                             else self.units, "")

    # ---- systems --------------------------------------------------------------------------

    @property
    def systems(self):
        """The names of the systems, in the project's order."""
        return self._handle.systems()

    def system(self, name=None):
        """The system of that name (any case); without a name the current one."""
        if name is None:
            name = self._handle.current_system
            if not name:
                raise InputError("Select the active system or add a new system.", 13)
        names = self.systems
        for s in names:
            if s.upper() == str(name).strip().upper():
                return System(self, s)
        raise InputError("The system '%s' is not in %s. Systems: %s" % (
            str(name).strip(), self.path, ", ".join(names) or "(none)"), 13)

    def __getitem__(self, name):
        return self.system(name)

    def add_system(self, name, outfall, *, tailwater=None, elevation=None, x=None, y=None, **header):
        """Adds a system draining to ``outfall`` (its name; no node may bear it) with the
        outfall's ``tailwater`` and ``elevation`` (project units) and position ``x``, ``y``;
        further header fields (AREA1, ZONE, FREQ, ...) by name. One undo step. Returns the System."""
        with self.change("Add System " + str(name).strip()):
            _core.add_system(self._handle, str(name), str(outfall), tailwater, elevation, x, y)
            system = self.system(name)
            for field, value in header.items():
                setattr(system.outfall, field, value)
        return system

    def delete_system(self, name):
        """Deletes a system with its nodes and reaches (one undo step)."""
        _core.delete_system(self._handle, name)

    @property
    def current_system(self):
        """The system the desktop program shows when it opens the project ("" for none)."""
        return self._handle.current_system

    @current_system.setter
    def current_system(self, name):
        self._handle.current_system = name or ""

    # ---- undo -----------------------------------------------------------------------------

    def change(self, caption):
        """``with project.change("Raise inlets"):`` makes one undo step of every change made
        inside it; when the block raises, its changes are taken back."""
        return _Change(self, caption)

    def undo(self):
        """Takes back the last step; False when there is none."""
        return self._handle.undo()

    def redo(self):
        """Replays the last step taken back; False when there is none."""
        return self._handle.redo()

    @property
    def undo_steps(self):
        """Names of the steps undo can take back, oldest first."""
        return self._handle.undo_names()

    @property
    def redo_steps(self):
        return self._handle.redo_names()

    # ---- definitions and rainfall ---------------------------------------------------------

    @property
    def pipes(self):
        return Definitions(self, "pipe")

    @property
    def structures(self):
        return Definitions(self, "structure")

    @property
    def idf(self):
        """The IDF coefficients (T2) as a Grid: ZONE, FREQ, A, B, C, D."""
        return Grid(self, "idf")

    @property
    def time_intensity(self):
        return TimeIntensityTables(self)

    @property
    def storm_tab_options(self):
        """The stored storm tabulation options, as System.storm_tabs takes them."""
        return _core.stored_options(self._handle)


def storm_tab_options():
    """The keywords System.storm_tabs and System.check_storm take, with what each does."""
    return dict(_core.option_names())
