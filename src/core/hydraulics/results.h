// Writing a storm tabulation to T60 and listing its design warnings.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "db/database.h"
#include "hydraulics/hydraulic_record.h"
#include "ui/ui_port.h"

namespace kolv::hydraulics {

/// Where the results go and how warnings are worded.
struct ResultsContext {
    db::Database& db;
    ui::UiPort& ui;
    std::vector<std::string>& messages;  ///< the run's message list
    bool metric = false;                 ///< warnings in meters and cms
    bool useHydLength = false;           ///< `LENGTH` column holds `HYD_LENGTH`
    bool inletCapacityWarnings = true;   ///< list inlets whose capacity the local runoff exceeds
};

/// Replaces the system's T60 rows with one row per record (flow order) and appends the design
/// warnings of each node to the message list. The caller holds the transaction.
void writeResults(ResultsContext& ctx, const std::string& system, const std::vector<HydraulicRecord>& records);

/// The message that stops a run on a result that is not a finite number: it names the reach, its
/// node and the quantity (`field`, with words for the common ones).
std::string nonFiniteMessage(const HydraulicRecord& r, const std::string& field, double value);

/// The first result that is not a finite number (NaN or infinite), as the message that stops
/// the run before anything is written: it names the reach and the quantity. Nothing when every
/// result is finite.
std::optional<std::string> firstNonFiniteResult(const std::string& system, const std::vector<HydraulicRecord>& records,
                                                bool useHydLength);

/// Flow condition of a reach: "FULL", or by normal depth yn against critical depth yc:
/// "ZERO" (yc = 0), "SUB" (yn more than 5 % above yc), "SUPER" (more than 5 % below), "CRITICAL".
std::string flowCondition(const HydraulicRecord& r);

/// Design warnings of one record, in the order they are listed.
/// The inlet-capacity warning is left out when `inletCapacity` is false.
std::vector<std::string> recordWarnings(const HydraulicRecord& r, bool metric, bool inletCapacity = true);

}  // namespace kolv::hydraulics
