// The sample project's design steps (pipe sizes, flow lines, cost) against a golden copy
// (tests/data/sample_design_steps.txt).
//
// The golden copy is a regression record, not an outside authority: it was written by the code as it
// stood before the record-set layer learned to keep its indexes across edits, and reviewed then
// (pipes grow from 15 to 36 in toward each outfall, inverts fall downstream at no less than the
// minimum slope and match at each structure, the cost totals add up from the subtotals). It catches
// any change in what these steps compute or write. After an intended change, rewrite it with
// KOLV_UPDATE_GOLDEN=1 and review the difference before checking it in.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fmt/format.h>
#include <fstream>

#include "common/text.h"
#include "cost/system_cost.h"
#include "db/project.h"
#include "flowline/flow_lines.h"
#include "sizing/pipe_sizing.h"
#include "support/test_support.h"
#include "ui/recording_ui.h"

namespace kolv::test {
namespace {

const std::string kGolden = std::string(KOLV_TEST_DATA_DIR) + "/sample_design_steps.txt";

/// Rows of a query, fields joined by commas, numbers to six decimals.
void appendRows(db::Database& db, const std::string& title, const std::string& sql, std::vector<std::string>& out) {
    out.push_back("## " + title);
    auto st = db.prepare(sql);
    while (st.step()) {
        std::string line;
        for (int i = 0; i < st.columnCount(); ++i) {
            const db::Value v = st.column(i);
            line += (i ? "," : "") + (v.isNumber() ? fmt::format("{:.6f}", v.toDouble()) : v.toText());
        }
        out.push_back(line);
    }
}

/// Everything the three steps list and write for both sample systems.
std::vector<std::string> runDesignSteps() {
    TempDir dir;
    ui::SilentUi silent;
    auto project = db::openProject(makeSample(dir), silent);
    db::Database& db = *project->db;
    std::vector<std::string> out;
    ui::RecordingUi ui;
    for (const std::string system : {"MAINST", "OAKAVE"}) {
        auto sizing = sizing::SizingOptions::defaults();
        sizing.group = 1;  // round concrete
        sizing.maxVelocityFps = 8.0;
        const auto sized = sizing::computePipeSizes(*project, ui, system, sizing);
        EXPECT_EQ(sized.status, 0) << system;
        out.push_back("# size pipes " + system);
        out.insert(out.end(), sized.lines.begin(), sized.lines.end());

        auto lines = flowline::FlowLineOptions::defaults(false);
        lines.minSlopePercent = 0.3;
        lines.decimals = 2;
        const auto set = flowline::setFlowLines(*project, system, lines, ui);
        EXPECT_TRUE(set.ran) << system;
        out.push_back("# flow lines " + system);
        out.insert(out.end(), set.ditchLines.begin(), set.ditchLines.end());
        out.insert(out.end(), set.lines.begin(), set.lines.end());

        cost::CostOptions costOptions;
        costOptions.detail = true;
        const auto priced = cost::computeSystemCost(db, system, costOptions, ui);
        out.push_back("# cost " + system);
        out.insert(out.end(), priced.lines.begin(), priced.lines.end());
    }
    for (const auto& m : ui.messages) out.push_back("# message " + m.title + ": " + m.text);
    appendRows(db, "reaches", "SELECT SYSTEM, NAME, PIPE_NAME, ELEV1, ELEV2 FROM REACH ORDER BY SYSTEM, rowid", out);
    appendRows(db, "nodes",
               "SELECT SYSTEM, NAME, P_C1DS, P_C2DS, P_C3DS, P_TOTALCA, P_INTENSITY, P_Q, P_N, P_VELOCITY, "
               "P_HGL_SLOPE, P_HGL_DN, P_HGL_UP, P_TF FROM NODE ORDER BY SYSTEM, rowid",
               out);
    appendRows(db, "pipe sizing T60",
               "SELECT SYSTEM, \"FROM\", \"TO\", TC, TF, INTENSITY, Q, HGL_UP, HGL_DN, CLEARENCE, WIDTH, HEIGHT, "
               "VELOCITY, N FROM T60 ORDER BY SYSTEM, rowid",
               out);
    appendRows(db, "pipe cost", "SELECT NAME, COST_QTY, COST_DOLLARS FROM T7 ORDER BY rowid", out);
    appendRows(db, "structure cost", "SELECT NAME, COST_QTY, COST_DOLLARS FROM T6 ORDER BY rowid", out);
    return out;
}

/// Two lines agree when equal, or when they split into the same fields at commas and every field
/// that differs is a number within 1e-9 relative (the rows are printed to six decimals).
bool sameLine(const std::string& a, const std::string& b) {
    if (a == b) return true;
    const auto fa = split(a, ','), fb = split(b, ',');
    if (fa.size() != fb.size() || fa.size() < 2) return false;
    for (std::size_t i = 0; i < fa.size(); ++i) {
        if (fa[i] == fb[i]) continue;
        if (!isNumeric(fa[i]) || !isNumeric(fb[i])) return false;
        const double x = std::stod(fa[i]), y = std::stod(fb[i]);
        if (std::fabs(x - y) > std::max(1e-9 * std::fabs(y), 2e-6)) return false;
    }
    return true;
}

TEST(SampleDesignSteps, SizesFlowLinesAndCostMatchTheGolden) {
    const auto lines = runDesignSteps();
    ASSERT_GT(lines.size(), 100u);

    if (std::getenv("KOLV_UPDATE_GOLDEN")) {
        std::ofstream out(kGolden);
        for (const auto& l : lines) out << l << "\n";
        GTEST_SKIP() << "golden rewritten: " << kGolden;
    }
    std::ifstream in(kGolden);
    ASSERT_TRUE(in) << kGolden;
    std::vector<std::string> golden;
    for (std::string l; std::getline(in, l);) golden.push_back(l);
    for (std::size_t i = 0; i < std::min(lines.size(), golden.size()); ++i)
        EXPECT_TRUE(sameLine(lines[i], golden[i])) << "line " << i + 1 << "\n  now:    " << lines[i]
                                                   << "\n  golden: " << golden[i];
    EXPECT_EQ(lines.size(), golden.size());
}

}  // namespace
}  // namespace kolv::test
