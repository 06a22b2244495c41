// kolv-cli nodes / reaches: list, add, change and delete the nodes and reaches of a system, checked like the editing panel.
#include <CLI/CLI.hpp>
#include <fmt/format.h>
#include <iostream>

#include "cli/command.h"
#include "cli/output.h"
#include "cli/project_access.h"
#include "cli/record_edits.h"
#include "common/error.h"
#include "common/number_input.h"
#include "common/text.h"
#include "scripting/project_editor.h"

namespace kolv::cli {
namespace {

using scripting::RecordKind;

struct RecordOptions {
    std::string path, system;
    std::vector<std::string> add, set, remove;
    Format format = Format::Text;
};

/// A coordinate given with an added node, read as strictly as any typed number.
double coordinate(const std::string& field, const std::string& text) {
    const input::NumberCheck c = input::parseNumber(text, field);
    if (!c.ok()) throw InputError(c.error);
    return *c.value;
}

void addNodes(scripting::ProjectEditor& editor, const std::string& system, const std::vector<NamedAssignments>& adds) {
    for (const auto& group : adds) {
        scripting::NewNode node{group.name, "", std::nullopt, std::nullopt};
        std::vector<std::pair<std::string, std::string>> rest;
        for (const auto& [field, value] : group.fields) {
            const std::string f = toUpper(field);
            if (f == "STRUCT_NAME") node.structure = value;
            else if (f == "XD") node.x = coordinate("XD", value);
            else if (f == "YD") node.y = coordinate("YD", value);
            else rest.emplace_back(field, value);
        }
        std::string added;
        requireDone(editor.addNode(system, node, &added));
        for (const auto& [field, value] : rest) requireDone(editor.setField(RecordKind::Node, system, added, field, value));
    }
}

void addReaches(scripting::ProjectEditor& editor, const std::string& system,
                const std::vector<NamedAssignments>& adds) {
    for (const auto& group : adds) {
        scripting::NewReach reach{group.name, "", scripting::ReachKind::Pipe, ""};
        std::vector<std::pair<std::string, std::string>> rest;
        for (const auto& [field, value] : group.fields) {
            const std::string f = toUpper(field);
            if (f == "TO" || f == "NODE2") reach.to = value;
            else if (f == "TYPE") {
                const std::string kind = toLower(trim(value));
                if (kind != "pipe" && kind != "ditch")
                    throw CLI::ValidationError("--add", "TYPE is pipe or ditch, not '" + value + "'");
                reach.kind = kind == "ditch" ? scripting::ReachKind::Ditch : scripting::ReachKind::Pipe;
            } else if (f == "PIPE_NAME") reach.pipe = value;
            else rest.emplace_back(field, value);
        }
        if (trim(reach.to).empty())
            throw CLI::ValidationError("--add", "the reach from '" + group.name + "' needs TO=NODE");
        requireDone(editor.addReach(system, reach));
        for (const auto& [field, value] : rest)
            requireDone(editor.setField(RecordKind::Reach, system, reach.from, field, value));
    }
}

std::string number(const scripting::Record& r, const char* field) {
    const db::Value& v = r[field];
    if (v.isNull()) return "";
    return v.isText() ? trim(v.toText()) : fmt::format("{:.7g}", v.toDouble());
}

void printNodes(const std::vector<scripting::Record>& nodes, bool metric) {
    const std::string len = metric ? "m" : "ft", area = metric ? "ha" : "ac";
    std::cout << fmt::format("{:<8}  {:<8}  {:>10}  {:>8}  {:>5}  {:>8}  {:>5}  {:>8}  {:>5}  {:>7}  {:>9}\n", "Node",
                             "Struct.", "Inlet (" + len + ")", "A1 (" + area + ")", "C1", "A2 (" + area + ")", "C2",
                             "A3 (" + area + ")", "C3", "Tc (min)", "Base flow");
    for (const auto& n : nodes)
        std::cout << fmt::format("{:<8}  {:<8}  {:>10}  {:>8}  {:>5}  {:>8}  {:>5}  {:>8}  {:>5}  {:>7}  {:>9}\n",
                                 n.name, trim(n["STRUCT_NAME"].toText()), number(n, "INLET_ELEV"),
                                 number(n, "P_C1DA"), number(n, "RUNOFF_C1"), number(n, "P_C2DA"),
                                 number(n, "RUNOFF_C2"), number(n, "P_C3DA"), number(n, "RUNOFF_C3"), number(n, "TC"),
                                 number(n, "BASE_FLOW"));
}

void printReaches(const std::vector<scripting::Record>& reaches, bool metric) {
    const std::string len = metric ? "m" : "ft";
    std::cout << fmt::format("{:<8}  {:<8}  {:<5}  {:<8}  {:>7}  {:>11}  {:>11}  {:>11}\n", "From", "To", "Type",
                             "Pipe", "Barrels", "Length (" + len + ")", "Inv. from", "Inv. to");
    for (const auto& r : reaches)
        std::cout << fmt::format("{:<8}  {:<8}  {:<5}  {:<8}  {:>7}  {:>11}  {:>11}  {:>11}\n", r.name,
                                 trim(r["NODE2"].toText()), r["REACH_TYPE"].toInt() == 2 ? "ditch" : "pipe",
                                 trim(r["PIPE_NAME"].toText()), number(r, "BARRELS"), number(r, "LENGTH"),
                                 number(r, "ELEV1"), number(r, "ELEV2"));
}

void run(RecordKind kind, RecordOptions& o, Context& ctx) {
    const bool writes = !o.add.empty() || !o.set.empty() || !o.remove.empty();
    auto project = openWithSystem(o.path, o.system, ctx, writes ? Access::Write : Access::Read);
    const std::string system = project->currentSystem;
    scripting::ProjectEditor editor(*project->db, project->metric);
    const bool nodes = kind == RecordKind::Node;
    for (const auto& name : o.remove) requireDone(nodes ? editor.deleteNode(system, name) : editor.deleteReach(system, name));
    const auto adds = groupAssignments(o.add, "--add");
    if (nodes) addNodes(editor, system, adds);
    else addReaches(editor, system, adds);
    for (const auto& group : groupAssignments(o.set, "--set"))
        for (const auto& [field, value] : group.fields) requireDone(editor.setField(kind, system, group.name, field, value));

    const auto records = nodes ? editor.nodes(system) : editor.reaches(system);
    if (o.format == Format::Text) {
        if (nodes) printNodes(records, project->metric);
        else printReaches(records, project->metric);
        return;
    }
    Output out;
    out.command = nodes ? "nodes" : "reaches";
    out.describe(*project);
    addRecords(out, records);
    printOutput(out, o.format, ctx.exitCode);
}

void registerKind(CLI::App& app, Context& ctx, RecordKind kind) {
    const bool nodes = kind == RecordKind::Node;
    static RecordOptions storage[2];
    RecordOptions& o = storage[nodes ? 0 : 1];
    auto* sub = app.add_subcommand(nodes ? "nodes" : "reaches",
                                   nodes ? "List, add, change or delete the nodes of a system, in flow order"
                                         : "List, add, change or delete the reaches of a system, in flow order");
    sub->add_option("PROJECT", o.path, "Project file")->required();
    sub->add_option("--system", o.system, "Storm sewer system (default: the current one)");
    sub->add_option("--add", o.add,
                    nodes ? "NAME [FIELD=VALUE ...]: add a node (STRUCT_NAME, XD, YD and any node field); "
                            "several nodes one after another"
                          : "FROM TO=NODE [TYPE=pipe|ditch] [PIPE_NAME=P] [FIELD=VALUE ...]: add the reach leaving "
                            "a node, to a node or the outfall")
        ->expected(1, -1);
    sub->add_option("--set", o.set,
                    nodes ? "NAME FIELD=VALUE ...: node fields by their stored name (INLET_ELEV, P_C1DA, RUNOFF_C1, "
                            "TC, BASE_FLOW, STRUCT_NAME, ...); a typed Area n-C turns its calculation off"
                          : "FROM FIELD=VALUE ...: fields of the reach leaving a node (LENGTH, ELEV1, ELEV2, "
                            "PIPE_NAME, BARRELS, NODE2, ...); a typed invert or pipe turns its calculation off")
        ->expected(1, -1);
    sub->add_option("--delete", o.remove,
                    nodes ? "Delete a node with the reaches into and out of it" : "Delete the reach leaving a node");
    addFormatOption(sub, o.format);
    sub->callback([&ctx, kind, &o] { run(kind, o, ctx); });
}

RegisterCommand nodesCmd([](CLI::App& app, Context& ctx) { registerKind(app, ctx, RecordKind::Node); });
RegisterCommand reachesCmd([](CLI::App& app, Context& ctx) { registerKind(app, ctx, RecordKind::Reach); });

}  // namespace
}  // namespace kolv::cli
