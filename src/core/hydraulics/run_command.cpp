// The compute command of the Compute Hydraulics window: validate and store the options, check ditches, run.
#include "hydraulics/run_command.h"

#include "hydraulics/ditch_check.h"
#include "hydraulics/run_options.h"
#include "db/undo_history.h"

namespace kolv::hydraulics {

ComputeOutcome computeHydraulics(db::Project& project, Session& session, ui::UiPort& ui,
                                 const HydraulicsOptions& options, const std::string& system, bool verifyFirst,
                                 const RunHooks& hooks) {
    db::UndoAction step(*project.db, "Step 4: Compute/Print Storm Tabs");
    ComputeOutcome out;
    const OptionsCheck check = validateComputeOptions(options, project.metric, ui);
    out.options = check.options;
    saveHydraulicsOptions(*project.db, check.options);
    if (!check.valid) return out;

    out.ditchLines = checkDitchFlowLines(*project.db, system, false);
    if (ditchCheckFailed(out.ditchLines)) {
        out.run.messages = out.ditchLines;
        ui.invalidData(kInvalidDitchSlopes);
        return out;
    }
    out.started = true;
    out.run = runStormTabs(project, session, ui, runOptionsFrom(check.options, verifyFirst), system, hooks);
    return out;
}

}  // namespace kolv::hydraulics
