// State of one running program that outlives a single command: "do not show again" answers,
// the diagnosis log and the pending-edit switches.
#pragma once

#include <string>
#include <vector>

namespace kolv {

/// Passed explicitly to every command that reads or changes it; a second session behaves
/// independently of the first. What one run computes with (its design storm, its options) is
/// the run's own and is not kept here.
struct Session {
    /// The engineer ticked "do not show again" on the maximum-passes warning.
    bool suppressMaxPassesWarning = false;

    /// Trace lines of the diagram and the editing panel, printable as the diagnosis log.
    std::vector<std::string> diagnosisLog;

    /// Pending edits of the editing panel, written before any computation.
    bool nodeEditPending = false;
    bool reachEditPending = false;
    bool outfallEditPending = false;

    void log(const std::string& line) { diagnosisLog.push_back(line); }
};

}  // namespace kolv
