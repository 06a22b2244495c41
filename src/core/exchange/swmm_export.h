// Writing a storm sewer system as a dynamic-wave input file of the public SWMM 5 format, with the design flows.
#pragma once

#include <string>

#include "db/database.h"
#include "exchange/landxml_export.h"

namespace kolv::exchange {

/// Choices of the SWMM file.
struct SwmmOptions {
    std::string routing = "DYNWAVE";  ///< FLOW_ROUTING: DYNWAVE, KINWAVE or STEADY
    double routingStepSeconds = 5;
};

/// The .inp text of one system:
///  - junctions at each node: invert = the lowest invert of the pipes that meet there, maximum depth
///    = rim - invert, surcharge depth 0 and no ponding, so a grade line that reaches the rim is
///    reported in SWMM's flooding summary rather than held above the ground unseen;
///  - the outfall FIXED at the tailwater when the header gives one, else FREE;
///  - conduits with their inverts as elevation offsets, Manning's n, barrels and shapes: CIRCULAR,
///    HORIZ_ELLIPSE or VERT_ELLIPSE for the other pipes; ditches TRAPEZOIDAL, TRIANGULAR or
///    RECT_OPEN as deep as the rim above the upstream invert (the broken-side ditches by their
///    lower slopes, logged);
///  - losses: a node's junction loss coefficient as the entry loss of its outgoing conduit (the
///    storm tab charges it on the outgoing velocity head), the outfall's exit loss as the exit
///    loss of the last conduit;
///  - inflows: each node's local design flow of the last storm tab, its flow less the flows of the
///    pipes that arrive, as a constant baseline, so SWMM routes the tab's peak flows; the run lasts
///    long enough (at least an hour, and six times the longest time of concentration) to settle;
///  - coordinates and the map extent. Names SWMM cannot take (blanks, quote marks, semicolons,
///    more than 24 characters) are renamed, and the renaming is written as comments.
/// Throws kolv::InputError for an unknown system.
std::string swmmText(db::Database& db, const std::string& system, const SwmmOptions& options, ExportResult& result);

/// Writes the file (throws kolv::Error 53 / 61 when it cannot be written).
ExportResult exportSwmm(db::Database& db, const std::string& system, const std::string& path,
                        const SwmmOptions& options = {});

}  // namespace kolv::exchange
