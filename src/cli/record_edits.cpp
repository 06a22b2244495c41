// Field assignments given on the command line and records printed as rows.
#include "cli/record_edits.h"

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <fmt/format.h>

#include "common/error.h"
#include "common/text.h"

namespace kolv::cli {

std::pair<std::string, std::string> splitAssignment(const std::string& token, const std::string& option) {
    const auto eq = token.find('=');
    if (eq == std::string::npos || trim(token.substr(0, eq)).empty())
        throw CLI::ValidationError(option, "needs FIELD=VALUE, not '" + token + "'");
    return {trim(token.substr(0, eq)), token.substr(eq + 1)};
}

std::vector<NamedAssignments> groupAssignments(const std::vector<std::string>& tokens, const std::string& option) {
    std::vector<NamedAssignments> groups;
    for (const auto& t : tokens) {
        if (t.find('=') == std::string::npos) {
            groups.push_back({trim(t), {}});
            continue;
        }
        if (groups.empty())
            throw CLI::ValidationError(option, "names the record before its fields: NAME FIELD=VALUE ..., not '" + t + "'");
        groups.back().fields.push_back(splitAssignment(t, option));
    }
    return groups;
}

void requireDone(const scripting::EditResult& result) {
    if (!result) throw InputError(result.message);
}

Json fieldJson(const scripting::Field& f) {
    const db::Value& v = f.value;
    if (v.isNull()) return nullptr;
    if (f.type == db::FieldType::Text || f.type == db::FieldType::Memo) return trim(v.toText());
    if (f.type == db::FieldType::YesNo) return v.toBool();
    if (v.isText()) return trim(v.toText());
    if (v.isInteger() && f.type != db::FieldType::Single && f.type != db::FieldType::Double) return v.toInt();
    const double d = v.toDouble();
    if (f.type == db::FieldType::Single)
        return std::strtod(fmt::format("{:.7g}", static_cast<float>(d)).c_str(), nullptr);
    return d;
}

void addRecords(Output& out, const std::vector<scripting::Record>& records) {
    if (records.empty()) return;
    for (const auto& f : records.front().fields) out.columns.push_back(f.name);
    for (const auto& r : records) {
        Json row = Json::object();
        for (const auto& f : r.fields) row[f.name] = fieldJson(f);
        out.rows.push_back(std::move(row));
    }
}

}  // namespace kolv::cli
