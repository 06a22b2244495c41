// The automatic layout of a system without coordinates: a tree from the outfall, no two symbols
// in one place, the same every time, kept as one undo step; any finite coordinates drawn as stored.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <map>
#include <iterator>
#include <set>
#include <utility>

#include "diagram/schematic_layout.h"
#include "support/random_system.h"
#include "support/system_builder.h"
#include "ui/recording_ui.h"

using namespace kolv;
using namespace kolv::diagram;

namespace {

/// A drawing with entities named as given (the last one the outfall when `outfall`) and reaches
/// "from>to".
DiagramData drawing(const std::vector<std::string>& names, const std::vector<std::pair<std::string, std::string>>& reaches,
                    bool outfall = true) {
    DiagramData d;
    d.system = "S1";
    for (std::size_t i = 0; i < names.size(); ++i) d.entities.push_back({names[i], "Manhole", 0, 0, outfall && i + 1 == names.size()});
    for (const auto& [from, to] : reaches) d.relations.push_back({from, from, to});
    return d;
}

/// A random tree of n nodes draining to "OUT" (each node to an earlier one).
DiagramData randomTree(std::size_t n, std::uint32_t seed) {
    test::detail::Xorshift rnd(seed);
    std::vector<std::string> names;
    std::vector<std::pair<std::string, std::string>> reaches;
    for (std::size_t k = 0; k < n; ++k) {
        names.push_back("N" + std::to_string(k));
        reaches.push_back({names.back(), k == 0 ? "OUT" : "N" + std::to_string(rnd.below(k))});
    }
    names.push_back("OUT");
    return drawing(names, reaches);
}

/// Every reach but `notKept` (to a missing node, closing a loop) points one level to the right;
/// no two symbols in a column closer than a row apart.
void expectTidyTree(const DiagramData& d, const std::vector<LayoutPoint>& at, std::size_t notKept = 0) {
    const LayoutSpacing s;
    ASSERT_EQ(at.size(), d.entities.size());
    std::map<std::string, std::size_t> index;
    for (std::size_t i = 0; i < d.entities.size(); ++i) index[d.entities[i].name] = i;
    // one distance between levels for the whole drawing, at least the least one
    std::set<double> columnsX;
    for (const LayoutPoint& p : at) columnsX.insert(p.x);
    const double step = columnsX.size() > 1 ? *std::next(columnsX.begin()) - *columnsX.begin() : s.level;
    EXPECT_GE(step, s.level - 1e-9);
    std::size_t pointingRight = 0;
    for (const Relation& r : d.relations) {
        if (!index.count(r.from) || !index.count(r.to)) continue;  // a reach to a missing node is not drawn
        const LayoutPoint& a = at[index.at(r.from)];
        const LayoutPoint& b = at[index.at(r.to)];
        if (std::abs(b.x - a.x - step) < 1e-6) ++pointingRight;
    }
    EXPECT_EQ(pointingRight, d.relations.size() - notKept);
    std::map<double, std::vector<double>> columns;
    for (const LayoutPoint& p : at) {
        EXPECT_GE(p.x, s.margin - 1e-9);
        EXPECT_GE(p.y, s.margin - 1e-9);
        columns[p.x].push_back(p.y);
    }
    for (auto& [x, ys] : columns) {
        std::sort(ys.begin(), ys.end());
        for (std::size_t i = 1; i < ys.size(); ++i) ASSERT_GE(ys[i] - ys[i - 1], s.row - 1e-9) << "column " << x;
    }
}

}  // namespace

struct LayoutCase {
    const char* what;
    std::vector<std::string> names;
    std::vector<std::pair<std::string, std::string>> reaches;
    std::size_t notKept;  ///< reaches to a missing node or closing a loop
};

class SchematicLayoutShapes : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(SchematicLayoutShapes, TreeFromTheOutfallWithoutOverlaps) {
    const LayoutCase& c = GetParam();
    const DiagramData d = drawing(c.names, c.reaches);
    const auto at = schematicLayout(d);
    expectTidyTree(d, at, c.notKept);
    // the outfall stands in the rightmost column, with the other loose ends
    for (std::size_t i = 0; i + 1 < at.size(); ++i) EXPECT_LE(at[i].x, at.back().x) << c.names[i];
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, SchematicLayoutShapes,
    ::testing::Values(
        // loose ends start trees of their own below the outfall's: no reach, a reach to a missing node
        LayoutCase{"forest", {"A", "B", "C", "D", "OUT"}, {{"A", "OUT"}, {"C", "GONE"}, {"D", "C"}}, 1},
        // a loop is cut at one reach
        LayoutCase{"loop", {"A", "B", "C", "D", "OUT"}, {{"A", "OUT"}, {"B", "C"}, {"C", "D"}, {"D", "B"}}, 1}),
    [](const auto& info) {
        std::string n = info.param.what;
        for (char& ch : n)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return n;
    });

