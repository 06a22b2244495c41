// Hydraulic profile sheets of a system: the trunk and every branch, at one scale, over as many sheets as they need.
#pragma once

#include <string>
#include <vector>

#include "db/database.h"
#include "hydraulics/profile_model.h"
#include "submittal/sheet.h"

namespace kolv::submittal {

/// One run of the profile: the rows from its farthest inlet down to where it ends (the outfall for
/// the trunk, the structure it joins for a branch), upstream first.
struct ProfileRun {
    std::string start;       ///< farthest inlet
    std::string end;         ///< outfall or junction structure
    bool trunk = false;
    std::vector<int> rows;   ///< row indexes of the model, upstream first; a branch ends with its junction's row
};

/// The trunk (the longest path to the outfall, following the longest upstream line at every
/// junction) and then each branch in turn, each as long as it can be.
std::vector<ProfileRun> profileRuns(const hydraulics::ProfileModel& model);

/// Scales of a profile sheet (every sheet of one run has the same): display units per point,
/// across and up.
struct ProfileScale {
    double horizontal = 1;  ///< ft (m) per pt
    double vertical = 0.1;
    std::string text;       ///< "Horizontal 1 in = 50 ft   Vertical 1 in = 5 ft"
};

/// Draws every run of the system's stored storm tabulation, each at a horizontal scale that
/// gives its typical pipe room for its labels; short runs of one scale share sheets.
void layoutProfiles(db::Database& db, const std::string& system, bool metric, const SheetFrame& frame,
                    const BodySink& emit);

}  // namespace kolv::submittal
