// What a command prints for a script: one CSV layout and one JSON shape for every command.
#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace kolv::db {
struct Project;
}

namespace kolv::cli {

/// Version of the JSON shape; raised when a key changes meaning or goes away.
inline constexpr int kJsonFormatVersion = 1;

enum class Format { Text, Csv, Json };

/// Adds `--format text|csv|json` to a command.
CLI::Option* addFormatOption(CLI::App* command, Format& format);

using Json = nlohmann::ordered_json;

/// A command's result as data. In JSON:
///
///     {"format": 1, "command": "nodes", "project": "road.mdb", "system": "MAINST",
///      "units": "english", "exit_code": 0, "messages": ["..."],
///      "columns": ["NAME", ...], "rows": [{"NAME": "S-1", ...}, ...], <summary keys>}
///
/// `system` and `units` are null when the command has none; numbers are JSON numbers in the
/// project's units, names of columns say their unit where they have one. In CSV: the header of
/// `columns`, then one line per row; the messages go to stderr.
struct Output {
    std::string command;
    std::string project;
    std::string system;
    std::string units;  ///< "english", "metric", or "" when the command reads no project
    std::vector<std::string> messages;
    std::vector<std::string> columns;
    std::vector<Json> rows;  ///< objects keyed by the columns
    /// Rows made one at a time while they are printed, after `rows` (a large system's table is
    /// never held whole): called with the sink that prints each row.
    std::function<void(const std::function<void(const Json&)>&)> streamRows;
    Json summary = Json::object();  ///< further keys of the command (totals, status, passes)

    /// Fills project, system and units from an open project.
    void describe(const db::Project& project, bool withSystem = true);
    /// Adds a row of values in column order.
    void addRow(const std::vector<Json>& values);
};

/// An output from a JSON document a core routine writes (the design review, the check-storm
/// comparison): its list under `rowsKey` becomes the rows, its other keys the summary.
Output parsedOutput(const std::string& command, const db::Project& project, const std::string& json,
                    const std::string& rowsKey);

/// The JSON document of an output, with the exit code the command ends with.
Json toJson(const Output& out, int exitCode);

/// Prints the output as CSV (stdout) or JSON; `Format::Text` is the command's own listing.
void printOutput(const Output& out, Format format, int exitCode);

/// A cell of a listing as JSON: a number when the whole text reads as one, else the text.
Json cellValue(const std::string& text);

/// A text as one CSV cell, quoted when it holds a comma, quote or line break.
std::string csvCell(const std::string& text);

}  // namespace kolv::cli
