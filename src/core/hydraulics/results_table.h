// The storm tabulation as a table of formatted cells, in the project's units, for listings and exports.
#pragma once

#include <string>
#include <vector>

#include "hydraulics/hydraulic_record.h"

namespace kolv::hydraulics {

/// One column of the storm tabulation listing.
struct TabColumn {
    std::string key;      ///< stable identifier (CSV header, JSON key): "from", "q", "hgl_up", ...
    std::string caption;  ///< heading of the text listing, with its unit
    bool numeric = true;  ///< right-aligned
};

/// The listing: columns and, per record in flow order, one formatted cell per column.
struct StormTabTable {
    std::vector<TabColumn> columns;
    std::vector<std::vector<std::string>> rows;
};

/// Builds the listing of a run's records. A metric project shows meters, hectares, cms and m/s
/// (the records hold feet, acres, cfs and ft/s); `useHydLength` picks the length column's source.
StormTabTable stormTabTable(const std::vector<HydraulicRecord>& records, bool metric, bool useHydLength);

/// The listing as fixed-width text lines: a heading line, a rule and one line per record.
std::vector<std::string> stormTabText(const StormTabTable& table);

}  // namespace kolv::hydraulics
