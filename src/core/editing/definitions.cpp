// Structure (T6) and pipe (T7) definitions of the project's unit system: list, show, save, add, delete.
#include "editing/definitions.h"

#include <cmath>
#include <fmt/format.h>

#include "common/text.h"
#include "common/vb_format.h"
#include "db/record_set.h"
#include "db/undo_history.h"
#include "hydraulics/section_geometry.h"

namespace kolv::editing {

using db::RecordSet;

namespace {

const char* tableOf(DefinitionKind kind) { return kind == DefinitionKind::Structure ? "T6" : "T7"; }

/// Finds a definition row by its trimmed name; false when there is none.
bool findByName(RecordSet& rs, const std::string& name) {
    const std::string n = trim(name);
    return !n.empty() && rs.findFirst("NAME = ?", {n});
}

/// Edits the definition of this name in one undo step: its ENG_MET, then the fields `setFields`
/// writes on the record set. False when there is no such definition.
template <class SetFields>
bool editDefinition(db::Database& db, DefinitionKind kind, const std::string& name, int engMet, SetFields&& setFields) {
    RecordSet rs(db, tableOf(kind));
    if (!findByName(rs, name)) return false;
    db::UndoAction step(db, kind == DefinitionKind::Structure ? "Edit Structure Definition" : "Edit Pipe Definition");
    rs.edit();
    rs.set("ENG_MET", engMet);
    setFields(rs);
    rs.update();
    return true;
}

}  // namespace

const std::vector<std::string>& structureGroups() {
    static const std::vector<std::string> groups = {"Manhole",     "Endwall - Straight", "Endwall - Sloped",
                                                    "Ditch Inlet", "Gutter Inlet",       "Curb Inlet",
                                                    "Outfall"};
    return groups;
}

std::vector<std::string> definitionNames(db::Database& db, DefinitionKind kind, int engMet) {
    std::vector<std::string> names;
    RecordSet rs(db, tableOf(kind), "ENG_MET = ?", {engMet}, kind == DefinitionKind::Pipe ? "GROUPP, AREA" : "");
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        if (auto n = trim(rs.text("NAME")); !n.empty()) names.push_back(n);
    return names;
}

std::optional<StructureDefinition> readStructure(db::Database& db, const std::string& name) {
    RecordSet t6(db, "T6");
    if (!findByName(t6, name)) return std::nullopt;
    StructureDefinition d;
    d.name = trim(t6.text("NAME"));
    d.group = static_cast<int>(t6.integer("GROUPP"));
    d.costLt = t6.number("COST_LT");
    d.costGt = t6.number("COST_GT");
    d.minPipeCover = t6.number("MIN_PIPE_COVER");
    d.maxInletHydCapacity = t6.number("MAX_INLET_HYD_CAPACITY");
    d.hglClear = t6.number("HGL_CLEAR");
    d.diagramClass = t6.hasField("DIAGRAM_CLASS_NAME") ? trim(t6.text("DIAGRAM_CLASS_NAME")) : std::string();
    return d;
}

std::optional<PipeDefinition> readPipe(db::Database& db, const std::string& name) {
    RecordSet t7(db, "T7");
    if (!findByName(t7, name)) return std::nullopt;
    PipeDefinition d;
    d.name = trim(t7.text("NAME"));
    d.height = t7.number("HEIGHT");
    d.width = t7.number("WIDTH");
    d.area = t7.number("AREA");
    d.thickness = t7.number("THICKNESS");
    d.description = t7.text("DS_DESC");
    d.group = static_cast<int>(t7.integer("GROUPP"));
    d.n = t7.number("N");
    d.cost = t7.number("COST");
    d.columnOrder = t7.hasField("COLUMN_ORDER") ? t7.number("COLUMN_ORDER") : 0.0;
    d.columnIdentifier = t7.text("COLUMN_IDENTIFIER");
    return d;
}

bool saveStructure(db::Database& db, const StructureDefinition& def, int engMet) {
    return editDefinition(db, DefinitionKind::Structure, def.name, engMet, [&](RecordSet& t6) {
        t6.set("GROUPP", def.group);
        t6.set("COST_LT", def.costLt);
        t6.set("COST_GT", def.costGt);
        t6.set("MIN_PIPE_COVER", def.minPipeCover);
        t6.set("MAX_INLET_HYD_CAPACITY", def.maxInletHydCapacity);
        t6.set("HGL_CLEAR", def.hglClear);
        if (t6.hasField("DIAGRAM_CLASS_NAME")) t6.set("DIAGRAM_CLASS_NAME", def.diagramClass);
    });
}

bool savePipe(db::Database& db, const PipeDefinition& def, int engMet) {
    return editDefinition(db, DefinitionKind::Pipe, def.name, engMet, [&](RecordSet& t7) {
        t7.set("HEIGHT", def.height);
        t7.set("WIDTH", def.width);
        t7.set("AREA", def.area);
        t7.set("THICKNESS", def.thickness);
        t7.set("DS_DESC", def.description);
        t7.set("GROUPP", def.group);
        t7.set("N", def.n);
        t7.set("COST", def.cost);
        t7.set("COLUMN_IDENTIFIER", def.columnIdentifier);
        if (t7.hasField("COLUMN_ORDER")) t7.set("COLUMN_ORDER", def.columnOrder);
    });
}

std::string definitionName(const std::string& typed) { return rtrim(padRight(trim(typed), 8)); }

std::string addDefinition(db::Database& db, DefinitionKind kind, const std::string& typed, int engMet,
                          ui::UiPort& ui) {
    // Blanks around the typed name go: every lookup finds a definition by its trimmed name.
    const std::string name = definitionName(typed);
    if (trim(name).empty()) return {};
    // the search runs over both unit systems: a name is one key in the whole table
    RecordSet all(db, tableOf(kind));
    if (all.findFirst("NAME = ?", {name})) {
        const std::string what = kind == DefinitionKind::Structure ? "Structure" : "Pipe";
        ui.message("DUPLICATE RECORD", what + " record '" + name + "' already exist.", ui::Icon::Exclamation);
        return {};
    }
    db::UndoAction step(db, kind == DefinitionKind::Structure ? "Add Structure Definition" : "Add Pipe Definition");
    all.addNew();
    all.set("NAME", name);
    all.set("ENG_MET", engMet);
    if (kind == DefinitionKind::Structure) {
        for (const char* f : {"GROUPP", "COST_LT", "COST_GT", "MIN_PIPE_COVER", "MAX_INLET_HYD_CAPACITY", "HGL_CLEAR"})
            all.set(f, 0);
        // the first group is a manhole; its diagram class follows the group
        if (all.hasField("DIAGRAM_CLASS_NAME")) all.set("DIAGRAM_CLASS_NAME", structureGroups().front());
    } else {
        for (const char* f : {"HEIGHT", "WIDTH", "AREA", "THICKNESS", "GROUPP", "N", "COST"}) all.set(f, 0);
        if (all.hasField("COLUMN_ORDER")) all.set("COLUMN_ORDER", 0);
    }
    all.update();
    return name;
}

bool deleteDefinition(db::Database& db, DefinitionKind kind, const std::string& name, ui::UiPort& ui) {
    const std::string n = trim(name);
    if (n.empty()) return false;
    const bool structure = kind == DefinitionKind::Structure;
    const std::string text =
        structure ? "WARNING: Deleting a structure used in a node definition will cause a\r"
                    "'missing structure error' in later calculations.  Continue with delete?"
                  : "WARNING: Deleting a pipe used in a reach definition will cause a\r"
                    "'missing pipe error' in later calculations.  Continue with delete?";
    if (ui.message("DELETE RECORD", text, ui::Icon::Exclamation, ui::Buttons::YesNo, ui::Answer::No) !=
        ui::Answer::Yes)
        return false;
    db::UndoAction step(db, structure ? "Delete Structure Definition" : "Delete Pipe Definition");
    return RecordSet::executeDelete(db, tableOf(kind), "NAME = ?", {n}) > 0;
}

bool isRoundPipe(const PipeDefinition& def) {
    return def.height > 0 && def.width > 0 && std::fabs(def.height - def.width) <= 1e-9 * def.height;
}

bool reviewPipe(PipeDefinition& def, const std::string& lengthUnit, ui::UiPort& ui) {
    bool changed = false;
    const std::string name = trim(def.name);
    if (isRoundPipe(def)) {
        const double round = units::roundPipeArea(def.height);
        const double relative = std::fabs(def.area - round) / round;
        if (def.area <= 0 || relative > 0.01) {
            const std::string d = shortestText(def.height);
            const std::string a = vbFormat(round, "0.0000");
            std::string text;
            if (def.area <= 0)
                text = "Pipe '" + name + "' has no flow area.";
            else
                text = fmt::format("The area {} of pipe '{}' differs by {:.1f} % from the area of a round pipe "
                                   "of diameter {} {}.",
                                   shortestText(def.area), name, relative * 100.0, d, lengthUnit);
            text += "\rUse the round-pipe area " + a + " (pi x " + d + "^2 / 4)?";
            if (ui.message("CHECK PIPE AREA", text, ui::Icon::Question, ui::Buttons::YesNo, ui::Answer::No) ==
                ui::Answer::Yes) {
                def.area = std::stod(a);
                changed = true;
            }
        }
    }
    if (def.n < kMinPlausibleN || def.n > kMaxPlausibleN) {
        ui.message("CHECK MANNING'S N",
                   "Manning's n of pipe '" + name + "' is " + shortestText(def.n) +
                       ".\rPipes and lined channels lie between 0.008 and 0.035 (concrete about 0.012 to 0.013, "
                       "corrugated metal about 0.024).",
                   ui::Icon::Exclamation);
    }
    return changed;
}

std::string fieldText(double value) { return shortestText(value); }

}  // namespace kolv::editing
