// Every computation that writes refuses data it cannot use before computing, stops on a result
// that is not a number before writing, and reads its inputs inside its own write transaction.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <sqlite3.h>

#include "core/hydraulics/run_fixture.h"
#include "cost/system_cost.h"
#include "flowline/flow_lines.h"
#include "hydraulics/run_command.h"
#include "network/input_limits.h"
#include "network/verification.h"
#include "sizing/pipe_sizing.h"
#include "support/table_snapshot.h"

using namespace kolv;
using hydraulics::test::RunProject;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

/// Two reaches A -> B -> OUT of round 1.5 ft pipes (group 1) under structures with cover data,
/// a storm of 4 in/hr: a system every command computes cleanly.
struct CheckedProject : RunProject {
    CheckedProject() {
        db.execute("DELETE FROM T7");
        db.execute("DELETE FROM T6");
        add("T7", {{"NAME", "P18"}, {"GROUPP", 1}, {"ENG_MET", 0}, {"WIDTH", 1.5}, {"HEIGHT", 1.5},
                   {"AREA", 1.767146}, {"N", 0.013}, {"THICKNESS", 0.2}, {"COST", 40.0}});
        add("T6", {{"NAME", "CI"}, {"ENG_MET", 0}, {"TYPE_OF_STR_SHORT", "CI"}, {"HGL_CLEAR", 1.0},
                   {"MAX_INLET_HYD_CAPACITY", 99.0}, {"MIN_PIPE_COVER", 1.0}, {"COST_LT", 900.0},
                   {"COST_GT", 1500.0}});
        system("S", 90.0);
        node("S", "A", 2.0, 0.5, 110.0, {{"NODE_TYPE", 0}, {"STRUCT_NAME", "CI"}});
        node("S", "B", 1.0, 0.5, 105.0, {{"NODE_TYPE", 0}, {"STRUCT_NAME", "CI"}});
        reach("S", "A", "B", "P18", 100.0, 99.0, 200.0, {{"CALC_FROM_ELEV", -1}, {"CALC_TO_ELEV", -1},
                                                        {"CALC_PIPESIZE", -1}});
        reach("S", "B", "OUT", "P18", 98.8, 97.0, 300.0, {{"CALC_FROM_ELEV", -1}, {"CALC_TO_ELEV", -1},
                                                         {"CALC_PIPESIZE", -1}});
    }

    // The four computations that write, each returning whether it wrote; messages go to `to`,
    // or to the project's recording port.
    bool stormTabs(ui::UiPort* to = nullptr) {
        return hydraulics::runStormTabs(*project, session, to ? *to : ui, defaults(), "S").status == 0;
    }
    bool sizePipes(ui::UiPort* to = nullptr) {
        sizing::SizingOptions o = sizing::SizingOptions::defaults();
        o.group = 1;
        o.maxVelocityFps = 10.0;
        return sizing::computePipeSizes(*project, to ? *to : ui, "S", o).status == 0;
    }
    bool flowLines(ui::UiPort* to = nullptr) {
        flowline::FlowLineOptions o = flowline::FlowLineOptions::defaults(false);
        o.minSlopePercent = 0.5;
        return flowline::setFlowLines(*project, "S", o, to ? *to : ui).ran;
    }
    bool cost(ui::UiPort* to = nullptr) { return !cost::computeSystemCost(db, "S", {}, to ? *to : ui).stopped; }

    std::string lastMessage() const { return ui.messages.empty() ? std::string() : ui.messages.back().text; }
};

