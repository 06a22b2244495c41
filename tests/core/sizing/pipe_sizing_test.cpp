// Pipe sizing: candidate choice by velocity and grade-line slope, the group table, a whole run and its results.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "db/project.h"
#include "db/schema.h"
#include "hydraulics/hydraulics_options.h"
#include "sizing/pipe_sizing.h"
#include "support/system_builder.h"
#include "ui/recording_ui.h"

using namespace kolv;
using sizing::Criterion;
using sizing::PipeEntry;

namespace {

constexpr double kPi = 3.14159265358979323846;

PipeEntry round(const std::string& name, double diameterIn, double n = 0.013) {
    PipeEntry e;
    e.name = name;
    e.heightFt = e.widthFt = static_cast<float>(diameterIn / 12.0);
    e.areaSqFt = static_cast<float>(kPi * std::pow(diameterIn / 24.0, 2));  // A = π D² / 4
    e.n = static_cast<float>(n);
    return e;
}

const std::vector<PipeEntry> kRcp = {round("15IN", 15), round("18IN", 18), round("24IN", 24)};

}  // namespace

TEST(ChoosePipe, LimitIsStrictAndZeroFlowTakesTheFirst) {
    std::vector<PipeEntry> t(2);
    t[0].name = "A1";
    t[0].heightFt = t[0].widthFt = 1.0f;
    t[0].areaSqFt = 1.0f;  // exact: 10 cfs gives exactly 10 ft/s
    t[0].n = 0.013f;
    t[1] = t[0];
    t[1].name = "A2";
    t[1].areaSqFt = 2.0f;
    EXPECT_EQ(sizing::choosePipe(t, 10.0, 1, Criterion::Velocity, 10.0).index, 1);  // equal is refused
    EXPECT_EQ(sizing::choosePipe(t, 9.999, 1, Criterion::Velocity, 10.0).index, 0);
    EXPECT_EQ(sizing::choosePipe(t, 0.0, 1, Criterion::Velocity, 0.5).index, 0);
    EXPECT_EQ(sizing::choosePipe(t, 0.0, 1, Criterion::HglSlope, 0.0001).index, 0);
    // An entry without an area is never tried.
    t[0].areaSqFt = 0.0f;
    EXPECT_EQ(sizing::choosePipe(t, 0.0, 1, Criterion::Velocity, 10.0).index, 1);
}

TEST(ChoosePipe, GradeLineSlopeCriterion) {
    // 100 (n V / (1.486 R^(2/3)))² at 20 cfs, n 0.013, R = D/4 (hand):
    //   15 in: R^(2/3) 0.46052, V 16.297 → 9.585 %;  18 in: 0.52002, 11.318 → 3.625 %;  24 in: 0.62996, 6.366 → 0.7816 %
    const double v18 = 20.0 / kRcp[1].areaSqFt;
    EXPECT_NEAR(100 * sizing::frictionSlope(0.013, v18, kRcp[1].areaSqFt, 1.5, 1.5), 3.625, 0.005);
    EXPECT_EQ(sizing::choosePipe(kRcp, 20.0, 1, Criterion::HglSlope, 4.0).index, 1);
    EXPECT_EQ(sizing::choosePipe(kRcp, 20.0, 1, Criterion::HglSlope, 1.0).index, 2);
    EXPECT_EQ(sizing::choosePipe(kRcp, 20.0, 1, Criterion::HglSlope, 10.0).index, 0);
    // Two barrels carry 10 cfs each: 15 in runs at 8.15 ft/s, under 10; barrels 0 count as 1.
    EXPECT_EQ(sizing::choosePipe(kRcp, 20.0, 2, Criterion::Velocity, 10.0).index, 0);
    EXPECT_EQ(sizing::choosePipe(kRcp, 20.0, 0, Criterion::Velocity, 10.0).index, 2);
    // Nothing will do: the largest was tried last and its velocity stands.
    const auto none = sizing::choosePipe(kRcp, 40.0, 1, Criterion::Velocity, 10.0);
    EXPECT_EQ(none.index, -1);
    EXPECT_EQ(none.lastTried, 2);
    EXPECT_NEAR(none.velocityFtS, 40.0 / (kPi * 4.0 / 4.0), 1e-4);
    // Elliptical: P = π (rise + span) / 2
    EXPECT_NEAR(sizing::wettedPerimeterFt(1.0, 2.0), kPi * 1.5, 1e-12);
    // No perimeter: R is taken as 0.0000001 rather than dividing by zero.
    EXPECT_TRUE(std::isfinite(sizing::frictionSlope(0.013, 1.0, 0.0, 0.0, 0.0)));
}

