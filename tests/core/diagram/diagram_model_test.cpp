// Reading a system for drawing: classes of nodes and outfall, reaches, the fit rule.
#include <gtest/gtest.h>

#include "diagram/diagram_model.h"
#include "support/system_builder.h"
#include "ui/recording_ui.h"

using namespace kolv;
using namespace kolv::diagram;

namespace {

struct Drawn {
    test::SystemBuilder b;
    Session session;
    ui::RecordingUi ui;
    Drawn() {
        b.db.execute("INSERT INTO T16 (SYSTEM, OUT_NODE, STRUCT_NAME, XD, YD) VALUES ('S1', 'OUT', 'OUTFALL', 900, 50)");
        b.db.execute("INSERT INTO NODE (NAME, SYSTEM, STRUCT_NAME, XD, YD) VALUES ('A', 'S1', 'MH5', 100, 200)");
        b.db.execute("INSERT INTO NODE (NAME, SYSTEM, STRUCT_NAME, XD, YD) VALUES ('B', 'S1', 'NOSUCH', 500, 300)");
        b.db.execute("INSERT INTO NODE (NAME, SYSTEM, XD, YD) VALUES ('C', 'S1', 600, 700)");
        b.db.execute("INSERT INTO NODE (NAME, SYSTEM, XD, YD) VALUES ('Z', 'S2', 20000, 700)");
        b.db.execute("INSERT INTO REACH (NAME, SYSTEM, NODE1, NODE2) VALUES ('A', 'S1', 'A', 'B')");
        b.db.execute("INSERT INTO REACH (NAME, SYSTEM, NODE1, NODE2) VALUES ('B', 'S1', 'B', 'OUT')");
        b.db.execute("INSERT INTO REACH (NAME, SYSTEM, NODE1, NODE2) VALUES ('C', 'S1', 'C', '')");
    }
};

}  // namespace

TEST(DiagramLoad, EntitiesCarryTheirStructureClassesOrUnknownOnes) {
    Drawn d;
    auto data = loadDiagram(d.b.db, "S1", 0, d.session, d.ui);
    ASSERT_TRUE(data);
    ASSERT_EQ(data->entities.size(), 4u);
    // MH5 of the seed; a structure not defined and none at all draw as curb inlets
    EXPECT_EQ(data->entities[0].className + "|" + data->entities[1].className + "|" + data->entities[2].className + "|" +
                  data->entities[3].className,
              "Manhole|Curb Inlet|Curb Inlet|Outfall");
    EXPECT_TRUE(data->entities[3].outfall);
    EXPECT_EQ(d.session.diagnosisLog,
              std::vector<std::string>{"Attempting to find Structure Name in the System Outfall and Header Detail record."});
    // the reach without a downstream node is not drawn
    ASSERT_EQ(data->relations.size(), 2u);
    EXPECT_EQ(data->relations[1].to, "OUT");
    EXPECT_EQ(data->relations[1].pipeClass, 2);
    EXPECT_TRUE(data->minX == 100 && data->maxX == 900 && data->minY == 50 && data->maxY == 700);
    // fitted to the window: origin 50 units below the extent, the smaller ratio of the extent plus 100
    const FitView fit = fitView(*data, 1000, 800);
    EXPECT_TRUE(fit.originX == 50 && fit.originY == 0);
    EXPECT_DOUBLE_EQ(fit.scale, 800.0 / 750.0);
    EXPECT_DOUBLE_EQ(fitView(*data, 500, 800).scale, 500.0 / 900.0);

    // an outfall without a defined structure is of an unknown class
    d.b.db.execute("UPDATE T16 SET STRUCT_NAME = 'XX'");
    data = loadDiagram(d.b.db, "S1", 0, d.session, d.ui);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->entities.back().className, "???");
    // a metric project looks among the metric definitions only: MH5 is English
    data = loadDiagram(d.b.db, "S1", 1, d.session, d.ui);
    EXPECT_EQ(data->entities[0].className, "Curb Inlet");
}
