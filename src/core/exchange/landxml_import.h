// Importing the pipe networks of a LandXML document as storm sewer systems: checks, plan and one undoable write.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "db/database.h"
#include "exchange/landxml_reader.h"
#include "ui/ui_port.h"

namespace kolv::exchange {

/// Title of the LandXML import's messages and its undo step.
inline constexpr const char* kLandXmlImportTitle = "Import LandXML";

/// One network of the file and the system it goes into.
struct LandXmlChoice {
    std::string network;  ///< PipeNetwork@name as in the file
    std::string system;   ///< destination system ("" = the network's name cut to 8 characters)
};

/// What the engineer asked for.
struct LandXmlImportRequest {
    std::string path;                    ///< the file, for the log
    std::vector<LandXmlChoice> networks; ///< empty = every network, each into a system of its name
    std::string setupName;               ///< saved import setup whose structure and pipe links apply
    std::string defaultStructure;        ///< structure of a description without a usable link
    std::string defaultPipe;             ///< likewise for pipes
};

/// One node to write, in the project's units.
struct PlannedNode {
    std::string name;        ///< as it will be stored (cut and suffixed)
    std::string fileName;    ///< Struct@name
    std::optional<double> north, east, rim;
    std::string structure;   ///< description for the structure links
    std::optional<double> area, c, tc;
    std::vector<std::pair<std::string, std::string>> properties;
    // the outgoing reach
    bool hasReach = false;
    std::string pipeName;    ///< Pipe@name
    std::string to;          ///< stored name of the downstream node or outfall
    std::optional<double> elev1, elev2, length;
    bool measuredLength = false;  ///< the file gives no length: it is the plan distance between the structures
    std::string pipe;        ///< description for the pipe links ("" for a ditch)
    bool ditch = false;
    double ditchBottom = 0, ditchSide = 0, ditchMannings = 0;  ///< a trapezoid, or a V when the bottom is 0
    std::vector<std::pair<std::string, std::string>> reachProperties;
};

/// One network's plan.
struct PlannedSystem {
    std::string network, system;
    bool createSystem = false;
    std::vector<PlannedNode> nodes;  ///< outfall excluded, upstream first is not promised
    std::string outfall, outfallFileName, outfallStructure;
    std::optional<double> outfallNorth, outfallEast, outfallRim;
    std::vector<std::pair<std::string, std::string>> headerProperties;
};

/// The whole plan: what the import will create, with its log so far; or the refusal.
struct LandXmlPlan {
    std::string refusal;  ///< non-empty: nothing may be written
    std::vector<PlannedSystem> systems;
    std::vector<std::string> log;
    std::vector<std::string> structureDescriptions, pipeDescriptions;  ///< for the link grids
    bool ok() const { return refusal.empty(); }
};

/// Checks the chosen networks and plans the import without writing anything. Refused, naming the
/// element: a network that is not in the file, a structure with two outgoing pipes, a pipe that
/// names a structure the network lacks, a loop, a network without an outfall (or with several),
/// a destination system name longer than 8 characters.
LandXmlPlan planLandXml(db::Database& db, const LandXmlDocument& doc, const LandXmlImportRequest& request);

/// The run's record.
struct LandXmlImportResult {
    bool ran = false;        ///< false when refused before any change
    bool cancelled = false;
    std::vector<std::string> log;
    int systemsCreated = 0, nodes = 0, reaches = 0;
};

/// Plans, then writes every chosen network in one transaction and one undo step ("Import LandXML"):
/// the systems it creates, nodes and reaches through the text import's destinations (with its
/// structure and pipe links, names and side effects), ditches, outfalls. A refusal is shown as
/// "INVALID DATA" and leaves the project untouched; a fault while writing rolls everything back
/// and is thrown.
LandXmlImportResult importLandXml(db::Database& db, ui::UiPort& ui, const LandXmlDocument& doc,
                                  const LandXmlImportRequest& request);

}  // namespace kolv::exchange