using Command = std::pair<const char*, std::function<bool(CheckedProject&, ui::UiPort*)>>;
const std::vector<Command> kWriters = {
    {"storm-tabs", [](CheckedProject& p, ui::UiPort* to) { return p.stormTabs(to); }},
    {"size-pipes", [](CheckedProject& p, ui::UiPort* to) { return p.sizePipes(to); }},
    {"set-flowlines", [](CheckedProject& p, ui::UiPort* to) { return p.flowLines(to); }},
    {"cost", [](CheckedProject& p, ui::UiPort* to) { return p.cost(to); }},
};

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(DataChecks, ImpossibleInputStopsEveryCommandBeforeAnythingIsWritten) {
    struct Case {
        const char* sql;
        const char* expected;  // names the record and the field
        const char* refusedBy;  // S storm tabs, P pipe sizing, F flow lines, C cost: the commands that read it
    };
    const Case cases[] = {
        {"UPDATE T7 SET N = 0", "Pipe 'P18', N = 0: must be greater than 0 and less than 1", "SP"},
        {"UPDATE T7 SET N = -1", "Pipe 'P18', N = -1", "SP"},
        {"UPDATE T7 SET N = 1.2", "Pipe 'P18', N = 1.2", "SP"},
        {"UPDATE T7 SET HEIGHT = 60, WIDTH = 60", "Pipe 'P18', HEIGHT = 60: beyond 50 ft", "SPF"},
        {"UPDATE T7 SET HEIGHT = 1e38", "Pipe 'P18', HEIGHT = 1e+38", "SPF"},
        {"UPDATE T7 SET AREA = -2", "Pipe 'P18', AREA = -2: must be 0 or more", "SP"},
        {"UPDATE REACH SET LENGTH = -328.8 WHERE NODE1 = 'B'", "Reach 'B', LENGTH = -328.8: must be ", "SPFC"},
        {"UPDATE REACH SET LENGTH = 0 WHERE NODE1 = 'A'", "Reach 'A', LENGTH = 0: must be greater than 0", "SPF"},
        {"UPDATE REACH SET LENGTH = 250000 WHERE NODE1 = 'A'", "Reach 'A', LENGTH = 250000: beyond 100000 ft", "SPFC"},
        {"UPDATE REACH SET ELEV1 = 1e147 WHERE NODE1 = 'A'", "Reach 'A', ELEV1 = 1e+147: beyond 30000 ft", "SPFC"},
        {"UPDATE NODE SET INLET_ELEV = -40000 WHERE NAME = 'B'", "Node 'B', INLET_ELEV = -40000", "SPFC"},
        {"UPDATE NODE SET P_C1DA = -2 WHERE NAME = 'A'", "Node 'A', P_C1DA = -2: must be between 0 and 1,000,000 acres", "SP"},
        {"UPDATE NODE SET RUNOFF_C1 = 1.5 WHERE NAME = 'B'", "Node 'B', RUNOFF_C1 = 1.5: must be between 0 and 1", "SP"},
        {"UPDATE NODE SET P_C1DA = 1e150 WHERE NAME = 'B'", "Node 'B', P_C1DA = 1e+150", "SP"},
    };
    for (const auto& c : cases) {
        for (const auto& [name, command] : kWriters) {
            const char letter = std::string(name) == "storm-tabs"   ? 'S'
                                : std::string(name) == "size-pipes" ? 'P'
                                : std::string(name) == "cost"       ? 'C'
                                                                    : 'F';
            if (!std::strchr(c.refusedBy, letter)) continue;
            CheckedProject p;
            p.db.execute(c.sql);
            const std::string before = test::snapshotTables(p.db);
            const bool wrote = command(p, nullptr);
            EXPECT_FALSE(wrote) << name << " took " << c.sql;
            ASSERT_FALSE(p.ui.messages.empty()) << name << " " << c.sql;
            const auto& m = p.ui.messages.back();
            EXPECT_EQ(m.title, "INVALID DATA");
            EXPECT_TRUE(has(m.text, c.expected)) << name << ": " << m.text;
            EXPECT_TRUE(has(m.text, "Nothing was computed or written.")) << m.text;
            EXPECT_LT(m.text.size(), 600u) << "a damaged value is shown short: " << m.text;
            EXPECT_TRUE(test::snapshotTables(p.db) == before) << name << " wrote after " << c.sql;
        }
    }
}

