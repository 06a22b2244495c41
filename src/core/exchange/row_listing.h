// The row listing of an import: which data rows to take, in which order ("1-20,25,30-").
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kolv::exchange {

/// Most commas a row listing may hold.
inline constexpr int kMaxRowListingCommas = 10;

/// Rows chosen by a listing, or the message that refuses it.
struct RowListing {
    /// Row numbers (1 = first data row) in the order of the listing; a row listed twice is
    /// taken twice.
    std::vector<int> rows;
    /// Empty when the listing was accepted; otherwise the message lines.
    std::string error;
    bool ok() const { return error.empty(); }
};

/// Reads a row listing against a file of `rowCount` data rows.
///
/// Items are separated by commas: a row number, or a range "first-last" (taken in that order,
/// also downwards: "9-5" is 9, 8, 7, 6, 5). A range open at the end, "30-", runs to the last
/// row; one open at the start, "-10", starts at row 1. Blanks are ignored and empty items
/// ("1,,3") are skipped. Rows past the end of the file are left out.
/// Refused: any other character; more than 10 commas ("Number of commas in the row listing has
/// exceeded 10." / "Change the row listing and try again."); a listing that selects no row
/// ("No rows have been selected. Import aborted.").
RowListing parseRowListing(std::string_view text, int rowCount);

}  // namespace kolv::exchange
