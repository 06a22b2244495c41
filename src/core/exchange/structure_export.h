// Drainage structure data export: one comma-separated line per structure, for a spreadsheet.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"
#include "ui/ui_port.h"

namespace kolv::exchange {

/// The system choice that exports every system.
inline constexpr const char* kAllSystems = "<ALL>";
/// Title of the export's message boxes.
inline constexpr const char* kExportTitle = "Export Drainage Structure Data";
/// Pipe groups written for the pipes coming into a structure.
inline constexpr int kMaxExportedIncoming = 4;

/// "<ALL>" followed by the systems of T16 in record order.
std::vector<std::string> exportSystemChoices(db::Database& db);

/// The heading line of the file.
std::string exportHeading();

/// Compass direction of a pipe from one structure to the other, in diagram coordinates
/// (`YD` grows downward, so north is -YD).
struct PipeDirection {
    double angleDeg = 0;  ///< counter-clockwise from east, 0 <= angle < 360
    std::string word;     ///< "NORTH", "EAST", "SOUTH", "WEST" or "?"
    std::string letter;   ///< "N", "E", "S", "W" or "?"
};
PipeDirection pipeDirection(double xdFrom, double ydFrom, double xdTo, double ydTo);

/// A value as stored, written so a spreadsheet and the import read it back the same: a value
/// that begins with "=", "@", a tab or a carriage return would be taken as a formula, so it gets
/// a leading apostrophe (the spreadsheet's own mark for "this is text", which the import
/// removes); a value holding a comma, a double quote or a line break is quoted (RFC 4180) so
/// it stays one field. Anything else, "-1+20" and "+5" included, is written as it is.
std::string spreadsheetText(std::string_view value);

/// The lines of the file (heading first), built from the project. A structure with more than
/// four incoming pipes is reported ("Node '<name>' has more than 4 incoming pipes. Only 4 will
/// be reported in this listing.") and its first four are written. A system without an outfall
/// node gets no outfall line, and a reach without a To Node no pipe group: both are told in
/// one warning box and, when `leftOut` is given, listed there.
std::vector<std::string> exportLines(db::Database& db, ui::UiPort& ui, const std::string& system,
                                     std::vector<std::string>* leftOut = nullptr);

/// Writes the export file: refuses an empty path ("No Export filename and path has been
/// entered."), writes the lines, and tells "Export Complete". Returns the lines the window
/// lists (ending "End of Export"); empty when nothing was written. Throws kolv::Error when the
/// file cannot be written.
std::vector<std::string> exportStructures(db::Database& db, ui::UiPort& ui, const std::string& system,
                                          const std::string& path);

}  // namespace kolv::exchange
