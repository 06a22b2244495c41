// Import setups (T177): column destinations and structure / pipe description links, kept by name.
#pragma once

#include <string>
#include <vector>

#include "db/database.h"
#include "ui/ui_port.h"

namespace kolv::exchange {

/// Title of the import's message boxes.
inline constexpr const char* kImportTitle = "Import Storm Sewer";
/// The pseudo-setup of assignments not yet saved.
inline constexpr const char* kNewSetup = "<new>";
/// The destination of a column that is not imported.
inline constexpr const char* kNoDestination = "<none>";
/// Longest setup name.
inline constexpr int kMaxSetupName = 50;

/// T177 TYPE values.
enum SetupRecordType { kSetupRecord = 0, kColumnRecord = 1, kStructureLinkRecord = 2, kPipeLinkRecord = 3 };

/// Where a column's values go. The order is the order in which a row's values are written.
enum class Destination {
    None = 0,
    NodeName, NodeBaseline, NodeStation, NodeOffset, NodeNorth, NodeEast, NodeProfile, NodeCrossSlope,
    NodeStructure, NodeRotation, NodeInletElev, NodeMinHgl, NodeJunctionLoss, NodeTc, NodeBaseFlow,
    NodeArea1, NodeC1, NodeArea2, NodeC2, NodeArea3, NodeC3,
    ReachName, ReachFromNode, ReachFromInvert, ReachToNode, ReachToInvert, ReachPipe, ReachBarrels,
    ReachHydLength, ReachLength,
    Count
};

/// The destination names offered for a column, "<none>" first, in Destination order.
const std::vector<std::string>& destinationNames();
/// Name of a destination ("Node: Station").
const std::string& destinationName(Destination d);
/// Destination of a name (exact text); None when unknown.
Destination destinationOf(const std::string& name);
/// True for the node destinations (NodeName .. NodeC3).
bool isNodeDestination(Destination d);

/// One column assignment as kept in a setup.
struct ColumnAssignment {
    std::string heading;  ///< IMPORT_COLUMN_HEADER
    std::string destination;  ///< KOLV_DEST_FIELD
};

/// One structure or pipe description link.
struct DescriptionLink {
    std::string description;  ///< as written in the file
    std::string name;         ///< T6 / T7 NAME, "" when not linked
};

/// Everything a setup holds.
struct ImportSetup {
    std::string name;
    bool isDefault = false;
    std::vector<ColumnAssignment> columns;    ///< in column order
    std::vector<DescriptionLink> structures;
    std::vector<DescriptionLink> pipes;
};

/// Creates T177 when it is missing ("Import Setup Table created."); true when created.
bool ensureSetupTable(db::Database& db, ui::UiPort& ui);

/// Setup names for the setup list: "<new>" first, then the saved setups in the order of
/// "SELECT * FROM T177 ORDER BY TYPE, SETUP_NAME".
std::vector<std::string> setupNames(db::Database& db);
/// The setup offered when the window opens: the saved default, else "<new>".
std::string defaultSetupName(db::Database& db);

/// Reads a setup (an empty setup named "<new>" for "<new>" or an unknown name).
ImportSetup loadSetup(db::Database& db, const std::string& name);

/// Creates a setup holding the given column assignments and makes it the only default.
/// Refuses a name longer than 50 characters ("Setup name too long. (50 characters max.)") or one
/// that exists ("Setup name already exists. Try again."); an empty name does nothing.
/// Returns true when created.
bool createSetup(db::Database& db, ui::UiPort& ui, const std::string& name,
                 const std::vector<ColumnAssignment>& columns);

/// Deletes every record of a setup after "Delete Import Setup '<name>'?", then tells
/// "<n> records deleted.". "<new>" is refused ("<new> cannot be deleted"). Returns true when deleted.
bool deleteSetup(db::Database& db, ui::UiPort& ui, const std::string& name);

/// Replaces the column assignments of a saved setup after "Save setup in '<name>'", then tells
/// "Setup '<name>' updated!". Returns true when saved.
bool saveSetupColumns(db::Database& db, ui::UiPort& ui, const std::string& name,
                      const std::vector<ColumnAssignment>& columns);

/// Replaces the structure and pipe links of a saved setup, then tells "Setup '<name>' updated".
/// Returns true when saved.
bool saveSetupLinks(db::Database& db, ui::UiPort& ui, const std::string& name,
                    const std::vector<DescriptionLink>& structures, const std::vector<DescriptionLink>& pipes);

/// Destinations of the file's columns under a setup's assignments. Headings are compared
/// trimmed and without regard to case. A heading that appears several times in the file
/// (an export repeats "PIPE" and "INVERT" in each pipe group) is matched in order: the k-th
/// column with that heading takes the k-th assignment saved for it, so a setup saved from a
/// file reproduces every column of it. Columns without an assignment get None.
std::vector<Destination> applySetup(const ImportSetup& setup, const std::vector<std::string>& headings);

/// The assignments to save for the file's columns: one per column, in column order.
std::vector<ColumnAssignment> assignmentsOf(const std::vector<std::string>& headings,
                                            const std::vector<Destination>& destinations);

/// Structure (or pipe) names of the project's unit system, for the link choice:
/// T6 (or T7) rows with ENG_MET of the project, by name (pipes by GROUPP, AREA).
std::vector<std::string> structureNames(db::Database& db, bool metric);
std::vector<std::string> pipeNames(db::Database& db, bool metric);

}  // namespace kolv::exchange
