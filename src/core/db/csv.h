// Reading comma-separated text: quoted fields, doubled quotes, comment lines.
#pragma once

#include <string>
#include <vector>

namespace kolv::db {

/// Splits one CSV line into fields ("a,""b"",c" -> a, "b", c). Quotes are removed.
std::vector<std::string> parseCsvLine(const std::string& line, char sep = ',');

/// Reads a CSV file: lines starting with '#' and blank lines are skipped; the first
/// remaining line is the header. Throws InputError when the file can not be read.
struct CsvTable {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
    std::vector<int> lineNumbers;  ///< file line of each row, for messages
};
CsvTable readCsvFile(const std::string& path);

}  // namespace kolv::db