TEST(DataChecks, DamagedNumbersBadCountsAndOverlongNamesStopEveryCommandAndVerifyListsThem) {
    // A hand-edited or damaged file: text, bytes or a count no reach has where a number belongs,
    // and names longer than their field. Each is named by record and field, never read as 0 or
    // by its leading digits.
    struct Case {
        const char* sql;
        const char* expected;
    };
    const Case cases[] = {
        {"UPDATE NODE SET INLET_ELEV = '12,5' WHERE NAME = 'A'", "Node 'A', INLET_ELEV = '12,5': not a number"},
        {"UPDATE NODE SET P_C1DA = 'lots' WHERE NAME = 'B'", "Node 'B', P_C1DA = 'lots': not a number"},
        {"UPDATE NODE SET TC = 'nan' WHERE NAME = 'B'", "Node 'B', TC = 'nan': not a number"},
        {"UPDATE NODE SET JUNC_LOSS_COEFF = x'00' WHERE NAME = 'A'", "Node 'A', JUNC_LOSS_COEFF holds binary data"},
        {"UPDATE REACH SET ELEV1 = 'abc' WHERE NODE1 = 'A'", "Reach 'A', ELEV1 = 'abc': not a number"},
        {"UPDATE REACH SET LENGTH = 'abc' WHERE NODE1 = 'B'", "Reach 'B', LENGTH = 'abc': not a number"},
        {"UPDATE REACH SET BARRELS = 'two' WHERE NODE1 = 'A'", "Reach 'A', BARRELS = 'two': not a number"},
        {"UPDATE REACH SET BARRELS = 0 WHERE NODE1 = 'A'", "Reach 'A', BARRELS = 0: must be a whole number from 1"},
        {"UPDATE REACH SET BARRELS = -2 WHERE NODE1 = 'A'", "Reach 'A', BARRELS = -2: must be a whole number"},
        {"UPDATE REACH SET BARRELS = 1e300 WHERE NODE1 = 'B'", "Reach 'B', BARRELS = 1e+300: must be a whole"},
        {"UPDATE REACH SET BARRELS = 1.5 WHERE NODE1 = 'B'", "Reach 'B', BARRELS = 1.5: must be a whole"},
        {"UPDATE T7 SET HEIGHT = '28,76'", "Pipe 'P18', HEIGHT = '28,76': not a number"},
        {"UPDATE T6 SET HGL_CLEAR = 'x'", "Structure 'CI', HGL_CLEAR = 'x': not a number"},
        {"UPDATE T16 SET OUT_TW = '9O'", "System 'S', OUT_TW = '9O': not a number"},
        {"UPDATE NODE SET NAME = 'NNNNNNNNNNNN' WHERE NAME = 'A'",
         "Node 'NNNNNNNNNNNN', NAME holds 12 characters ('NNNNNNNNNNNN'): at most 8"},
        {"UPDATE REACH SET NODE1 = 'Ω测试éΩ测试éΩ' WHERE NODE1 = 'B'", "NODE1 holds 9 characters"},
    };
    for (const auto& c : cases) {
        for (const auto& [name, command] : kWriters) {
            CheckedProject p;
            p.db.execute(c.sql);
            const std::string before = test::snapshotTables(p.db);
            EXPECT_FALSE(command(p, nullptr)) << name << " took " << c.sql;
            EXPECT_TRUE(has(p.lastMessage(), c.expected)) << name << ": " << p.lastMessage();
            EXPECT_TRUE(test::snapshotTables(p.db) == before) << name << " wrote after " << c.sql;
        }
        CheckedProject p;
        p.db.execute(c.sql);
        const auto r = network::verifySystem(p.db, "S", p.ui);
        std::string all;
        for (const auto& line : r.lines) all += line + "\n";
        EXPECT_TRUE(has(all, c.expected)) << c.sql << "\n" << all;
    }
    // Field lengths count characters: eight accented letters fit an eight-character name.
    CheckedProject p;
    p.db.execute("UPDATE NODE SET NAME = 'ÄÖÜßäöü1' WHERE NAME = 'A'");
    p.db.execute("UPDATE REACH SET NODE1 = 'ÄÖÜßäöü1', NAME = 'ÄÖÜßäöü1' WHERE NODE1 = 'A'");
    EXPECT_TRUE(network::inputLimitFaults(p.db, "S", false).empty());
    EXPECT_TRUE(p.stormTabs()) << p.lastMessage();

    // Verification lists its own finding first, then the limits it does not already cover, each once.
    CheckedProject v;
    v.db.execute("UPDATE REACH SET LENGTH = -5 WHERE NODE1 = 'A'");
    v.db.execute("UPDATE T7 SET N = 0");
    const auto r = network::verifySystem(v.db, "S", v.ui);
    ASSERT_EQ(r.lines.size(), 3u);
    EXPECT_EQ(r.lines[0], "Reach 'A' has an invalid length (-5.00)");
    EXPECT_TRUE(has(r.lines[1], "Pipe 'P18', N = 0")) << r.lines[1];
}

