// The submittal command: one PDF package of the chosen systems for a reviewing agency.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>

#include "cli/command.h"
#include "cli/project_access.h"
#include "common/error.h"
#include "common/text.h"
#include "kolv_version.h"
#include "settings/settings_file.h"
#include "submittal/submittal.h"

#include "cli/modules/module_api.h"

namespace kolv::cli {
namespace {

namespace fs = std::filesystem;

struct SubmittalArgs {
    std::string path, out, paper = "letter", date;
    std::vector<std::string> systems;
    bool all = false;
    int displaySet = 1;
};

RegisterCommand submittalCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("submittal", "Write the submittal package (basis of design, storm tabulation, "
                                                "profiles, plan, schedules, warnings, cost) of systems to one PDF");
    static SubmittalArgs a;
    sub->add_option("PROJECT", a.path, "Project file")->required();
    auto* systems = sub->add_option("--system", a.systems, "System to include (repeat for more, in order)");
    auto* all = sub->add_flag("--all", a.all, "Include every system of the project");
    systems->excludes(all);
    sub->add_option("--out", a.out, "Output PDF file")->required();
    sub->add_option("--paper", a.paper, "Paper: letter, a4, tabloid or a3 (landscape sheets)")
        ->check(CLI::IsMember({"letter", "a4", "tabloid", "a3"}, CLI::ignore_case));
    sub->add_option("--date", a.date, "Date printed on the sheets (default: today)");
    sub->add_option("--display-set", a.displaySet, "Diagram label set of the plan sheet (1..10)")
        ->check(CLI::Range(1, 10));
    sub->callback([&ctx] {
        if (!a.all && a.systems.empty()) throw InputError("Name the systems with --system S (repeatable) or use --all.");
        if (toLower(fs::path(a.out).extension().string()) != ".pdf")
            throw InputError("The output " + a.out + " must end in .pdf.");
#ifndef KOLV_HAVE_RENDER
        throw Error(kErrLoadingLibrary, "This kolv-cli was built without the printing library, so it can not write "
                                        "the submittal PDF.");
#else
        auto project = openForCommand(a.path, ctx);
        submittal::SubmittalOptions opt;
        opt.systems = a.all ? submittal::projectSystems(*project->db) : a.systems;
        if (opt.systems.empty()) throw InputError("The project has no storm sewer system to put in a submittal.");
        submittal::parsePaper(a.paper, opt.paper);
        opt.programVersion = KOLV_VERSION;
        opt.dateText = a.date;
        opt.displaySet = a.displaySet;
        settings::SettingsFile file;
        opt.reportFolder = file.read().reportFolder;
        Session session;
        submittal::SubmittalComposer composer(*project, session, ctx.ui, opt);
        composer.prepare();
        // the printing libraries loaded once the systems are computed, not on top of the computation
        const PrintModule& print = printModule();
        print.writeSubmittal(composer, a.out);
        std::cout << "Submittal written: " << a.out << " (" << opt.systems.size()
                  << (opt.systems.size() == 1 ? " system, " : " systems, ") << composer.pageCount() << " pages)\n";
        for (const auto& s : composer.failedSystems()) {
            std::cerr << "kolv-cli: the storm tabulation of system " << s
                      << " could not be computed; its sheets list the messages instead of the results.\n";
            ctx.exitCode = kExitRefused;
        }
#endif
    });
});

}  // namespace
}  // namespace kolv::cli
