// The storm tabulation as a table of formatted cells, in the project's units, for listings and exports.
#pragma once

#include <functional>
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

/// The columns of the listing, their captions in the project's units.
std::vector<TabColumn> stormTabColumns(bool metric);

/// One record's formatted cells, one per column of stormTabColumns().
std::vector<std::string> stormTabRow(const HydraulicRecord& record, bool metric, bool useHydLength);

/// Builds the listing of a run's records. A metric project shows meters, hectares, cms and m/s
/// (the records hold feet, acres, cfs and ft/s); `useHydLength` picks the length column's source.
StormTabTable stormTabTable(const std::vector<HydraulicRecord>& records, bool metric, bool useHydLength);

/// The listing as fixed-width text lines: a heading line, a rule and one line per record.
std::vector<std::string> stormTabText(const StormTabTable& table);

/// The same lines as stormTabText(stormTabTable(records, ...)), each handed to `line` as it is
/// made. The column widths come from a first pass over the records and the lines from a second,
/// so no formatted copy of a large system's table is ever held.
void writeStormTabText(const std::vector<HydraulicRecord>& records, bool metric, bool useHydLength,
                       const std::function<void(const std::string&)>& line);

}  // namespace kolv::hydraulics
