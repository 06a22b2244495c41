// System cost: prices a storm sewer system's structures and pipes from their unit costs.
#pragma once

#include <string>
#include <vector>

#include "db/database.h"
#include "ui/ui_port.h"

namespace kolv::cost {

/// Options of the COMPUTE SYSTEM COST window.
struct CostOptions {
    /// Lists the heading and one line per node; the subtotals and totals are always listed.
    bool detail = false;
};

/// What a cost run produced: the lines of the window's list and the three totals
/// (in the project's own currency per its own length unit; nothing is converted).
struct CostResult {
    std::vector<std::string> lines;
    double pipesTotal = 0.0;       ///< total cost of pipes
    double structuresTotal = 0.0;  ///< total cost of inlets and manholes
    /// The run stopped on data it cannot use (its message was shown): no lines, nothing written.
    bool stopped = false;
    double grandTotal() const { return pipesTotal + structuresTotal; }
};

/// Prices one system: every node adds its structure (the cost up to 10 deep or the deeper one,
/// by the depth of its outgoing pipe's upstream end below the inlet) and every outgoing reach
/// adds length × unit cost of its pipe. Clears and then accumulates `COST_QTY` and
/// `COST_DOLLARS` in every T7 and T6 record. Data faults are shown through `ui` ("INVALID DATA")
/// and the run goes on; database faults throw.
CostResult computeSystemCost(db::Database& db, const std::string& system, const CostOptions& options,
                             ui::UiPort& ui);

/// Title of the printed report: "SYSTEM COST REPORT - " + system.
std::string costReportTitle(const std::string& system);

}  // namespace kolv::cost
