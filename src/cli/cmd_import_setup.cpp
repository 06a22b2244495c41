// kolv-cli import-setup: list, create and delete the import setups that `import` reads files with.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>

#include "cli/command.h"
#include "cli/output.h"
#include "cli/project_access.h"
#include "cli/record_edits.h"
#include "common/error.h"
#include "common/text.h"
#include "exchange/import_setup.h"

namespace kolv::cli {
namespace {

struct SetupOptions {
    std::string path, create, remove;
    bool list = false;
    std::vector<std::string> columns, structureLinks, pipeLinks;
    Format format = Format::Text;
};

/// The column assignments of --column HEADING=DESTINATION, each destination one the import knows.
std::vector<exchange::ColumnAssignment> columnAssignments(const std::vector<std::string>& tokens) {
    std::vector<exchange::ColumnAssignment> out;
    for (const auto& t : tokens) {
        const auto [heading, destination] = splitAssignment(t, "--column");
        const exchange::Destination d = exchange::destinationOf(destination);
        if (d == exchange::Destination::None && !equalsIgnoreCase(trim(destination), exchange::kNoDestination)) {
            std::string names;
            for (const auto& n : exchange::destinationNames()) names += (names.empty() ? "" : ", ") + n;
            throw InputError("'" + trim(destination) + "' is not a destination of an imported column. Destinations: " +
                             names);
        }
        out.push_back({heading, exchange::destinationName(d)});
    }
    return out;
}

/// Links of DESCRIPTION=NAME to structures or pipes the project defines in its unit system.
std::vector<exchange::DescriptionLink> links(const std::vector<std::string>& tokens, const std::string& option,
                                             const std::vector<std::string>& defined, const std::string& what) {
    std::vector<exchange::DescriptionLink> out;
    for (const auto& t : tokens) {
        const auto [description, name] = splitAssignment(t, option);
        const std::string n = trim(name);
        if (!n.empty() && std::none_of(defined.begin(), defined.end(),
                                       [&](const std::string& d) { return equalsIgnoreCase(d, n); }))
            throw InputError(what + " '" + n + "' is not defined in this project's units.");
        out.push_back({description, n});
    }
    return out;
}

void run(SetupOptions& o, Context& ctx) {
    if (o.create.empty() && (!o.columns.empty() || !o.structureLinks.empty() || !o.pipeLinks.empty()))
        throw CLI::ValidationError("--column", "--column, --structure-link and --pipe-link need --create NAME");
    const bool writes = !o.create.empty() || !o.remove.empty();
    auto project = openForCommand(o.path, ctx, writes ? Access::Write : Access::Read);
    db::Database& db = *project->db;
    if (!o.remove.empty()) {
        if (!exchange::deleteSetup(db, ctx.ui, trim(o.remove))) {
            ctx.exitCode = kExitRefused;
            return;
        }
    }
    if (!o.create.empty()) {
        const auto columns = columnAssignments(o.columns);
        const auto structures = links(o.structureLinks, "--structure-link",
                                      exchange::structureNames(db, project->metric), "Structure");
        const auto pipes = links(o.pipeLinks, "--pipe-link", exchange::pipeNames(db, project->metric), "Pipe");
        if (trim(o.create).empty()) throw InputError("Enter the name of the new setup.");
        if (!exchange::createSetup(db, ctx.ui, o.create, columns)) {
            ctx.exitCode = kExitRefused;
            return;
        }
        if ((!structures.empty() || !pipes.empty()) &&
            !exchange::saveSetupLinks(db, ctx.ui, o.create, structures, pipes))
            throw InputError("The links of setup '" + trim(o.create) + "' were not saved.");
    }
    if (!o.list && writes) return;

    Output out;
    out.command = "import-setup";
    out.describe(*project, false);
    out.columns = {"setup", "default", "kind", "from", "to"};
    for (const auto& name : exchange::setupNames(db)) {
        if (name == exchange::kNewSetup) continue;
        const exchange::ImportSetup s = exchange::loadSetup(db, name);
        if (o.format == Format::Text) std::cout << s.name << (s.isDefault ? "  (default)" : "") << "\n";
        const auto row = [&](const char* kind, const std::string& from, const std::string& to) {
            out.addRow({s.name, s.isDefault, kind, from, to});
            if (o.format == Format::Text) std::cout << "  " << padRight(kind, 10) << padRight(from, 24) << "-> " << to << "\n";
        };
        for (const auto& c : s.columns) row("column", c.heading, c.destination);
        for (const auto& l : s.structures) row("structure", l.description, l.name);
        for (const auto& l : s.pipes) row("pipe", l.description, l.name);
    }
    printOutput(out, o.format, ctx.exitCode);
}

RegisterCommand importSetupCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("import-setup", "List, create or delete the import setups that 'import' reads "
                                                   "text and CSV files with");
    static SetupOptions o;
    sub->add_option("PROJECT", o.path, "Project file")->required();
    sub->add_flag("--list", o.list, "List the setups with their columns and links (also after a change)");
    sub->add_option("--create", o.create, "Create a setup (50 characters); it becomes the default");
    sub->add_option("--column", o.columns,
                    "HEADING=DESTINATION: where the file's column of that heading goes, e.g. "
                    "\"INLET=Node: Inlet Elevation\" (several allowed)")
        ->expected(1, -1);
    sub->add_option("--structure-link", o.structureLinks,
                    "DESCRIPTION=STRUCTURE: a structure description of the file read as a defined structure")
        ->expected(1, -1);
    sub->add_option("--pipe-link", o.pipeLinks, "DESCRIPTION=PIPE: a pipe description of the file read as a defined pipe")
        ->expected(1, -1);
    sub->add_option("--delete", o.remove, "Delete a setup (asks; --yes answers Yes)");
    addFormatOption(sub, o.format);
    sub->callback([&ctx] { run(o, ctx); });
});

}  // namespace
}  // namespace kolv::cli
