// The outfall and header record of a system (T16): header names, default C, design storm, outfall.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/number_input.h"
#include "db/database.h"
#include "ui/ui_port.h"

namespace kolv::editing {

/// The T16 fields the outfall and header window edits, as texts and list indexes.
struct OutfallHeader {
    std::string designedBy, checkedBy;
    std::array<std::string, 3> areaC{"0", "0", "0"};  ///< AREA1..AREA3, default runoff coefficients
    int intensityMethod = 0;       ///< 0 IDF by zone and frequency, 1 time-intensity table by location
    std::string rainfall1;         ///< zone (method 0) or location (method 1)
    std::string rainfall2;         ///< return period (method 0) or table frequency (method 1)
    std::string baseline;          ///< OUT_BL
    std::string angle = "0";       ///< ANGLE (degrees)
    bool autoRotate = false, mirror = false;
    int nodeType = 0;              ///< 0 "Structure", 1 "Ditch"
    int topStatus = 0, bottomStatus = 0;  ///< indexes in statusNames()
    std::string outNode, station;
    std::string offset = "0", tailwater = "0", elevation = "0", exitLoss = "0";
    std::string structure;
};

/// "Structure", "Ditch".
std::vector<std::string> nodeTypeNames();
/// "Existing", "Proposed", "Future1" .. "Future4".
std::vector<std::string> statusNames();
/// Caption of the first rainfall selector: "Zone" (method 0) or "Location".
std::string rainfallCaption(int intensityMethod);
/// Captions of the elevation and status fields: "Inlet/Top El." / "Top Status" for a
/// structure, "Ditch Bottom El." / "Status" for a ditch.
std::string elevationCaption(int nodeType);
std::string topStatusCaption(int nodeType);

/// Loads the system's T16 row; nothing when the system has none.
std::optional<OutfallHeader> loadOutfallHeader(db::Database& db, const std::string& system);

/// The node that bears `name` (compared trimmed, without regard to case) anywhere in the
/// project, as its name and system; nothing for an empty name or when no node has it.
std::optional<std::pair<std::string, std::string>> nodeNamed(db::Database& db, const std::string& name);

/// The first typed number of the header outside its field's range or not a number, as the
/// message says it ("Outfall Elevation must be between -30,000 and 30,000 ft."); nothing when all are good.
std::optional<std::string> outfallHeaderFault(db::Database& db, const OutfallHeader& h);

/// Reads one typed number of the header (`AREA1`..`AREA3`, `ANGLE`, `OUT_OFF`, `OUT_TW`, `OUT_EL`,
/// `EXIT_LOSS_COEFF`) in its range, in the project's units.
input::NumberCheck checkOutfallHeaderField(db::Database& db, const std::string& field, std::string_view text);

/// Refuses ("INVALID DATA") a typed number outside its range and ("DUPLICATE RECORD") an outfall name that a node of the project already bears.
/// Saves every field in the window's order: ZONE and LOCATION both from the first rainfall
/// selector, FREQ and FREQUENCY both from the second. A missing row is reported
/// ("MISSING DATA") and false returned.
bool saveOutfallHeader(db::Database& db, const std::string& system, const OutfallHeader& h, ui::UiPort& ui);

}  // namespace kolv::editing