TEST(ChoosePipe, NotSmallerThanUpstreamStart) {
    EXPECT_EQ(sizing::firstEntryNotSmaller(kRcp, kRcp[1].areaSqFt), 1u);  // exactly an entry's area
    EXPECT_EQ(sizing::firstEntryNotSmaller(kRcp, 2.0), 2u);               // between 18 and 24 in
    EXPECT_EQ(sizing::firstEntryNotSmaller(kRcp, 50.0), 2u);              // larger than all: the largest
    EXPECT_EQ(sizing::firstEntryNotSmaller(kRcp, 0.1), 0u);
}

TEST(SizingOptionsCheck, WindowRefusals) {
    auto o = sizing::SizingOptions::defaults();
    o.maxVelocityFps = 10;
    EXPECT_FALSE(sizing::validateOptions(o));
    o.minVelocityFps = 0;
    EXPECT_EQ(sizing::validateOptions(o).value_or(""), "Minimum velocity must be greater than zero");
    o.useMinVelocity = false;  // not in use: not checked
    EXPECT_FALSE(sizing::validateOptions(o));
    o = sizing::SizingOptions::defaults();
    o.maxVelocityFps = 0;
    EXPECT_EQ(sizing::validateOptions(o).value_or(""), "Maximum velocity must be greater than zero");
    o.maxVelocityFps = 2.0;  // equal to the minimum
    EXPECT_EQ(sizing::validateOptions(o).value_or(""), "Maximum velocity must be greater than the minimum velocity");
    o.criterion = Criterion::HglSlope;  // velocities only matter for the velocity criterion
    EXPECT_FALSE(sizing::validateOptions(o));
}

namespace {

struct SizingFixture : ::testing::Test, test::SystemBuilder {
    ui::RecordingUi ui;

    void SetUp() override { clearDefinitions(); }
    void pipe(const std::string& name, db::Value height, db::Value width, db::Value n, db::Value area = nullptr,
              int group = 1) {
        add("T7", {{"NAME", name}, {"GROUPP", group}, {"HEIGHT", height}, {"WIDTH", width}, {"N", n}, {"AREA", area}});
    }
    std::vector<std::string> table(bool metric) {
        std::vector<std::string> listing;
        auto t = sizing::loadPipeTable(db, 1, metric, ui, &listing);
        if (!t) listing.push_back("<stopped>");
        return listing;
    }
};

}  // namespace

TEST_F(SizingFixture, GroupTableOrderListingAndInvalidDefinitions) {
    pipe("BOX", 2.0, 3.0, 0.013);                // another shape without an area: 0, first, never tried
    pipe("18IN", 1.5, 1.5, 0.013);               // π 0.75² = 1.767 computed
    pipe("ELL", 1.0, 2.0, 0.013, 1.5);           // stored 1.5
    pipe("OTHER", 9.0, 9.0, 0.013, 1.0, 2);      // another group
    auto t = sizing::loadPipeTable(db, 1, false, ui, nullptr);
    ASSERT_TRUE(t);
    ASSERT_EQ(t->size(), 3u);
    EXPECT_EQ((*t)[0].name, "BOX");
    EXPECT_EQ((*t)[1].name, "ELL");
    EXPECT_EQ((*t)[2].name, "18IN");
    EXPECT_NEAR((*t)[2].areaSqFt, kPi * 0.5625, 1e-5);
    auto listing = table(false);
    const std::vector<std::string> expected = {"PIPE SELECTION LIST", "--------------------", "BOX       2.00  3.00",
                                               "ELL       1.00  2.00", "18IN      1.50  1.50", " ", " "};
    EXPECT_EQ(listing, expected);

    pipe("BADN", 1.0, 1.0, 1.0, 0.1);  // n of 1 is refused, listed first (smallest area)
    listing = table(false);
    EXPECT_EQ(listing.back(), "<stopped>");
    EXPECT_EQ(ui.texts().back(), "Pipe 'BADN' has an invalid 'N' value (1).\nProcess terminated");
    EXPECT_EQ(ui.messages.back().title, "INVALID DATA");
    db.execute("UPDATE T7 SET N = 0 WHERE NAME = 'BADN'");
    table(false);
    EXPECT_EQ(ui.texts().back(), "Pipe 'BADN' has an invalid 'N' value (0).\nProcess terminated");
    db.execute("UPDATE T7 SET N = 0.013, WIDTH = 0 WHERE NAME = 'BADN'");
    table(false);
    EXPECT_EQ(ui.texts().back(), "Pipe 'BADN' has an invalid height or width.\nProcess terminated");
    // the groups offered are those of the definitions in the project's unit system
    db.execute("UPDATE T7 SET ENG_MET = (NAME = 'OTHER')");
    EXPECT_EQ(sizing::pipeGroups(db, 0), std::vector<int>{1});
    EXPECT_EQ(sizing::pipeGroups(db, 1), std::vector<int>{2});
}

