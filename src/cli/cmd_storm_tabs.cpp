// The storm-tabs command: computes a system's storm tabulation and prints its messages and table.
#include <CLI/CLI.hpp>
#include <fmt/format.h>
#include <cmath>
#include <iostream>
#include <optional>

#include "cli/command.h"
#include "cli/number_option.h"
#include "cli/output.h"
#include "cli/project_access.h"
#include "common/error.h"
#include "common/text.h"
#include "common/units.h"
#include "common/vb_format.h"
#include "hydraulics/results_table.h"
#include "hydraulics/run_command.h"
#include "review/check_storms.h"
#include "session/session.h"

namespace kolv::cli {
namespace {

struct StormTabArgs {
    std::string path, system;
    Format format = Format::Text;
    std::optional<long> iterations;
    std::optional<double> hglDiff, minVelocity, fixedTc, minPhysicalVelocity;
    std::optional<int> junctionMethod;
    bool junctionLoss = false, noJunctionLoss = false, exitLoss = false, noExitLoss = false;
    bool hydLength = false, quantityLength = false, computedTc = false;
    bool minVelocityOn = false, noMinVelocity = false;
    bool deepWell = false, noDeepWell = false, frenchDrain = false, noFrenchDrain = false;
    bool noNegativeQ = false, allowNegativeQ = false, jumpToCrown = false, noJumpToCrown = false;
    bool verify = false, messagesOnly = false;
    // a check storm of the design, kept as a named scenario
    std::string frequency, scenario;
    std::optional<double> intensityFactor;
};

/// The stored options with the switches given on the command line (a velocity in the project's units).
hydraulics::HydraulicsOptions applyArgs(hydraulics::HydraulicsOptions o, const StormTabArgs& a, bool metric) {
    if (a.iterations) o.maxPasses = *a.iterations;
    if (a.hglDiff) o.maxHglDifferenceFt = *a.hglDiff;
    if (a.minVelocity) o.minVelocityFps = hydraulics::velocityFps(*a.minVelocity, metric), o.minVelocityInForce = true;
    if (a.minPhysicalVelocity) o.minPhysicalVelocityFps = *a.minPhysicalVelocity;
    if (a.fixedTc) o.fixedTc = true, o.fixedTcMin = *a.fixedTc;
    if (a.computedTc) o.fixedTc = false;
    if (a.junctionMethod) o.junctionMethod = *a.junctionMethod;
    if (a.junctionLoss) o.junctionLosses = true;
    if (a.noJunctionLoss) o.junctionLosses = false;
    if (a.exitLoss) o.exitLoss = true;
    if (a.noExitLoss) o.exitLoss = false;
    if (a.hydLength) o.useHydLength = true;
    if (a.quantityLength) o.useHydLength = false;
    if (a.minVelocityOn) o.minVelocityInForce = true;
    if (a.noMinVelocity) o.minVelocityInForce = false;
    if (a.deepWell) o.deepWell = true;
    if (a.noDeepWell) o.deepWell = false;
    if (a.frenchDrain) o.frenchDrain = true;
    if (a.noFrenchDrain) o.frenchDrain = false;
    if (a.noNegativeQ) o.noNegativeFlow = true;
    if (a.allowNegativeQ) o.noNegativeFlow = false;
    if (a.jumpToCrown) o.jumpToCrown = true;
    if (a.noJumpToCrown) o.jumpToCrown = false;
    return o;
}

void printText(const hydraulics::ComputeOutcome& out, const db::Project& project, bool messagesOnly) {
    const auto& run = out.run;
    std::cout << "HYDRAULIC CALCULATIONS MESSAGES - " << project.currentSystem << "\n";
    for (const auto& l : run.verificationLines) std::cout << l << "\n";
    for (const auto& l : run.messages) std::cout << l << "\n";
    if (messagesOnly || run.status != 0) return;
    std::cout << "\nSTORM TABULATION - " << project.currentSystem << project.unitName() << "\n";
    if (!run.heading.number.empty() || !run.heading.description.empty())
        std::cout << "Project: " << run.heading.number << "  " << run.heading.description << "\n";
    const double len = project.metric ? units::kMetersPerFoot : 1.0;
    const std::string pic = project.metric ? "0.000" : "0.00";
    std::cout << "Tailwater: " << vbFormat(run.outfall.tailwater * len, pic) << "  Exit loss: "
              << vbFormat(run.outfall.exitLoss * len, pic) << "  Control elevation: "
              << vbFormat(run.outfall.controlElev * len, pic) << "  Passes: " << run.passes
              << "  HGL difference: " << vbFormat(run.hglDifference * len, "0.0000") << "\n";
    if (!run.converged) std::cout << hydraulics::unsettledNote(run) << "\n";
    std::cout << "\n";
    hydraulics::writeStormTabText(out.run.records, project.metric, out.options.useHydLength,
                                  [](const std::string& l) { std::cout << l << "\n"; });
}

/// The storm tab in the one shape of every command: a row per reach keyed by the listing's
/// column keys, and the run's passes and convergence beside it. The rows are formatted one record
/// at a time as they are printed: a large system's table is never held whole beside its records.
Output stormTabOutput(const hydraulics::ComputeOutcome& out, const db::Project& project) {
    const auto& run = out.run;
    Output o;
    o.command = "storm-tabs";
    o.describe(project);
    o.messages = run.messages;
    const auto columns = hydraulics::stormTabColumns(project.metric);
    for (const auto& c : columns) o.columns.push_back(c.key);
    if (run.status == 0) {  // a run that stopped lists no rows
        o.streamRows = [&out, &project, columns](const std::function<void(const Json&)>& sink) {
            for (const auto& record : out.run.records) {
                const auto row = hydraulics::stormTabRow(record, project.metric, out.options.useHydLength);
                Json values = Json::object();
                for (std::size_t c = 0; c < row.size() && c < columns.size(); ++c)
                    values[columns[c].key] = columns[c].numeric ? cellValue(row[c]) : Json(row[c]);
                sink(values);
            }
        };
    }
    o.summary["status"] = run.status;
    o.summary["passes"] = run.passes;
    o.summary["converged"] = run.converged;
    if (!run.converged && run.passes > 0) {
        // What did not settle: the pass limit and the largest grade-line change of the last pass.
        const double len = project.metric ? units::kMetersPerFoot : 1.0;
        o.summary["max_passes"] = run.maxPasses;
        o.summary["max_hgl_change"] =
            std::isfinite(run.maxHglChange) ? cellValue(fmt::format("{:.4f}", run.maxHglChange * len)) : Json();
        o.summary["max_hgl_change_node"] = run.maxHglChangeNode;
        o.summary["cycling"] = run.cycling;
    }
    return o;
}

RegisterCommand stormTabsCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("storm-tabs", "Compute the storm tabulation (hydraulics) of a system");
    static StormTabArgs a;
    sub->add_option("PROJECT", a.path, "Project file")->required();
    sub->add_option("--system", a.system, "Storm sewer system (default: the current one)");
    sub->add_option("--iterations", a.iterations, "Max. number of passes (4..32000)");
    sub->add_option("--hgl-diff", a.hglDiff, "Max. HGL difference between passes (0.0001..0.25)")
        ->check(strictNumber("HGL difference", positive()));
    sub->add_option("--min-velocity", a.minVelocity, "Min. velocity for travel time (project units; turns it on)")
        ->check(strictNumber("Minimum velocity", positive()));
    sub->add_option("--min-physical-velocity", a.minPhysicalVelocity, "Velocity of the minimum physical slope")
        ->check(strictNumber("Minimum physical velocity", positive()));
    sub->add_option("--fixed-tc", a.fixedTc, "Fixed time of concentration, minutes (1..120)")
        ->check(strictNumber("Fixed Tc"));
    sub->add_flag("--computed-tc", a.computedTc, "Computed times of concentration");
    sub->add_option("--junction-method", a.junctionMethod,
                    "1 velocity of the downstream pipe, 2 of the upstream pipe with highest energy")
        ->check(CLI::IsMember({1, 2}));
    sub->add_flag("--junction-loss", a.junctionLoss, "Include junction losses");
    sub->add_flag("--no-junction-loss", a.noJunctionLoss, "Leave junction losses out");
    sub->add_flag("--exit-loss", a.exitLoss, "Include the exit loss at the outfall");
    sub->add_flag("--no-exit-loss", a.noExitLoss, "Leave the exit loss out");
    sub->add_flag("--hyd-length", a.hydLength, "Use center-to-center lengths for hydraulics");
    sub->add_flag("--quantity-length", a.quantityLength, "Use quantity lengths for hydraulics");
    sub->add_flag("--min-velocity-on", a.minVelocityOn, "Travel times never below the minimum velocity");
    sub->add_flag("--no-min-velocity", a.noMinVelocity, "Travel times at the computed velocity");
    sub->add_flag("--deep-well", a.deepWell, "Deep-well exfiltration");
    sub->add_flag("--no-deep-well", a.noDeepWell, "No deep-well exfiltration");
    sub->add_flag("--french-drain", a.frenchDrain, "French-drain exfiltration");
    sub->add_flag("--no-french-drain", a.noFrenchDrain, "No French-drain exfiltration");
    sub->add_flag("--no-negative-q", a.noNegativeQ, "Do not allow the total flow to be negative");
    sub->add_flag("--allow-negative-q", a.allowNegativeQ, "Allow a negative total flow");
    sub->add_flag("--jump-to-crown", a.jumpToCrown, "Non-partial flow: adjust the HGL up to the pipe crown");
    sub->add_flag("--no-jump-to-crown", a.noJumpToCrown, "HGL totally dependent on the downstream HGL");
    sub->add_flag("--verify", a.verify, "Verify the network first");
    sub->add_flag("--messages-only", a.messagesOnly, "Print the message list without the table");
    addFormatOption(sub, a.format);
    sub->add_option("--frequency", a.frequency,
                    "Check storm: a return period of the system's IDF zone or time-intensity location");
    sub->add_option("--intensity-factor", a.intensityFactor, "Check storm: every intensity times this (e.g. 1.15)")
        ->check(strictNumber("Intensity factor", positive()));
    sub->add_option("--scenario", a.scenario,
                    "Keep the run as this check-storm scenario; the design's own results are not changed");
    sub->callback([&ctx] {
        if ((!a.frequency.empty() || a.intensityFactor) && a.scenario.empty())
            throw InputError("--frequency and --intensity-factor run a check storm: name it with --scenario NAME.");
        auto project = openWithSystem(a.path, a.system, ctx);
        if (project->currentSystem == "<drains>")
            throw InputError("The '<drains>' system has no storm tabulation. Select another system.");
        Session session;
        const bool metric = project->metric;
        const auto options = applyArgs(hydraulics::loadHydraulicsOptions(*project->db, metric), a, metric);
        if (!a.scenario.empty()) {
            review::ScenarioSpec storm{a.scenario, a.frequency, a.intensityFactor.value_or(1.0)};
            std::vector<std::string> messages;
            const int status = review::runScenario(*project, session, ctx.ui, project->currentSystem,
                                                   hydraulics::runOptionsFrom(options, a.verify), storm, &messages);
            if (!ctx.ui.quiet || status != 0)
                for (const auto& l : messages) std::cerr << l << "\n";
            if (status != 0) {
                ctx.exitCode = kExitRefused;
                return;
            }
            const auto c = review::compareScenarios(*project->db, project->currentSystem);
            if (a.format == Format::Csv) std::cout << review::comparisonCsv(c, project->metric);
            else if (a.format == Format::Json)
                printOutput(parsedOutput("storm-tabs", *project, review::comparisonJson(c, project->metric), "nodes"),
                            a.format, ctx.exitCode);
            else {
                std::cout << "Scenario '" << kolv::trim(a.scenario) << "' of system " << project->currentSystem << " kept.\n";
                for (const auto& l : review::comparisonText(c, project->metric)) std::cout << l << "\n";
            }
            return;
        }
        const auto out =
            hydraulics::computeHydraulics(*project, session, ctx.ui, options, project->currentSystem, a.verify);
        if (!out.started || out.run.status != 0) ctx.exitCode = kExitRefused;
        if (a.format != Format::Text) {
            printOutput(stormTabOutput(out, *project), a.format, ctx.exitCode);
        } else {
            printText(out, *project, a.messagesOnly);
        }
    });
});

}  // namespace
}  // namespace kolv::cli
