// The compute command of the Compute Hydraulics window: validate and store the options, check ditches, run.
#pragma once

#include <string>
#include <vector>

#include "db/project.h"
#include "hydraulics/hydraulics_options.h"
#include "hydraulics/run.h"

namespace kolv::hydraulics {

/// What the compute command did.
struct ComputeOutcome {
    bool started = false;                ///< the options and the ditches passed and the run was made
    HydraulicsOptions options;           ///< the options as stored (a refused field reset)
    std::vector<std::string> ditchLines; ///< lines of the ditch flow-line check
    RunResult run;                       ///< the run (status -1 and no lines when not started)
};

/// Validates the options (stopping at the first refused one), stores them in the program setup,
/// copies the ditch flow lines and stops when a ditch runs uphill ("Invalid ditch slopes. Ditches
/// must slope downstream."), then runs the storm tabulation of the system.
ComputeOutcome computeHydraulics(db::Project& project, Session& session, ui::UiPort& ui,
                                 const HydraulicsOptions& options, const std::string& system,
                                 bool verifyFirst = false, const RunHooks& hooks = {});

}  // namespace kolv::hydraulics
