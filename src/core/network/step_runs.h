// The last run of each design step per system, kept in the project with a fingerprint of the data it saw.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "db/database.h"

namespace kolv::network {

/// The design steps whose listing a window shows again when it is opened.
enum class DesignStep { PipeSizes, FlowLines, Hydraulics, Cost };

/// Stored name of a step ("PIPE SIZES", "FLOW LINES", "HYDRAULICS", "COST").
const char* stepName(DesignStep step);

/// A fingerprint of the design data of one system: its nodes and reaches, its outfall and header,
/// the structure and pipe definitions, the rainfall tables, the units and junction-loss
/// coefficients of the project setup. Fields that the
/// runs themselves write as results (the node `P_` fields, the cost tallies, the outfall's
/// grade-line note and run figures, the print order) are left out, so one step's run does not
/// make another step's listing look old. Two fingerprints are equal exactly when none of those
/// values differ (up to the 64-bit hash), whichever way the data got there (edit, undo, import).
std::string designDataStamp(db::Database& db, const std::string& system);

/// Keeps the last fingerprint until the connection writes again, so views that ask after every
/// edit do not read the whole system each time nothing changed.
class DesignStampCache {
public:
    std::string stamp(db::Database& db, const std::string& system);

private:
    const db::Database* m_db = nullptr;
    long long m_changes = -1;
    std::string m_system;
    std::string m_stamp;
};

/// Stores the listing of a run of `step` on `system` (replacing the one before) with the
/// fingerprint of the data as the run left it. Runs inside the caller's undo step, so an undo
/// of the run brings back the listing of the run before it.
void recordStepRun(db::Database& db, DesignStep step, const std::string& system, const std::vector<std::string>& lines);

/// The stored run of a step on a system.
struct StepRun {
    std::vector<std::string> lines;  ///< the listing as the window showed it
    std::string stamp;               ///< the fingerprint of the data after the run
};

/// The last stored run of `step` on `system`; nothing when the step never ran there.
std::optional<StepRun> lastStepRun(db::Database& db, DesignStep step, const std::string& system);

}  // namespace kolv::network
