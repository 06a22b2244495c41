// The criteria and review commands: the project's design criteria, and the review of a system against them.
#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/command.h"
#include "cli/output.h"
#include "cli/project_access.h"
#include "common/error.h"
#include "common/text.h"
#include "review/check_storms.h"
#include "review/design_criteria.h"
#include "review/design_review.h"

namespace kolv::cli {
namespace {

RegisterCommand criteriaCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("criteria", "Show or change the project's design criteria");
    static std::string path;
    static std::vector<std::string> assignments;
    sub->add_option("PROJECT", path, "Project file")->required();
    sub->add_option("--set", assignments,
                    "KEY=VALUE, e.g. max-velocity=12 or min-cover=structure (repeat for several)");
    sub->callback([&ctx] {
        auto project = openForCommand(path, ctx, assignments.empty() ? Access::Read : Access::Write);
        review::DesignCriteria c = review::loadCriteria(*project);
        if (!assignments.empty()) {
            for (const std::string& a : assignments) {
                const auto eq = a.find('=');
                if (eq == std::string::npos) throw InputError("--set needs KEY=VALUE, not '" + a + "'.");
                if (auto refusal = review::applyCriterion(c, a.substr(0, eq), a.substr(eq + 1), project->metric))
                    throw InputError(*refusal);
            }
            if (auto refusal = review::validateCriteria(c)) throw InputError(*refusal);
            review::saveCriteria(*project, c);
        }
        for (const auto& i : review::describeCriteria(c, project->metric))
            std::cout << padRight(i.key, 24) << padRight(i.value, 12) << padRight(i.unit, 8) << i.caption << "\n";
    });
});

RegisterCommand reviewCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand(
        "review", "Design review of a system against the criteria and its last results (exit 1 on an error)");
    static std::string path, system;
    static Format format = Format::Text;
    sub->add_option("PROJECT", path, "Project file")->required();
    sub->add_option("--system", system, "Storm sewer system (default: the current one)");
    addFormatOption(sub, format);
    sub->callback([&ctx] {
        auto project = openWithSystem(path, system, ctx, Access::Read);
        const auto r = review::reviewSystem(*project, project->currentSystem, review::loadCriteria(*project));
        if (r.hasErrors()) ctx.exitCode = kExitFindings;
        if (format == Format::Csv) review::writeReviewCsv(r, std::cout);
        else if (format == Format::Json)
            printOutput(parsedOutput("review", *project, review::reviewJson(r), "findings"), format, ctx.exitCode);
        else review::writeReviewText(r, [](const std::string& l) { std::cout << l << "\n"; });
    });
});

RegisterCommand scenariosCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("scenarios",
                                   "Compare the design run with the check-storm scenarios of a system, node by node");
    static std::string path, system;
    static Format format = Format::Text;
    sub->add_option("PROJECT", path, "Project file")->required();
    sub->add_option("--system", system, "Storm sewer system (default: the current one)");
    addFormatOption(sub, format);
    sub->callback([&ctx] {
        auto project = openWithSystem(path, system, ctx, Access::Read);
        const auto c = review::compareScenarios(*project->db, project->currentSystem);
        if (format == Format::Csv) std::cout << review::comparisonCsv(c, project->metric);
        else if (format == Format::Json)
            printOutput(parsedOutput("scenarios", *project, review::comparisonJson(c, project->metric), "nodes"), format,
                 ctx.exitCode);
        else {
            for (const auto& s : review::loadScenarios(*project->db, project->currentSystem))
                std::cout << "Scenario " << s.storm.name << ": frequency "
                          << (s.storm.frequency.empty() ? std::string("(the system's)") : s.storm.frequency)
                          << ", intensity factor " << s.storm.intensityFactor << "\n";
            for (const auto& l : review::comparisonText(c, project->metric)) std::cout << l << "\n";
        }
    });
});

}  // namespace
}  // namespace kolv::cli
