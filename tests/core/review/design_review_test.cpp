// Design review: each rule on a hand-worked system, the criteria's storage and undo, and the new-project case.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "db/undo_history.h"
#include "review/design_criteria.h"
#include "review/design_review.h"
#include "support/system_builder.h"

using namespace kolv;
using review::Severity;

namespace {

/// Two pipes, A → B → OUT, sound by every default criterion:
///   structure: cover 3.0 ft, clearance 1.0 ft; pipes: wall 0.25 ft.
///   A: 18 in, inverts 105.25 → 104.75 over 100 ft (0.5 %); cover at A 110 − (105.25 + 1.75) = 3.0.
///   B: 24 in, inverts 104.25 → 103.75 over 100 ft (0.5 %); 0.5 ft drop at B; cover at B 111 − 106.5 = 4.5.
struct ReviewFixture : ::testing::Test, test::SystemBuilder {
    void SetUp() override {
        clearDefinitions();
        header("S1", "OUT");
        add("T6", {{"NAME", "INLET"}, {"MIN_PIPE_COVER", 3.0}, {"HGL_CLEAR", 1.0}, {"MAX_INLET_HYD_CAPACITY", 5.0}});
        add("T7", {{"NAME", "P12"}, {"HEIGHT", 1.0}, {"WIDTH", 1.0}, {"THICKNESS", 0.25}, {"N", 0.013}});
        add("T7", {{"NAME", "P18"}, {"HEIGHT", 1.5}, {"WIDTH", 1.5}, {"THICKNESS", 0.25}, {"N", 0.013}});
        add("T7", {{"NAME", "P24"}, {"HEIGHT", 2.0}, {"WIDTH", 2.0}, {"THICKNESS", 0.25}, {"N", 0.013}});
        nodeRow("S1", "A", {{"INLET_ELEV", 110.0}, {"STRUCT_NAME", "INLET"}});
        nodeRow("S1", "B", {{"INLET_ELEV", 111.0}, {"STRUCT_NAME", "INLET"}});
        reachRow("S1", "A", "B", {{"PIPE_NAME", "P18"}, {"LENGTH", 100.0}, {"ELEV1", 105.25}, {"ELEV2", 104.75}});
        reachRow("S1", "B", "OUT", {{"PIPE_NAME", "P24"}, {"LENGTH", 100.0}, {"ELEV1", 104.25}, {"ELEV2", 103.75}});
    }
    review::ReviewResult run(const review::DesignCriteria& c = review::DesignCriteria::defaults(false)) {
        return review::reviewSystem(*project, "S1", c);
    }
    /// A result row of node `from` as a run writes it (feet, ft/s, cfs).
    void result(const std::string& from, test::Row fields) {
        fields.insert(fields.begin(), {{"SYSTEM", "S1"}, {"FROM", from}});
        add("T60", fields);
    }
};

struct Expected {
    Severity severity;
    std::string node, reach, quantity;  // quantity: the beginning of the finding's quantity
    double value, limit;
};

void expectOnly(const review::ReviewResult& r, const Expected& e) {
    ASSERT_EQ(r.findings.size(), 1u) << (r.findings.empty() ? "" : r.findings[0].quantity.view());
    const review::Finding& f = r.findings[0];
    EXPECT_EQ(f.severity, e.severity);
    EXPECT_EQ(f.node, e.node);
    EXPECT_EQ(f.reach, e.reach);
    EXPECT_EQ(f.quantity.view().rfind(e.quantity, 0), 0u) << f.quantity;
    EXPECT_NEAR(f.value, e.value, 1e-6);
    EXPECT_NEAR(f.limit, e.limit, 1e-6);
    EXPECT_FALSE(f.rule.empty());
}

}  // namespace

