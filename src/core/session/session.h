// State of one running program that outlives a single command: rainfall method and table,
// "do not show again" answers, the diagnosis log and the pending-edit switches.
#pragma once

#include <string>
#include <vector>

namespace kolv {

/// One point of a loaded time-intensity table (minutes, in/hr), single precision.
struct TimeIntensityPoint {
    float time = 0.0f;
    float intensity = 0.0f;
};

/// Passed explicitly to every command that reads or changes it; a second session computes
/// independently of the first.
struct Session {
    /// Rainfall source of the run in progress: 0 IDF polynomial, 1 time-intensity table,
    /// 2 built-in curve. Set by each hydraulics or sizing run from the system header.
    int intensityMethod = 0;
    /// Loaded time-intensity table, entries 0..n+1 (0 and n+1 are the sentinels).
    std::vector<TimeIntensityPoint> timeIntensity;
    /// n, the number of rows loaded.
    int timeIntensityCount = 0;

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
