// Random renumberings of random systems keep the network's shape and its storm tabulation.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "common/text.h"
#include "core/hydraulics/run_fixture.h"
#include "renumber/renumbering.h"

namespace kolv::renumber {
namespace {

using hydraulics::test::RunProject;

/// Every row of a table for a system, all columns but the named ones, in rowid order.
std::vector<std::string> rowsWithout(db::Database& db, const std::string& table, const std::string& system,
                                     const std::set<std::string>& skip) {
    std::vector<std::string> out;
    db::Statement st = db.prepare("SELECT * FROM " + db::quoteIdent(table) + " WHERE SYSTEM = ? ORDER BY rowid");
    st.bind(1, system);
    while (st.step()) {
        std::string s;
        for (int i = 0; i < st.columnCount(); ++i)
            if (!skip.count(st.columnName(i))) s += st.columnName(i) + "=" + st.column(i).toText() + ";";
        out.push_back(s);
    }
    return out;
}

/// One column of a system's rows in rowid order.
std::vector<std::string> column(db::Database& db, const std::string& table, const std::string& field,
                                const std::string& system) {
    std::vector<std::string> out;
    db::Statement st = db.prepare("SELECT " + db::quoteIdent(field) + " FROM " + db::quoteIdent(table) +
                                  " WHERE SYSTEM = ? ORDER BY rowid");
    st.bind(1, system);
    while (st.step()) out.push_back(st.column(0).toText());
    return out;
}

std::string dumpSystem(db::Database& db, const std::string& system) {
    std::string s;
    for (const char* t : {"NODE", "REACH", "T16", "T30", "T60"})
        for (const auto& r : rowsWithout(db, t, system, {})) s += r + "\n";
    return s;
}

/// Names drawn so that raised-code temporary names often meet real ones ("1" -> "B").
std::string randomName(std::mt19937& rng) {
    static const std::vector<std::string> stems = {"", "B", "S", "A", "R", "N-", "MH", "c"};
    std::uniform_int_distribution<std::size_t> stem(0, stems.size() - 1);
    std::uniform_int_distribution<int> num(0, 60);
    // a quarter of the names are the temporary names of numbered ones ("12" -> "BC")
    if (rng() % 4 == 0) return temporaryName(std::to_string(num(rng)));
    return stems[stem(rng)] + std::to_string(num(rng));
}

TEST(RenumberProperty, RandomMapsKeepShapeAndStormTabs) {
    std::mt19937 rng(20261206);
    RunProject p;  // one project, emptied for each trial (building one from the seed is slow)
    p.roundPipe("36RCP", 3.0);
    for (int trial = 0; trial < 40; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        db::Transaction building(p.db);  // one write to the file instead of one per row
        for (const char* t : {"NODE", "REACH", "T16", "T60"}) p.db.execute(std::string("DELETE FROM ") + t);
        p.system("S1", 99.0);
        // a second system that shares no names and must not change
        p.system("S2", 90.0, {{"OUT_NODE", "ZOUT"}});
        p.node("S2", "Z1", 1.0, 0.8, 110.0);
        p.reach("S2", "Z1", "ZOUT", "36RCP", 101.0, 100.0, 200.0);

        const int n = std::uniform_int_distribution<int>(3, 24)(rng);
        std::set<std::string> used{"OUT", "Z1", "ZOUT"};
        std::vector<std::string> names;
        while (static_cast<int>(names.size()) < n) {
            std::string nm = randomName(rng);
            if (used.insert(toUpper(nm)).second) names.push_back(nm);
        }
        std::vector<int> depth(n), children(n, 0);
        std::uniform_real_distribution<double> area(0.2, 2.0), c(0.5, 0.9), len(150, 350);
        for (int i = 0; i < n; ++i) {
            int parent = -1;
            if (i > 0) {
                do parent = std::uniform_int_distribution<int>(-1, i - 1)(rng);
                while (parent >= 0 && children[parent] >= 3);
            }
            depth[i] = parent < 0 ? 1 : depth[parent] + 1;
            if (parent >= 0) ++children[parent];
            const double up = 100.0 + 1.5 * depth[i];
            p.node("S1", names[i], area(rng), c(rng), up + 8.0);
            p.reach("S1", names[i], parent < 0 ? "OUT" : names[parent], "36RCP", up, up - 1.0, len(rng),
                    {{"NAME", "P" + names[i]}});
        }
        building.commit();
        hydraulics::RunOptions o = RunProject::defaults();
        o.junctionLoss = true;
        o.exitLoss = true;
        ASSERT_EQ(p.run("S2", o).status, 0);
        hydraulics::RunResult r1 = p.run("S1", o);
        ASSERT_EQ(r1.status, 0) << ::testing::PrintToString(p.ui.texts());

        const std::string s2Before = dumpSystem(p.db, "S2");
        const auto nodesBefore = rowsWithout(p.db, "NODE", "S1", {"NAME"});
        const auto reachesBefore = rowsWithout(p.db, "REACH", "S1", {"NAME", "NODE1", "NODE2"});
        const auto n1 = column(p.db, "REACH", "NODE1", "S1"), n2 = column(p.db, "REACH", "NODE2", "S1");
        const auto reachNames = column(p.db, "REACH", "NAME", "S1");

        // a random map: new names from the old ones and fresh ones, every final name distinct
        ui::RecordingUi ui;
        auto rows = loadRenumberList(p.db, "S1", ui);
        ASSERT_TRUE(ui.messages.empty());
        std::vector<std::string> pool;
        for (const auto& r : rows) pool.push_back(r.node);
        for (int k = 0; k < n; ++k) pool.push_back(randomName(rng));
        std::shuffle(pool.begin(), pool.end(), rng);
        std::set<std::string> given{"Z1", "ZOUT"};
        std::map<std::string, std::string> nodeMap, reachMap;
        std::size_t next = 0;
        for (auto& r : rows) {
            const bool keep = r.outfall && rng() % 2;
            while (!keep && !given.insert(toUpper(pool[next])).second) ++next;
            r.newNode = keep ? r.node : pool[next++];
            if (keep) given.insert(toUpper(r.node));
            nodeMap[r.node] = r.newNode;
            if (!r.reach.empty()) {
                r.newReach = rng() % 3 ? r.newNode : "Q" + r.newNode;
                reachMap[r.reach] = r.newReach;
            }
        }
        ui.answers = {ui::Answer::Yes};
        RenumberResult done = renumberFromGrid(p.db, "S1", rows, ui);
        ASSERT_TRUE(done.done) << ::testing::PrintToString(ui.texts());

        // the shape: same rows, same values, links and names carried through the map
        EXPECT_EQ(rowsWithout(p.db, "NODE", "S1", {"NAME"}), nodesBefore);
        EXPECT_EQ(rowsWithout(p.db, "REACH", "S1", {"NAME", "NODE1", "NODE2"}), reachesBefore);
        const auto m1 = column(p.db, "REACH", "NODE1", "S1"), m2 = column(p.db, "REACH", "NODE2", "S1");
        const auto mn = column(p.db, "REACH", "NAME", "S1");
        ASSERT_EQ(m1.size(), n1.size());
        for (std::size_t k = 0; k < n1.size(); ++k) {
            EXPECT_EQ(m1[k], nodeMap.at(n1[k]));
            EXPECT_EQ(m2[k], nodeMap.at(n2[k]));
            EXPECT_EQ(mn[k], reachMap.at(reachNames[k]));
        }
        EXPECT_EQ(dumpSystem(p.db, "S2"), s2Before);

        // the storm tabulation: the same records in the same places with the same numbers
        hydraulics::RunResult r2 = p.run("S1", o);
        ASSERT_EQ(r2.status, 0) << ::testing::PrintToString(p.ui.texts());
        ASSERT_EQ(r2.records.size(), r1.records.size());
        EXPECT_EQ(r2.passes, r1.passes);
        for (std::size_t k = 0; k < r1.records.size(); ++k) {
            const auto &a = r1.records[k], &b = r2.records[k];
            EXPECT_EQ(b.name, nodeMap.at(a.name));
            EXPECT_EQ(b.toName, nodeMap.at(a.toName));
            EXPECT_EQ(b.q, a.q) << a.name;
            EXPECT_EQ(b.hglUp, a.hglUp) << a.name;
            EXPECT_EQ(b.hglDn, a.hglDn) << a.name;
            EXPECT_EQ(b.hglAtNode, a.hglAtNode) << a.name;
        }
        EXPECT_EQ(r2.outfall.controlElev, r1.outfall.controlElev);
    }
}

}  // namespace
}  // namespace kolv::renumber
