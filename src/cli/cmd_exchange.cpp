// kolv-cli import / export: a system from a text or CSV file through a saved setup, and the
// drainage structure data of one or all systems to a comma-separated file.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>

#include "cli/command.h"
#include "cli/project_access.h"
#include "common/error.h"
#include "common/text.h"
#include "exchange/import_help.h"
#include "exchange/import_setup.h"
#include "exchange/structure_export.h"
#include "exchange/system_import.h"

namespace kolv::cli {
namespace {

/// "comma", "tab", "blank", "semicolon", or one character of its own.
char separatorOf(const std::string& s) {
    using exchange::Separator;
    const std::string t = toLower(s);
    if (t == "comma") return exchange::separatorChar(Separator::Comma);
    if (t == "tab") return exchange::separatorChar(Separator::Tab);
    if (t == "blank" || t == "space") return exchange::separatorChar(Separator::Blank);
    if (t == "semicolon") return exchange::separatorChar(Separator::Semicolon);
    if (s.size() == 1 && static_cast<unsigned char>(s[0]) < 0x80) return exchange::separatorChar(Separator::Other, s);
    throw InputError("--separator must be comma, tab, blank, semicolon or a single character, not '" + s + "'.");
}

RegisterCommand importCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("import", "Import nodes and reaches of a system from a text or CSV file");
    static std::string path, file, setup, system, rows = "1-", separator = "comma", defStructure, defPipe;
    static bool noHeading = false;
    sub->add_option("PROJECT", path, "Project file")->required();
    sub->add_option("FILE", file, "Text or CSV file to import")->required();
    sub->add_option("--setup", setup, "Saved import setup: column destinations and structure / pipe links")->required();
    sub->add_option("--system", system, "Destination system (must exist)")->required();
    sub->add_option("--rows", rows, "Row listing of data rows, e.g. 1-200 or 2,5,9-12 (default: all)");
    sub->add_option("--separator", separator, "comma (default), tab, blank, semicolon, or a single character");
    sub->add_option("--default-structure", defStructure, "Structure for descriptions without a usable link");
    sub->add_option("--default-pipe", defPipe, "Pipe for descriptions without a usable link");
    sub->add_flag("--no-heading", noHeading, "The first line is data; columns are named Column 1, Column 2, ...");
    sub->footer("\n" + exchange::importHelpText());
    sub->callback([&ctx] {
        const char sep = separatorOf(separator);
        auto project = openForCommand(path, ctx, Access::Write);
        db::Database& db = *project->db;
        const std::vector<std::string> names = exchange::setupNames(db);
        bool known = false;
        for (std::size_t i = 1; i < names.size(); ++i) known = known || equalsIgnoreCase(names[i], trim(setup));
        if (!known) {
            std::string list;
            for (std::size_t i = 1; i < names.size(); ++i) list += (list.empty() ? "" : ", ") + names[i];
            throw InputError("Import setup '" + trim(setup) + "' does not exist." +
                             (list.empty() ? std::string(" The project has no import setups.") : " Setups: " + list + "."));
        }
        exchange::ImportFile f = exchange::readImportFile(file, sep, !noHeading);
        exchange::announceFile(f, ctx.ui);
        exchange::ImportSetup s = exchange::loadSetup(db, setup);
        exchange::ImportRequest req;
        req.setupName = s.name;
        req.system = system;
        req.rowListing = rows;
        req.defaultStructure = defStructure;
        req.defaultPipe = defPipe;
        req.destinations = exchange::applySetup(s, f.headings);
        // A file whose headings name no column of the setup (another kind of file, a damaged
        // encoding) would import nothing without a word.
        if (std::none_of(req.destinations.begin(), req.destinations.end(),
                         [](exchange::Destination d) { return d != exchange::Destination::None; }))
            throw InputError("No column heading of the file matches a column of setup '" + s.name +
                             "': nothing was imported. Check that the file is the kind the setup was made for "
                             "(its heading line, separator and encoding).");
        exchange::ImportResult r = exchange::runImport(db, ctx.ui, f, req);
        if (!r.ran) {
            ctx.exitCode = kExitRefused;
            return;
        }
        std::cout << "IMPORT RESULTS\n";
        for (const auto& line : r.log) std::cout << line << "\n";
    });
});

RegisterCommand exportCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("export", "Export drainage structure data to a comma-separated file");
    static std::string path, system, out;
    static bool all = false;
    sub->add_option("PROJECT", path, "Project file")->required();
    auto* sys = sub->add_option("--system", system, "Export one system");
    auto* allFlag = sub->add_flag("--all", all, "Export every system");
    sys->excludes(allFlag);
    sub->add_option("--out", out, "Output file")->required();
    sub->callback([&ctx] {
        if (!all && trim(system).empty()) throw InputError("Give --system S or --all.");
        auto project = openForCommand(path, ctx);
        db::Database& db = *project->db;
        std::string choice = exchange::kAllSystems;
        if (!all) {
            choice.clear();
            for (const auto& s : exchange::exportSystemChoices(db))
                if (s != exchange::kAllSystems && equalsIgnoreCase(s, trim(system))) choice = s;
            if (choice.empty()) throw InputError("System '" + trim(system) + "' does not exist.");
        }
        const std::vector<std::string> listing = exchange::exportStructures(db, ctx.ui, choice, out);
        if (listing.empty()) ctx.exitCode = kExitRefused;  // refused: no file name
        for (const auto& line : listing) std::cout << line << "\n";
    });
});

}  // namespace
}  // namespace kolv::cli
