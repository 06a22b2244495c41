// Loading a system for pipe sizing: records in flow order with drainage accumulated, header and rainfall.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "db/project.h"
#include "hydraulics/hydraulic_record.h"
#include "rain/intensity.h"
#include "ui/ui_port.h"

namespace kolv::sizing {

/// What sizing reads besides the storm-tabulation record.
struct SizingFields {
    int nodeType = 0;        ///< `NODE_TYPE` (1 = a ditch node)
    bool sizeFlag = false;   ///< `CALC_PIPESIZE` of the reach: the pipe name may be replaced
    bool hasElev1 = false, hasElev2 = false;
    double elev1 = 0, elev2 = 0;  ///< `ELEV1`, `ELEV2` as stored (project units)
};

/// A system ready for sizing: records in flow order (feet, acres, cfs), their incoming and TO
/// links, accumulated drainage, the tailwater and the rainfall of the system.
struct SizingSystem {
    std::vector<hydraulics::HydraulicRecord> records;
    std::vector<SizingFields> fields;
    double tailwaterFt = 0;   ///< `OUT_TW`, 0 when missing
    rain::DesignStorm storm;  ///< the system's rainfall
};

/// The storm tabulation's loading phases (hydraulics::loadSystemForRun: network in flow order,
/// node and reach data converted to feet, incoming links, system header with its tailwater
/// warning, rainfall, drainage accumulated, TO nodes checked), with each ditch reach keeping its
/// pipe as it stands and the sizing fields read beside. Each phase title is added to `messages`.
/// Returns nothing after a stopping message (loop, fifth incoming pipe, IDF lookup, missing TO node).
std::optional<SizingSystem> loadSystemForSizing(db::Project& project, ui::UiPort& ui, const std::string& system,
                                                std::vector<std::string>& messages);

}  // namespace kolv::sizing
