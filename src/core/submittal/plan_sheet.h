// The plan sheet: the system's network diagram with its labels, fitted to the sheet.
#pragma once

#include <string>

#include "db/database.h"
#include "session/session.h"
#include "submittal/sheet.h"

namespace kolv::submittal {

/// Draws the system's diagram (positions, reach lines, symbols of the palette and the labels of
/// display option set `displaySet`) fitted to one sheet. The labels are placed as the diagram
/// window places them at its fitted zoom; those without room keep the node name alone.
void layoutPlan(db::Database& db, Session& session, const std::string& system, int engMet, int displaySet,
                const SheetFrame& frame, const BodySink& emit);

}  // namespace kolv::submittal
