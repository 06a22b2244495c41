// Importing nodes and reaches of a storm sewer system from the rows of a text file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"
#include "exchange/import_setup.h"
#include "exchange/text_reader.h"
#include "ui/ui_port.h"

namespace kolv::exchange {

/// An import file as the import window shows it: the column headings and the data rows.
///
/// The heading row: when `firstLineIsHeading` is set (the usual case), the first non-empty line
/// of the file names the columns and is not a data row; a setup's assignments are matched
/// against those names (trimmed, quote marks removed, without regard to case). Without it,
/// every line is a data row and the columns are named "Column 1", "Column 2", ... so that a
/// setup made for such a file matches the next one. Data rows are numbered from 1 in file
/// order, the numbers the grid's "Row" column shows and the row listing uses.
struct ImportFile {
    std::string path;
    std::vector<std::string> headings;
    std::vector<std::vector<std::string>> rows;  ///< values as read (quote marks still in)
    int fileColumns = 0;                          ///< columns of the widest line before the cut
    int headingFields = 0;                        ///< values of the heading line (0 without one)
    std::vector<int> fieldCounts;                 ///< values of each data row before the cut
    bool hasQuoteMarks = false;
    int columnCount() const { return static_cast<int>(headings.size()); }
};

ImportFile makeImportFile(TextTable table, bool firstLineIsHeading, std::string path = {});

/// Reads and splits a file (throws kolv::Error 53 when it cannot be read).
ImportFile readImportFile(const std::string& path, char separator, bool firstLineIsHeading = true);

/// The value an import stores: quote marks, single and double, removed, then trimmed. The
/// export's text mark (an apostrophe ahead of "=", "@", a tab or a carriage return) goes with
/// them, and the character it protected stays first.
std::string importValue(std::string_view raw);

/// Tells the engineer what reading the file found: the quote-mark notice ("Quote marks,
/// single(') or double (") cannot be imported." ...) and the column limit ("The import data
/// has n columns." ...), each once.
void announceFile(const ImportFile& file, ui::UiPort& ui);

/// What the engineer asked for on the last page of the import.
struct ImportRequest {
    std::string setupName;          ///< whose structure and pipe links translate descriptions
    std::string system;             ///< destination system (must have a T16 record)
    std::string rowListing;         ///< "1-200", "3,5,9-12", ...
    std::string defaultStructure;   ///< used when a structure description has no usable link
    std::string defaultPipe;        ///< likewise for pipes
    std::vector<Destination> destinations;  ///< per column of the file
    /// Structure and pipe links to use instead of those saved under `setupName` (an import of
    /// another format adds the links it could make itself to the engineer's).
    const ImportSetup* links = nullptr;
};

/// The run's record: every decision as a log line, and counts.
struct ImportResult {
    bool ran = false;        ///< false when refused before any change (system, row listing)
    bool cancelled = false;  ///< stopped by the engineer; nothing was changed
    std::vector<std::string> log;
    int rows = 0;            ///< rows read (of the listing)
    int rowsWritten = 0;     ///< rows that wrote a node or a reach
    int rowsSkipped = 0;     ///< rows that wrote nothing (a refused value, records of another system)
    int nodesCreated = 0, nodesUpdated = 0, nodesRefused = 0;
    int reachesCreated = 0, reachesUpdated = 0, reachesRefused = 0;
};

/// Runs the import as one transaction and one undo step ("Import Storm Sewer").
///
/// Refusals before any change, each shown as "INVALID DATA": an empty or unknown destination
/// system, a refused row listing. Row-level problems (a node or reach of another system, a
/// missing link, a value cut to length) are logged and the row's other values are still
/// written. A value the project refuses (a name too long for its field, text in a number
/// field, a number out of the field's range, a NUL character) skips its row whole: the log
/// names the row, the column and the reason, and the run goes on. A storage fault (a database
/// error, a full disk) rolls everything back and is thrown as kolv::Error naming the row and
/// the column; a cancel through the progress display also rolls everything back. Either way
/// the project is then left exactly as it was. The log ends with the rows read, written and
/// skipped.
///
/// Rows without a "Reach: Name" column: when the setup assigns reach columns but no reach name,
/// a row whose "Reach: To Node" has a value describes the outgoing reach of its node, which is
/// named after the node and runs from it (the way reaches are named when they are drawn, and
/// the way the structure export writes a node's outgoing pipe).
ImportResult runImport(db::Database& db, ui::UiPort& ui, const ImportFile& file, const ImportRequest& request);

/// Distinct values of the columns assigned to a destination in the rows of the listing (all
/// rows when the listing is empty or refused), in first-seen order: the descriptions the
/// structure and pipe link grids list.
std::vector<std::string> distinctValues(const ImportFile& file, const std::vector<Destination>& destinations,
                                        Destination which, const std::string& rowListing = {});

}  // namespace kolv::exchange
