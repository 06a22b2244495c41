// The pass loop of a storm tabulation: flows downstream, grade line upstream, until the grade line settles.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "hydraulics/hydraulic_record.h"
#include "hydraulics/run_options.h"
#include "rain/intensity.h"
#include "session/session.h"
#include "ui/ui_port.h"

namespace kolv::hydraulics {

/// Progress of the loop: the pass just finished and the change of the grade-line sum (ft).
struct PassProgress {
    int pass = 0;
    int maxPasses = 0;
    double hglDifference = 0;
};
using PassProgressSink = std::function<void(const PassProgress&)>;

/// Shows the maximum-passes warning and returns the state of its "do not show again" box.
/// The default shows a plain OK box and returns false.
using MaxPassesPrompt = std::function<bool(const std::string& text)>;

/// Everything the loop reads besides the records. Lengths in ft, flows in cfs.
struct PassSettings {
    RunOptions options;               ///< already clamped (passes, HGL difference)
    double minVelocityFtS = 2.0;      ///< minimum velocity for travel time, ft/s
    rain::DesignStorm storm;          ///< the system's rainfall
    double tailwaterFt = 0;           ///< `OUT_TW`
    double exitLossCoeff = 0;         ///< `EXIT_LOSS_COEFF`
    bool metric = false;              ///< messages give flows in cms
};

/// Where the loop reports.
struct PassIo {
    Session& session;                    ///< keeps the "do not show again" answer of the passes warning
    ui::UiPort& ui;
    std::vector<std::string>& messages;  ///< the run's message list
    PassProgressSink progress;           ///< may be empty
    MaxPassesPrompt maxPassesPrompt;     ///< may be empty
};

/// One reach of a run whose grade line swings between two states on every other pass: its
/// upstream grade line in the last pass and in the pass before (ft).
struct GradeLineSwing {
    std::string node;
    double hglUpLastFt = 0;
    double hglUpBeforeFt = 0;
};

/// What the loop did.
struct PassLoopResult {
    int status = 0;           ///< 0 finished; -1 stopped on invalid data (a message was shown)
    int passes = 0;           ///< passes run
    double hglDifference = 0; ///< last change of the grade-line sum (ft)
    bool converged = false;   ///< stopped on the tolerance rather than the pass limit
    double maxHglChange = 0;  ///< largest change of one reach's `HGL_UP` in the last pass (ft)
    std::string maxHglChangeNode;  ///< the node of that reach
    bool nonFinite = false;   ///< stopped early: the grade line is no longer a number
    /// Did not settle because the grade line alternates between two states (each pass gives back
    /// the grade line of the pass before the last). The records then hold, reach by reach, the
    /// higher of the two; `swings` lists the reaches where they differ, in flow order.
    bool cycling = false;
    std::vector<GradeLineSwing> swings;
    OutfallResult outfall;
};

/// Runs passes over records in flow order (incoming indexes and TO indexes filled) until the sum
/// of the upstream grade lines changes by less than the tolerance after at least four passes, or
/// the pass limit is reached. A run that reaches the limit while its grade line alternates
/// between two states (with the same flows) is marked as cycling and keeps the higher of the
/// two grade lines at every reach; any other run keeps the grade line of its last pass.
PassLoopResult runPassLoop(std::vector<HydraulicRecord>& records, const PassSettings& settings, PassIo& io);

/// Deep-well discharge at a stage (cfs): linear in the first interval of the stage-discharge table
/// that holds the stage, 0 when none does.
double deepWellDischarge(const HydraulicRecord& r, double stageFt);

/// Junction loss (ft) of record i by the method: K V^2 / 2g with the velocity of the outgoing
/// reach (method 1) or of the incoming reach of greatest energy (method 2); 0 for other methods.
double junctionLoss(const std::vector<HydraulicRecord>& records, std::size_t i, int method);

}  // namespace kolv::hydraulics
