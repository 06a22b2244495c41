// Pipe sizing: the smallest pipe of a group that carries each reach's design flow within a limit.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "db/project.h"
#include "hydraulics/hydraulic_record.h"
#include "network/verification.h"
#include "sizing/pipe_table.h"
#include "sizing/sizing_basis.h"
#include "ui/ui_port.h"

namespace kolv::sizing {

/// Options of the Compute Pipe Sizes window. Velocities are in ft/s whatever the project's units: the
/// window, the command line and the Python module convert what is typed in m/s (hydraulics::velocityFps).
struct SizingOptions {
    int group = 0;  ///< the `GROUPP` of the pipe definitions to choose from
    Criterion criterion = Criterion::Velocity;
    double maxVelocityFps = 0.0;      ///< velocity criterion: V must stay below this
    double maxHglSlopePercent = 0.0;  ///< grade-line criterion: 100 Sf must stay below this
    bool useMinVelocity = true;       ///< travel time never uses a velocity below minVelocityFps
    double minVelocityFps = 2.0;      ///< minimum velocity for travel time
    bool verifyFirst = false;
    /// Receives each verification line as it is found (a window shows them while the run goes on).
    network::VerificationLineSink onVerificationLine;
    /// Never choose a pipe smaller than the largest pipe coming into the reach's node: the search
    /// starts at the first entry of the group whose area is not smaller. Off by default.
    bool notSmallerThanUpstream = false;
    /// The records of the run come back in the result. Off: they are freed once the results are
    /// written (a system of 50,000 reaches holds 45 MB of them), for a caller that needs only the
    /// listing.
    bool keepRecords = true;

    /// The window's defaults: a full-flow velocity below 10 ft/s or a friction slope below 1 %, and 2.0 ft/s
    /// for travel time, in either unit system (a metric project shows them converted to m/s).
    static SizingOptions defaults();
};

/// The refusal text of invalid options ("Minimum velocity must be greater than zero", ...), or nothing.
std::optional<std::string> validateOptions(const SizingOptions& options);

/// Options of the "FULL" command of the Compute Hydraulics window.
struct FullFlowOptions {
    bool useMinVelocity = true;
    double minVelocityFps = 2.0;
    bool verifyFirst = false;
    network::VerificationLineSink onVerificationLine;  ///< each verification line as it is found
};

/// What a sizing run produced.
struct SizingResult {
    /// 0 results written; -1 refused or stopped by a message (nothing written).
    int status = -1;
    /// The window's list: the pipe selection list, the heading, a line per reach, the clearance
    /// lines, lookups that failed while writing and "Cleaning up temporary data arrays".
    std::vector<std::string> lines;
    /// The loading phase titles.
    std::vector<std::string> messages;
    std::vector<std::string> verificationLines;
    /// Records in flow order after the run (feet, cfs): chosen pipe, velocity, friction slope in
    /// `sf`, travel time, grade line.
    std::vector<hydraulics::HydraulicRecord> records;
    /// Why each pipe reach got its pipe, in flow order (Compute Pipe Sizes only).
    std::vector<SizingBasis> basis;
};

/// Sizes the pipes of a system from one group: flows accumulated in flow order with travel times
/// from the chosen pipes, a grade line backed in from the tailwater without losses, clearance
/// lines, then T60, the node `P_` fields and `PIPE_NAME` written. Refused options are shown as
/// "INVALID DATA" (exclamation) and nothing is computed.
SizingResult computePipeSizes(db::Project& project, ui::UiPort& ui, const std::string& system,
                              const SizingOptions& options);

/// The "FULL" run of the Compute Hydraulics window: the same flow accumulation, grade line and
/// results, with every reach keeping its own pipe taken as flowing full. No selection list: only
/// the clearance lines, the lookups that failed and the closing line.
SizingResult computeFullFlow(db::Project& project, ui::UiPort& ui, const std::string& system,
                             const FullFlowOptions& options);

}  // namespace kolv::sizing
