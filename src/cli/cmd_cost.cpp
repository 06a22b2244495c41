// The cost command: prices a system and prints the cost list.
#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/command.h"
#include "cli/output.h"
#include "common/text.h"
#include "db/record_set.h"
#include "cli/project_access.h"
#include "cost/system_cost.h"

namespace kolv::cli {
namespace {

RegisterCommand costCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("cost", "Compute the system cost (structures by depth, pipes by length)");
    static std::string path, system;
    static bool detail = false;
    static Format format = Format::Text;
    sub->add_option("PROJECT", path, "Project file")->required();
    sub->add_option("--system", system, "Storm sewer system (default: the current one)");
    sub->add_flag("--detail", detail, "List the heading and one line per node");
    addFormatOption(sub, format);
    sub->callback([&ctx] {
        auto project = openWithSystem(path, system, ctx);
        auto result = cost::computeSystemCost(*project->db, project->currentSystem, {detail}, ctx.ui);
        if (result.stopped) {
            ctx.exitCode = kExitRefused;
            return;
        }
        if (format != Format::Text) {
            // the quantities the run left in the structure and pipe definitions
            Output out;
            out.command = "cost";
            out.describe(*project);
            out.columns = {"kind", "name", "quantity", "cost"};
            for (const auto& [table, kind] : {std::pair{"T6", "structure"}, std::pair{"T7", "pipe"}}) {
                db::RecordSet rs(*project->db, table, "ENG_MET = ?", {project->engMet()});
                for (rs.moveFirst(); !rs.eof(); rs.moveNext())
                    if (rs.number("COST_QTY") != 0)
                        out.addRow({kind, trim(rs.text("NAME")), rs.number("COST_QTY"), rs.number("COST_DOLLARS")});
            }
            out.summary["structures_total"] = result.structuresTotal;
            out.summary["pipes_total"] = result.pipesTotal;
            out.summary["grand_total"] = result.grandTotal();
            printOutput(out, format, ctx.exitCode);
            return;
        }
        std::cout << cost::costReportTitle(project->currentSystem) << "\n";
        for (const auto& line : result.lines) std::cout << line << "\n";
    });
});

}  // namespace
}  // namespace kolv::cli
