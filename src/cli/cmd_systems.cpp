// kolv-cli systems: list, add, change and delete storm sewer systems with their outfall, header and design storm.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <fmt/format.h>
#include <iostream>
#include <optional>

#include "cli/command.h"
#include "cli/number_option.h"
#include "cli/output.h"
#include "cli/project_access.h"
#include "cli/record_edits.h"
#include "common/text.h"
#include "db/project.h"
#include "editing/systems.h"
#include "scripting/project_editor.h"

namespace kolv::cli {
namespace {

using scripting::RecordKind;

struct SystemsOptions {
    std::string path, add, outfall, structure;
    std::optional<double> tailwater, x, y;
    std::vector<std::string> remove, set;
    Format format = Format::Text;
};

std::string designStorm(const scripting::Record& t16) {
    if (t16["INTENSITY_METHOD"].toInt() != 0)
        return "table " + trim(t16["LOCATION"].toText()) + " " + trim(t16["FREQUENCY"].toText());
    return "IDF zone " + trim(t16["ZONE"].toText()) + ", " + t16["FREQ"].toText() + " yr";
}

void run(SystemsOptions& o, Context& ctx) {
    const bool writes = !o.add.empty() || !o.remove.empty() || !o.set.empty();
    auto project = openForCommand(o.path, ctx, writes ? Access::Write : Access::Read);
    scripting::ProjectEditor editor(*project->db, project->metric);
    for (const auto& name : o.remove) {
        // asked as the window asks it: only --yes deletes a whole system
        if (!editing::deleteSystem(*project->db, name, ctx.ui)) {
            ctx.exitCode = kExitRefused;
            return;
        }
    }
    if (!o.add.empty()) requireDone(editor.addSystem({o.add, o.outfall, o.structure, o.tailwater, o.x, o.y}));
    for (const auto& group : groupAssignments(o.set, "--set"))
        for (const auto& [field, value] : group.fields)
            requireDone(editor.setField(RecordKind::Outfall, group.name, "", field, value));
    if (writes) {
        db::refreshSystems(*project);
        const auto& list = project->systems;
        if (!project->currentSystem.empty() &&
            std::find(list.begin(), list.end(), project->currentSystem) == list.end())
            db::setCurrentSystem(*project, "");  // the current system was deleted
    }

    std::vector<scripting::Record> headers;
    std::vector<std::pair<std::size_t, std::size_t>> counts;  // nodes, reaches
    for (const auto& s : editor.systems()) {
        auto h = editor.outfall(s);
        if (!h) continue;
        headers.push_back(std::move(*h));
        counts.emplace_back(
            static_cast<std::size_t>(project->db->scalar("SELECT COUNT(*) FROM NODE WHERE SYSTEM = ?", {s}).toInt()),
            static_cast<std::size_t>(project->db->scalar("SELECT COUNT(*) FROM REACH WHERE SYSTEM = ?", {s}).toInt()));
    }
    if (o.format == Format::Text) {
        const std::string len = project->metric ? "m" : "ft";
        std::cout << fmt::format("{:<8}  {:<8}  {:>12}  {:>13}  {:<24}  {:>5}  {:>7}\n", "System", "Outfall",
                                 "Outfall El. (" + len + ")", "Tailwater (" + len + ")", "Design storm", "Nodes",
                                 "Reaches");
        for (std::size_t i = 0; i < headers.size(); ++i) {
            const auto& h = headers[i];
            std::cout << fmt::format("{:<8}  {:<8}  {:>12}  {:>13}  {:<24}  {:>5}  {:>7}\n", h.name,
                                     trim(h["OUT_NODE"].toText()), h["OUT_EL"].toText(), h["OUT_TW"].toText(),
                                     designStorm(h), counts[i].first, counts[i].second);
        }
        return;
    }
    Output out;
    out.command = "systems";
    out.describe(*project, false);
    addRecords(out, headers);
    if (!headers.empty()) {
        out.columns.push_back("NODE_COUNT");
        out.columns.push_back("REACH_COUNT");
        for (std::size_t i = 0; i < out.rows.size(); ++i) {
            out.rows[i]["NODE_COUNT"] = counts[i].first;
            out.rows[i]["REACH_COUNT"] = counts[i].second;
        }
    }
    printOutput(out, o.format, ctx.exitCode);
}

RegisterCommand systemsCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("systems", "List, add, change or delete storm sewer systems (outfall, header, "
                                              "design storm)");
    static SystemsOptions o;
    sub->add_option("PROJECT", o.path, "Project file")->required();
    auto* add = sub->add_option("--add", o.add, "Add a system (8 characters)");
    sub->add_option("--outfall", o.outfall, "Outfall node of the added system")->needs(add);
    sub->add_option("--outfall-structure", o.structure, "Structure of the added system's outfall")->needs(add);
    sub->add_option("--tailwater", o.tailwater, "Tailwater elevation of the added system's outfall (ft or m)")
        ->check(strictNumber("Tailwater Elevation"))
        ->needs(add);
    sub->add_option("--x", o.x, "Position of the added outfall: X (diagram units or easting)")
        ->check(strictNumber("X"))
        ->needs(add);
    sub->add_option("--y", o.y, "Position of the added outfall: Y (diagram units or northing)")
        ->check(strictNumber("Y"))
        ->needs(add);
    sub->add_option("--delete", o.remove, "Delete a system with its nodes and reaches (asks; --yes answers Yes)");
    sub->add_option("--set", o.set,
                    "SYSTEM FIELD=VALUE ...: outfall and header fields by their stored name (OUT_NODE, OUT_EL, "
                    "OUT_TW, EXIT_LOSS_COEFF, AREA1..AREA3, DESIGNED BY, INTENSITY_METHOD, ZONE, FREQ, LOCATION, "
                    "FREQUENCY, ...)")
        ->expected(1, -1);
    addFormatOption(sub, o.format);
    sub->callback([&ctx] { run(o, ctx); });
});

}  // namespace
}  // namespace kolv::cli