// The network's own rules, one change from the sound system each.
TEST_F(ReviewFixture, NetworkRulesHandWorked) {
    const auto sound = run();
    EXPECT_TRUE(sound.findings.empty()) << sound.findings[0].quantity;
    EXPECT_FALSE(sound.hasResults);
    struct Case {
        const char* name;
        const char* sql;
        std::function<void(review::DesignCriteria&)> criteria;
        Expected expected;
    };
    const Case cases[] = {
        // B's 12 in pipe below A's 18 in: rises compared
        {"smaller than upstream", "UPDATE REACH SET PIPE_NAME = 'P12' WHERE NAME = 'B'", nullptr,
         {Severity::Error, "B", "B", "pipe size", 1.0, 1.5}},
        {"smaller than upstream, allowed", "UPDATE REACH SET PIPE_NAME = 'P12' WHERE NAME = 'B'",
         [](review::DesignCriteria& c) { c.smallerThanUpstreamAllowed = true; },
         {Severity::Note, "B", "B", "pipe size", 1.0, 1.5}},
        // (104.25 − 104.35) / 100 = −0.1 %
        {"adverse slope", "UPDATE REACH SET ELEV2 = 104.35 WHERE NAME = 'B'", nullptr,
         {Severity::Error, "B", "B", "slope", -0.1, 0.0}},
        // (104.25 − 104.20) / 100 = 0.05 %, under 0.1 %
        {"flat slope", "UPDATE REACH SET ELEV2 = 104.20 WHERE NAME = 'B'", nullptr,
         {Severity::Warning, "B", "B", "slope", 0.05, 0.1}},
        // 109.9 − (105.25 + 1.5 + 0.25) = 2.9, short of 3.0 by 0.1 ft
        {"cover short by 0.1 ft", "UPDATE NODE SET INLET_ELEV = 109.9 WHERE NAME = 'A'", nullptr,
         {Severity::Error, "A", "A", "cover (upstream", 2.9, 3.0}},
        // the same pipe against a cover criterion of 3.5 at its lower end: 111 − (104.75 + 1.75) = 4.5 passes,
        // its upper end 3.0 does not
        {"cover by the criteria", "", [](review::DesignCriteria& c) { c.minCoverFt = 3.5; },
         {Severity::Error, "A", "A", "cover (upstream", 3.0, 3.5}},
        // B leaves at 104.85, 0.1 ft above A's 104.75 coming in
        {"outgoing above incoming", "UPDATE REACH SET ELEV1 = 104.85 WHERE NAME = 'B'", nullptr,
         {Severity::Error, "B", "B", "drop", -0.1, 0.0}},
        // 104.75 − 104.70 = 0.05 ft of drop, against 0.1 ft
        {"drop under the minimum", "UPDATE REACH SET ELEV1 = 104.70 WHERE NAME = 'B'",
         [](review::DesignCriteria& c) { c.minDropFt = 0.1; }, {Severity::Warning, "B", "B", "drop", 0.05, 0.1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        db.execute("SAVEPOINT reviewcase");
        if (*c.sql) db.exec(c.sql);
        auto criteria = review::DesignCriteria::defaults(false);
        if (c.criteria) c.criteria(criteria);
        expectOnly(run(criteria), c.expected);
        db.execute("ROLLBACK TO reviewcase");
        db.execute("RELEASE reviewcase");
    }
}

// The rules on the last results: one T60 row of B written by hand each.
TEST_F(ReviewFixture, ResultRulesHandWorked) {
    struct Case {
        const char* name;
        test::Row row;
        std::function<void(review::DesignCriteria&)> criteria;
        Expected expected;
    };
    // Every row: crowns 106.25 / 105.75 above any grade line used, Q 10 cfs.
    const test::Row base = {{"CL_UP", 106.25}, {"CL_DN", 105.75}, {"Q", 10.0}, {"INLET_EL", 111.0}};
    auto with = [&](test::Row extra) {
        test::Row r = base;
        r.insert(r.end(), extra.begin(), extra.end());
        return r;
    };
    const Case cases[] = {
        {"velocity above the maximum", with({{"VELOCITY", 15.5}, {"HGL_AT_NODE", 105.0}}), nullptr,
         {Severity::Error, "B", "B", "velocity", 15.5, 15.0}},
        {"velocity below the minimum", with({{"VELOCITY", 2.0}, {"HGL_AT_NODE", 105.0}}), nullptr,
         {Severity::Warning, "B", "B", "velocity", 2.0, 2.5}},
        // clearance 111 − 110.2 = 0.8 < 1.0; EGL 110.2 + 3² / 64.32 = 110.34 stays under the rim
        {"clearance short", with({{"VELOCITY", 3.0}, {"HGL_AT_NODE", 110.2}}), nullptr,
         {Severity::Warning, "B", "", "HGL clearance", 0.8, 1.0}},
        // HGL 110.5 leaves 0.5 of the 0.3 asked; EGL 110.5 + 8² / (2 × 32.16) = 111.4951 > 111
        {"EGL above the rim", with({{"VELOCITY", 8.0}, {"HGL_AT_NODE", 110.5}}),
         [](review::DesignCriteria& c) { c.hglClearanceFt = 0.3; },
         {Severity::Error, "B", "", "EGL", 110.5 + 64.0 / (2.0 * 32.16f), 111.0}},
        // full, HGL 106.75 over the upper crown 106.25 by 0.5
        {"surcharge", with({{"VELOCITY", 3.0}, {"HGL_AT_NODE", 106.75}, {"HGL_UP", 106.75}, {"FLOW_COND", "FULL"}}),
         nullptr, {Severity::Warning, "B", "B", "surcharge", 0.5, 0.0}},
        // local runoff 1.5 × 4 = 6 cfs into an inlet of 5
        {"inlet capacity", with({{"VELOCITY", 3.0}, {"HGL_AT_NODE", 105.0}, {"P_LOCAL_CA", 1.5}, {"INTENSITY", 4.0}}),
         nullptr, {Severity::Warning, "B", "", "inlet runoff", 6.0, 5.0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        db.execute("DELETE FROM T60");
        result("B", c.row);
        auto criteria = review::DesignCriteria::defaults(false);
        if (c.criteria) c.criteria(criteria);
        const auto r = run(criteria);
        EXPECT_TRUE(r.hasResults);
        expectOnly(r, c.expected);
    }
}

TEST_F(ReviewFixture, UnsettledRunIsAWarningAndErrorsComeFirst) {
    db.execute("UPDATE REACH SET ELEV2 = 104.35 WHERE NAME = 'B'");  // an error
    db.execute("UPDATE T16 SET HGL_NOTE = 'did not settle'");
    const auto r = run();
    ASSERT_EQ(r.findings.size(), 2u);
    EXPECT_EQ(r.findings[0].severity, Severity::Error);
    EXPECT_EQ(r.findings[1].severity, Severity::Warning);
    EXPECT_EQ(r.findings[1].rule, "did not settle");
    EXPECT_EQ(r.worstAt("B"), 2);
    EXPECT_EQ(r.worstAt("A"), -1);
    // The listings carry the same findings.
    EXPECT_EQ(review::reviewText(r).back(), "1 errors, 1 warnings, 0 notes.");
    EXPECT_NE(review::reviewCsv(r).find("error,B,B,slope,-0.100,0.000,%,"), std::string::npos);
    EXPECT_NE(review::reviewJson(r).find("\"errors\": 1"), std::string::npos);
}

TEST(DesignCriteria, TypedValuesAreReadStrictlyAndStoredInProjectUnits) {
    test::SystemBuilder b;
    auto c = review::DesignCriteria::defaults(true);
    EXPECT_NEAR(c.minVelocityFtS, 0.75 * 3.28083339792, 1e-9);
    EXPECT_NEAR(c.maxVelocityFtS, 4.5 * 3.28083339792, 1e-9);
    struct Refused {
        const char* key;
        const char* text;
    };
    for (const Refused& r : {Refused{"max-velocity", "1,5"}, Refused{"min-velocity", "0"}, Refused{"min-slope", "abc"},
                             Refused{"min-cover", "-1"}, Refused{"egl-above-rim", "maybe"}, Refused{"colour", "1"}}) {
        SCOPED_TRACE(r.key);
        auto copy = c;
        EXPECT_TRUE(review::applyCriterion(copy, r.key, r.text, true).has_value());
    }
    ASSERT_FALSE(review::applyCriterion(c, "min-cover", "0.9", true));  // m
    ASSERT_FALSE(review::applyCriterion(c, "hgl-clearance", "structure", true));
    ASSERT_FALSE(review::applyCriterion(c, "egl-above-rim", "yes", true));
    EXPECT_NEAR(*c.minCoverFt, 0.9 * 3.28083339792, 1e-9);
    EXPECT_FALSE(c.hglClearanceFt);
    EXPECT_TRUE(c.eglAboveRimAllowed);
    auto bad = c;
    bad.maxVelocityFtS = bad.minVelocityFtS;
    EXPECT_TRUE(review::validateCriteria(bad));

    // Saved as one undoable step in a table made when first needed.
    b.project->metric = true;
    db::UndoHistory& history = b.db.attachHistory();
    EXPECT_FALSE(b.db.hasTable(review::kCriteriaTable) &&
                 b.db.scalar("SELECT COUNT(*) FROM DESIGN_CRITERIA").toInt() > 0);
    review::saveCriteria(*b.project, c);
    EXPECT_NEAR(b.db.scalar("SELECT VALUE FROM DESIGN_CRITERIA WHERE NAME = 'MIN_COVER'").toDouble(), 0.9, 1e-9);
    const auto back = review::loadCriteria(*b.project);
    EXPECT_NEAR(*back.minCoverFt, *c.minCoverFt, 1e-9);
    EXPECT_FALSE(back.hglClearanceFt);
    EXPECT_TRUE(back.eglAboveRimAllowed);
    EXPECT_EQ(history.undoName(), "Design Criteria");
    ASSERT_TRUE(history.undo());
    const auto undone = review::loadCriteria(*b.project);
    EXPECT_FALSE(undone.minCoverFt);
    EXPECT_FALSE(undone.eglAboveRimAllowed);
}
