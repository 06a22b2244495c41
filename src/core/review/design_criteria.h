// Design criteria of a project: the limits the design review holds every reach and node to.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "db/project.h"

namespace kolv::review {

/// The limits of a project, in the computations' units (ft, ft/s, percent). A limit left to the
/// structure (cover, grade-line clearance) is empty: each node's structure definition gives it.
struct DesignCriteria {
    double minVelocityFtS = 2.5;   ///< self-cleaning velocity of a pipe flowing at its design flow
    double maxVelocityFtS = 15.0;  ///< scour and abrasion limit
    double minSlopePercent = 0.1;  ///< flattest pipe
    std::optional<double> minCoverFt;      ///< empty: the structure's `MIN_PIPE_COVER`
    std::optional<double> hglClearanceFt;  ///< empty: the structure's `HGL_CLEAR`
    bool eglAboveRimAllowed = false;       ///< may the energy grade line rise above the rim
    bool smallerThanUpstreamAllowed = false;  ///< may a pipe be smaller than one coming into its node
    double minDropFt = 0.0;                ///< least fall of the invert across a structure

    /// The defaults for the project's unit system: 2.5–15 ft/s, or 0.75–4.5 m/s in a metric project.
    static DesignCriteria defaults(bool metric);
};

/// One criterion as the engineer names, reads and types it.
struct CriterionInfo {
    std::string key;      ///< command-line name: "min-velocity"
    std::string caption;  ///< "Minimum velocity"
    std::string unit;     ///< "ft/s", "m/s", "%", "ft", "m", "yes/no"
    std::string value;    ///< the value in project units as text ("structure" for a limit left to it)
};

/// Reads the project's criteria; a project without any keeps the defaults (nothing is written).
DesignCriteria loadCriteria(db::Database& db, bool metric);
inline DesignCriteria loadCriteria(db::Project& project) { return loadCriteria(*project.db, project.metric); }

/// The criteria as text in project units, in the order of the setup window and the CLI listing.
std::vector<CriterionInfo> describeCriteria(const DesignCriteria& criteria, bool metric);

/// Applies one typed value ("2.5", "structure", "yes") to `criteria`, read strictly through the
/// project's number input; the message that says why it was refused, or nothing.
std::optional<std::string> applyCriterion(DesignCriteria& criteria, const std::string& key, const std::string& text,
                                          bool metric);

/// The refusal of a set of criteria taken together (the maximum velocity must exceed the minimum).
std::optional<std::string> validateCriteria(const DesignCriteria& criteria);

/// Stores the criteria as one undoable step ("Design Criteria"), creating their table when missing.
void saveCriteria(db::Database& db, bool metric, const DesignCriteria& criteria);
inline void saveCriteria(db::Project& project, const DesignCriteria& criteria) {
    saveCriteria(*project.db, project.metric, criteria);
}

/// Name of the table that keeps the criteria.
inline constexpr const char* kCriteriaTable = "DESIGN_CRITERIA";

}  // namespace kolv::review