TEST(SchematicLayout, LargeRandomTreeIsTidyCompactAndTheSameEveryTime) {
    const DiagramData d = randomTree(10000, 7);
    const auto at = schematicLayout(d);
    expectTidyTree(d, at);
    const auto again = schematicLayout(d);
    for (std::size_t i = 0; i < at.size(); ++i) ASSERT_TRUE(at[i].x == again[i].x && at[i].y == again[i].y);
    // packed level by level: fewer rows than one for each leaf
    std::set<std::string> drains;
    for (const Relation& r : d.relations) drains.insert(r.to);
    const std::size_t leaves = d.entities.size() - drains.size();
    double maxY = 0;
    for (const LayoutPoint& p : at) maxY = std::max(maxY, p.y);
    EXPECT_LT((maxY - LayoutSpacing{}.margin) / LayoutSpacing{}.row + 1, leaves * 0.75);
}

TEST(SchematicLayout, DeepChainNeedsNoRecursion) {
    std::vector<std::string> names;
    std::vector<std::pair<std::string, std::string>> reaches;
    for (int k = 0; k < 50000; ++k) {
        names.push_back("N" + std::to_string(k));
        reaches.push_back({names.back(), k == 0 ? "OUT" : "N" + std::to_string(k - 1)});
    }
    names.push_back("OUT");
    const DiagramData d = drawing(names, reaches);
    expectTidyTree(d, schematicLayout(d));
}

namespace {

struct Stored {
    test::SystemBuilder b;
    Session session;
    ui::RecordingUi ui;
    Stored() {
        b.db.execute("INSERT INTO T16 (SYSTEM, OUT_NODE, STRUCT_NAME) VALUES ('S1', 'OUT', 'OUTFALL')");
        b.db.execute("INSERT INTO NODE (NAME, SYSTEM, STRUCT_NAME, XD) VALUES ('A', 'S1', 'MH5', 0)");
        b.db.execute("INSERT INTO NODE (NAME, SYSTEM, STRUCT_NAME) VALUES ('B', 'S1', 'MH5')");
        b.db.execute("INSERT INTO NODE (NAME, SYSTEM, STRUCT_NAME, XD, YD) VALUES ('C', 'S1', 'MH5', 0, 0)");
        b.db.execute("INSERT INTO REACH (NAME, SYSTEM, NODE1, NODE2) VALUES ('A', 'S1', 'A', 'B')");
        b.db.execute("INSERT INTO REACH (NAME, SYSTEM, NODE1, NODE2) VALUES ('B', 'S1', 'B', 'OUT')");
        b.db.execute("INSERT INTO REACH (NAME, SYSTEM, NODE1, NODE2) VALUES ('C', 'S1', 'C', 'OUT')");
    }
    DiagramData load() {
        auto d = loadDiagram(b.db, "S1", 0, session, ui);
        EXPECT_TRUE(d.has_value());
        return d ? *d : DiagramData{};
    }
};

}  // namespace

TEST(SchematicLayout, AnyFiniteCoordinatesAreDrawnAsStored) {
    Stored s;
    // state-plane northings and eastings, and a node west of the origin
    s.b.db.execute("UPDATE NODE SET XD = 2481234.56, YD = 712345.5 WHERE NAME = 'A'");
    s.b.db.execute("UPDATE NODE SET XD = -20, YD = 5 WHERE NAME = 'B'");
    s.b.db.execute("UPDATE T16 SET XD = 2481300, YD = 712000");
    const DiagramData d = s.load();
    EXPECT_FALSE(d.automaticLayout);
    EXPECT_TRUE(s.ui.messages.empty());
    EXPECT_DOUBLE_EQ(d.entities[0].x, 2481234.56);
    EXPECT_DOUBLE_EQ(d.minX, -20);
    EXPECT_DOUBLE_EQ(d.maxX, 2481300);
    EXPECT_DOUBLE_EQ(d.maxY, 712345.5);
    // one coordinate that is not a number counts as none; the rest keep the drawing as stored
    s.b.db.execute("UPDATE NODE SET XD = 1e999 WHERE NAME = 'A'");
    EXPECT_DOUBLE_EQ(s.load().entities[0].x, 0);
    s.b.db.execute("UPDATE NODE SET XD = 0, YD = 0");
    s.b.db.execute("UPDATE T16 SET XD = 1e999, YD = NULL");
    EXPECT_TRUE(s.load().automaticLayout);
}