namespace {

/// Two inlets in line into the outfall and a third straight into it, at a constant 4 in/hr.
struct SizingRunFixture : SizingFixture {
    void SetUp() override {
        SizingFixture::SetUp();
        header("S1", "OUT", {{"OUT_TW", 100.0}, {"INTENSITY_METHOD", 1}, {"LOCATION", "TEST"}, {"FREQUENCY", "10"}});
        add("T85", {{"LOCATION", "TEST"}, {"FREQUENCY", "10"}, {"TIME", 5.0}, {"INTENSITY", 4.0}});
        add("T85", {{"LOCATION", "TEST"}, {"FREQUENCY", "10"}, {"TIME", 60.0}, {"INTENSITY", 4.0}});
        add("T6", {{"NAME", "INLET"}, {"HGL_CLEAR", 1.0}});
        pipe("15IN", 1.25, 1.25, 0.013);
        pipe("18IN", 1.5, 1.5, 0.013);
        pipe("24IN", 2.0, 2.0, 0.013);
        pipe("OLD", 1.0, 1.0, 0.013, nullptr, 9);
        // CA: A 2 ac × 0.5 = 1.0; B 3 ac × 0.5 = 1.5 (+1.0 from A); C none
        node("A", 103.5, 2.0, 0);
        node("B", 110.0, 3.0, 0);
        node("C", 120.0, 0.0, 0);
        node("D", 115.0, 0.0, 1);  // a ditch node
        reach("A", "B", "OLD", 300.0, -1);
        reach("B", "OUT", "OLD", 200.0, 0);  // pipe size not to be computed
        reach("C", "OUT", "OLD", 100.0, -1);
        reach("D", "B", "", 50.0, -1, 2);
    }
    void node(const std::string& name, double inlet, double area, int type) {
        nodeRow("S1", name, {{"INLET_ELEV", inlet}, {"STRUCT_NAME", "INLET"}, {"TC", 10.0}, {"P_C1DA", area},
                             {"RUNOFF_C1", 0.5}, {"NODE_TYPE", type}});
    }
    void reach(const std::string& from, const std::string& to, const std::string& p, double length, int sizeFlag,
               int type = 0) {
        reachRow("S1", from, to, {{"PIPE_NAME", p}, {"LENGTH", length}, {"CALC_PIPESIZE", sizeFlag},
                                  {"REACH_TYPE", type}, {"ELEV1", 95.0}, {"ELEV2", 94.0}});
    }
    double value(const std::string& sql, const std::string& key) { return db.scalar(sql, {key}).toDouble(); }
};

}  // namespace

TEST_F(SizingRunFixture, GradeLineCriterionAndMinimumVelocity) {
    db.execute("UPDATE REACH SET CALC_PIPESIZE = -1 WHERE NAME = 'B'");  // B sized here too
    db.execute("UPDATE REACH SET PIPE_NAME = 'OLD' WHERE NAME = 'D'");   // a ditch keeps the pipe it holds
    auto o = sizing::SizingOptions::defaults();
    o.group = 1;
    o.criterion = Criterion::HglSlope;
    o.maxHglSlopePercent = 0.5;  // A: 15 in 0.383 % ok; B: 15 in 2.396 %, 18 in 0.906 %, 24 in 0.195 %
    o.minVelocityFps = 4.0;      // A's 3.26 ft/s is timed at 4 ft/s: 300 / 4 / 60 = 1.25 min
    auto r = sizing::computePipeSizes(*project, ui, "S1", o);
    ASSERT_EQ(r.status, 0);
    EXPECT_NEAR(value("SELECT TF FROM T60 WHERE \"FROM\" = ?", "A"), 1.25, 1e-6);
    EXPECT_NEAR(value("SELECT HEIGHT FROM T60 WHERE \"FROM\" = ?", "A"), 1.25, 1e-6);
    EXPECT_NEAR(value("SELECT TC FROM T60 WHERE \"FROM\" = ?", "B"), 11.25, 1e-6);  // 10 + A's 1.25 min
    EXPECT_EQ(db.scalar("SELECT PIPE_NAME FROM REACH WHERE NAME = ?", {"A"}).toText(), "15IN");
    EXPECT_EQ(db.scalar("SELECT PIPE_NAME FROM REACH WHERE NAME = ?", {"D"}).toText(), "OLD");
    EXPECT_EQ(r.records.back().height, 2.0);
}

