// Loading a system for a design run: records in flow order with links, drainage accumulated, header and rainfall.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "db/project.h"
#include "db/record_set.h"
#include "db/table_row.h"
#include "hydraulics/hydraulic_record.h"
#include "rain/intensity.h"
#include "ui/ui_port.h"

namespace kolv::hydraulics {

/// Heading of the storm tabulation, from the project setup row.
struct ProjectHeading {
    std::string number, description, county, stateRoad;
};

/// Reads a caller's own fields of record `index` from its NODE or REACH row (not called for a
/// record without one).
using ExtraFieldsReader = std::function<void(std::size_t index, const db::TableRows& row)>;

/// How the loader reads the reaches, for the run that asks.
struct LoadOptions {
    /// On: a ditch reach (`REACH_TYPE` 2) is read with its shape, Manning n and warning limits and
    /// no pipe. Off: every reach is read with its `PIPE_NAME` and pipe definition (pipe sizing
    /// leaves a ditch's pipe as it stands).
    bool ditchShapes = true;
    /// Called for every record with a NODE row, after its node part was read; may be empty.
    ExtraFieldsReader readNodeExtra;
    /// Called for every record with a REACH row, after its reach part was read; may be empty.
    ExtraFieldsReader readReachExtra;
    /// A return period other than the system's (a check storm): the frequency looked up in the
    /// system's IDF zone or time-intensity location. Empty: the system's own.
    std::string frequency;
};

/// A system loaded for a run: records in flow order (feet, acres, cfs) with their incoming and
/// TO links and accumulated drainage, and the run-level values of the header and rainfall.
struct LoadedSystem {
    std::vector<HydraulicRecord> records;
    bool hasHeader = false;      ///< the system has its T16 row
    std::string outNode;         ///< `OUT_NODE` (trimmed)
    double tailwaterFt = 0;      ///< `OUT_TW`, 0 when missing
    double exitLossCoeff = 0;    ///< `EXIT_LOSS_COEFF`
    ProjectHeading heading;      ///< from the project setup row
    rain::DesignStorm storm;     ///< the system's rainfall (method, IDF coefficients or loaded table)
};

/// The loading phases of a design run: network in flow order, node and reach data converted to
/// feet, incoming links, system header (tailwater warning), rainfall (time-intensity table or IDF
/// coefficients), times of concentration and drainage accumulated, TO nodes checked. Each phase
/// title is added to `messages`. Returns nothing after a stopping message (loop, fifth incoming
/// pipe, IDF lookup, missing TO node).
std::optional<LoadedSystem> loadSystemForRun(db::Project& project, ui::UiPort& ui, const std::string& system,
                                             std::vector<std::string>& messages, const LoadOptions& options = {});

/// Phase "Validate Tc min's and drainage areas": inlet Tc rules and accumulation of areas,
/// base flow and weighted C over records in flow order with their incoming slots filled.
void accumulateDrainage(std::vector<HydraulicRecord>& records);

/// Inlet time of concentration as the run uses it (min): 0 -> 10, below 3 -> 3.
double validatedInletTc(double tcMinutes);

/// French-drain trench length (ft) by `FR_LEN_OPTION`: 1 LENGTH - less, 2 fixed, 3 LENGTH x percent / 100,
/// otherwise LENGTH.
double frenchDrainLength(double option, double lengthFt, double lessFt, double fixedFt, double percent);

}  // namespace kolv::hydraulics
