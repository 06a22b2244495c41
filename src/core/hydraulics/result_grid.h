// What a grid of storm tabulation results shows: the engineering columns first, rounded as printed, and the run's messages grouped.
#pragma once

#include <string>
#include <vector>

#include "db/value.h"

namespace kolv::hydraulics {

/// The storm tab's engineering columns in the order of the printed tabulation: From, To, Pipe,
/// Length, ΣCA, Tc, i, Q, full-flow capacity, V, HGL up and down, clearance, flow condition.
const std::vector<std::string>& t60EngineeringFields();

/// Leading grid columns kept in view while the others scroll (From and To).
inline constexpr int kT60FrozenColumns = 2;

/// Grid order of the stored fields: the engineering fields there are, then the rest in stored order.
std::vector<std::string> t60GridOrder(const std::vector<std::string>& storedFields);

/// True for the columns a grid shows until the engineer chooses others (the engineering ones).
bool t60ShownByDefault(const std::string& field);

/// Decimals of a field's value as the printed storm tab shows it: Manning's n 3, barrels and the
/// print position 0, every other number 2.
int t60Decimals(const std::string& field);

/// A stored value as the grid shows it: numbers rounded half away from zero to the printed
/// decimals, texts trimmed, Null empty.
std::string t60CellText(const std::string& field, const db::Value& value);

/// Rows of cells as delimited text: tab-separated for the clipboard, comma-separated (texts with
/// a comma, quote or line break quoted, quotes doubled) for a CSV file. One line per row.
std::string delimitedText(const std::vector<std::vector<std::string>>& rows, char separator);

/// The messages of a run, grouped for reading: what stopped or must be looked at first, the
/// warnings about single nodes next, then the pass-by-pass progress (kept whole, in order).
struct RunMessageGroups {
    std::vector<std::string> stops;     ///< a run stopped, a result not settled, records missing
    std::vector<std::string> warnings;  ///< capacity, clearance, ditch limits, junction losses
    std::vector<std::string> progress;  ///< phases, "PASS = n", "Cleaning up temporary data arrays"
};

/// True for a line that only tells how far the run has got.
bool isRunProgressLine(const std::string& line);

/// Sorts the run's lines into the groups, keeping their order within each.
RunMessageGroups groupRunMessages(const std::vector<std::string>& lines);

}  // namespace kolv::hydraulics
