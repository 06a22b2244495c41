// Verification of a system's nodes and reaches: outgoing and incoming reaches, stubs without flow, end nodes, lengths.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "db/database.h"
#include "ui/ui_port.h"

namespace kolv::network {

/// Outcome of a verification: ok when no finding was listed; lines as the results window shows them.
struct VerificationResult {
    bool ok = true;
    std::vector<std::string> lines;
    /// Findings listed (every line but "Verification Complete.").
    int faults = 0;
    /// The run reached its end ("Verification Complete." listed).
    bool complete = false;
};

/// Called with each line as it is added, so a window can show lines while the run goes on.
using VerificationLineSink = std::function<void(const std::string&)>;

/// Title printed above the verification listing: "VERIFY NODES AND REACHES - " + system (trimmed).
std::string verificationTitle(const std::string& system);

/// The closing count of a finished verification: "No faults found.", "1 fault found.", "12 faults found.".
std::string faultCountLine(int faults);

/// The line that closes a finished run.
inline constexpr const char* kVerificationComplete = "Verification Complete.";

/// Counts the findings in the lines of a run; `complete` tells whether the run reached its end.
int faultsListed(const std::vector<std::string>& lines, bool& complete);

/// Verifies the nodes and reaches of a system. Findings become lines (nothing stops the run);
/// a system without nodes or without reaches shows its "INVALID DATA" box and ends with ok false
/// and no "Verification Complete." line. Status texts and progress go through the port.
VerificationResult verifySystem(db::Database& db, const std::string& system, ui::UiPort& ui,
                                const VerificationLineSink& onLine = {});

}  // namespace kolv::network
