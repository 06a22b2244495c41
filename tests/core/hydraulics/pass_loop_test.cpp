// The pass loop on records built in memory: pass control, travel times, junction losses, stops.
#include <gtest/gtest.h>

#include <cmath>

#include "db/project.h"
#include "hydraulics/pass.h"
#include "hydraulics/system_loader.h"
#include "hydraulics/run.h"
#include "support/random_system.h"
#include "support/test_support.h"
#include "ui/recording_ui.h"
#include "ui/ui_port.h"

namespace kolv::hydraulics {
namespace {

constexpr double kRound18Area = 3.14159265358979 * 1.5 * 1.5 / 4;  // sq ft

/// A node with an 18 in RCP reach (n 0.013) of 200 ft falling 1 ft, drainage given as C A (ac).
HydraulicRecord pipeRecord(const std::string& name, double ca, int to) {
    HydraulicRecord r;
    r.name = name;
    r.nodeFound = r.reachFound = r.pipeFound = true;
    r.toIndex = to;
    r.tcInlet = 10;
    r.area = {ca, 0, 0};
    r.coeff = {1.0, 0, 0};
    r.width = r.height = 1.5;
    r.pipeArea = kRound18Area;
    r.n = 0.013;
    r.length = r.hydLength = 200;
    r.invertUp = 100;
    r.invertDn = 99;
    r.crownUp = 101.5;
    r.crownDn = 100.5;
    r.physSlope = 0.005;
    r.inletElev = 110;
    return r;
}

/// A -> B -> outfall, B's pipe 1.5 ft below A's (the chain falls 1 ft per pipe with a 0.5 ft drop at B).
std::vector<HydraulicRecord> twoPipes() {
    std::vector<HydraulicRecord> recs{pipeRecord("A", 0.9, 1), pipeRecord("B", 0.9, -1)};
    HydraulicRecord& b = recs[1];
    b.in = {0, -1, -1, -1};
    b.invertUp = 98.5;
    b.invertDn = 97.5;
    b.crownUp = 100.0;
    b.crownDn = 99.0;
    return recs;
}

class PassLoop : public ::testing::Test {
protected:
    PassLoop() {
        // A constant 4 in/hr storm: one tabulated point with its two sentinels.
        settings.storm.method = rain::kMethodTable;
        settings.storm.table = {{0, 4}, {15, 4}, {100000, 4}};
        settings.storm.tableRows = 1;
        settings.options = RunProject();
        settings.tailwaterFt = 90;
        settings.exitLossCoeff = 1.0;
    }
    static RunOptions RunProject() {
        RunOptions o;
        o.exitLoss = o.junctionLoss = o.minVelocityOn = false;
        return o;
    }
    PassLoopResult run(std::vector<HydraulicRecord>& recs) {
        accumulateDrainage(recs);
        PassIo io{session, ui, messages, progress, prompt};
        return runPassLoop(recs, settings, io);
    }

    Session session;
    ui::RecordingUi ui;
    std::vector<std::string> messages;
    PassSettings settings;
    MaxPassesPrompt prompt;
    PassProgressSink progress;
};

TEST_F(PassLoop, PassLimitWarnsOnlyARunThatDidNotSettleUnlessSuppressed) {
    std::vector<HydraulicRecord> recs{pipeRecord("A", 0.9, -1)};
    settings.options.maxPasses = 4;
    // Settled in its fourth pass, which is also the last allowed: nothing to warn of.
    PassLoopResult settled = run(recs);
    EXPECT_EQ(settled.passes, 4);
    EXPECT_TRUE(settled.converged);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.beeps, 0);

    // A tolerance of 0 is never met: the limit ends the run unsettled.
    settings.options.maxHglDifference = 0;
    PassLoopResult limit = run(recs);
    EXPECT_EQ(limit.passes, 4);
    EXPECT_FALSE(limit.converged);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "Maximum number of passes (4) reached without a stabilized HGL.\n"
              "Increase the 'Max. Number of Iterations' value and try again.");
    EXPECT_EQ(ui.beeps, 1);
    EXPECT_FALSE(session.suppressMaxPassesWarning);

    // The engineer ticks "do not show again": the next limit only beeps.
    ui.clear();
    prompt = [](const std::string&) { return true; };
    run(recs);
    EXPECT_TRUE(session.suppressMaxPassesWarning);
    int prompts = 0;
    prompt = [&](const std::string&) { ++prompts; return true; };
    run(recs);
    EXPECT_EQ(prompts, 0);
    EXPECT_EQ(ui.beeps, 2);
}

