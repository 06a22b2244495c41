// Pipe and structure schedules of a system, from its last storm tabulation.
#pragma once

#include <string>

#include "db/database.h"
#include "submittal/sheet.h"

namespace kolv::submittal {

/// Reach, from, to, size, pipe, length, slope, inverts, n, Q, capacity and velocity of every reach.
void layoutPipeSchedule(db::Database& db, const std::string& system, bool metric, const SheetFrame& frame,
                        const BodySink& emit);

/// Name, type, rim, inverts in and out, depth and cover of every structure, and the outfall.
void layoutStructureSchedule(db::Database& db, const std::string& system, const std::string& outfall, bool metric,
                             const SheetFrame& frame, const BodySink& emit);

}  // namespace kolv::submittal
