// The storm tabulation run of one system: load, validate, accumulate, pass loop, write results.
#pragma once

#include <string>
#include <vector>

#include "db/project.h"
#include "hydraulics/hydraulic_record.h"
#include "hydraulics/pass.h"
#include "hydraulics/run_options.h"
#include "hydraulics/system_loader.h"
#include "network/verification.h"
#include "session/session.h"
#include "ui/ui_port.h"

namespace kolv::hydraulics {

/// Optional hooks of a run for the window that started it.
struct RunHooks {
    PassProgressSink progress;        ///< pass number and HGL difference for the gauges
    MaxPassesPrompt maxPassesPrompt;  ///< the warning window with its "do not show again" box
    network::VerificationLineSink verificationLine;  ///< each line of a verification run first
};

/// What a run did.
struct RunResult {
    /// 0 results written; -1 stopped by invalid data (its message was shown) or by the pass loop.
    int status = -1;
    /// The message list: phase titles, "PASS = " lines, design warnings, in order.
    std::vector<std::string> messages;
    /// Lines of the network verification, when it was asked for.
    std::vector<std::string> verificationLines;
    /// Records of the last pass in flow order (feet, acres, cfs).
    std::vector<HydraulicRecord> records;
    int passes = 0;
    double hglDifference = 0;  ///< last change of the grade-line sum (ft)
    bool converged = false;
    int maxPasses = 0;            ///< the pass limit of the run
    double maxHglChange = 0;      ///< largest change of one reach's upstream grade line in the last pass (ft)
    std::string maxHglChangeNode; ///< the node of that reach
    /// The grade line alternated between two states: the records hold the higher at each reach.
    bool cycling = false;
    std::vector<GradeLineSwing> swings;  ///< the reaches where the two states differ
    OutfallResult outfall;
    ProjectHeading heading;
    bool metric = false;
};

/// The line that says a storm tabulation did not settle: the pass limit and the largest change
/// of a grade line in the last pass (ft, shown in m in a metric project) with its node.
std::string notSettledLine(int maxPasses, double maxHglChangeFt, const std::string& node, bool metric);

/// The line that says a storm tabulation did not settle because its grade line alternates
/// between two states: the largest difference between them (ft, shown in m in a metric
/// project) with its node, and that the higher of the two is reported.
std::string cyclingLine(double swingFt, const std::string& node, bool metric);

/// The note of a run that did not settle, as the storm tabulation prints it: the cycling line or
/// the not-settled line.
std::string unsettledNote(const RunResult& run);

/// Runs the storm tabulation of a system with the window's options. Every validation failure
/// shows its message through the port and ends the run with status -1 before anything is
/// written; on success the system's T60 rows are replaced and its header gets the tailwater,
/// exit loss, control elevation and crown switch of the run, all in one transaction.
RunResult runStormTabs(db::Project& project, Session& session, ui::UiPort& ui, const RunOptions& options,
                       const std::string& system, const RunHooks& hooks = {});

}  // namespace kolv::hydraulics
