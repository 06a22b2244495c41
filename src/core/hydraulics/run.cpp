// The storm tabulation run of one system: load, validate, accumulate, pass loop, write results.
#include "hydraulics/run.h"

#include <algorithm>
#include <utility>

#include "common/text.h"
#include "common/units.h"
#include "common/vb_format.h"
#include "db/schema.h"
#include "hydraulics/results.h"
#include "network/input_limits.h"
#include "network/verification.h"
#include "ui/busy_pointer.h"

namespace kolv::hydraulics {

using units::kFeetPerMeterShort;
using units::kMetersPerFoot;

std::string notSettledLine(int maxPasses, double maxHglChangeFt, const std::string& node, bool metric) {
    const double shown = metric ? maxHglChangeFt * kMetersPerFoot : maxHglChangeFt;
    return "NOT SETTLED: the pass limit of " + std::to_string(maxPasses) +
           " passes was reached; in the last pass a grade line still changed by up to " + vbFormat(shown, "0.0000") +
           (metric ? " m" : " ft") + (node.empty() ? std::string() : " (node '" + trim(node) + "')") +
           ". The results are those of the last pass.";
}

std::string cyclingLine(double swingFt, const std::string& node, bool metric) {
    const double shown = metric ? swingFt * kMetersPerFoot : swingFt;
    return "NOT SETTLED: the grade line alternates between two states from one pass to the next, by up to " +
           vbFormat(shown, "0.0000") + (metric ? " m" : " ft") +
           (node.empty() ? std::string() : " (node '" + trim(node) + "')") +
           ". At every reach the results give the higher of the two grade lines.";
}

std::string unsettledNote(const RunResult& run) {
    return run.cycling ? cyclingLine(run.maxHglChange, run.maxHglChangeNode, run.metric)
                       : notSettledLine(run.maxPasses, run.maxHglChange, run.maxHglChangeNode, run.metric);
}

namespace {

/// The message lines of a run whose grade line alternates: both grade lines at every reach where
/// they differ.
void listSwings(const std::vector<GradeLineSwing>& swings, bool metric, std::vector<std::string>& msg) {
    const double k = metric ? kMetersPerFoot : 1.0;
    const std::string unit = metric ? " m" : " ft";
    msg.push_back("The grade line alternates between two states; upstream grade line (HGL up) of each state:");
    for (const GradeLineSwing& w : swings)
        msg.push_back("  Node " + trim(w.node) + ": " + vbFormat(w.hglUpBeforeFt * k, "0.0000") + " / " +
                      vbFormat(w.hglUpLastFt * k, "0.0000") + unit + ", reported " +
                      vbFormat(std::max(w.hglUpBeforeFt, w.hglUpLastFt) * k, "0.0000") + unit);
}

}  // namespace

RunResult runStormTabs(db::Project& project, Session& session, ui::UiPort& ui, const RunOptions& options,
                       const std::string& systemName, const RunHooks& hooks) {
    RunResult res;
    ui::BusyPointer pointer(ui);  // restored on every exit of the run
    auto& msg = res.messages;
    db::Database& db = *project.db;
    const std::string system = trim(systemName);
    const bool metric = project.metric;
    res.metric = metric;

    // The inputs are read inside the write transaction, so no other program can change them
    // between the reading and the writing of the results: they always belong together.
    db::Transaction tx(db);

    // 1. Options in feet; the network verified when asked for.
    PassSettings settings;
    settings.options = options;
    settings.minVelocityFtS = options.minVelocityFps;
    settings.metric = metric;
    if (options.verifyFirst)
        res.verificationLines = network::verifySystem(db, system, ui, hooks.verificationLine).lines;

    // Values no computation can use stop the run before anything is computed.
    network::InputLimitScope scope;
    if (options.fixedTc) scope.fixedTcMinutes = options.fixedTcMinutes;
    if (!network::inputWithinLimits(db, system, metric, ui, scope)) {
        msg.push_back("Cleaning up temporary data arrays");
        return res;
    }

    // 2-7. The system loaded, linked, accumulated and checked.
    LoadOptions loadOptions;
    loadOptions.frequency = trim(options.frequency);
    auto loaded = loadSystemForRun(project, ui, system, msg, loadOptions);
    if (!loaded) return res;
    res.records = std::move(loaded->records);
    res.heading = loaded->heading;
    settings.tailwaterFt = loaded->tailwaterFt;
    settings.exitLossCoeff = loaded->exitLossCoeff;
    settings.storm = std::move(loaded->storm);
    auto& recs = res.records;

    // 8. The pass loop.
    msg.push_back("Calculate hydraulics");
    if (settings.options.maxPasses <= 0) settings.options.maxPasses = 50;
    settings.options.maxPasses = std::min(settings.options.maxPasses, 32000);
    settings.options.maxHglDifference = std::clamp(settings.options.maxHglDifference, 0.0001, 0.25);
    PassIo io{session, ui, msg, hooks.progress, hooks.maxPassesPrompt};
    const PassLoopResult loop = runPassLoop(recs, settings, io);
    res.passes = loop.passes;
    res.hglDifference = loop.hglDifference;
    res.converged = loop.converged;
    res.maxHglChange = loop.maxHglChange;
    res.maxHglChangeNode = loop.maxHglChangeNode;
    res.maxPasses = settings.options.maxPasses;
    res.outfall = loop.outfall;
    res.cycling = loop.cycling;
    res.swings = loop.swings;
    if (!res.converged && loop.status == 0 && !loop.nonFinite) {
        if (res.cycling) listSwings(res.swings, metric, msg);
        msg.push_back(unsettledNote(res));
    }
    if (loop.status != 0) {
        msg.push_back("Cleaning up temporary data arrays");
        return res;
    }

    // 9. Results and the run values of the header, together; a value that is not a number
    // never reaches the file, a listing or a report.
    if (auto fault = firstNonFiniteResult(system, recs, options.useHydLength)) {
        msg.push_back(*fault);
        ui.invalidData(*fault);
        msg.push_back("Cleaning up temporary data arrays");
        return res;
    }
    if (!options.writeResults) {
        // A check storm: the design's results stay as they are.
        msg.push_back("Cleaning up temporary data arrays");
        res.status = 0;
        return res;
    }
    {
        ResultsContext rc{db, ui, msg, metric, options.useHydLength, options.inletCapacityWarnings};
        writeResults(rc, system, recs);
        if (loaded->hasHeader) {
            if (db.layout("T16").position(db::kHglNoteField) < 0)
                db.addField("T16", db::FieldDef{db::kHglNoteField, db::FieldType::Text, 255});
            db.execute("UPDATE T16 SET " + db::quoteIdent(db::kHglNoteField) + " = ? WHERE SYSTEM = ?",
                       {res.converged ? db::Value() : db::Value(unsettledNote(res)),
                        system});
            db.execute("UPDATE T16 SET TAILWATER_IN_FEET = ?, EXIT_LOSS_16 = ?, CONTROL_EL_16 = ?, JUMP_TO_CROWN = ? "
                       "WHERE SYSTEM = ?",
                       {res.outfall.tailwater, res.outfall.exitLoss, res.outfall.controlElev,
                        db::Value(options.jumpToCrown), system});
        }
        tx.commit();
    }
    msg.push_back("Cleaning up temporary data arrays");
    res.status = 0;
    return res;
}

}  // namespace kolv::hydraulics
