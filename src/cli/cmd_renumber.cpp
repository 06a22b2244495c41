// kolv-cli renumber, divide and combine: new node and reach names; moving nodes between systems.
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <sstream>

#include "cli/command.h"
#include "cli/project_access.h"
#include "common/error.h"
#include "common/text.h"
#include "db/csv.h"
#include "renumber/divide_combine.h"
#include "renumber/renumbering.h"

namespace kolv::cli {
namespace {

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError("Cannot read " + path + ".", kErrFileNotFound);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

/// Node names of an order file: the first field of each line; blank and '#' lines skipped.
std::vector<std::string> readOrder(const std::string& path) {
    std::vector<std::string> names;
    std::istringstream in(readText(path));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (trim(line).empty() || trim(line)[0] == '#') continue;
        auto f = db::parseCsvLine(line);
        names.push_back(trim(f.empty() ? std::string() : f[0]));
    }
    return names;
}

RegisterCommand renumberCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("renumber", "Give the nodes and reaches of a system new names");
    static std::string path, system, prefix, start, orderFile, mapFile;
    static bool byPosition = false;
    sub->add_option("PROJECT", path, "Project file")->required();
    sub->add_option("--system", system, "Storm sewer system (default: the current one)");
    auto* prefixOpt = sub->add_option("--prefix", prefix, "Prefix of the new node names");
    auto* startOpt = sub->add_option("--start", start, "First number of the new node names");
    auto* orderOpt = sub->add_option("--order", orderFile, "File of the node names in their new order, one a line")
                         ->check(CLI::ExistingFile);
    auto* posOpt = sub->add_flag("--by-position", byPosition, "Number the nodes in diagram order (XD, then YD)");
    auto* mapOpt = sub->add_option("--map", mapFile, "CSV file: node, new node name[, new reach name]")
                       ->check(CLI::ExistingFile);
    orderOpt->excludes(posOpt);
    mapOpt->excludes(prefixOpt)->excludes(startOpt)->excludes(orderOpt)->excludes(posOpt);
    startOpt->needs(prefixOpt);
    prefixOpt->needs(startOpt);
    sub->callback([&ctx, mapOpt, startOpt, orderOpt] {
        if (mapOpt->count() == 0 && startOpt->count() == 0) throw CLI::RequiredError("--prefix and --start, or --map");
        auto project = openWithSystem(path, system, ctx);
        db::Database& db = *project->db;
        const std::string sys = project->currentSystem;
        auto rows = renumber::loadRenumberList(db, sys, ctx.ui);
        renumber::RenumberResult r;
        if (mapOpt->count()) {
            if (!renumber::applyMap(rows, renumber::parseMap(readText(mapFile)), ctx.ui)) {
                ctx.exitCode = kExitRefused;
                return;
            }
            r = renumber::renumberFromGrid(db, sys, rows, ctx.ui);
        } else {
            std::vector<std::string> order = orderOpt->count() ? readOrder(orderFile)
                                             : byPosition       ? renumber::nodesByPosition(rows)
                                                                : renumber::nodeNames(rows);
            r = renumber::renumberFromOrder(db, sys, rows, order, prefix, start, ctx.ui);
        }
        if (!r.done) {
            ctx.exitCode = kExitRefused;
            return;
        }
        for (const auto& l : r.lines) std::cout << l << "\n";
        std::cout << "Renumbering complete. Nodes renamed: " << r.nodesRenamed
                  << ", reaches renamed: " << r.reachesRenamed << ".\n";
    });
});

RegisterCommand divideCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("divide", "Move nodes, with the reaches leaving them, into another system");
    static std::string path, system, to;
    static std::vector<std::string> nodes;
    sub->add_option("PROJECT", path, "Project file")->required();
    sub->add_option("--system", system, "System to divide (default: the current one)");
    sub->add_option("--to", to, "Receiving system (it must exist)")->required();
    sub->add_option("NODE", nodes, "Nodes to move (at least 3)");
    sub->callback([&ctx] {
        auto project = openWithSystem(path, system, ctx);
        if (!renumber::divideSystem(*project->db, project->currentSystem, to, nodes, ctx.ui)) ctx.exitCode = kExitRefused;
        else std::cout << "Moved " << nodes.size() << " nodes from " << project->currentSystem << " to " << trim(to)
                       << ".\n";
    });
});

RegisterCommand combineCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("combine", "Move every node and reach of one system into another");
    static std::string path, from, to;
    sub->add_option("PROJECT", path, "Project file")->required();
    sub->add_option("--from", from, "System to empty and remove")->required();
    sub->add_option("--to", to, "Receiving system")->required();
    sub->callback([&ctx] {
        auto project = openForCommand(path, ctx, Access::Write);
        db::Database& db = *project->db;
        renumber::CombineChoice choice;
        choice.fromList = choice.toList = renumber::allSystems(db);
        // a name that is not in the lists is as good as no choice
        auto pick = [&](const std::string& name) -> std::optional<std::string> {
            for (const auto& s : choice.fromList)
                if (equalsIgnoreCase(s, trim(name))) return s;
            if (trim(name).empty()) return std::string();
            return std::nullopt;
        };
        choice.from = pick(from);
        choice.to = pick(to);
        if (!choice.from || !choice.to) {
            std::string list;
            for (const auto& s : choice.fromList) list += (list.empty() ? "" : ", ") + s;
            throw InputError("The system '" + trim(!choice.from ? from : to) + "' is not in " + project->path +
                             ". Systems: " + (list.empty() ? "(none)" : list));
        }
        if (!renumber::combineSystems(db, choice, ctx.ui)) {
            ctx.exitCode = kExitRefused;
            return;
        }
        // the removed system is no longer the one the project opens with
        if (equalsIgnoreCase(project->currentSystem, *choice.from)) db::setCurrentSystem(*project, *choice.to);
        std::cout << "Combined " << *choice.from << " into " << *choice.to << ".\n";
    });
});

}  // namespace
}  // namespace kolv::cli
