// Every design command does work in proportion to the size of the system: run at 2,000 and 8,000
// reaches of a generated system, no work count (statements, steps, rows, engine steps, index
// builds, rows indexed and compared) may grow more than 4.5 times. Counts, never times: the check
// gives the same answer on any machine and under any load.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "cost/system_cost.h"
#include "db/project.h"
#include "db/record_set.h"
#include "editing/edit_panel.h"
#include "editing/node_list.h"
#include "flowline/flow_lines.h"
#include "hydraulics/run_command.h"
#include "network/verification.h"
#include "session/session.h"
#include "sizing/pipe_sizing.h"
#include "support/random_system.h"
#include "support/test_support.h"
#include "ui/ui_port.h"

namespace kolv::test {
namespace {

constexpr std::size_t kSmall = 2000;
constexpr std::size_t kLarge = 8000;     // 4 times kSmall
constexpr double kLinearLimit = 4.5;     // allowed growth of any count for 4 times the reaches

const char* const kSystem = "RANDOM";

using Command = std::function<void(db::Project&, ui::UiPort&)>;

/// The work of one command on a fresh project holding a generated system of `reaches` reaches
/// (and a second system of the same size, which the command must leave alone).
db::WorkCounters workOf(std::size_t reaches, const Command& command) {
    TempDir dir;
    ui::SilentUi silent;
    auto project = db::openProject(makeEmptyProject(dir), silent);
    RandomSystemOptions shape;
    shape.system = kSystem;
    shape.reaches = reaches;
    addRandomSystem(*project->db, shape);
    shape.system = "OTHER";
    shape.prefix = "X";
    addRandomSystem(*project->db, shape);
    const db::WorkCounters before = project->db->counters();
    command(*project, silent);
    return project->db->counters().since(before);
}

/// Each count at the large size against the small one, by name.
void expectLinear(const db::WorkCounters& small, const db::WorkCounters& large) {
    const struct {
        const char* name;
        std::uint64_t db::WorkCounters::*count;
    } counts[] = {{"statements prepared", &db::WorkCounters::statementsPrepared},
                  {"steps", &db::WorkCounters::steps},
                  {"rows read", &db::WorkCounters::rowsRead},
                  {"engine steps", &db::WorkCounters::engineSteps},
                  {"index builds", &db::WorkCounters::indexBuilds},
                  {"rows indexed", &db::WorkCounters::rowsIndexed},
                  {"rows compared", &db::WorkCounters::rowsCompared}};
    for (const auto& c : counts) {
        const double a = static_cast<double>(small.*c.count), b = static_cast<double>(large.*c.count);
        EXPECT_LE(b, kLinearLimit * std::max(a, 1.0))
            << c.name << ": " << a << " at " << kSmall << " reaches, " << b << " at " << kLarge;
    }
}

void expectLinear(const Command& command) {
    const auto small = workOf(kSmall, command);
    const auto large = workOf(kLarge, command);
    EXPECT_GT(large.steps, 0u);
    expectLinear(small, large);
}

TEST(CommandScaling, VerifyIsLinear) {
    expectLinear([](db::Project& p, ui::UiPort& ui) {
        const auto r = network::verifySystem(*p.db, kSystem, ui);
        EXPECT_TRUE(r.ok);
    });
}

TEST(CommandScaling, PipeSizingIsLinear) {
    expectLinear([](db::Project& p, ui::UiPort& ui) {
        auto o = sizing::SizingOptions::defaults();
        o.group = kRandomPipeGroup;
        o.maxVelocityFps = 12.0;
        EXPECT_EQ(sizing::computePipeSizes(p, ui, kSystem, o).status, 0);
    });
}

TEST(CommandScaling, FlowLinesAreLinear) {
    expectLinear([](db::Project& p, ui::UiPort& ui) {
        auto o = flowline::FlowLineOptions::defaults(false);
        o.minSlopePercent = 0.3;
        EXPECT_TRUE(flowline::setFlowLines(p, kSystem, o, ui).ran);
    });
}

TEST(CommandScaling, StormTabsAreLinear) {
    expectLinear([](db::Project& p, ui::UiPort& ui) {
        Session session;
        session.suppressMaxPassesWarning = true;
        const auto out = hydraulics::computeHydraulics(p, session, ui, hydraulics::loadHydraulicsOptions(*p.db, p.metric), kSystem);
        EXPECT_TRUE(out.started);
        EXPECT_EQ(out.run.status, 0);
    });
}

TEST(CommandScaling, CostIsLinear) {
    expectLinear([](db::Project& p, ui::UiPort& ui) {
        cost::CostOptions o;
        o.detail = true;
        EXPECT_GT(cost::computeSystemCost(*p.db, kSystem, o, ui).grandTotal(), 0.0);
    });
}

TEST(CommandScaling, OpeningAndChoosingASystemIsLinear) {
    expectLinear([](db::Project& p, ui::UiPort& ui) {
        auto again = db::openProject(p.path, ui);
        db::setCurrentSystem(*again, kSystem);
        // What the main window reads for a system: the node list, the panel on the first node,
        // then a few nodes chosen in the list, each line listed again after its choice.
        const auto rows = editing::nodeListRows(*p.db, kSystem);
        EXPECT_GT(rows.size(), kSmall);
        Session session;
        editing::EditPanel panel(*p.db, session, kSystem);
        panel.showSystemStart();
        for (const std::string name : {"R7", "R70", "R700"}) {
            EXPECT_TRUE(panel.selectNode(name)) << name;
            EXPECT_TRUE(editing::nodeListRow(*p.db, kSystem, name).has_value()) << name;
        }
    });
}

/// The check itself: a loop that reads its record set again after every write is quadratic, and
/// the counts must show it.
TEST(CommandScaling, AQuadraticLoopIsCaught) {
    auto loop = [](db::Project& p, ui::UiPort&) {
        db::RecordSet nodes(*p.db, "NODE", "SYSTEM = ?", {kSystem});
        db::Transaction tx(*p.db);
        for (std::size_t k = 1; k <= nodes.recordCount(); ++k) {
            ASSERT_TRUE(nodes.findFirst("NAME = ?", {"R" + std::to_string(k)}));
            nodes.edit();
            nodes.set("TC", 12.0);
            nodes.update();
            if (k % 16 == 0) nodes.requery();
        }
        tx.commit();
    };
    const auto small = workOf(kSmall / 8, loop);
    const auto large = workOf(kLarge / 8, loop);
    EXPECT_GT(static_cast<double>(large.rowsIndexed), kLinearLimit * static_cast<double>(small.rowsIndexed));
    EXPECT_GT(static_cast<double>(large.rowsRead), kLinearLimit * static_cast<double>(small.rowsRead));
}

}  // namespace
}  // namespace kolv::test
