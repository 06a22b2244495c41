// Profile geometry: path to the outfall, lines and labels, stations; no display needed.
#include "hydraulics/profile_model.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kolv::hydraulics {
namespace {

/// A small trunk: A -> B -> OUT with a lateral C -> B. Numbers chosen for hand checks.
std::vector<ProfileRow> trunk() {
    const ProfileRow a{.from = "A", .to = "B", .station = "10+00", .pipe = "18RCP", .flowCond = "", .lengthFt = 100,
                       .inletElFt = 50, .flUpFt = 45, .flDnFt = 44.5, .clUpFt = 46.5, .clDnFt = 46, .hglUpFt = 46.2,
                       .hglDnFt = 45.9, .hglAtNodeFt = 46.3, .clearanceFt = 3.7, .heightFt = 1.5, .velocityFtS = 4,
                       .qCfs = 7.07, .critDepthFt = 1.0};
    ProfileRow c = a;
    c.from = "C";
    c.station = "0+50";
    c.lengthFt = 400;  // the lateral is the longer way down
    const ProfileRow b{.from = "B", .to = "OUT", .station = "11+00", .pipe = "24RCP", .flowCond = "", .lengthFt = 200,
                       .inletElFt = 49, .flUpFt = 44.4, .flDnFt = 43.4, .clUpFt = 46.4, .clDnFt = 45.4, .hglUpFt = 45.8,
                       .hglDnFt = 45.0, .hglAtNodeFt = 45.85, .clearanceFt = 3.7, .heightFt = 1.5, .velocityFtS = 4,
                       .qCfs = 7.07, .critDepthFt = 1.0};
    return {a, b, c};
}

ProfileModel trunkModel() { return ProfileModel(trunk(), {"OUT", 44.8}); }

TEST(ProfilePath, FollowsToNodesDownToTheOutfallAndStopsAtALoopOrAMissingNode) {
    ProfileModel m = trunkModel();
    auto path = m.pathFrom("A");
    ASSERT_EQ(path.size(), 2u);
    EXPECT_EQ(m.rows()[path[0]].from, "A");
    EXPECT_EQ(m.rows()[path[1]].from, "B");
    EXPECT_NEAR(m.pathLengthFt("A"), 300.0, 1e-9);  // 100 + 200 ft
    EXPECT_NEAR(m.pathLengthFt("C"), 600.0, 1e-9);  // 400 + 200 ft
    EXPECT_EQ(m.longestPathStart(), "C");
    EXPECT_TRUE(m.pathFrom("NOPE").empty());
    EXPECT_EQ(m.pathFrom("a").size(), 2u);  // names compare without regard to case
    // The walk stops at a loop and at a missing node.
    auto rows = trunk();
    rows[1].to = "A";  // B flows back into A
    ProfileModel loop(rows, {"OUT", 0});
    EXPECT_EQ(loop.pathFrom("A").size(), 2u);
    rows[1].to = "GONE";
    ProfileModel open(rows, {"OUT", 0});
    EXPECT_EQ(open.pathFrom("A").size(), 2u);
}

TEST(ProfileGeometry, StationsLinesStructuresAndLabelsInFeetAndInMeters) {
    ProfileGeometry g = trunkModel().build("A", false);
    ASSERT_EQ(g.pipes.size(), 2u);
    // stations start at A's 10+00 and add the reach lengths
    EXPECT_NEAR(g.pipes[0].x0, 1000.0, 1e-9);
    EXPECT_NEAR(g.pipes[0].x1, 1100.0, 1e-9);
    EXPECT_NEAR(g.pipes[1].x1, 1300.0, 1e-9);
    EXPECT_NEAR(g.pipes[1].invert0, 44.4, 1e-9);
    EXPECT_NEAR(g.pipes[1].crown1, 45.4, 1e-9);
    // grade line: at the node, up end, down end for each reach
    ASSERT_EQ(g.hgl.size(), 6u);
    EXPECT_NEAR(g.hgl[0].y, 46.3, 1e-9);
    EXPECT_NEAR(g.hgl[3].y, 45.85, 1e-9);
    EXPECT_NEAR(g.hgl[5].y, 45.0, 1e-9);
    // energy line = HGL + V^2 / 2g = 46.2 + 16 / 64.32 (g = 32.16 ft/s^2 held in single precision
    // like the run, hence the 1e-6 ft tolerance)
    ASSERT_EQ(g.egl.size(), 2u);
    EXPECT_NEAR(g.egl[0][0].y, 46.2 + 16.0 / 64.32, 1e-6);
    // critical depth above the flow line: 45 + 1
    EXPECT_NEAR(g.critical[0][0].y, 46.0, 1e-9);
    // structure B reaches from the lower of its inverts (44.4 out, 44.5 in) to its inlet
    ASSERT_EQ(g.structures.size(), 3u);
    EXPECT_EQ(g.structures[1].name, "B");
    EXPECT_NEAR(g.structures[1].bottom, 44.4, 1e-9);
    EXPECT_NEAR(g.structures[1].top, 49.0, 1e-9);
    EXPECT_TRUE(g.structures[2].outfall);
    EXPECT_NEAR(g.tailwater, 44.8, 1e-9);
    EXPECT_EQ(g.title, "A to OUT");
    EXPECT_NEAR(g.yMax, 50.0, 1e-9);  // the inlet of A is the highest point
    EXPECT_NEAR(g.yMin, 43.4, 1e-9);  // the outfall invert the lowest
    // The labels carry the engineering values.
    auto has = [](const ProfileGeometry& in, const std::string& text) {
        for (const auto& l : in.labels)
            if (std::find(l.lines.begin(), l.lines.end(), text) != l.lines.end()) return true;
        return false;
    };
    // FL: A starts the path, only its outgoing pipe; at B the incoming pipe ends 0.10 above the outgoing
    // one; S = (44.4 - 43.4) / 200.
    for (const char* text : {"HGL = 46.30", "Clear = 3.70", "FL = 45.00", "FL = 44.50 (in)", "FL = 44.40 (out)",
                             "FL = 43.40", "Flow (Q): 7.07 cfs", "Velocity: 4.00 ft/s", "Pipe: 24RCP",
                             "L = 200.0 ft  S = 0.50%", "TW = 44.80"})
        EXPECT_TRUE(has(g, text)) << text;
    // Metric: lengths in m, flows in cms, velocities in m/s.
    const ProfileGeometry m = trunkModel().build("A", true);
    EXPECT_EQ(m.lengthUnit, "m");
    EXPECT_NEAR(m.pipes[0].x1, 1100.0 * 0.3048, 1e-9);
    EXPECT_NEAR(m.pipes[0].invert0, 45 * 0.3048, 1e-9);
    // 7.07 x 0.028317 = 0.2002, 4 x 0.3048 = 1.219, 46.3 x 0.3048 = 14.1122
    for (const char* text : {"Flow (Q): 0.200 cms", "Velocity: 1.22 m/s", "HGL = 14.112"})
        EXPECT_TRUE(has(m, text)) << text;
}

TEST(ProfileGeometry, StatusFilterDropsStructuresAndPipesButKeepsTheGradeLine) {
    auto rows = trunk();
    rows[1].nodeStatus = 2;   // B: future 1
    rows[1].reachStatus = 2;
    ProfileModel m(rows, {"OUT", 44.8});
    StatusFilter f = allStatuses();
    f[2] = false;
    ProfileGeometry g = m.build("A", false, f);
    EXPECT_EQ(g.pipes.size(), 1u);
    EXPECT_EQ(g.structures.size(), 2u);  // A and the outfall
    EXPECT_EQ(g.hgl.size(), 6u);
}

TEST(ProfileScales, StationTextsAndRoundValues) {
    EXPECT_EQ(stationText(1250), "12+50");
    EXPECT_EQ(stationText(0), "0+00");
    EXPECT_EQ(stationText(1299.7), "13+00");  // rounds to the foot, then carries
    EXPECT_EQ(stationText(-35), "-0+35");
    EXPECT_EQ(stationText(1250, true), "1+250");
    const std::pair<const char*, double> stations[] = {{"12+50", 1250}, {"40+00.5", 4000.5}, {"375", 375}, {"", 0}};
    for (const auto& [text, ft] : stations) EXPECT_NEAR(parseStation(text), ft, 1e-9) << text;
    const std::pair<double, double> exaggerations[] = {{13.7, 10}, {27, 25}, {4.99, 2.5}, {0.4, 0.4}};
    for (const auto& [raw, round] : exaggerations) EXPECT_NEAR(roundExaggeration(raw), round, 1e-9) << raw;
    const std::pair<double, double> steps[] = {{0.7, 1}, {13, 20}, {51, 100}};
    for (const auto& [raw, nice] : steps) EXPECT_NEAR(niceStep(raw), nice, 1e-9) << raw;
}

}  // namespace
}  // namespace kolv::hydraulics