TEST_F(PassLoop, TravelTimeCarriesTcDownstream) {
    // A (Tc 10) -> B (Tc 10) -> outfall: B's Tc = 10 + 200 / (60 Vp_A).
    std::vector<HydraulicRecord> recs = twoPipes();
    run(recs);
    const double ttA = 200.0 / (60.0 * recs[0].vPartial);
    EXPECT_NEAR(recs[0].travelTime, ttA, 1e-9);
    EXPECT_NEAR(recs[1].tcWork, 10.0 + ttA, 1e-9);
    EXPECT_GT(recs[1].tcWork, 10.5);  // Vp is about 4.2 ft/s: 0.8 min of travel

    // A minimum of 10 ft/s makes every travel time L / (10 x 60) = 0.3333 min.
    settings.options.minVelocityOn = true;
    settings.minVelocityFtS = 10.0;
    run(recs);
    EXPECT_NEAR(recs[0].travelTime, 200.0 / 600.0, 1e-12);
    EXPECT_NEAR(recs[1].tcWork, 10.0 + 1.0 / 3.0, 1e-9);

    // A fixed Tc holds for every node whatever the travel times.
    settings.options.fixedTc = true;
    settings.options.fixedTcMinutes = 25;
    run(recs);
    EXPECT_DOUBLE_EQ(recs[0].tcWork, 25.0);
    EXPECT_DOUBLE_EQ(recs[1].tcWork, 25.0);
}

TEST_F(PassLoop, JunctionLossAtTheNodeFromPassTwoAndAbove301WarnsOnce) {
    // A full pipe: Q 10.8 cfs, V = 10.8 / 1.76715 = 6.1115 ft/s.
    std::vector<HydraulicRecord> recs{pipeRecord("A", 2.7, -1)};
    const double v = 10.8 / kRound18Area, hv = v * v / (2.0 * kGravityFtPerS2);
    const std::string warning = "Node 'A' has a computed Junction Loss greater than 3";
    recs[0].juncLossCoeff = 0.5;
    settings.options.maxPasses = 4;
    prompt = [](const std::string&) { return false; };
    run(recs);
    EXPECT_DOUBLE_EQ(recs[0].jloss, 0.0);  // switch off
    settings.options.junctionLoss = true;
    settings.options.maxPasses = 1;
    run(recs);
    EXPECT_DOUBLE_EQ(recs[0].jloss, 0.0);  // pass 1 has no loss
    settings.options.maxPasses = 50;
    run(recs);
    // 0.5 x 6.1115^2 / 64.32 = 0.29035 ft, added at the node.
    EXPECT_NEAR(recs[0].jloss, 0.29035, 1e-4);
    EXPECT_NEAR(recs[0].hglAtNode, recs[0].hglUp + recs[0].jloss, 1e-12);

    // K set for a loss of 3.02 ft: one warning.
    messages.clear();
    recs[0].juncLossCoeff = 3.02 / hv;
    run(recs);
    EXPECT_NEAR(recs[0].jloss, 3.02, 1e-3);
    EXPECT_EQ(std::count(messages.begin(), messages.end(), warning), 1);
    // At 3.01 exactly (or a hair under) nothing is said.
    messages.clear();
    double k = 3.01 / hv;
    while (k * hv > 3.01) k = std::nextafter(k, 0.0);
    recs[0].juncLossCoeff = k;
    run(recs);
    EXPECT_NEAR(recs[0].jloss, 3.01, 1e-3);
    EXPECT_EQ(std::count(messages.begin(), messages.end(), warning), 0);
}

TEST(JunctionLossMethod, UpstreamPipeOfGreatestEnergyEarlierSlotWinsTies) {
    std::vector<HydraulicRecord> recs(3);
    recs[2].juncLossCoeff = 1.0;
    recs[2].in = {0, 1, -1, -1};
    recs[2].vPartial = 1.0;
    recs[0].energy = 50;
    recs[0].state = FlowState::Partial;
    recs[0].vPartial = 4.0;
    recs[1].energy = 80;
    recs[1].state = FlowState::Full;
    recs[1].velocity = 8.0;  // design velocity of a full reach
    recs[1].vPartial = 3.0;
    const double hv8 = 64.0 / (2.0 * kGravityFtPerS2), hv4 = 16.0 / (2.0 * kGravityFtPerS2);
    EXPECT_DOUBLE_EQ(junctionLoss(recs, 2, 2), hv8);
    recs[1].energy = 50;  // a tie: slot 1 wins
    EXPECT_DOUBLE_EQ(junctionLoss(recs, 2, 2), hv4);
    // Method 1 uses the outgoing reach (partial here); other methods give none.
    EXPECT_DOUBLE_EQ(junctionLoss(recs, 2, 1), 1.0 / (2.0 * kGravityFtPerS2));
    EXPECT_DOUBLE_EQ(junctionLoss(recs, 2, 3), 0.0);
    // A node that starts a line has no incoming reach to take a velocity from.
    EXPECT_DOUBLE_EQ(junctionLoss(recs, 0, 2), 0.0);
}

