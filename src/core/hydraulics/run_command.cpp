// The compute command of the Compute Hydraulics window: validate and store the options, check ditches, run.
#include "hydraulics/run_command.h"

#include "hydraulics/ditch_check.h"
#include "hydraulics/run_options.h"
#include "db/database.h"
#include "db/undo_history.h"
#include "network/step_runs.h"

namespace kolv::hydraulics {

ComputeOutcome computeHydraulics(db::Project& project, Session& session, ui::UiPort& ui,
                                 const HydraulicsOptions& options, const std::string& system, bool verifyFirst,
                                 const RunHooks& hooks) {
    db::UndoAction step(*project.db, "Step 4: Compute/Print Storm Tabs");
    ComputeOutcome out;
    const OptionsCheck check = validateComputeOptions(options, project.metric, ui);
    out.options = check.options;
    // One write transaction from the ditch flow lines to the results: the run reads what it writes
    // over, and no other program can change the system in between. The options and the ditch
    // flow lines stay even when the run itself stops.
    db::Transaction tx(*project.db);
    saveHydraulicsOptions(*project.db, check.options, project.metric);
    if (!check.valid) {
        tx.commit();
        return out;
    }

    out.ditchLines = checkDitchFlowLines(*project.db, system, false);
    if (ditchCheckFailed(out.ditchLines)) {
        out.run.messages = out.ditchLines;
        network::recordStepRun(*project.db, network::DesignStep::Hydraulics, system, out.run.messages);
        tx.commit();
        ui.invalidData(kInvalidDitchSlopes);
        return out;
    }
    out.started = true;
    out.run = runStormTabs(project, session, ui, runOptionsFrom(check.options, verifyFirst), system, hooks);
    // The messages as the window lists them, to be shown again when it is opened later. A run the
    // input checks refused wrote nothing and leaves the project as it was, its last listing included.
    if (out.run.status == 0)
        network::recordStepRun(*project.db, network::DesignStep::Hydraulics, system, out.run.messages);
    tx.commit();
    return out;
}

}  // namespace kolv::hydraulics
