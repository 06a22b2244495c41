// Loading a system from the project, the loop message, the refill in flow order and the IN fields.
#include "network/pipe_nodal_array.h"

#include <gtest/gtest.h>

#include "support/system_builder.h"
#include "ui/recording_ui.h"

namespace kolv::network {
namespace {

using Names = std::vector<std::string>;

Names nodeNames(const PipeNodalArray& a) {
    Names n;
    for (const auto& r : a.records) n.push_back(r.node());
    return n;
}

TEST(LoadPipeNodalArray, OrdersTheSystemAndAnnouncesTheSteps) {
    test::SystemBuilder b;
    b.header("O'Hara", "OUT");  // a quote mark in the system name
    b.link("O'Hara", "C", "OUT");
    b.link("O'Hara", "B", "C");
    b.link("O'Hara", "A", "B");
    b.link("S2", "Z", "OUT");  // another system is not loaded
    ui::RecordingUi ui;
    PipeNodalArray a;
    ASSERT_EQ(loadPipeNodalArray(b.db, "O'Hara", ui, a), LoadStatus::Ok);
    EXPECT_EQ(nodeNames(a), (Names{"A", "B", "C"}));
    EXPECT_EQ(ui.statuses, (Names{"Loading pipe nodal array", "Sorting pipe nodal array in flow direction order",
                                  "Checking for circular references", "Sorting master node array"}));
    EXPECT_TRUE(ui.messages.empty());
    // The refill gives every record its own reach and to node back, and its flow position.
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].flowIndex, i);
        EXPECT_EQ(a[i].reach(), a[i].node());
    }
    EXPECT_EQ(a[0].toNode(), "B");
    EXPECT_EQ(a[2].toNode(), "OUT");
    EXPECT_EQ(a[2].nodeName, "C       ");  // held in 8 characters

    SCOPED_TRACE("a tree loaded out of order: D <- B <- A, D <- C, E <- D");
    test::SystemBuilder t;
    for (auto [from, to] : {std::pair{"D", "E"}, {"E", "OUT"}, {"C", "D"}, {"B", "D"}, {"A", "B"}}) t.link("S", from, to);
    // by hand: pass 1 places C and A in storage order, pass 2 B, pass 3 D, which frees E later in the same scan
    ASSERT_EQ(loadPipeNodalArray(t.db, "S", ui, a), LoadStatus::Ok);
    EXPECT_EQ(nodeNames(a), (Names{"C", "A", "B", "D", "E"}));
    ASSERT_TRUE(determineIncoming(a, ui));
    // the IN fields point upstream, ascending: B <- A, D <- C and B, E <- D
    EXPECT_TRUE(a[2].inCount == 1 && a[2].in[0] == 1);
    EXPECT_TRUE(a[3].inCount == 2 && a[3].in[0] == 0 && a[3].in[1] == 2);
    EXPECT_TRUE(a[4].inCount == 1 && a[4].in[0] == 3);
    // a reach deleted and added again goes to the end of the storage order
    db::RecordSet::executeDelete(t.db, "REACH", "NAME = ?", {"C"});
    t.reach("S", "C", "C", "D");
    ASSERT_EQ(loadPipeNodalArray(t.db, "S", ui, a), LoadStatus::Ok);
    EXPECT_EQ(nodeNames(a), (Names{"A", "C", "B", "D", "E"}));

    // names written past the field size by another program are held by their first 8 characters
    t.db.execute("INSERT INTO REACH (NAME, SYSTEM, NODE1, NODE2) VALUES ('LONGNAME12', 'L', 'LONGNAME12', 'OUT'), "
                 "('UP', 'L', 'UP', 'LONGNAME99')");
    ASSERT_EQ(loadPipeNodalArray(t.db, "L", ui, a), LoadStatus::Ok);
    EXPECT_EQ(nodeNames(a), (Names{"UP", "LONGNAME"}));
    EXPECT_EQ(a[1].reachName, "LONGNAME");
}

TEST(LoadPipeNodalArray, SystemWithoutReachesStopsWithItsMessage) {
    test::SystemBuilder b;
    b.node("EMPTY", "A");
    ui::RecordingUi ui;
    PipeNodalArray a;
    EXPECT_EQ(loadPipeNodalArray(b.db, " EMPTY ", ui, a), LoadStatus::NoReaches);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "INVALID DATA");
    EXPECT_EQ(ui.messages[0].text, "Reaches for system 'EMPTY' could not be found.");
    EXPECT_TRUE(a.empty());

    // a loop stops the load, naming the to nodes of the records it left unplaced
    b.reach("S", "A", "A", "B");
    b.reach("S", "B", "B", "A");
    ui.clear();
    EXPECT_EQ(loadPipeNodalArray(b.db, "S", ui, a), LoadStatus::Loop);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].title == "INVALID DATA" && ui.messages[0].icon == ui::Icon::Critical && ui.beeps == 1);
    EXPECT_EQ(ui.messages[0].text,
              "The following pipes are in a loop. Correct these pipe connections and rerun this calculation.\n\n"
              "Pipes: B A ");
    EXPECT_EQ(a.loopNodes, (Names{"B", "A"}));
}

// ---- IN fields ----

TEST(IncomingRecords, FourIncomingReachesAreAcceptedAndAFifthStopsWithTheNodeNameAsHeld) {
    // J with four incoming reaches, then J to the outfall.
    test::SystemBuilder b;
    for (int k = 1; k <= 4; ++k) b.link("S", "U" + std::to_string(k), "J");
    b.link("S", "J", "OUT");
    ui::RecordingUi ui;
    PipeNodalArray a;
    ASSERT_EQ(loadPipeNodalArray(b.db, "S", ui, a), LoadStatus::Ok);
    ASSERT_TRUE(determineIncoming(a, ui));
    EXPECT_EQ(ui.statuses.back(), "Determining 'IN' field inter-connections");
    const NodalRecord& j = a[4];
    ASSERT_EQ(j.node(), "J");
    EXPECT_EQ(j.inCount, 4);
    EXPECT_EQ(j.in, (std::array<int, 4>{0, 1, 2, 3}));
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(a[i].inCount, 0);
        EXPECT_EQ(a[i].in, (std::array<int, 4>{-1, -1, -1, -1}));
    }
    EXPECT_TRUE(ui.messages.empty());

    b.link("S", "U5", "J");
    ASSERT_EQ(loadPipeNodalArray(b.db, "S", ui, a), LoadStatus::Ok);
    EXPECT_FALSE(determineIncoming(a, ui));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.beeps, 1);
    EXPECT_EQ(ui.messages[0].title, "INVALID DATA");
    EXPECT_EQ(ui.messages[0].icon, ui::Icon::Critical);
    EXPECT_EQ(ui.messages[0].text,
              "Maximum(4) number of incoming pipes has been exceeded at inlet 'J       '.\n"
              " Correct this situation and rerun this calculation.");
}

}  // namespace
}  // namespace kolv::network
