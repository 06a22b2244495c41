// Verification findings, their order and texts, the two stopping boxes and the status texts.
#include "network/verification.h"

#include <gtest/gtest.h>

#include "support/system_builder.h"
#include "ui/recording_ui.h"

namespace kolv::network {
namespace {

using Lines = std::vector<std::string>;

// Each case builds a system S with its outfall named in the header and lists the findings in the order printed.
TEST(Verification, FindingsAndTheirOrder) {
    using Build = void (*)(test::SystemBuilder&);
    struct Case {
        const char* what;
        Build build;
        Lines lines;
        const char* outfall = "OUT";
    };
    const Case cases[] = {
        {"outfall named only in the header is a valid to node",
         [](test::SystemBuilder& b) {
             b.link("S", "A", "OUT");
             b.link("S", "B", "ELSEWHER");
         },
         {"Reach 'B' has an invalid to node 'ELSEWHER'."},
         " OUT "},
        {"end nodes compare without case and only within the system",
         [](test::SystemBuilder& b) {
             b.link("S", "A", "b");  // node B written in lower case
             b.link("S", "B", "out");
             b.link("T", "C", "OUT");
             b.reach("S", "X", "C", "B");  // C is a node of system T only
         },
         {"Reach 'X' has an invalid from node 'C'."}},
        {"two outgoing reaches in table order",
         [](test::SystemBuilder& b) {
             b.node("S", "A");
             b.reach("S", "R2", "A", "OUT");
             b.reach("S", "R1", "A", "OUT");
         },
         {"Node 'A' has more (2) than one outgoing reach (in system 'S'). Reaches: R2,R1."}},
        // Empty first area, the rest zero: no flow. Any non-zero field gives flow.
        {"stub without area or base flow",
         [](test::SystemBuilder& b) {
             b.node("S", "NOFLOW", nullptr, 0.0, 0.0, 0.0);
             b.reach("S", "NOFLOW", "NOFLOW", "OUT");
             b.node("S", "BASE", 0.0, 0.0, 0.0, 0.5);
             b.reach("S", "BASE", "BASE", "OUT");
             b.node("S", "AREA3", 0.0, 0.0, 0.25, nullptr);
             b.reach("S", "AREA3", "AREA3", "OUT");
         },
         {"Node 'NOFLOW' is a stub pipe AND has no area or baseflow, therefore it will generate no (ZERO) flow."}},
        {"length empty, zero, negative",
         [](test::SystemBuilder& b) {
             b.node("S", "A");
             b.reach("S", "A", "A", "OUT", nullptr);
             b.node("S", "B");
             b.reach("S", "B", "B", "OUT", 0.0);
             b.node("S", "C");
             b.reach("S", "C", "C", "OUT", -12.345);
         },
         {"Reach 'A' is missing a length value.", "Reach 'B' has an invalid length (0.00)",
          "Reach 'C' has an invalid length (-12.35)"}},
        {"reach end faults in order per reach",
         [](test::SystemBuilder& b) {
             b.link("S", "A", "OUT");
             b.reach("S", "R1", nullptr, "A");          // no from node
             b.reach("S", "R2", "GHOST", nullptr, 0.0);  // unknown from, no to, zero length
             b.reach("S", "R3", "A", "A");               // same node both ends (A exists: no invalid-to line)
         },
         {// Pass 1: node A has two outgoing reaches (A, R3) and receives R1 and R3.
          "Node 'A' has more (2) than one outgoing reach (in system 'S'). Reaches: A,R3.",
          // Pass 2, per reach: from node, to node, length.
          "Reach 'R1' is missing the 'from' node name.", "Reach 'R2' has an invalid from node 'GHOST'.",
          "Reach 'R2' is missing the 'to' node name.", "Reach 'R2' has an invalid length (0.00)",
          "Reach 'R3' has the same node 'A' for both to and from node names."}},
        {"node findings before reach findings",
         [](test::SystemBuilder& b) {
             b.link("S", "A", "NOWHERE");
             b.node("S", "LONELY");
         },
         {"Node 'LONELY' has no outgoing reach (in system 'S').", "Reach 'A' has an invalid to node 'NOWHERE'."}},
    };
    for (const Case& c : cases) {
        test::SystemBuilder b;
        b.header("S", c.outfall);
        c.build(b);
        ui::RecordingUi ui;
        VerificationResult r = verifySystem(b.db, "S", ui);
        Lines expected = c.lines;
        expected.push_back("Verification Complete.");
        EXPECT_EQ(r.lines, expected) << c.what;
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_TRUE(r.complete && r.faults + 1 == static_cast<int>(r.lines.size())) << c.what;  // one fault a line
    }
}

TEST(Verification, IncomingCountsThreeFourFive) {
    for (int incoming : {3, 4, 5}) {
        test::SystemBuilder b;
        b.header("S", "OUT");
        b.link("S", "J", "OUT");
        for (int k = 1; k <= incoming; ++k) b.link("S", "U" + std::to_string(k), "J");
        ui::RecordingUi ui;
        Lines streamed;
        VerificationResult r = verifySystem(b.db, "S", ui, [&](const std::string& l) { streamed.push_back(l); });
        EXPECT_EQ(streamed, r.lines);
        // each node in turn, in each pass, on the status line; cleared at the end
        ASSERT_EQ(ui.statuses.size(), 2u * (incoming + 1) + 1);
        EXPECT_EQ(ui.statuses[0], "Verifying node and reach data integrity (pass 1) . . . J");
        EXPECT_EQ(ui.statuses[incoming + 2], "Verifying node and reach data integrity (pass 2) . . . U1");
        EXPECT_TRUE(ui.statuses.back().empty() && ui.progressValues.back() == 0);
        Lines expected;
        if (incoming >= 4)
            expected.push_back("Node 'J' has to many incoming reaches (" + std::to_string(incoming) +
                               "). Max. allowed is 3.");
        if (incoming == 5)
            expected.push_back(
                "Node 'J' has more (5) than one incoming reach (in system 'S'). Reaches: U1,U2,U3,U4,U5.");
        expected.push_back("Verification Complete.");
        EXPECT_EQ(r.lines, expected) << incoming << " incoming";
        EXPECT_EQ(r.ok, incoming == 3);
    }
}

// A system without nodes stops at once; one without reaches lists the node findings first.
TEST(Verification, NoNodesOrNoReachesStopWithAnExclamationBox) {
    test::SystemBuilder noNodes, noReaches;
    noNodes.reach("S", "A", "A", "OUT");
    noReaches.header("S", "OUT");
    noReaches.node("S", "A");
    for (auto* b : {&noNodes, &noReaches}) {
        ui::RecordingUi ui;
        VerificationResult r = verifySystem(b->db, "S", ui);
        EXPECT_FALSE(r.ok || r.complete);  // no fault count closes a run that stopped
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.beeps, 1);
        EXPECT_EQ(ui.messages[0].title, "INVALID DATA");
        EXPECT_EQ(ui.messages[0].icon, ui::Icon::Exclamation);
        if (b == &noNodes) {
            EXPECT_TRUE(r.lines.empty());
            EXPECT_EQ(ui.messages[0].text, "Nodes for system 'S' could not be found.");
        } else {
            EXPECT_EQ(r.lines, Lines{"Node 'A' has no outgoing reach (in system 'S')."});
            EXPECT_EQ(ui.messages[0].text, "Reaches for system 'S' could not be found.");
        }
    }
}

}  // namespace
}  // namespace kolv::network
