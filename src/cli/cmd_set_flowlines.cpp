// The set-flowlines command: sets the pipe flow lines of a system and prints the listing.
#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/command.h"
#include "cli/number_option.h"
#include "cli/output.h"
#include "cli/record_edits.h"
#include "common/text.h"
#include "scripting/project_editor.h"
#include "cli/project_access.h"
#include "flowline/flow_lines.h"

namespace kolv::cli {
namespace {

RegisterCommand flowlinesCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("set-flowlines", "Step 3: set flow lines (pipe invert elevations)");
    static std::string path, system, match = "flow";
    static double minSlope = 0.0, velocity = 0.0, largeFrom = 0.0;
    static int decimals = 6;
    static bool verify = false;
    static Format format = Format::Text;
    sub->add_option("PROJECT", path, "Project file")->required();
    sub->add_option("--system", system, "Storm sewer system (default: the current one)");
    sub->add_option("--min-slope", minSlope, "Minimum pipe slope (%)")
        ->required()
        ->check(strictNumber("Minimum slope", notNegative()));
    auto* vary = sub->add_option("--vary-by-velocity", velocity,
                                 "Slope varies by pipe size: the slope at which the pipe runs full at this "
                                 "minimum velocity (ft/s or m/s)")
                     ->check(strictNumber("Minimum velocity", positive()));
    sub->add_option("--match", match, "Match flow lines or crown lines at structures")
        ->check(CLI::IsMember({"flow", "crown"}));
    auto* large = sub->add_option("--large-from", largeFrom,
                                  "Match only pipes of at least this size (in or mm); without it every pipe is matched")
                      ->check(strictNumber("Pipe size", notNegative()));
    sub->add_option("--decimals", decimals, "Round flow line elevations to this many decimal places")
        ->check(CLI::Range(0, 6));
    sub->add_flag("--verify", verify, "Verify the network first");
    addFormatOption(sub, format);
    sub->callback([&ctx, vary, large] {
        auto project = openWithSystem(path, system, ctx);
        flowline::FlowLineOptions o = flowline::FlowLineOptions::defaults(project->metric);
        o.minSlopePercent = minSlope;
        o.varyByVelocity = vary->count() > 0;
        if (o.varyByVelocity) o.minVelocityFps = flowline::velocityFps(velocity, project->metric);
        o.match = match == "crown" ? flowline::MatchMode::CrownLines : flowline::MatchMode::FlowLines;
        o.exceptSmallPipes = large->count() > 0;
        if (o.exceptSmallPipes) o.sizeLimit = largeFrom;
        o.decimals = decimals;
        o.verifyFirst = verify;
        auto r = flowline::setFlowLines(*project, project->currentSystem, o, ctx.ui);
        if (!r.ran) ctx.exitCode = kExitRefused;
        if (format != Format::Text) {
            // the inverts as they now stand, reach by reach in flow order
            Output out;
            out.command = "set-flowlines";
            out.describe(*project);
            out.messages = r.ditchLines;
            out.messages.insert(out.messages.end(), r.verificationLines.begin(), r.verificationLines.end());
            const std::string unit = project->metric ? "_m" : "_ft";
            out.columns = {"from", "to", "pipe", "invert_from" + unit, "invert_to" + unit, "slope_percent"};
            scripting::ProjectEditor editor(*project->db, project->metric);
            for (const auto& reach : editor.reaches(project->currentSystem)) {
                const double lengthFt = reach["LENGTH"].toDouble(), up = reach["ELEV1"].toDouble(),
                             down = reach["ELEV2"].toDouble();
                // S (%) = (ELEV1 - ELEV2) / LENGTH x 100
                out.addRow({reach.name, trim(reach["NODE2"].toText()), trim(reach["PIPE_NAME"].toText()), up, down,
                            lengthFt > 0 ? Json((up - down) / lengthFt * 100.0) : Json()});
            }
            out.summary["ran"] = r.ran;
            printOutput(out, format, ctx.exitCode);
            return;
        }
        for (const auto& l : r.ditchLines) std::cout << l << "\n";
        for (const auto& l : r.verificationLines) std::cout << l << "\n";
        for (const auto& l : r.lines) std::cout << l << "\n";
    });
});

}  // namespace
}  // namespace kolv::cli