TEST_F(PassLoop, ZeroFlowOrAPipeWithoutAreaStopsTheRun) {
    std::vector<HydraulicRecord> recs{pipeRecord("A", 0.0, -1)};
    EXPECT_EQ(run(recs).status, -1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "INVALID CONDITION");
    EXPECT_EQ(ui.messages[0].text,
              "NODE 'A' has zero flow moving through it.\n"
              "This is an invalid condition and can be corrected by entering a very\n"
              "small base flow (ie. 0.001 cfs) to this node in the Node Edit window.");
    ui.clear();
    recs = {pipeRecord("A", 0.9, -1)};
    recs[0].pipeArea = 0;
    EXPECT_EQ(run(recs).status, -1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Invalid Data in Pipe Definition");
    EXPECT_EQ(ui.messages[0].text.substr(0, 58), "A pipe has been defined with a cross sectional 'Area' of 0");
}

TEST_F(PassLoop, FlowRunningUpstreamStopsTheRunNamingTheNodeAndItsFlow) {
    // A base flow of -5 cfs against 3.6 cfs of runoff (0.9 ac x 4 in/hr) leaves Q = -1.4 cfs at A
    // with the negative-flow switch off; without a minimum velocity no travel velocity is positive.
    std::vector<HydraulicRecord> recs = twoPipes();
    recs[0].baseFlow = -5;
    const PassLoopResult r = run(recs);
    EXPECT_EQ(r.status, -1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "INVALID CONDITION");
    EXPECT_EQ(ui.messages[0].text,
              "NODE 'A' has a total flow (Q) of -1.400 cfs leaving it: water would run upstream, and no travel "
              "time can be found for its reach.\n"
              "The deep-well or French-drain reductions (or a negative base flow) take more than the runoff brings.\n"
              "Check the stage-discharge or exfiltration data, or switch on 'Do NOT Allow Total Flow (Q) to be "
              "Negative'.\nHydraulics Calculations Terminated.");
    EXPECT_EQ(ui.beeps, 1);

    // In a metric project the flow is given in cms: -1.4 x 0.028317 = -0.0396
    ui.clear();
    settings.metric = true;
    recs = twoPipes();
    recs[0].baseFlow = -5;
    run(recs);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text.rfind("NODE 'A' has a total flow (Q) of -0.0396 cms leaving it", 0), 0u)
        << ui.messages[0].text;

    // With the switch on the flow is raised to a trickle of 0.00001 cfs and runs on; a minimum
    // velocity for travel time carries the negative flow too.
    for (const bool noNegative : {true, false}) {
        ui.clear();
        settings.metric = false;
        settings.options.noNegativeFlow = noNegative;
        settings.options.minVelocityOn = !noNegative;
        recs = twoPipes();
        recs[0].baseFlow = -5;
        EXPECT_EQ(run(recs).status, 0) << noNegative;
        EXPECT_NEAR(recs[0].q, noNegative ? 0.00001 : -1.4, 1e-9) << noNegative;
        EXPECT_GT(recs[0].travelTime, 0) << noNegative;
        EXPECT_TRUE(ui.messages.empty()) << noNegative;
    }
}

TEST_F(PassLoop, DeepWellDischargeComesOffDownstream) {
    // Well at A: 0 cfs at stage 100, 2 cfs at stage 104; A's HGL settles near 100.74 -> about 0.37 cfs.
    std::vector<HydraulicRecord> recs = twoPipes();
    recs[0].dwStage = {100, 104, 0, 0, 0, 0, 0, 0};
    recs[0].dwDischarge = {0, 2, 0, 0, 0, 0, 0, 0};
    settings.options.deepWell = true;
    run(recs);
    const double expected = (recs[0].hglAtNode - 100.0) / 4.0 * 2.0;  // linear in the table
    EXPECT_NEAR(recs[0].dwReduction, expected, 0.01);  // stage of the previous pass
    EXPECT_NEAR(recs[0].q, 3.6 - recs[0].dwReduction, 1e-9);
    EXPECT_NEAR(recs[1].dwReductionSub, recs[0].dwReduction, 1e-12);
    EXPECT_NEAR(recs[1].q, 7.2 - recs[0].dwReduction, 1e-6);  // B: 2 x 0.9 x 4 less A's well
    // Outside the table the well takes nothing.
    EXPECT_DOUBLE_EQ(deepWellDischarge(recs[0], 99.99), 0.0);
    EXPECT_DOUBLE_EQ(deepWellDischarge(recs[0], 104.01), 0.0);
}

