// Structure and pipe definitions, IDF coefficients and time-intensity tables for scripts, through the core editors.
#include <pybind11/stl.h>

#include <map>

#include "common/error.h"
#include "common/number_input.h"
#include "common/text.h"
#include "editing/definitions.h"
#include "editing/rainfall_tables.h"
#include "python/bindings.h"

namespace kolv::python {
namespace {

using editing::DefinitionKind;

/// One editable field of a definition: table field, caption, whether it is a number.
struct DefinitionField {
    const char* field;
    const char* caption;
    bool numeric;
};

const std::vector<DefinitionField>& fieldsOf(DefinitionKind kind) {
    static const std::vector<DefinitionField> structures = {
        {"GROUPP", "Group", false},
        {"COST_LT", "Cost (<)", true},
        {"COST_GT", "Cost (>)", true},
        {"MIN_PIPE_COVER", "Min. pipe cover", true},
        {"MAX_INLET_HYD_CAPACITY", "Max. inlet capacity", true},
        {"HGL_CLEAR", "HGL clearance", true},
        {"DIAGRAM_CLASS_NAME", "Diagram class", false},
    };
    static const std::vector<DefinitionField> pipes = {
        {"HEIGHT", "Height", true},
        {"WIDTH", "Width", true},
        {"AREA", "Area", true},
        {"THICKNESS", "Thickness", true},
        {"DS_DESC", "Description", false},
        {"GROUPP", "Group", true},
        {"N", "Manning's n", true},
        {"COST", "Cost", true},
        {"COLUMN_ORDER", "Column order", true},
        {"COLUMN_IDENTIFIER", "Column identifier", false},
    };
    return kind == DefinitionKind::Structure ? structures : pipes;
}

DefinitionKind kindOf(const std::string& kind) {
    if (kind == "structure") return DefinitionKind::Structure;
    if (kind == "pipe") return DefinitionKind::Pipe;
    throw InputError("Unknown definition kind '" + kind + "'.");
}

const char* kindCaption(DefinitionKind kind) { return kind == DefinitionKind::Structure ? "Structure" : "Pipe"; }

/// Structure group by list index or by its name; -1 when neither.
int structureGroup(const std::string& text) {
    const auto& groups = editing::structureGroups();
    for (std::size_t i = 0; i < groups.size(); ++i)
        if (equalsIgnoreCase(trim(text), groups[i])) return static_cast<int>(i);
    const auto check = input::parseNumber(text, "Group");
    if (check.ok() && *check.value == static_cast<int>(*check.value) && *check.value >= 0 &&
        *check.value < static_cast<double>(groups.size()))
        return static_cast<int>(*check.value);
    return -1;
}

py::dict readDefinition(ProjectHandle& h, const std::string& kindName, const std::string& name) {
    const DefinitionKind kind = kindOf(kindName);
    py::dict d;
    if (kind == DefinitionKind::Structure) {
        const auto s = editing::readStructure(h.db(), name);
        if (!s) throw InputError("Structure '" + trim(name) + "' cannot be found.");
        d["NAME"] = s->name;
        d["GROUPP"] = s->group;
        d["COST_LT"] = s->costLt;
        d["COST_GT"] = s->costGt;
        d["MIN_PIPE_COVER"] = s->minPipeCover;
        d["MAX_INLET_HYD_CAPACITY"] = s->maxInletHydCapacity;
        d["HGL_CLEAR"] = s->hglClear;
        d["DIAGRAM_CLASS_NAME"] = s->diagramClass;
    } else {
        const auto p = editing::readPipe(h.db(), name);
        if (!p) throw InputError("Pipe '" + trim(name) + "' cannot be found.");
        d["NAME"] = p->name;
        d["HEIGHT"] = p->height;
        d["WIDTH"] = p->width;
        d["AREA"] = p->area;
        d["THICKNESS"] = p->thickness;
        d["DS_DESC"] = p->description;
        d["GROUPP"] = p->group;
        d["N"] = p->n;
        d["COST"] = p->cost;
        d["COLUMN_ORDER"] = p->columnOrder;
        d["COLUMN_IDENTIFIER"] = p->columnIdentifier;
    }
    return d;
}

/// Checks every value first (nothing is written when one is refused), then saves the definition.
void writeDefinition(ProjectHandle& h, DefinitionKind kind, const std::string& name, const py::dict& values) {
    db::Project& p = h.get();
    const char* table = kind == DefinitionKind::Structure ? "T6" : "T7";
    std::map<std::string, double> numbers;
    std::map<std::string, std::string> texts;
    for (const auto& [key, value] : values) {
        const std::string field = toUpper(py::str(key).cast<std::string>());
        const std::string text = typedText(value);
        const auto& fields = fieldsOf(kind);
        auto f = std::find_if(fields.begin(), fields.end(), [&](const DefinitionField& x) { return field == x.field; });
        if (f == fields.end()) {
            std::string list;
            for (const auto& x : fields) list += (list.empty() ? "" : ", ") + std::string(x.field);
            throw InputError("'" + field + "' is not a field of a " + toUpper(kindCaption(kind)) +
                             " definition. Fields: " + list);
        }
        if (kind == DefinitionKind::Structure && field == "GROUPP") {
            const int g = structureGroup(text);
            if (g < 0) throw InputError("Group must be one of 0 to 6 or a group name (\"Manhole\", \"Curb Inlet\", ...).");
            numbers[field] = g;
        } else if (f->numeric) {
            const auto check = input::checkField(table, field, text, f->caption, p.metric);
            if (!check.ok()) throw InputError(check.error);
            numbers[field] = *check.value;
        } else {
            texts[field] = text;
        }
    }
    auto num = [&](const char* field, double& target) {
        if (auto it = numbers.find(field); it != numbers.end()) target = it->second;
    };
    auto txt = [&](const char* field, std::string& target, bool trimmed) {
        if (auto it = texts.find(field); it != texts.end()) target = trimmed ? trim(it->second) : it->second;
    };
    bool saved = false;
    if (kind == DefinitionKind::Structure) {
        auto d = editing::readStructure(p.db.operator*(), name);
        if (d) {
            if (auto it = numbers.find("GROUPP"); it != numbers.end()) d->group = static_cast<int>(it->second);
            num("COST_LT", d->costLt);
            num("COST_GT", d->costGt);
            num("MIN_PIPE_COVER", d->minPipeCover);
            num("MAX_INLET_HYD_CAPACITY", d->maxInletHydCapacity);
            num("HGL_CLEAR", d->hglClear);
            txt("DIAGRAM_CLASS_NAME", d->diagramClass, true);
            saved = editing::saveStructure(*p.db, *d, p.engMet());
        }
    } else {
        auto d = editing::readPipe(*p.db, name);
        if (d) {
            num("HEIGHT", d->height);
            num("WIDTH", d->width);
            num("AREA", d->area);
            num("THICKNESS", d->thickness);
            num("N", d->n);
            num("COST", d->cost);
            num("COLUMN_ORDER", d->columnOrder);
            if (auto it = numbers.find("GROUPP"); it != numbers.end()) d->group = static_cast<int>(it->second);
            txt("DS_DESC", d->description, false);
            txt("COLUMN_IDENTIFIER", d->columnIdentifier, true);
            // The look-over of a pipe warns of an unlikely n and offers the round-pipe area; a
            // script keeps what it gave (the question's default), and the warning stays in its messages.
            editing::reviewPipe(*d, editing::lengthUnitLabel(p.metric), h.ui);
            saved = editing::savePipe(*p.db, *d, p.engMet());
        }
    }
    if (!saved) throw InputError(std::string(kindCaption(kind)) + " '" + trim(name) + "' cannot be found.");
}

std::string addDefinition(ProjectHandle& h, const std::string& kindName, const std::string& name,
                          const py::dict& values) {
    const DefinitionKind kind = kindOf(kindName);
    db::Project& p = h.get();
    if (trim(editing::definitionName(name)).empty()) throw InputError("A blank name adds nothing.");
    const std::string stored = editing::addDefinition(*p.db, kind, name, p.engMet(), h.ui);
    if (stored.empty()) h.refuse(std::string(kindCaption(kind)) + " '" + trim(name) + "' was not added.");
    if (values.size() > 0) writeDefinition(h, kind, stored, values);
    return stored;
}

void deleteDefinition(ProjectHandle& h, const std::string& kindName, const std::string& name) {
    const DefinitionKind kind = kindOf(kindName);
    db::Database& db = h.db();
    const bool exists = kind == DefinitionKind::Structure ? editing::readStructure(db, name).has_value()
                                                           : editing::readPipe(db, name).has_value();
    if (!exists) throw InputError(std::string(kindCaption(kind)) + " '" + trim(name) + "' cannot be found.");
    YesScope yes(h.ui);  // the script named what it deletes
    if (!editing::deleteDefinition(db, kind, name, h.ui)) h.refuse(std::string(kindCaption(kind)) + " '" + trim(name) + "' was not deleted.");
}

// ---- grids: IDF coefficients and time-intensity tables ----------------------------------------

std::unique_ptr<editing::TableGrid> gridOf(ProjectHandle& h, const std::string& which, const std::string& location,
                                           const std::string& frequency) {
    if (which == "idf") return editing::makeIdfGrid(h.db());
    if (which == "time_intensity") {
        auto grid = editing::makeTimeIntensityGrid(h.db());
        editing::selectTimeIntensityTable(*grid, location, frequency);
        return grid;
    }
    throw InputError("Unknown table '" + which + "'.");
}

py::dict gridContents(const editing::TableGrid& grid) {
    py::list columns;
    for (const auto& c : grid.columns()) columns.append(py::make_tuple(c.field, c.caption, c.numeric));
    py::list rows;
    for (const auto& r : grid.rows()) {
        py::list cells;
        for (std::size_t j = 0; j < r.cells.size(); ++j) {
            const std::string& cell = r.cells[j];
            if (grid.columns()[j].numeric && !cell.empty()) {
                const auto n = input::parseNumber(cell, grid.columns()[j].caption);
                cells.append(n.ok() ? py::object(py::float_(*n.value)) : py::object(py::str(cell)));
            } else {
                cells.append(py::str(cell));
            }
        }
        rows.append(cells);
    }
    py::dict d;
    d["columns"] = columns;
    d["rows"] = rows;
    return d;
}

std::size_t rowIndex(const editing::TableGrid& grid, long row) {
    if (row < 0) row += static_cast<long>(grid.rowCount());
    if (row < 0 || row >= static_cast<long>(grid.rowCount()))
        throw py::index_error("row " + std::to_string(row) + " is not in the table (" +
                              std::to_string(grid.rowCount()) + " rows)");
    return static_cast<std::size_t>(row);
}

std::size_t columnIndex(const editing::TableGrid& grid, const py::handle& column) {
    if (py::isinstance<py::int_>(column)) {
        const long c = column.cast<long>();
        if (c >= 0 && c < static_cast<long>(grid.columns().size())) return static_cast<std::size_t>(c);
    } else {
        const std::string name = py::str(column).cast<std::string>();
        for (std::size_t j = 0; j < grid.columns().size(); ++j)
            if (equalsIgnoreCase(trim(name), grid.columns()[j].caption) ||
                equalsIgnoreCase(trim(name), grid.columns()[j].field))
                return j;
    }
    std::string list;
    for (const auto& c : grid.columns()) list += (list.empty() ? "" : ", ") + c.field;
    throw InputError("Column '" + py::str(column).cast<std::string>() + "' is not one of the table's: " + list);
}

void bindGrids(py::module_& m) {
    m.def("grid", [](ProjectHandle& h, const std::string& which, const std::string& location,
                     const std::string& frequency) { return gridContents(*gridOf(h, which, location, frequency)); });
    m.def("grid_set", [](ProjectHandle& h, const std::string& which, const std::string& location,
                         const std::string& frequency, long row, const py::handle& column, const py::handle& value) {
        auto grid = gridOf(h, which, location, frequency);
        const std::size_t r = rowIndex(*grid, row);
        const std::size_t c = columnIndex(*grid, column);
        if (!grid->setCell(r, c, typedText(value), h.ui)) h.refuse("The value was not written.");
        h.ui.take();
    });
    m.def("grid_add", [](ProjectHandle& h, const std::string& which, const std::string& location,
                         const std::string& frequency) {
        auto grid = gridOf(h, which, location, frequency);
        YesScope yes(h.ui);
        const bool added = which == "idf" ? editing::addIdfRow(*grid, h.ui) : grid->addRow(h.ui);
        if (!added) h.refuse("No row was added.");
        h.ui.take();
        return grid->rowCount() - 1;
    });
    m.def("grid_delete", [](ProjectHandle& h, const std::string& which, const std::string& location,
                            const std::string& frequency, const std::vector<long>& rows) {
        auto grid = gridOf(h, which, location, frequency);
        std::vector<std::size_t> at;
        for (long r : rows) at.push_back(rowIndex(*grid, r));
        YesScope yes(h.ui);
        if (!grid->deleteRows(at, h.ui)) h.refuse("No row was deleted.");
        h.ui.take();
    });
    m.def("grid_paste", [](ProjectHandle& h, const std::string& which, const std::string& location,
                           const std::string& frequency, py::object row, const py::handle& column,
                           const std::string& block) {
        auto grid = gridOf(h, which, location, frequency);
        const std::size_t r = row.is_none() ? grid->rowCount() : rowIndex(*grid, row.cast<long>());
        const std::size_t c = columnIndex(*grid, column);
        if (editing::splitBlock(block).empty()) return std::size_t{0};
        const std::size_t written = grid->paste(r, c, block, h.ui);
        if (written == 0) h.refuse("Nothing was pasted.");
        h.ui.take();
        return written;
    });
    m.def("add_time_intensity_table", [](ProjectHandle& h, const std::string& location, const std::string& frequency) {
        if (!editing::addTimeIntensityTable(h.db(), location, frequency, h.ui)) h.refuse("The table was not added.");
        h.ui.take();
    });
    m.def("delete_time_intensity_table",
          [](ProjectHandle& h, const std::string& location, const std::string& frequency) {
              YesScope yes(h.ui);
              if (!editing::deleteTimeIntensityTable(h.db(), location, frequency, h.ui))
                  h.refuse("Location '" + trim(location) + "' Frequency '" + trim(frequency) + "' was not deleted.");
              h.ui.take();
          });
    m.def("time_intensity_preview", [](ProjectHandle& h, const std::string& location, const std::string& frequency) {
        std::vector<std::pair<double, double>> points;
        for (const auto& p : editing::timeIntensityPreview(h.db(), h.ui, location, frequency))
            points.emplace_back(p.durationMin, p.intensity);
        return points;
    });
}

}  // namespace

void bindDefinitions(py::module_& m) {
    m.def("definition_names", [](ProjectHandle& h, const std::string& kind) {
        return editing::definitionNames(h.db(), kindOf(kind), h.get().engMet());
    });
    m.def("read_definition", &readDefinition, py::arg("handle"), py::arg("kind"), py::arg("name"));
    m.def("write_definition",
          [](ProjectHandle& h, const std::string& kind, const std::string& name, const py::dict& values) {
              writeDefinition(h, kindOf(kind), name, values);
          });
    m.def("add_definition", &addDefinition, py::arg("handle"), py::arg("kind"), py::arg("name"), py::arg("values"));
    m.def("delete_definition", &deleteDefinition, py::arg("handle"), py::arg("kind"), py::arg("name"));
    m.def("structure_groups", [] { return editing::structureGroups(); });
    bindGrids(m);
}

}  // namespace kolv::python
