// kolv-cli options: show or change the stored computation options of the project (the Compute Hydraulics switches).
#include <CLI/CLI.hpp>
#include <fmt/format.h>
#include <functional>
#include <iostream>

#include "cli/command.h"
#include "cli/output.h"
#include "cli/project_access.h"
#include "cli/record_edits.h"
#include "common/error.h"
#include "common/number_input.h"
#include "common/text.h"
#include "common/vb_format.h"
#include "hydraulics/hydraulics_options.h"

namespace kolv::cli {
namespace {

using hydraulics::HydraulicsOptions;

/// One stored option: its key on the command line, its unit and what it means.
struct OptionKey {
    const char* key;
    const char* caption;
    enum class Kind { Switch, Whole, Number } kind;
    std::function<std::string(const HydraulicsOptions&, bool metric)> unit;
    /// The value as shown and typed: a velocity in the project's units (`metric`: m/s).
    std::function<double(const HydraulicsOptions&, bool metric)> get;
    std::function<void(HydraulicsOptions&, double, bool metric)> put;
};

std::string none(const HydraulicsOptions&, bool) { return ""; }

const std::vector<OptionKey>& optionKeys() {
    using K = OptionKey::Kind;
    static const std::vector<OptionKey> keys = {
        {"max-passes", "Max. Number of Iterations", K::Whole, none,
         [](const auto& o, bool) { return static_cast<double>(o.maxPasses); },
         [](auto& o, double v, bool) { o.maxPasses = static_cast<long>(v); }},
        {"max-hgl-difference", "Max. HGL Difference between passes", K::Number,
         [](const auto&, bool) { return std::string("ft"); }, [](const auto& o, bool) { return o.maxHglDifferenceFt; },
         [](auto& o, double v, bool) { o.maxHglDifferenceFt = v; }},
        {"junction-losses", "Include junction losses", K::Switch, none,
         [](const auto& o, bool) { return o.junctionLosses ? 1.0 : 0.0; },
         [](auto& o, double v, bool) { o.junctionLosses = v != 0; }},
        {"junction-method", "Junction loss: 1 velocity of the downstream pipe, 2 of the upstream pipe with highest "
                            "energy", K::Whole, none,
         [](const auto& o, bool) { return static_cast<double>(o.junctionMethod); },
         [](auto& o, double v, bool) { o.junctionMethod = static_cast<int>(v); }},
        {"exit-loss", "Include the exit loss at the outfall", K::Switch, none,
         [](const auto& o, bool) { return o.exitLoss ? 1.0 : 0.0; },
         [](auto& o, double v, bool) { o.exitLoss = v != 0; }},
        {"hyd-length", "Use center-to-center lengths for hydraulics", K::Switch, none,
         [](const auto& o, bool) { return o.useHydLength ? 1.0 : 0.0; },
         [](auto& o, double v, bool) { o.useHydLength = v != 0; }},
        {"fixed-tc", "Fixed time of concentration at every inlet", K::Switch, none,
         [](const auto& o, bool) { return o.fixedTc ? 1.0 : 0.0; },
         [](auto& o, double v, bool) { o.fixedTc = v != 0; }},
        {"fixed-tc-min", "Fixed time of concentration", K::Number, [](const auto&, bool) { return std::string("min"); },
         [](const auto& o, bool) { return o.fixedTcMin; }, [](auto& o, double v, bool) { o.fixedTcMin = v; }},
        {"min-velocity-in-force", "Travel times never below the minimum velocity", K::Switch, none,
         [](const auto& o, bool) { return o.minVelocityInForce ? 1.0 : 0.0; },
         [](auto& o, double v, bool) { o.minVelocityInForce = v != 0; }},
        {"min-velocity", "Min. velocity for travel time", K::Number,
         [](const auto&, bool metric) { return std::string(metric ? "m/s" : "ft/s"); },
         [](const auto& o, bool metric) { return hydraulics::minVelocityInProjectUnits(o.minVelocityFps, metric); },
         [](auto& o, double v, bool metric) { o.minVelocityFps = hydraulics::velocityFps(v, metric); }},
        {"min-physical-velocity", "Min. Physical Velocity", K::Number,
         [](const auto&, bool) { return std::string("ft/s"); },
         [](const auto& o, bool) { return o.minPhysicalVelocityFps; },
         [](auto& o, double v, bool) { o.minPhysicalVelocityFps = v; }},
        {"deep-well", "Deep-well exfiltration", K::Switch, none,
         [](const auto& o, bool) { return o.deepWell ? 1.0 : 0.0; },
         [](auto& o, double v, bool) { o.deepWell = v != 0; }},
        {"french-drain", "French-drain exfiltration", K::Switch, none,
         [](const auto& o, bool) { return o.frenchDrain ? 1.0 : 0.0; },
         [](auto& o, double v, bool) { o.frenchDrain = v != 0; }},
        {"no-negative-q", "Total flow never negative", K::Switch, none,
         [](const auto& o, bool) { return o.noNegativeFlow ? 1.0 : 0.0; },
         [](auto& o, double v, bool) { o.noNegativeFlow = v != 0; }},
        {"jump-to-crown", "Non-partial flow: HGL adjusted up to the pipe crown", K::Switch, none,
         [](const auto& o, bool) { return o.jumpToCrown ? 1.0 : 0.0; },
         [](auto& o, double v, bool) { o.jumpToCrown = v != 0; }},
        {"inlet-capacity-warning", "Show Warning if Surface Runoff Exceeds Inlet Capacity", K::Switch, none,
         [](const auto& o, bool) { return o.inletCapacityWarning ? 1.0 : 0.0; },
         [](auto& o, double v, bool) { o.inletCapacityWarning = v != 0; }},
    };
    return keys;
}

/// Reads one KEY=VALUE into the options; throws InputError with the reason when refused.
void apply(HydraulicsOptions& o, const std::string& key, const std::string& text, bool metric) {
    for (const auto& k : optionKeys()) {
        if (!equalsIgnoreCase(key, k.key)) continue;
        if (k.kind == OptionKey::Kind::Switch) {
            const std::string t = toLower(trim(text));
            if (t == "on" || t == "yes" || t == "true" || t == "1") return k.put(o, 1, metric);
            if (t == "off" || t == "no" || t == "false" || t == "0") return k.put(o, 0, metric);
            throw InputError(std::string(k.caption) + " is on or off, not '" + text + "'.");
        }
        input::NumberRule rule;
        rule.integer = k.kind == OptionKey::Kind::Whole;
        const input::NumberCheck c = input::checkNumber(text, k.caption, rule);
        if (!c.ok()) throw InputError(c.error);
        return k.put(o, *c.value, metric);
    }
    std::string list;
    for (const auto& k : optionKeys()) list += (list.empty() ? "" : ", ") + std::string(k.key);
    throw CLI::ValidationError("--set", "'" + key + "' is not an option; options: " + list);
}

std::string valueText(const OptionKey& k, const HydraulicsOptions& o, bool metric) {
    const double v = k.get(o, metric);
    if (k.kind == OptionKey::Kind::Switch) return v != 0 ? "on" : "off";
    return shortestText(v);
}

RegisterCommand optionsCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("options", "Show or change the stored computation options of the project "
                                              "(used by storm-tabs when no switch overrides them)");
    static std::string path;
    static std::vector<std::string> assignments;
    static Format format = Format::Text;
    sub->add_option("PROJECT", path, "Project file")->required();
    sub->add_option("--set", assignments, "KEY=VALUE, e.g. max-passes=100 or junction-losses=on (several allowed)")
        ->expected(1, -1);
    addFormatOption(sub, format);
    sub->callback([&ctx] {
        auto project = openForCommand(path, ctx, assignments.empty() ? Access::Read : Access::Write);
        const bool metric = project->metric;  // velocities are typed and shown in the project's units
        HydraulicsOptions o = hydraulics::loadHydraulicsOptions(*project->db, metric);
        if (!assignments.empty()) {
            for (const auto& a : assignments) {
                const auto [key, value] = splitAssignment(a, "--set");
                apply(o, key, value, metric);
            }
            // the limits of a run: a stored option that no run could start with is refused
            const hydraulics::OptionsCheck check = hydraulics::validateComputeOptions(o, metric, ctx.ui);
            if (!check.valid) {
                ctx.exitCode = kExitRefused;
                return;
            }
            if (o.junctionMethod != hydraulics::kJunctionMethodDownstream &&
                o.junctionMethod != hydraulics::kJunctionMethodUpstream)
                throw InputError("The junction loss method is 1 or 2.");
            hydraulics::saveHydraulicsOptions(*project->db, o, metric);
        }
        Output out;
        out.command = "options";
        out.describe(*project, false);
        out.columns = {"key", "value", "unit", "caption"};
        for (const auto& k : optionKeys()) {
            const double shown = k.get(o, metric);
            const Json value = k.kind == OptionKey::Kind::Switch ? Json(shown != 0) : Json(shown);
            out.addRow({k.key, value, k.unit(o, metric), k.caption});
            if (format == Format::Text)
                std::cout << padRight(k.key, 24) << padRight(valueText(k, o, metric), 10)
                          << padRight(k.unit(o, metric), 6) << k.caption << "\n";
        }
        printOutput(out, format, ctx.exitCode);
    });
});

}  // namespace
}  // namespace kolv::cli