// Without deep wells or trenches the passes after the first walk only the grade line; with the
// deep-well switch on (and no well anywhere) every pass runs the whole flow step. Both must give
// the same numbers to the last bit, on generated systems with backwater from a high tailwater,
// junction losses of both methods and both crown rules.
TEST(PassLoopPaths, GradeLineOnlyPassesMatchFullPassesBitForBit) {
    kolv::test::TempDir dir;
    ui::SilentUi silent;
    auto project = db::openProject(kolv::test::makeEmptyProject(dir), silent);
    for (std::uint32_t seed : {7u, 11u, 2026u}) {
        kolv::test::RandomSystemOptions shape;
        shape.system = "R" + std::to_string(seed);
        shape.prefix = seed == 7u ? "A" : seed == 11u ? "B" : "C";  // names are unique in a project
        shape.reaches = 300;
        shape.seed = seed;
        kolv::test::addRandomSystem(*project->db, shape);
    }
    int compared = 0, fullStates = 0;
    for (const char* system : {"R7", "R11", "R2026"}) {
        for (int method : {1, 2}) {
            for (bool jumpToCrown : {true, false}) {
                for (double tailwaterRise : {0.0, 6.0}) {
                    Session session;
                    session.suppressMaxPassesWarning = true;
                    std::vector<std::string> loadMessages;
                    auto loaded = loadSystemForRun(*project, silent, system, loadMessages);
                    ASSERT_TRUE(loaded);
                    PassSettings s;
                    s.options.exitLoss = s.options.junctionLoss = s.options.minVelocityOn = true;
                    s.options.junctionMethod = method;
                    s.options.jumpToCrown = jumpToCrown;
                    s.options.maxPasses = 12;
                    s.options.maxHglDifference = 0;
                    s.tailwaterFt = loaded->records.back().crownDn + tailwaterRise;
                    s.exitLossCoeff = 1.0;
                    s.storm = loaded->storm;

                    std::vector<HydraulicRecord> fast = loaded->records, full = loaded->records;
                    std::vector<std::string> fastMessages, fullMessages;
                    PassIo fastIo{session, silent, fastMessages, {}, {}};
                    const PassLoopResult a = runPassLoop(fast, s, fastIo);
                    PassSettings withWells = s;
                    withWells.options.deepWell = true;
                    PassIo fullIo{session, silent, fullMessages, {}, {}};
                    const PassLoopResult b = runPassLoop(full, withWells, fullIo);

                    const std::string where = std::string(system) + " method " + std::to_string(method) +
                                              (jumpToCrown ? " jump" : " no jump") + " rise " +
                                              std::to_string(tailwaterRise);
                    ASSERT_EQ(a.passes, b.passes) << where;
                    EXPECT_EQ(a.hglDifference, b.hglDifference) << where;
                    EXPECT_EQ(a.maxHglChange, b.maxHglChange) << where;
                    EXPECT_EQ(a.maxHglChangeNode, b.maxHglChangeNode) << where;
                    EXPECT_EQ(a.outfall.exitLoss, b.outfall.exitLoss) << where;
                    EXPECT_EQ(a.outfall.controlElev, b.outfall.controlElev) << where;
                    EXPECT_EQ(fastMessages, fullMessages) << where;
                    for (std::size_t i = 0; i < fast.size(); ++i) {
                        const HydraulicRecord& x = fast[i];
                        const HydraulicRecord& y = full[i];
                        ASSERT_TRUE(x.state == y.state && x.hglUp == y.hglUp && x.hglDn == y.hglDn &&
                                    x.eglUp == y.eglUp && x.eglDn == y.eglDn && x.jloss == y.jloss &&
                                    x.hglAtNode == y.hglAtNode && x.q == y.q && x.tcWork == y.tcWork &&
                                    x.exitLossFull == y.exitLossFull && x.exitLossPartial == y.exitLossPartial &&
                                    x.criticalDepth == y.criticalDepth)
                            << where << ", node " << x.name;
                        if (x.state == FlowState::Full) ++fullStates;
                    }
                    ++compared;
                }
            }
        }
    }
    EXPECT_EQ(compared, 24);
    EXPECT_GT(fullStates, 100);  // the backwater cases did reach surcharged pipes
}

}  // namespace
}  // namespace kolv::hydraulics
