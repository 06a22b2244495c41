// Column headings of the stored storm tabulation (T60) in words with their units.
#pragma once

#include <string>

namespace kolv::hydraulics {

/// The heading of a T60 field for a result grid: words and the unit the field is stored in
/// ("C1DA" -> "Area 1 (ac)", "SEQUENCER" -> "Print Position"). The stored results are in feet,
/// acres, cfs, ft/s and minutes whatever the project's units. A field without a heading of its
/// own keeps its name.
std::string t60Heading(const std::string& field);

}  // namespace kolv::hydraulics
