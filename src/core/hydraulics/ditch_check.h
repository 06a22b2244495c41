// Ditch flow lines: a ditch's ends lie on the ground at its nodes; ditches must fall downstream.
#pragma once

#include <string>
#include <vector>

#include "db/database.h"

namespace kolv::hydraulics {

/// Copies the inlet elevations of the end nodes of every ditch reach of the system into the reach
/// (`ELEV1`/`ELEV2` as flow lines). Unless quiet, returns one line per changed ditch whose downstream
/// end is at or above its upstream end. Nothing is done for an empty system name or "<drains>".
std::vector<std::string> checkDitchFlowLines(db::Database& db, const std::string& system, bool quiet);

/// True when the lines of checkDitchFlowLines hold an uphill ditch (the run must not start).
bool ditchCheckFailed(const std::vector<std::string>& lines);

/// Shown when the check failed: "Invalid ditch slopes. Ditches must slope downstream."
inline constexpr const char* kInvalidDitchSlopes = "Invalid ditch slopes. Ditches must slope downstream.";

}  // namespace kolv::hydraulics
