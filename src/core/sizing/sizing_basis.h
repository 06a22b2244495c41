// Why Step 2 gave each reach its pipe: the governing constraint and the value that decided it.
#pragma once

#include <string>
#include <vector>

#include "db/database.h"

namespace kolv::sizing {

/// The constraint that decided a reach's pipe.
enum class GoverningRule {
    VelocityLimit,       ///< the smallest pipe that keeps the velocity under the maximum
    FrictionSlopeLimit,  ///< the smallest pipe that keeps the friction slope under the maximum
    NotSmallerThanUpstream,  ///< a smaller pipe would do, but one upstream is as large as this
    FixedByEngineer,     ///< the size switch is off: the engineer's own pipe
    NoCandidateEnough,   ///< no pipe of the group was enough: the largest was tried
};

/// One reach's basis. Value and limit are ft/s for the velocity, percent for the friction slope
/// (the deciding quantity of the run's criterion); for a pipe kept from upstream, the value is
/// the criterion's value of the pipe one size smaller.
struct SizingBasis {
    std::string reach;
    GoverningRule rule = GoverningRule::VelocityLimit;
    bool isVelocity = true;  ///< value and limit are velocities (ft/s), else friction slopes (%)
    double value = 0.0;
    double limit = 0.0;
};

/// Short stable name: "velocity limit", "friction slope limit", "not smaller than upstream",
/// "fixed by engineer", "no candidate enough".
const char* governingName(GoverningRule rule);
/// The constraint in plain words for the review and the windows.
std::string governingText(GoverningRule rule);

/// Replaces the system's rows of the basis table (created when missing) with these.
void writeSizingBasis(db::Database& db, const std::string& system, const std::vector<SizingBasis>& basis);
/// The system's rows, in the order written (flow order); none when the table is missing.
std::vector<SizingBasis> readSizingBasis(db::Database& db, const std::string& system);

}  // namespace kolv::sizing
