// Project file commands: new, info, rebuild, make-seed, make-sample.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>

#include "cli/command.h"
#include "cli/project_access.h"
#include "common/error.h"
#include "db/project.h"
#include "db/project_file.h"
#include "db/seed_builder.h"
#include "settings/settings_file.h"

namespace kolv::cli {
namespace {

RegisterCommand newCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("new", "Create a new project database from the seed database");
    static std::string path, seed;
    static bool force = false;
    sub->add_option("PROJECT", path, "New project file (.mdb)")->required();
    sub->add_option("--seed", seed, "Seed database (default: the installed seedv3.mdb)");
    sub->add_flag("--force", force, "Replace an existing file (as does --yes)");
    sub->callback([&ctx] {
        // A project is never replaced by an empty one unless the engineer said so.
        const std::string target = db::withProjectExtension(path);
        std::error_code ec;
        if (!force && !ctx.ui.assumeYes && std::filesystem::symlink_status(target, ec).type() !=
                                                 std::filesystem::file_type::not_found &&
            !ec)
            throw InputError("'" + target +
                             "' already exists; it was left as it is. Give --yes (or --force) to replace it "
                             "with a new empty project, or choose another name.");
        std::string s = seed.empty() ? defaultSeedPath() : seed;
        ctx.ui.assumeYes = true;  // the command itself is the engineer's Yes
        if (!db::createProject(path, s, ctx.ui)) ctx.exitCode = kExitRefused;
    });
});

RegisterCommand infoCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("info", "Open a project (adding missing fields) and list its systems");
    static std::string path;
    sub->add_option("PROJECT", path, "Project file")->required();
    sub->callback([&ctx] {
        auto project = openForCommand(path, ctx);
        std::cout << "Project: " << project->path << "\n";
        std::cout << "Units:" << project->unitName() << "\n";
        std::cout << "Current system: " << (project->currentSystem.empty() ? "(none)" : project->currentSystem)
                  << "\n";
        std::cout << "Systems (" << project->systems.size() << "):\n";
        for (const auto& s : project->systems) std::cout << "  " << s << "\n";
    });
});

RegisterCommand rebuildCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("rebuild", "Compact and check a project file, keeping Rebuild.BAK");
    static std::string path;
    static std::string work;
    sub->add_option("PROJECT", path, "Project file")->required();
    sub->add_option("--work-folder", work, "Folder for Rebuild.BAK and TEMP0000.MDA (default: the project's folder)");
    sub->callback([&ctx] {
        if (!db::rebuildProject(path, "", ctx.ui, work)) ctx.exitCode = kExitRefused;
    });
});

RegisterCommand seedCmd([](CLI::App& app, Context&) {
    auto* sub = app.add_subcommand("make-seed", "Build the seed database from its text tables");
    static std::string out, dir;
    sub->add_option("OUT", out, "Seed database to write")->required();
    sub->add_option("--from", dir, "Folder of the seed tables (default: installed data/seed)");
    sub->callback([] {
        db::buildSeed(out, dir.empty() ? settings::installDataFolder() + "seed" : dir);
        std::cout << "Seed database written: " << out << "\n";
    });
});

RegisterCommand sampleCmd([](CLI::App& app, Context&) {
    auto* sub = app.add_subcommand("make-sample", "Build the sample project from the seed and its text tables");
    static std::string out, seed, dir;
    sub->add_option("OUT", out, "Project file to write")->required();
    sub->add_option("--seed", seed, "Seed database (default: the installed seedv3.mdb)");
    sub->add_option("--from", dir, "Folder of the sample tables (default: installed data/sample)");
    sub->callback([] {
        db::buildProjectFromSeed(out, seed.empty() ? defaultSeedPath() : seed,
                                 dir.empty() ? settings::installDataFolder() + "sample" : dir);
        std::cout << "Sample project written: " << out << "\n";
    });
});

}  // namespace
}  // namespace kolv::cli
