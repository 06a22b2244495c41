// Structure (T6) and pipe (T7) definitions of the project's unit system: list, show, save, add, delete.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "db/database.h"
#include "ui/ui_port.h"

namespace kolv::editing {

/// The two catalogues the definition windows edit.
enum class DefinitionKind { Structure, Pipe };

/// Structure groups in list order; a structure's `GROUPP` is its index in this list.
const std::vector<std::string>& structureGroups();

/// One T6 row as the structure window shows it (lengths in the project's unit, costs per structure).
struct StructureDefinition {
    std::string name;
    int group = 0;                     ///< `GROUPP`, index in structureGroups()
    double costLt = 0;                 ///< `COST_LT`
    double costGt = 0;                 ///< `COST_GT`
    double minPipeCover = 0;           ///< `MIN_PIPE_COVER` (ft or m)
    double maxInletHydCapacity = 0;    ///< `MAX_INLET_HYD_CAPACITY` (cfs or m3/s)
    double hglClear = 0;               ///< `HGL_CLEAR` (ft or m)
    std::string diagramClass;          ///< `DIAGRAM_CLASS_NAME`
};

/// One T7 row as the pipe window shows it (lengths in the project's unit).
struct PipeDefinition {
    std::string name;
    double height = 0;      ///< `HEIGHT` (ft or m)
    double width = 0;       ///< `WIDTH` (ft or m)
    double area = 0;        ///< `AREA`, full flow area (ft2 or m2)
    double thickness = 0;   ///< `THICKNESS`, wall (ft or m)
    std::string description;  ///< `DS_DESC`
    int group = 0;          ///< `GROUPP`
    double n = 0;           ///< `N`, Manning's roughness
    double cost = 0;        ///< `COST` per length
    double columnOrder = 0;   ///< `COLUMN_ORDER`
    std::string columnIdentifier;  ///< `COLUMN_IDENTIFIER`
};

/// Names of the definitions of one unit system (0 English, 1 metric), in the window's order:
/// structures in table order, pipes by `GROUPP`, then `AREA`.
std::vector<std::string> definitionNames(db::Database& db, DefinitionKind kind, int engMet);

/// The row of a name (trimmed, any unit system); nothing when it does not exist.
std::optional<StructureDefinition> readStructure(db::Database& db, const std::string& name);
std::optional<PipeDefinition> readPipe(db::Database& db, const std::string& name);

/// Writes the definition on display into its row with `ENG_MET`, as one undo step.
/// False when the row no longer exists (deleted meanwhile); nothing is written then.
bool saveStructure(db::Database& db, const StructureDefinition& def, int engMet);
bool savePipe(db::Database& db, const PipeDefinition& def, int engMet);

/// The name a new definition gets from the typed text: blanks around it dropped, then its first
/// 8 characters; "" when nothing but blanks was typed.
std::string definitionName(const std::string& typed);

/// Adds a definition from the typed name: nothing for a blank name; "DUPLICATE RECORD" when the
/// name exists in either unit system; otherwise a row with the name, `ENG_MET` and the window's
/// numeric fields 0 (a structure also gets the first group's diagram class). Returns the name
/// stored, "" when nothing was added.
std::string addDefinition(db::Database& db, DefinitionKind kind, const std::string& typed, int engMet,
                          ui::UiPort& ui);

/// Deletes a definition after the "DELETE RECORD" warning (default No). Nodes and reaches that
/// use the name keep it; the computations report it missing. True when deleted.
bool deleteDefinition(db::Database& db, DefinitionKind kind, const std::string& name, ui::UiPort& ui);

/// True when the section is round: height and width equal and above 0.
bool isRoundPipe(const PipeDefinition& def);

/// Manning's n range that pipes and lined channels fall in; outside it a typing slip is likely.
inline constexpr double kMinPlausibleN = 0.008;
inline constexpr double kMaxPlausibleN = 0.035;

/// Looks over a pipe definition for what is often typed wrong and tells the engineer, never
/// changing anything unasked:
///  - a round pipe without an area, or whose area differs from pi d^2 / 4 by more than 1 %:
///    asks whether to use the round-pipe area (Yes writes it into `def.area`);
///  - n outside 0.008 to 0.035: a warning.
/// `lengthUnit` is "Feet" or "Meters" (named in the messages). Returns true when `def` changed.
bool reviewPipe(PipeDefinition& def, const std::string& lengthUnit, ui::UiPort& ui);

/// Unit label of the pipe window: "Feet" or "Meters".
inline std::string lengthUnitLabel(bool metric) { return metric ? "Meters" : "Feet"; }

/// The text of a definition field as the window shows it (shortest decimal text).
std::string fieldText(double value);

}  // namespace kolv::editing
