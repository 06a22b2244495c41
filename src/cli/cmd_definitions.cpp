// kolv-cli structures / pipes: list, add, change and delete the structure and pipe definitions of a project.
#include <CLI/CLI.hpp>
#include <fmt/format.h>
#include <iostream>
#include <map>

#include "cli/command.h"
#include "cli/output.h"
#include "cli/project_access.h"
#include "common/number_input.h"
#include "common/text.h"
#include "editing/definitions.h"

namespace kolv::cli {
namespace {

using editing::DefinitionKind;

/// One editable field of a definition: option name, table field, caption, whether it is a number.
struct FieldOption {
    const char* option;
    const char* field;
    const char* caption;
    bool numeric;
};

const std::vector<FieldOption>& fieldsOf(DefinitionKind kind) {
    static const std::vector<FieldOption> structures = {
        {"--group", "GROUPP", "Group", false},
        {"--cost-lt", "COST_LT", "Cost (<)", true},
        {"--cost-gt", "COST_GT", "Cost (>)", true},
        {"--min-pipe-cover", "MIN_PIPE_COVER", "Min. pipe cover", true},
        {"--max-inlet-hyd-capacity", "MAX_INLET_HYD_CAPACITY", "Max. inlet capacity", true},
        {"--hgl-clear", "HGL_CLEAR", "HGL clearance", true},
        {"--diagram-class", "DIAGRAM_CLASS_NAME", "Diagram class", false},
    };
    static const std::vector<FieldOption> pipes = {
        {"--height", "HEIGHT", "Height", true},
        {"--width", "WIDTH", "Width", true},
        {"--area", "AREA", "Area", true},
        {"--thickness", "THICKNESS", "Thickness", true},
        {"--desc", "DS_DESC", "Description", false},
        {"--group", "GROUPP", "Group", true},
        {"--n", "N", "Manning's n", true},
        {"--cost", "COST", "Cost", true},
        {"--column-order", "COLUMN_ORDER", "Column order", true},
        {"--column-identifier", "COLUMN_IDENTIFIER", "Column identifier", false},
    };
    return kind == DefinitionKind::Structure ? structures : pipes;
}

/// The options of one invocation (CLI11 binds to storage that outlives parsing).
struct Options {
    std::string path, add, edit, del;
    Format format = Format::Text;
    std::map<std::string, std::string> values;  // field -> typed text
};

/// Structure group by list index (0..6) or by its name; -1 when neither.
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

/// Checks every typed value before anything is written; false (message shown) at the first refusal.
bool checkValues(DefinitionKind kind, const Options& o, std::map<std::string, double>& numbers, ui::UiPort& ui) {
    const char* table = kind == DefinitionKind::Structure ? "T6" : "T7";
    for (const auto& f : fieldsOf(kind)) {
        auto it = o.values.find(f.field);
        if (it == o.values.end()) continue;
        if (kind == DefinitionKind::Structure && std::string(f.field) == "GROUPP") {
            const int g = structureGroup(it->second);
            if (g < 0) {
                ui.invalidData("Group must be one of 0 to 6 or a group name (\"Manhole\", \"Curb Inlet\", ...).");
                return false;
            }
            numbers[f.field] = g;
        } else if (f.numeric) {
            const auto check = input::checkField(table, f.field, it->second, f.caption);
            if (!check.ok()) {
                ui.invalidData(check.error);
                return false;
            }
            numbers[f.field] = *check.value;
        }
    }
    return true;
}

void applyStructure(editing::StructureDefinition& d, const Options& o, const std::map<std::string, double>& n) {
    auto num = [&](const char* f, double& target) {
        if (auto it = n.find(f); it != n.end()) target = it->second;
    };
    if (auto it = n.find("GROUPP"); it != n.end()) d.group = static_cast<int>(it->second);
    num("COST_LT", d.costLt);
    num("COST_GT", d.costGt);
    num("MIN_PIPE_COVER", d.minPipeCover);
    num("MAX_INLET_HYD_CAPACITY", d.maxInletHydCapacity);
    num("HGL_CLEAR", d.hglClear);
    if (auto it = o.values.find("DIAGRAM_CLASS_NAME"); it != o.values.end()) d.diagramClass = trim(it->second);
}

void applyPipe(editing::PipeDefinition& d, const Options& o, const std::map<std::string, double>& n) {
    auto num = [&](const char* f, double& target) {
        if (auto it = n.find(f); it != n.end()) target = it->second;
    };
    num("HEIGHT", d.height);
    num("WIDTH", d.width);
    num("AREA", d.area);
    num("THICKNESS", d.thickness);
    num("N", d.n);
    num("COST", d.cost);
    num("COLUMN_ORDER", d.columnOrder);
    if (auto it = n.find("GROUPP"); it != n.end()) d.group = static_cast<int>(it->second);
    if (auto it = o.values.find("DS_DESC"); it != o.values.end()) d.description = it->second;
    if (auto it = o.values.find("COLUMN_IDENTIFIER"); it != o.values.end()) d.columnIdentifier = trim(it->second);
}

void listStructures(db::Database& db, int engMet) {
    std::cout << fmt::format("{:<8}  {:<18}  {:>10}  {:>10}  {:>8}  {:>9}  {:>7}  {}\n", "Name", "Group", "Cost <",
                             "Cost >", "Cover", "Capacity", "HGL cl.", "Diagram class");
    for (const auto& name : editing::definitionNames(db, DefinitionKind::Structure, engMet)) {
        const auto d = editing::readStructure(db, name);
        if (!d) continue;
        const auto& groups = editing::structureGroups();
        const std::string group = d->group >= 0 && d->group < static_cast<int>(groups.size())
                                      ? groups[static_cast<std::size_t>(d->group)]
                                      : std::to_string(d->group);
        std::cout << fmt::format("{:<8}  {:<18}  {:>10}  {:>10}  {:>8}  {:>9}  {:>7}  {}\n", d->name, group,
                                 editing::fieldText(d->costLt), editing::fieldText(d->costGt),
                                 editing::fieldText(d->minPipeCover), editing::fieldText(d->maxInletHydCapacity),
                                 editing::fieldText(d->hglClear), d->diagramClass);
    }
}

void listPipes(db::Database& db, int engMet) {
    std::cout << "Lengths in " << editing::lengthUnitLabel(engMet == 1) << "\n";
    std::cout << fmt::format("{:<8}  {:>5}  {:>7}  {:>7}  {:>8}  {:>9}  {:>6}  {:>8}  {:>5}  {:<12}  {}\n", "Name",
                             "Group", "Height", "Width", "Area", "Thickness", "n", "Cost", "Order", "Identifier",
                             "Description");
    for (const auto& name : editing::definitionNames(db, DefinitionKind::Pipe, engMet)) {
        const auto d = editing::readPipe(db, name);
        if (!d) continue;
        std::cout << fmt::format("{:<8}  {:>5}  {:>7}  {:>7}  {:>8}  {:>9}  {:>6}  {:>8}  {:>5}  {:<12}  {}\n",
                                 d->name, d->group, editing::fieldText(d->height), editing::fieldText(d->width),
                                 editing::fieldText(d->area), editing::fieldText(d->thickness),
                                 editing::fieldText(d->n), editing::fieldText(d->cost),
                                 editing::fieldText(d->columnOrder), d->columnIdentifier, d->description);
    }
}

/// The definitions of the project's unit system, a row each with its stored field names.
Output definitionsOutput(DefinitionKind kind, const db::Project& project) {
    Output out;
    out.command = kind == DefinitionKind::Structure ? "structures" : "pipes";
    out.describe(project, false);
    db::Database& db = *project.db;
    if (kind == DefinitionKind::Structure) {
        out.columns = {"NAME", "GROUPP", "GROUP", "COST_LT", "COST_GT", "MIN_PIPE_COVER", "MAX_INLET_HYD_CAPACITY",
                       "HGL_CLEAR", "DIAGRAM_CLASS_NAME"};
        const auto& groups = editing::structureGroups();
        for (const auto& name : editing::definitionNames(db, kind, project.engMet()))
            if (const auto d = editing::readStructure(db, name))
                out.addRow({d->name, d->group,
                            d->group >= 0 && d->group < static_cast<int>(groups.size())
                                ? Json(groups[static_cast<std::size_t>(d->group)])
                                : Json(),
                            d->costLt, d->costGt, d->minPipeCover, d->maxInletHydCapacity, d->hglClear,
                            d->diagramClass});
        return out;
    }
    out.columns = {"NAME", "GROUPP", "HEIGHT", "WIDTH", "AREA", "THICKNESS", "N", "COST", "COLUMN_ORDER",
                   "COLUMN_IDENTIFIER", "DS_DESC"};
    for (const auto& name : editing::definitionNames(db, kind, project.engMet()))
        if (const auto d = editing::readPipe(db, name))
            out.addRow({d->name, d->group, d->height, d->width, d->area, d->thickness, d->n, d->cost, d->columnOrder,
                        d->columnIdentifier, d->description});
    return out;
}

void run(DefinitionKind kind, Options& o, Context& ctx) {
    auto project = openForCommand(o.path, ctx, Access::Write);
    db::Database& db = *project->db;
    const int engMet = project->engMet();
    if (!o.values.empty() && o.add.empty() && o.edit.empty()) {
        ctx.ui.invalidData("Field values need --add NAME or --edit NAME.");
        ctx.exitCode = kExitRefused;
        return;
    }
    if (!o.del.empty()) {
        const std::string name = trim(o.del);
        const bool exists = kind == DefinitionKind::Structure ? editing::readStructure(db, name).has_value()
                                                               : editing::readPipe(db, name).has_value();
        if (!exists) {
            ctx.ui.invalidData((kind == DefinitionKind::Structure ? "Structure '" : "Pipe '") + name +
                               "' cannot be found.");
            ctx.exitCode = kExitRefused;
            return;
        }
        if (!editing::deleteDefinition(db, kind, name, ctx.ui)) {
            ctx.exitCode = kExitRefused;
            return;
        }
        std::cout << "Deleted " << name << "\n";
        return;
    }

    std::string name;
    if (!o.add.empty() || !o.edit.empty()) {
        std::map<std::string, double> numbers;
        if (!checkValues(kind, o, numbers, ctx.ui)) {
            ctx.exitCode = kExitRefused;
            return;
        }
        if (!o.add.empty()) {
            name = editing::addDefinition(db, kind, o.add, engMet, ctx.ui);
            if (name.empty()) {
                if (trim(editing::definitionName(o.add)).empty()) std::cerr << "A blank name adds nothing.\n";
                ctx.exitCode = kExitRefused;
                return;
            }
            std::cout << "Added " << name << "\n";
        } else {
            name = trim(o.edit);
        }
        bool saved = false;
        if (kind == DefinitionKind::Structure) {
            auto d = editing::readStructure(db, name);
            if (d) {
                applyStructure(*d, o, numbers);
                saved = editing::saveStructure(db, *d, engMet);
            }
        } else {
            auto d = editing::readPipe(db, name);
            if (d) {
                applyPipe(*d, o, numbers);
                editing::reviewPipe(*d, editing::lengthUnitLabel(project->metric), ctx.ui);
                saved = editing::savePipe(db, *d, engMet);
            }
        }
        if (!saved) {
            ctx.ui.invalidData((kind == DefinitionKind::Structure ? "Structure '" : "Pipe '") + name +
                               "' cannot be found.");
            ctx.exitCode = kExitRefused;
            return;
        }
    }
    if (o.format != Format::Text) {
        printOutput(definitionsOutput(kind, *project), o.format, ctx.exitCode);
        return;
    }
    if (kind == DefinitionKind::Structure) listStructures(db, engMet);
    else listPipes(db, engMet);
}

void registerKind(CLI::App& app, Context& ctx, DefinitionKind kind) {
    const bool structure = kind == DefinitionKind::Structure;
    auto* sub = app.add_subcommand(structure ? "structures" : "pipes",
                                   structure ? "List, add, change or delete structure definitions (T6)"
                                             : "List, add, change or delete pipe definitions (T7)");
    static Options storage[2];
    Options& o = storage[structure ? 0 : 1];
    sub->add_option("PROJECT", o.path, "Project file")->required();
    auto* add = sub->add_option("--add", o.add, "Add a definition (its first 8 characters are its name)");
    auto* edit = sub->add_option("--edit", o.edit, "Change the fields of an existing definition");
    auto* del = sub->add_option("--delete", o.del, "Delete a definition (asks; --yes answers Yes)");
    add->excludes(edit)->excludes(del);
    edit->excludes(del);
    for (const auto& f : fieldsOf(kind)) {
        const std::string field = f.field;
        sub->add_option_function<std::string>(
               f.option, [&o, field](const std::string& v) { o.values[field] = v; },
               std::string(f.caption) + " (" + field + ")")
            ->excludes(del);
    }
    addFormatOption(sub, o.format);
    sub->callback([&ctx, kind, &o] { run(kind, o, ctx); });
}

RegisterCommand structuresCmd([](CLI::App& app, Context& ctx) { registerKind(app, ctx, DefinitionKind::Structure); });
RegisterCommand pipesCmd([](CLI::App& app, Context& ctx) { registerKind(app, ctx, DefinitionKind::Pipe); });

}  // namespace
}  // namespace kolv::cli