// Why each reach got its pipe, with the value that decided it and the pipe height it got (flows
// as in the cases above: A 4 cfs, B 10 cfs, or 2 cfs with a base flow of −8 cfs).
TEST_F(SizingRunFixture, GoverningConstraintOfEachPipe) {
    using sizing::GoverningRule;
    struct Case {
        const char* name;
        Criterion criterion;
        double limit;
        bool notSmaller;
        const char* sql;  // set-up of the case
        const char* reach;
        GoverningRule rule;
        double value;   // ft/s or friction slope %
        double height;  // ft; 0: not checked
    };
    const Case cases[] = {
        // 15 in at 4 cfs: V = 4 / 1.22718 = 3.2595 ft/s, under 6
        {"velocity", Criterion::Velocity, 6.0, false, "", "A", GoverningRule::VelocityLimit, 3.2595, 1.25},
        // 15 in at 4 cfs: 100 (0.013 × 3.2595 / (1.486 × 0.3125^(2/3)))² = 0.3834 %, under 0.5
        {"friction slope", Criterion::HglSlope, 0.5, false, "", "A", GoverningRule::FrictionSlopeLimit, 0.3834, 1.25},
        // B's size switch is off: its own 12 in pipe at 10 cfs, 10 / (π/4) = 12.7324 ft/s
        {"fixed", Criterion::Velocity, 6.0, false, "", "B", GoverningRule::FixedByEngineer, 12.7324, 1.0},
        // Even 24 in runs at 4 / π = 1.2732 ft/s, over 1: the largest was tried (the reach keeps its pipe)
        {"none enough", Criterion::Velocity, 1.0, false, "", "A", GoverningRule::NoCandidateEnough, 1.2732, 0.0},
        // B alone takes 15 in at 2 / 1.22718 = 1.6297 ft/s, but A brings 18 in (15 in runs at 3.26)
        {"upstream", Criterion::Velocity, 3.0, true,
         "UPDATE NODE SET BASE_FLOW = -8 WHERE NAME = 'B'; UPDATE REACH SET CALC_PIPESIZE = -1 WHERE NAME = 'B'", "B",
         GoverningRule::NotSmallerThanUpstream, 1.6297, 1.5},
        // The same with the rule off: B's own limit governs
        {"upstream rule off", Criterion::Velocity, 3.0, false,
         "UPDATE NODE SET BASE_FLOW = -8 WHERE NAME = 'B'; UPDATE REACH SET CALC_PIPESIZE = -1 WHERE NAME = 'B'", "B",
         GoverningRule::VelocityLimit, 1.6297, 1.25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        db.execute("UPDATE NODE SET BASE_FLOW = 0");
        db.execute("UPDATE REACH SET CALC_PIPESIZE = 0 WHERE NAME = 'B'");
        if (*c.sql) db.exec(c.sql);
        auto o = sizing::SizingOptions::defaults();
        o.group = 1;
        o.criterion = c.criterion;
        (c.criterion == Criterion::Velocity ? o.maxVelocityFps : o.maxHglSlopePercent) = c.limit;
        o.notSmallerThanUpstream = c.notSmaller;
        o.useMinVelocity = false;  // the intensity is the same at every duration
        ui.clear();
        ASSERT_EQ(sizing::computePipeSizes(*project, ui, "S1", o).status, 0) << ::testing::PrintToString(ui.texts());
        const auto basis = sizing::readSizingBasis(db, "S1");
        const auto b = std::find_if(basis.begin(), basis.end(), [&](const auto& x) { return x.reach == c.reach; });
        ASSERT_NE(b, basis.end());
        EXPECT_EQ(b->rule, c.rule);
        EXPECT_EQ(b->isVelocity, c.criterion == Criterion::Velocity);
        EXPECT_NEAR(b->value, c.value, 0.0005);
        EXPECT_NEAR(b->limit, c.limit, 1e-12);
        if (c.height > 0) EXPECT_NEAR(value("SELECT HEIGHT FROM T60 WHERE \"FROM\" = ?", c.reach), c.height, 1e-6);
        // The ditch is not sized and has no basis.
        EXPECT_TRUE(std::none_of(basis.begin(), basis.end(), [](const auto& x) { return x.reach == "D"; }));
    }
}

TEST_F(SizingRunFixture, FullFlowKeepsEveryPipe) {
    db.execute("UPDATE REACH SET PIPE_NAME = 'OLD' WHERE NAME = 'D'");  // the ditch's too
    sizing::FullFlowOptions o;
    auto r = sizing::computeFullFlow(*project, ui, "S1", o);
    ASSERT_EQ(r.status, 0);
    // Every pipe stays "OLD" (12 in, A = π/4): B carries 10 cfs at 12.732 ft/s.
    EXPECT_EQ(db.scalar("SELECT PIPE_NAME FROM REACH WHERE NAME = ?", {"A"}).toText(), "OLD");
    EXPECT_EQ(db.scalar("SELECT PIPE_NAME FROM REACH WHERE NAME = ?", {"D"}).toText(), "OLD");
    EXPECT_NEAR(r.records.back().velocity, 10.0 / (kPi / 4.0), 1e-4);
    // No selection list; the grade line still warns. B: Sf = (0.013 × 12.732 / (1.486 × 0.25^(2/3)))²
    // = 0.078776, × 200 ft over the tailwater 100 → 115.755; A adds 0.012605 × 300 = 3.781.
    EXPECT_NEAR(r.records.back().hglUp, 115.755, 0.002);
    EXPECT_NEAR(r.records[0].hglUp, 119.537, 0.003);
    ASSERT_EQ(r.lines.size(), 3u);  // the clearance lines of A and B, then the closing line
    EXPECT_EQ(r.lines.back(), "Cleaning up temporary data arrays");
}

TEST_F(SizingRunFixture, MetricProjectListsMetersAndCubicMeters) {
    // The same numbers read as meters, hectares and m/s (hand, with the loading factors):
    //   A: CA = 2 × 2.471 × 0.5 = 2.471 ac, Q = 9.884 cfs = 0.2799 m³/s (× 0.02832);
    //      15IN: D = 1.25 × 3.2808 = 4.101 ft, A = 13.209 sq ft, V = 0.74828 ft/s = 0.228 m/s.
    //   B: Q = (3 × 2.471 × 0.5 + 2.471) × 4 = 24.71 cfs = 0.6998 m³/s, V = 0.570 m/s (15IN again).
    //   Grade line from 100 m = 328.08 ft: B 328.2500, A 328.2908 ft; A's inlet 100.5 m = 329.7238 ft
    //   leaves 1.433 ft = 0.437 m, less than the 1 m required.
    project->metric = true;
    db.execute("UPDATE NODE SET INLET_ELEV = 100.5 WHERE NAME = 'A'");
    db.execute("UPDATE REACH SET CALC_PIPESIZE = -1 WHERE NAME = 'B'");  // B sized here too
    auto o = sizing::SizingOptions::defaults();
    o.group = 1;
    o.maxVelocityFps = hydraulics::velocityFps(6.0, true);  // 6 m/s
    auto r = sizing::computePipeSizes(*project, ui, "S1", o);
    ASSERT_EQ(r.status, 0);
    auto has = [&](const std::string& l) { return std::find(r.lines.begin(), r.lines.end(), l) != r.lines.end(); };
    EXPECT_TRUE(has("A        B        15IN     0.0130   300.00   1.250    1.250    0.2799   0.228    velocity limit"));
    EXPECT_TRUE(has("B        OUT      15IN     0.0130   200.00   1.250    1.250    0.6998   0.570    velocity limit"));
    EXPECT_TRUE(has("0.437 meters (1.433 feet) clearance. Node: A"));
    // T60 holds feet and cfs in either unit system (the report layouts convert);
    // the node's sizing fields are in the project's units: 328.2908 ft = 100.0638 m.
    EXPECT_NEAR(value("SELECT HGL_UP FROM T60 WHERE \"FROM\" = ?", "A"), 328.2908, 1e-3);
    EXPECT_NEAR(value("SELECT Q FROM T60 WHERE \"FROM\" = ?", "A"), 9.884, 1e-3);
    EXPECT_NEAR(value("SELECT INLET_EL FROM T60 WHERE \"FROM\" = ?", "A"), 329.7238, 1e-3);
    EXPECT_NEAR(value("SELECT HEIGHT FROM T60 WHERE \"FROM\" = ?", "A"), 4.101, 1e-3);
    EXPECT_NEAR(value("SELECT P_HGL_UP FROM NODE WHERE NAME = ?", "A"), 328.2908 / 3.28083339792, 1e-4);
    EXPECT_NEAR(value("SELECT P_Q FROM NODE WHERE NAME = ?", "A"), 9.884 / 35.31467, 1e-6);
}
