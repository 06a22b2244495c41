// The size-pipes command: chooses pipe sizes from one group and prints the selection list.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <fmt/format.h>
#include <iostream>

#include "cli/command.h"
#include "cli/number_option.h"
#include "cli/project_access.h"
#include "common/error.h"
#include "common/text.h"
#include "common/units.h"
#include "session/session.h"
#include "sizing/pipe_sizing.h"

namespace kolv::cli {
namespace {

/// Each reach's pipe, in flow order, with the constraint that governed its choice and the value
/// that decided it (velocities in the project's unit, friction slopes in percent).
void printJson(const sizing::SizingResult& r, const db::Project& project) {
    const double vel = project.metric ? 1.0 / units::kFeetPerMeterShort : 1.0;
    std::cout << "{\n  \"system\": " << jsonQuoted(project.currentSystem) << ",\n  \"units\": "
              << jsonQuoted(project.metric ? "metric" : "english") << ",\n  \"status\": " << r.status
              << ",\n  \"reaches\": [";
    bool first = true;
    for (const auto& rec : r.records) {
        const std::string reach = kolv::trim(rec.reachName.empty() ? rec.name : rec.reachName);
        const sizing::SizingBasis* basis = nullptr;
        for (const auto& b : r.basis)
            if (b.reach == reach) basis = &b;
        std::cout << (first ? "" : ",") << "\n    {\"from\": " << jsonQuoted(kolv::trim(rec.name))
                  << ", \"to\": " << jsonQuoted(kolv::trim(rec.toName)) << ", \"pipe\": " << jsonQuoted(kolv::trim(rec.pipeName))
                  << ", \"q_cfs\": " << fmt::format("{:.4f}", rec.q);
        if (basis) {
            const double f = basis->isVelocity ? vel : 1.0;
            std::cout << ", \"governing\": " << jsonQuoted(sizing::governingName(basis->rule))
                      << ", \"quantity\": " << jsonQuoted(basis->isVelocity ? "velocity" : "friction slope")
                      << ", \"value\": " << fmt::format("{:.4f}", basis->value * f)
                      << ", \"limit\": " << fmt::format("{:.4f}", basis->limit * f) << ", \"unit\": "
                      << jsonQuoted(basis->isVelocity ? (project.metric ? "m/s" : "ft/s") : "%");
        }
        std::cout << "}";
        first = false;
    }
    std::cout << (first ? "" : "\n  ") << "]\n}\n";
}

RegisterCommand sizePipesCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("size-pipes", "Step 2: compute pipe sizes from one pipe group");
    static std::string path, system;
    static int group = 0;
    static double maxVelocity = 0, maxSlope = 0, minVelocity = 0;
    static bool noMin = false, verify = false, notSmaller = false;
    static std::string format = "text";
    sub->add_option("PROJECT", path, "Project file")->required()->check(CLI::ExistingFile);
    sub->add_option("--system", system, "Storm sewer system (default: the current one)");
    sub->add_option("--group", group, "Pipe group (GROUPP) to choose from")->required();
    auto* byVelocity = sub->add_option("--max-velocity", maxVelocity, "Maximum full-flow velocity (ft/s or m/s)")
                           ->check(strictNumber("Maximum velocity", positive()));
    auto* bySlope = sub->add_option("--max-hgl-slope", maxSlope, "Maximum friction slope of the grade line (%)")
                        ->check(strictNumber("Maximum grade-line slope", positive()));
    byVelocity->excludes(bySlope);
    auto* minOpt = sub->add_option("--min-velocity", minVelocity,
                                   "Minimum velocity for travel time (default 2.0 ft/s, 0.610 m/s)")
                      ->check(strictNumber("Minimum velocity", positive()));
    auto* noMinOpt = sub->add_flag("--no-min-velocity", noMin, "Travel time without a minimum velocity");
    minOpt->excludes(noMinOpt);
    sub->add_flag("--not-smaller-than-upstream", notSmaller,
                  "Never choose a pipe smaller than the largest one coming into the node");
    sub->add_flag("--verify", verify, "Verify the network first");
    sub->add_option("--format", format, "text (the selection list) or json (each reach's pipe and why it got it)")
        ->check(CLI::IsMember({"text", "json"}));
    sub->callback([&ctx, byVelocity, bySlope, minOpt] {
        if (byVelocity->count() == 0 && bySlope->count() == 0)
            throw CLI::RequiredError("--max-velocity or --max-hgl-slope");
        auto project = openWithSystem(path, system, ctx);
        // Only the groups of the project's unit system, as the window lists them.
        const auto groups = sizing::pipeGroups(*project->db, project->engMet());
        if (std::find(groups.begin(), groups.end(), group) == groups.end()) {
            std::string list;
            for (int g : groups) list += (list.empty() ? "" : ", ") + std::to_string(g);
            throw InputError("Pipe group " + std::to_string(group) + " has no " +
                             (project->metric ? "metric" : "English") + " pipe definitions. Groups: " +
                             (list.empty() ? "(none)" : list));
        }
        auto o = sizing::SizingOptions::defaults(project->metric);
        o.group = group;
        o.criterion = byVelocity->count() ? sizing::Criterion::Velocity : sizing::Criterion::HglSlope;
        o.maxVelocity = maxVelocity;
        o.maxHglSlopePercent = maxSlope;
        o.useMinVelocity = !noMin;
        if (minOpt->count()) o.minVelocity = minVelocity;
        o.verifyFirst = verify;
        o.notSmallerThanUpstream = notSmaller;
        Session session;
        auto r = sizing::computePipeSizes(*project, session, ctx.ui, project->currentSystem, o);
        if (format == "json") {
            printJson(r, *project);
            if (r.status != 0) ctx.exitCode = 1;
            return;
        }
        for (const auto& l : r.verificationLines) std::cout << l << "\n";
        for (const auto& l : r.lines) std::cout << l << "\n";
        if (r.status != 0) ctx.exitCode = 1;
    });
});

}  // namespace
}  // namespace kolv::cli
