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
};

/// Called with each line as it is added, so a window can show lines while the run goes on.
using VerificationLineSink = std::function<void(const std::string&)>;

/// Title printed above the verification listing: "VERIFY NODES AND REACHES - " + system (trimmed).
std::string verificationTitle(const std::string& system);

/// Verifies the nodes and reaches of a system. Findings become lines (nothing stops the run);
/// a system without nodes or without reaches shows its "INVALID DATA" box and ends with ok false
/// and no "Verification Complete." line. Status texts and progress go through the port.
VerificationResult verifySystem(db::Database& db, const std::string& system, ui::UiPort& ui,
                                const VerificationLineSink& onLine = {});

}  // namespace kolv::network
