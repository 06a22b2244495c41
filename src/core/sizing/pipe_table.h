// The pipe table of a sizing run: one group of pipe definitions, smallest area first, and the choice among them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "db/database.h"
#include "ui/ui_port.h"

namespace kolv::sizing {

/// One pipe definition as the run holds it, in feet (a metric definition is converted on loading).
/// The size fields are single precision, as the definitions are stored.
struct PipeEntry {
    std::string name;   ///< `NAME`
    float heightFt = 0;  ///< `HEIGHT` (rise)
    float widthFt = 0;   ///< `WIDTH` (span)
    float areaSqFt = 0;  ///< `AREA`; π (height/2)² for a round pipe without one; 0 for another shape without one
    float n = 0;         ///< Manning n
    float costPerFt = 0; ///< `COST`
    float heightListed = 0, widthListed = 0;  ///< as stored, in the project's unit, for the listing
};

/// Selection limit of a sizing run.
enum class Criterion {
    Velocity,  ///< full-flow velocity below a maximum
    HglSlope,  ///< friction slope of the grade line below a maximum (%)
};

/// Loads one `GROUPP` group ordered by the area the run holds for each entry, smallest first;
/// equal areas keep the order of the table. When `listing` is given, adds "PIPE SELECTION LIST", the dashes, one line per
/// entry and two blank lines. Stops at the first entry with an invalid size or n: the alert, the
/// "INVALID DATA" box with "Process terminated", and nothing returned.
std::optional<std::vector<PipeEntry>> loadPipeTable(db::Database& db, int group, bool metric,
                                                    ui::UiPort& ui, std::vector<std::string>* listing);

/// The distinct `GROUPP` values of the pipe definitions of one unit system (`ENG_MET`: 0 English,
/// 1 metric), ascending: the groups a run of a project in that unit system can choose from.
std::vector<int> pipeGroups(db::Database& db, int engMet);

/// Checks a definition's size and n: "Pipe '...' has an invalid height or width." or
/// "... has an invalid 'N' value (n).", each followed by a line "Process terminated"; empty when valid.
std::string pipeDefinitionFault(const std::string& name, double height, double width, float n);

/// Wetted perimeter of a full pipe (ft): π D for a round pipe, π (rise + span) / 2 otherwise.
double wettedPerimeterFt(double heightFt, double widthFt);

/// Friction slope (ft/ft) of a pipe flowing full at velocity V:
/// Sf = (n V / (1.486 R^(2/3))), squared, with R = A / P (R = 0.0000001 when P is 0).
double frictionSlope(double n, double velocityFtS, double areaSqFt, double heightFt, double widthFt);

/// The outcome of trying the candidates for one flow.
struct Choice {
    int index = -1;            ///< accepted entry, -1 when none was
    int lastTried = -1;        ///< the last entry tried (the accepted one, or the largest)
    double velocityFtS = 0.0;  ///< V = Q / barrels / area of the last entry tried
};

/// Tries the entries from `start` on, smallest first, and accepts the first whose full-flow
/// velocity V = Q / barrels / area is below `limit` (velocity criterion) or whose friction slope
/// 100 Sf is below `limit` (%) (grade-line criterion); a V or slope of exactly 0 is accepted too.
/// An entry without an area is never tried. `barrels` 0 counts as 1.
Choice choosePipe(const std::vector<PipeEntry>& table, double flowCfs, int barrels, Criterion criterion,
                  double limit, std::size_t start = 0);

/// First entry whose area is not smaller than `areaSqFt` (the last entry when every one is).
std::size_t firstEntryNotSmaller(const std::vector<PipeEntry>& table, double areaSqFt);

}  // namespace kolv::sizing
