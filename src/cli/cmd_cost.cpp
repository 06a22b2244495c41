// The cost command: prices a system and prints the cost list.
#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/command.h"
#include "cli/project_access.h"
#include "cost/system_cost.h"

namespace kolv::cli {
namespace {

RegisterCommand costCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("cost", "Compute the system cost (structures by depth, pipes by length)");
    static std::string path, system;
    static bool detail = false;
    sub->add_option("PROJECT", path, "Project file")->required()->check(CLI::ExistingFile);
    sub->add_option("--system", system, "Storm sewer system (default: the current one)");
    sub->add_flag("--detail", detail, "List the heading and one line per node");
    sub->callback([&ctx] {
        auto project = openWithSystem(path, system, ctx);
        auto result = cost::computeSystemCost(*project->db, project->currentSystem, {detail}, ctx.ui);
        if (result.stopped) {
            ctx.exitCode = 1;
            return;
        }
        std::cout << cost::costReportTitle(project->currentSystem) << "\n";
        for (const auto& line : result.lines) std::cout << line << "\n";
    });
});

}  // namespace
}  // namespace kolv::cli
