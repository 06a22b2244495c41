// kolv-cli verify: lists the node and reach findings of a system; fails when there are any.
#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/command.h"
#include "cli/output.h"
#include "cli/project_access.h"
#include "network/verification.h"

namespace kolv::cli {
namespace {

RegisterCommand verifyCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("verify", "Verify the nodes and reaches of a system");
    static std::string path, system;
    static Format format = Format::Text;
    sub->add_option("PROJECT", path, "Project file")->required();
    sub->add_option("--system", system, "Storm sewer system (default: the current one)");
    addFormatOption(sub, format);
    sub->callback([&ctx] {
        auto project = openWithSystem(path, system, ctx, Access::Read);
        if (format != Format::Text) {
            network::VerificationResult r = network::verifySystem(*project->db, project->currentSystem, ctx.ui, {});
            if (!r.ok) ctx.exitCode = kExitFindings;
            Output out;
            out.command = "verify";
            out.describe(*project);
            out.columns = {"finding"};
            for (const auto& line : r.lines)
                if (line != network::kVerificationComplete) out.addRow({line});
            out.summary["faults"] = r.faults;
            out.summary["complete"] = r.complete;
            printOutput(out, format, ctx.exitCode);
            return;
        }
        std::cout << network::verificationTitle(project->currentSystem) << "\n";
        // Lines are printed as they are found, as the results window shows them.
        network::VerificationResult r = network::verifySystem(
            *project->db, project->currentSystem, ctx.ui, [](const std::string& line) { std::cout << line << "\n"; });
        if (r.complete) std::cout << network::faultCountLine(r.faults) << "\n";
        if (!r.ok) ctx.exitCode = kExitFindings;
    });
});

}  // namespace
}  // namespace kolv::cli
