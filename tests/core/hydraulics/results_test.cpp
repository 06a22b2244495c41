// Result headings, design warnings, and the metric twin of a project.
#include <gtest/gtest.h>

#include "hydraulics/results.h"

#include <set>

#include "db/schema.h"
#include "hydraulics/result_headings.h"
#include "run_fixture.h"

namespace kolv::hydraulics::test {
namespace {

/// A node with a structure: 2.0 cfs of own runoff, inlet 100.00, HGL 99.20, clearance required 1.0 ft.
HydraulicRecord inlet(double capacity) {
    HydraulicRecord r;
    r.name = "N12";
    r.localRunoff = 2.0;
    r.maxInletCapacity = capacity;
    r.inletElev = 100.0;
    r.hglAtNode = 99.2;
    r.hglClear = 1.0;
    return r;
}

TEST(ResultHeadings, EveryStoredFieldReadsInWordsAndNoTwoAlike) {
    const db::TableDef* t60 = db::schemaTable("T60");
    ASSERT_NE(t60, nullptr);
    std::set<std::string> seen;
    for (const auto& f : t60->fields) {
        if (f.name == "SYSTEM") continue;
        const std::string h = t60Heading(f.name);
        EXPECT_NE(h, f.name) << "no heading for " << f.name;
        EXPECT_TRUE(seen.insert(h).second) << "heading used twice: " << h;
    }
    EXPECT_EQ(t60Heading("NOT_A_FIELD"), "NOT_A_FIELD");
}

TEST(Warnings, InletCapacityAndClearanceInBothUnitSystems) {
    using Lines = std::vector<std::string>;
    HydraulicRecord ok = inlet(2.5);
    ok.hglAtNode = 98.0;
    HydraulicRecord noStructure = inlet(9999);
    noStructure.hasStructure = false;
    noStructure.hglClear = 9999;
    noStructure.hglAtNode = 101.0;  // even above the inlet
    struct Case {
        const char* what;
        HydraulicRecord record;
        bool metric;
        bool inletLine;
        Lines lines;
    };
    const Case cases[] = {
        // (2.0 - 1.6) / 1.6 = 25 %; clearance 0.80 ft against 1.00 ft required
        {"English", inlet(1.6), false, true,
         {"Node: N12  Inlet capacity exceeded by 25%.  Runoff(Q) = 2.00(cfs)  Capacity(Q) = 1.60(cfs)",
          "Node: N12  Min HGL clearance exceeded by 0.20 feet."}},
        // 2.0 cfs x 0.028317 = 0.057 cms; 1.6 x 0.028317 = 0.045; 0.20 ft x 0.3048 = 0.061 m
        {"metric", inlet(1.6), true, true,
         {"Node: N12  Inlet capacity exceeded by 25%.  Runoff(Q) = 0.057(cms)  Capacity(Q) = 0.045(cms)",
          "Node: N12  Min HGL clearance exceeded by 0.061 meters."}},
        {"inlet line left out on request", inlet(1.6), false, false,
         {"Node: N12  Min HGL clearance exceeded by 0.20 feet."}},
        {"structure with no capacity given", inlet(0.0), false, true,
         {"Node: N12  Inlet capacity = 0.00(cfs)", "Node: N12  Min HGL clearance exceeded by 0.20 feet."}},
        {"enough capacity and clearance", ok, false, true, {}},
        {"node without structure has no limits", noStructure, false, true, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(recordWarnings(c.record, c.metric, c.inletLine), c.lines) << c.what;
}

TEST(Warnings, DitchLimits) {
    HydraulicRecord r;
    r.name = "D1";
    r.hasStructure = false;
    r.reachType = kReachDitch;
    r.vPartial = 4.0;
    r.normalDepth = 1.5;
    r.warnVelocity = r.warnNormalDepth = r.warnEglDepth = true;
    r.warnVelocityMax = 3.5;
    r.warnNormalDepthMax = 1.25;
    r.warnEglDepthMax = 1.6;
    const auto w = recordWarnings(r, false);
    ASSERT_EQ(w.size(), 3u);
    EXPECT_EQ(w[0], "Node: D1  Max Ditch flow velocity exceeded by 0.50 fps.");
    EXPECT_EQ(w[1], "Node: D1  Max Ditch normal flow depth exceeded by 0.25 feet.");
    // EGL depth 1.5 + 4^2 / 64.32 = 1.7488 -> 0.15 over the limit
    EXPECT_EQ(w[2], "Node: D1  Max Ditch EGL exceeded by 0.15 feet.");
    r.warnVelocity = r.warnNormalDepth = r.warnEglDepth = false;
    EXPECT_TRUE(recordWarnings(r, false).empty());
}

TEST(Results, WarningsAndMissingDefinitionsReachTheMessageList) {
    RunProject p;
    p.roundPipe("18RCP", 1.5);
    p.structure("CI1", 1.0, 1.0);
    p.system("S1", 90.0);
    // A: 3 ac C 0.9 -> own runoff 10.8 cfs against a 1.0 cfs inlet; HGL 102.61 vs inlet 103.00.
    p.node("S1", "A", 3.0, 0.9, 103.0, {{"NODE_TYPE", 0}, {"STRUCT_NAME", "CI1"}});
    p.reach("S1", "A", "OUT", "18RCP", 100.0, 99.0, 200.0);
    RunResult r = p.run("S1");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(p.t60("S1", "A", "TYPE_OF_STR_SHORT").toText(), "CI");
    const auto has = [&](const std::string& line) {
        return std::find(r.messages.begin(), r.messages.end(), line) != r.messages.end();
    };
    EXPECT_TRUE(has("Node: A  Inlet capacity exceeded by 980%.  Runoff(Q) = 10.80(cfs)  Capacity(Q) = 1.00(cfs)"));
    // Clearance 103.00 - 102.614 = 0.386 ft; 1.00 required -> short by 0.61 ft.
    EXPECT_TRUE(has("Node: A  Min HGL clearance exceeded by 0.61 feet."));

    // A structure type whose structure is unknown: "??", no capacity, no clearance.
    p.db.execute("UPDATE NODE SET STRUCT_NAME = 'NONE'");
    r = p.run("S1");
    EXPECT_EQ(p.t60("S1", "A", "TYPE_OF_STR_SHORT").toText(), "??");
    EXPECT_TRUE(has("Node: A  Inlet capacity = 0.00(cfs)"));
    // A node type without structure: "<none>", no warnings.
    p.db.execute("UPDATE NODE SET NODE_TYPE = 1");
    r = p.run("S1");
    EXPECT_EQ(p.t60("S1", "A", "TYPE_OF_STR_SHORT").toText(), "<none>");
    EXPECT_FALSE(std::any_of(r.messages.begin(), r.messages.end(),
                             [](const std::string& m) { return m.rfind("Node: A  ", 0) == 0; }));
}

TEST(Results, ReachFromANodeWithoutRecordIsWrittenAndReported) {
    RunProject p;
    p.roundPipe("18RCP", 1.5);
    p.system("S1", 90.0);
    p.node("S1", "A", 1.0, 0.9, 106.0);
    p.reach("S1", "A", "GHOST", "18RCP", 101.0, 100.0, 200.0);
    p.reach("S1", "GHOST", "OUT", "18RCP", 100.0, 99.0, 200.0);  // GHOST has no NODE record
    RunResult r = p.run("S1");
    ASSERT_EQ(r.status, 0);
    const auto at = std::find(r.messages.begin(), r.messages.end(), "Node: GHOST missing");
    ASSERT_NE(at, r.messages.end());
    EXPECT_NE(std::find(r.messages.begin(), at, "Writing results to database"), at);
    EXPECT_NEAR(p.t60n("S1", "GHOST", "Q"), 3.6, 1e-5);  // A's flow passes through
    EXPECT_EQ(p.t60("S1", "GHOST", "TYPE_OF_STR_SHORT").toText(), "??");
    EXPECT_GE(p.ui.beeps, 1);
    EXPECT_FALSE(std::any_of(r.messages.begin(), r.messages.end(),
                             [](const std::string& m) { return m.rfind("Node: GHOST  ", 0) == 0; }));
}

TEST(Results, MetricProjectGivesTheSameTabulationAsItsEnglishTwin) {
    // The same network stored in feet/acres/cfs and in meters/hectares/cms; T60 always holds feet.
    const double m = 1.0 / 3.28083339792, ha = 1.0 / 2.471, cms = 1.0 / 35.31467, sqm = 1.0 / 10.763911;
    RunProject eng(false, "english.mdb"), met(true, "metric.mdb");
    for (RunProject* p : {&eng, &met}) {
        const bool metric = p == &met;
        const double L = metric ? m : 1.0, A = metric ? ha : 1.0, Q = metric ? cms : 1.0;
        for (auto [name, d] : {std::pair{"18RCP", 1.5}, std::pair{"24RCP", 2.0}})
            p->add("T7", {{"NAME", name}, {"ENG_MET", metric ? 1 : 0}, {"WIDTH", d * L}, {"HEIGHT", d * L},
                          {"AREA", 3.14159265358979 * d * d / 4 * (metric ? sqm : 1.0)}, {"N", 0.013}});
        p->add("T6", {{"NAME", "CI1"}, {"TYPE_OF_STR_SHORT", "CI"}, {"HGL_CLEAR", 1.0 * L},
                      {"MAX_INLET_HYD_CAPACITY", 3.0 * Q}});
        p->system("S1", 96.0 * (metric ? 1.0 / 3.2808 : 1.0));
        const Fields st{{"NODE_TYPE", 0}, {"STRUCT_NAME", "CI1"}, {"JUNC_LOSS_COEFF", 0.5}};
        p->node("S1", "A", 1.2 * A, 0.9, 106.0 * L, st);
        p->node("S1", "B", 0.8 * A, 0.7, 105.0 * L, st);
        p->node("S1", "C", 1.5 * A, 0.8, 104.0 * L, {{"NODE_TYPE", 0}, {"STRUCT_NAME", "CI1"},
                                                     {"BASE_FLOW", 0.25 * Q}, {"MIN_HGL", 100.0 * L}});
        p->reach("S1", "A", "C", "18RCP", 101.0 * L, 100.0 * L, 220.0 * L);
        p->reach("S1", "B", "C", "18RCP", 101.2 * L, 100.1 * L, 180.0 * L);
        p->reach("S1", "C", "OUT", "24RCP", 99.5 * L, 97.0 * L, 310.0 * L);
    }
    RunOptions o = RunProject::defaults();
    o.exitLoss = o.junctionLoss = o.minVelocityOn = true;
    ASSERT_EQ(eng.run("S1", o).status, 0);
    ASSERT_EQ(met.run("S1", o).status, 0);  // the same options: a run's velocities are ft/s in either unit system
    for (const char* node : {"A", "B", "C"}) {
        for (const char* f : {"Q", "TC", "TF", "INTENSITY", "TOTALCA", "TOTAL_DRAINAGE_AREA", "VELOCITY", "CAPACITY",
                              "HGL_UP", "HGL_DN", "HGL_AT_NODE", "JLOSS", "CLEARENCE", "FL_UP", "CL_DN", "LENGTH",
                              "P_NORMAL_DEPTH", "P_CRIT_DEPTH", "Qbasetot"}) {
            const double e = eng.t60n("S1", node, f), x = met.t60n("S1", node, f);
            // The stored factors (3.2808 for the tailwater, 3.28083339792 for lengths) differ in the fifth
            // digit: the twins agree to 1e-4 relative, small values to 2e-4 ft absolute.
            EXPECT_NEAR(x, e, std::max(1e-4 * std::fabs(e), 2e-4)) << node << " " << f;
        }
        EXPECT_EQ(eng.t60("S1", node, "FLOW_COND").toText(), met.t60("S1", node, "FLOW_COND").toText()) << node;
    }
}

}  // namespace
}  // namespace kolv::hydraulics::test
