// One CSV layout and one JSON shape for the results and listings of every command.
#include "cli/output.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdlib>
#include <iostream>

#include "common/text.h"
#include "db/project.h"

namespace kolv::cli {

CLI::Option* addFormatOption(CLI::App* command, Format& format) {
    static const std::map<std::string, Format> kNames = {
        {"text", Format::Text}, {"csv", Format::Csv}, {"json", Format::Json}};
    return command
        ->add_option("--format", format, "text (the listing), csv (one line per row) or json (see --help of kolv-cli)")
        ->transform(CLI::CheckedTransformer(kNames, CLI::ignore_case));
}

void Output::describe(const db::Project& project, bool withSystem) {
    this->project = project.path;
    if (withSystem) system = project.currentSystem;
    units = project.metric ? "metric" : "english";
}

void Output::addRow(const std::vector<Json>& values) {
    Json row = Json::object();
    for (std::size_t i = 0; i < columns.size() && i < values.size(); ++i) row[columns[i]] = values[i];
    rows.push_back(std::move(row));
}

Output parsedOutput(const std::string& command, const db::Project& project, const std::string& json,
                    const std::string& rowsKey) {
    Output out;
    out.command = command;
    out.describe(project);
    Json doc = Json::parse(json);
    for (auto& [key, value] : doc.items()) {
        if (key == "system" || key == "units") continue;  // the envelope says them
        if (key != rowsKey) {
            out.summary[key] = value;
            continue;
        }
        for (auto& row : value) {
            if (out.columns.empty())
                for (const auto& [column, cell] : row.items()) out.columns.push_back(column);
            out.rows.push_back(row);
        }
    }
    return out;
}

Json toJson(const Output& out, int exitCode) {
    Json j = Json::object();
    j["format"] = kJsonFormatVersion;
    j["command"] = out.command;
    j["project"] = out.project.empty() ? Json() : Json(out.project);
    j["system"] = out.system.empty() ? Json() : Json(out.system);
    j["units"] = out.units.empty() ? Json() : Json(out.units);
    j["exit_code"] = exitCode;
    j["messages"] = out.messages;
    j["columns"] = out.columns;
    j["rows"] = out.rows;
    for (const auto& [key, value] : out.summary.items()) j[key] = value;
    return j;
}

std::string csvCell(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string q = "\"";
    for (char c : text) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

namespace {

std::string csvText(const Json& v) {
    if (v.is_null()) return "";
    if (v.is_string()) return v.get<std::string>();
    if (v.is_boolean()) return v.get<bool>() ? "true" : "false";
    return v.dump();
}

/// Each row of an output, the stored ones first, then the streamed ones.
void forEachRow(const Output& out, const std::function<void(const Json&)>& sink) {
    for (const auto& row : out.rows) sink(row);
    if (out.streamRows) out.streamRows(sink);
}

// invalid UTF-8 in a stored text is replaced rather than ending the command
std::string dumped(const Json& j, int indent) { return j.dump(indent, ' ', false, Json::error_handler_t::replace); }

void printJson(const Output& out, int exitCode) {
    if (!out.streamRows) {
        std::cout << dumped(toJson(out, exitCode), 2) << "\n";
        return;
    }
    // The document around the rows is written by the same writer; the rows go in one a line.
    Output frame = out;
    frame.rows.clear();
    const std::string marker = "\x01rows\x01";
    Json doc = toJson(frame, exitCode);
    doc["rows"] = marker;
    const std::string text = dumped(doc, 2);
    const auto at = text.find(dumped(Json(marker), -1));
    std::cout << text.substr(0, at) << "[";
    bool first = true;
    forEachRow(out, [&first](const Json& row) {
        std::cout << (first ? "\n    " : ",\n    ") << dumped(row, -1);
        first = false;
    });
    std::cout << (first ? "]" : "\n  ]") << text.substr(at + dumped(Json(marker), -1).size()) << "\n";
}

}  // namespace

void printOutput(const Output& out, Format format, int exitCode) {
    if (format == Format::Json) return printJson(out, exitCode);
    if (format != Format::Csv) return;
    for (const auto& m : out.messages) std::cerr << m << "\n";
    std::string line;
    for (std::size_t c = 0; c < out.columns.size(); ++c) line += (c ? "," : "") + csvCell(out.columns[c]);
    std::cout << line << "\n";
    forEachRow(out, [&out, &line](const Json& row) {
        line.clear();
        for (std::size_t c = 0; c < out.columns.size(); ++c) {
            const auto it = row.find(out.columns[c]);
            line += (c ? "," : "") + csvCell(it == row.end() ? "" : csvText(*it));
        }
        std::cout << line << "\n";
    });
}

Json cellValue(const std::string& text) {
    const std::string t = trim(text);
    if (t.empty()) return nullptr;
    if (isNumeric(t)) {
        char* end = nullptr;
        const double v = std::strtod(t.c_str(), &end);
        if (end && *end == '\0' && std::isfinite(v)) return v;
    }
    return t;
}

}  // namespace kolv::cli
