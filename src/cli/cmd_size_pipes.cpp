// The size-pipes command: chooses pipe sizes from one group and prints the selection list.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <fmt/format.h>
#include <iostream>

#include "cli/command.h"
#include "cli/number_option.h"
#include "cli/output.h"
#include "cli/project_access.h"
#include "common/error.h"
#include "common/text.h"
#include "common/units.h"
#include "hydraulics/hydraulics_options.h"
#include "sizing/pipe_sizing.h"

namespace kolv::cli {
namespace {

/// Each reach's pipe, in flow order, with the constraint that governed its choice and the value
/// that decided it (velocities in the project's unit, friction slopes in percent).
Output sizingOutput(const sizing::SizingResult& r, const db::Project& project) {
    const double vel = project.metric ? 1.0 / units::kFeetPerMeterShort : 1.0;
    Output out;
    out.command = "size-pipes";
    out.describe(project);
    out.messages = r.verificationLines;
    out.columns = {"from", "to", "pipe", "q_cfs", "governing", "quantity", "value", "limit", "unit"};
    for (const auto& rec : r.records) {
        const std::string reach = kolv::trim(rec.reachName.empty() ? rec.name : rec.reachName);
        const sizing::SizingBasis* basis = nullptr;
        for (const auto& b : r.basis)
            if (b.reach == reach) basis = &b;
        std::vector<Json> row = {kolv::trim(rec.name), kolv::trim(rec.toName), kolv::trim(rec.pipeName),
                                 cellValue(fmt::format("{:.4f}", rec.q))};
        if (basis) {
            const double f = basis->isVelocity ? vel : 1.0;
            row.insert(row.end(), {sizing::governingName(basis->rule), basis->isVelocity ? "velocity" : "friction slope",
                                   cellValue(fmt::format("{:.4f}", basis->value * f)),
                                   cellValue(fmt::format("{:.4f}", basis->limit * f)),
                                   basis->isVelocity ? (project.metric ? "m/s" : "ft/s") : "%"});
        }
        out.addRow(row);
    }
    out.summary["status"] = r.status;
    return out;
}

RegisterCommand sizePipesCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("size-pipes", "Step 2: compute pipe sizes from one pipe group");
    static std::string path, system;
    static int group = 0;
    static double maxVelocity = 0, maxSlope = 0, minVelocity = 0;
    static bool noMin = false, verify = false, notSmaller = false;
    static Format format = Format::Text;
    sub->add_option("PROJECT", path, "Project file")->required();
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
    addFormatOption(sub, format);
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
        // velocities typed in the project's units
        auto o = sizing::SizingOptions::defaults();
        o.group = group;
        o.criterion = byVelocity->count() ? sizing::Criterion::Velocity : sizing::Criterion::HglSlope;
        o.maxVelocityFps = hydraulics::velocityFps(maxVelocity, project->metric);
        o.maxHglSlopePercent = maxSlope;
        o.useMinVelocity = !noMin;
        if (minOpt->count()) o.minVelocityFps = hydraulics::velocityFps(minVelocity, project->metric);
        o.verifyFirst = verify;
        o.notSmallerThanUpstream = notSmaller;
        o.keepRecords = format != Format::Text;  // the listing needs none of them
        auto r = sizing::computePipeSizes(*project, ctx.ui, project->currentSystem, o);
        if (format != Format::Text) {
            if (r.status != 0) ctx.exitCode = kExitRefused;
            printOutput(sizingOutput(r, *project), format, ctx.exitCode);
            return;
        }
        for (const auto& l : r.verificationLines) std::cout << l << "\n";
        for (const auto& l : r.lines) std::cout << l << "\n";
        if (r.status != 0) ctx.exitCode = kExitRefused;
    });
});

}  // namespace
}  // namespace kolv::cli