TEST(DataChecks, RainfallThatGivesNoIntensityHasItsOwnMessage) {
    struct Case {
        const char* sql;
        const char* expected;
    };
    const Case cases[] = {
        // negative IDF coefficients: a negative intensity and flow
        {"UPDATE T16 SET INTENSITY_METHOD = 0, ZONE = '99', FREQ = 3", "gives a rainfall intensity of -"},
        {"UPDATE T16 SET LOCATION = 'NONE'", "which has no rows"},
        {"UPDATE T16 SET INTENSITY_METHOD = 7", "INTENSITY_METHOD = 7: not a rainfall method"},
        {"UPDATE T85 SET INTENSITY = 0", "INTENSITY at 15 minutes = 0: intensities must be greater than 0"},
    };
    for (const auto& c : cases) {
        for (const char* command : {"storm-tabs", "size-pipes"}) {
            CheckedProject p;
            p.add("T2", {{"Zone", "99"}, {"Freq", 3.0}, {"A", -1.0}, {"B", -0.5}, {"C", -0.1}, {"D", -0.01}});
            p.db.execute(c.sql);
            const std::string before = test::snapshotTables(p.db);
            const bool wrote = std::string(command) == "storm-tabs" ? p.stormTabs() : p.sizePipes();
            EXPECT_FALSE(wrote) << command << " " << c.sql;
            EXPECT_TRUE(has(p.lastMessage(), c.expected)) << command << ": " << p.lastMessage();
            EXPECT_FALSE(has(p.lastMessage(), "zero flow"));
            EXPECT_TRUE(test::snapshotTables(p.db) == before) << command << " wrote after " << c.sql;
        }
    }
}

TEST(DataChecks, AResultThatIsNotANumberStopsEachComputationBeforeItWrites) {
    struct Case {
        const char* command;
        const char* sql;  // an infinite value in a field no limit covers
        const char* expected;
    };
    const Case cases[] = {
        {"storm-tabs", "UPDATE NODE SET BASE_FLOW = ? WHERE NAME = 'A'", "of node A: the "},
        {"size-pipes", "UPDATE NODE SET BASE_FLOW = ? WHERE NAME = 'A'", "of node A: the design flow (Q) came out as infinite"},
        {"set-flowlines", "UPDATE T6 SET MIN_PIPE_COVER = ?", "flow line (ELEV1) came out as infinite"},
        {"cost", "UPDATE T7 SET COST = ?", "Pipe 'P18': the total cost came out as infinite"},
    };
    for (const auto& c : cases) {
        CheckedProject p;
        // Results of an earlier run stay as they were.
        ASSERT_TRUE(p.stormTabs());
        ASSERT_TRUE(p.cost());
        p.db.execute(c.sql, {db::Value(kInf)});
        const std::string before = test::snapshotTables(p.db);
        const auto it = std::find_if(kWriters.begin(), kWriters.end(),
                                     [&](const Command& w) { return std::string(w.first) == c.command; });
        EXPECT_FALSE(it->second(p, nullptr)) << c.command;
        EXPECT_EQ(p.ui.messages.back().title, "INVALID DATA");
        EXPECT_TRUE(has(p.lastMessage(), c.expected)) << c.command << ": " << p.lastMessage();
        EXPECT_TRUE(has(p.lastMessage(), "wrote nothing")) << p.lastMessage();
        EXPECT_TRUE(test::snapshotTables(p.db) == before) << c.command << " wrote";
    }
}

TEST(DataChecks, EveryWriterReadsItsInputsInsideItsWriteTransaction) {
    // Another program tries to change the pipes while the command loads its system: the write
    // lock is already held, so the change must wait until the results are written. The clean
    // system passes the limits and runs through every command.
    EXPECT_TRUE(network::inputLimitFaults(CheckedProject().db, "S", false).empty());
    for (const auto& [name, command] : kWriters) {
        CheckedProject p;
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(p.path.c_str(), &other), SQLITE_OK);
        int attempts = 0, refused = 0;
        struct ProbeUi : ui::RecordingUi {
            std::function<void()> onStatus;
            void status(const std::string& t) override {
                RecordingUi::status(t);
                if (onStatus) onStatus();
            }
        };
        ProbeUi probe;
        probe.onStatus = [&] {
            ++attempts;
            if (sqlite3_exec(other, "UPDATE T7 SET COST = COST + 1", nullptr, nullptr, nullptr) == SQLITE_BUSY)
                ++refused;
        };
        EXPECT_TRUE(command(p, &probe)) << name;
        // Every status shown while it read and computed found the file locked for writing,
        // except the one that clears the status line once the work is done.
        EXPECT_GT(attempts, 0) << name;
        EXPECT_GE(refused, attempts - 1) << name << ": " << refused << " of " << attempts;
        EXPECT_GT(refused, 0) << name;
        sqlite3_close(other);
    }
}
