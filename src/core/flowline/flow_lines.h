// Flow-line elevations: sets pipe inverts for cover, minimum slope and matching levels at structures.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/units.h"
#include "db/project.h"
#include "network/verification.h"
#include "ui/ui_port.h"

namespace kolv::flowline {

/// Which elevations of the pipes meet at a structure.
enum class MatchMode { FlowLines, CrownLines };

/// A minimum velocity typed or shown in the project's units (ft/s, or m/s in a metric project), in ft/s.
/// Flow lines have always converted m/s with the international foot, unlike the design runs.
inline double velocityFps(double projectValue, bool metric) {
    return metric ? projectValue * units::kFeetPerMeterInternational : projectValue;
}

/// A minimum velocity in ft/s in the project's units, for showing: the inverse of velocityFps.
inline double velocityInProjectUnits(double fps, bool metric) {
    return metric ? fps / units::kFeetPerMeterInternational : fps;
}

/// Options of the Set Flow Lines window: the slope in %, the velocity in ft/s, the size limit in the
/// project's units as typed.
struct FlowLineOptions {
    /// Minimum pipe slope (%), used by every pipe in fixed mode; must be greater than 0.
    double minSlopePercent = 0.0;
    /// Slope mode: false "Fixed slope for all pipes", true "Varies based on pipe size"
    /// (each pipe gets the slope at which it runs full at the minimum velocity).
    bool varyByVelocity = false;
    /// Minimum velocity of the varying mode, ft/s (typed in m/s in a metric project: velocityFps).
    double minVelocityFps = 2.5;
    MatchMode match = MatchMode::FlowLines;
    /// "Except for pipes with a diameter less than": when set, only pipes at least this size
    /// are matched at their downstream structure; when clear, every pipe is.
    bool exceptSmallPipes = true;
    /// The size limit: inches, or millimetres in a metric project.
    double sizeLimit = 20.0;
    /// "Round flow line elevations to" this many decimal places (0..6).
    int decimals = 6;
    /// Verify the network first.
    bool verifyFirst = false;
    /// Receives each verification line as it is found.
    network::VerificationLineSink onVerificationLine;

    /// The window's defaults for the project's unit system (2.5 ft/s or 0.762 m/s; 20 in or 500 mm).
    static FlowLineOptions defaults(bool metric);
};

/// The refusal text of invalid options, or nothing when they can run.
std::optional<std::string> validateOptions(const FlowLineOptions& options);

/// What a flow-line run produced.
struct FlowLineResult {
    /// false when the options were refused or the system could not be loaded.
    bool ran = false;
    /// Lines of the ditch check ("Ditch Reach: ... HIGHER than the Upstream"), shown first.
    std::vector<std::string> ditchLines;
    /// Lines of the verification when it was asked for.
    std::vector<std::string> verificationLines;
    /// The listing: heading, per node its reaches with previous and current elevations, "Complete.".
    std::vector<std::string> lines;
};

/// Sets the flow lines of a system: the ditch check first, then every node in flow order
/// (cover at the upstream end of its outgoing pipe, minimum slope and cover at the downstream
/// ends of its incoming pipes, then the match level). Writes `ELEV1`/`ELEV2` of the computed
/// ends. Data faults are reported through `ui` and the run goes on with the values it has.
FlowLineResult setFlowLines(db::Project& project, const std::string& system, const FlowLineOptions& options,
                            ui::UiPort& ui);

/// Slope (%) at which a full circular pipe of diameter `diameterFt` with Manning n runs at
/// `velocityFtS`: S = 100 (V n / (1.49 R^(2/3)))^2 with R = D / 4. 0 for a pipe without size or n.
double velocitySlopePercent(double diameterFt, double n, double velocityFtS);

/// An elevation rounded the way it is stored: to `decimals` places, halves away from zero.
double roundElevation(double elevation, int decimals);

}  // namespace kolv::flowline
