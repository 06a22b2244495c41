// Label lines of nodes, reaches and the outfall, and the display option sets.
#include <gtest/gtest.h>

#include "diagram/labels.h"
#include "support/system_builder.h"
#include "ui/recording_ui.h"

using namespace kolv;
using namespace kolv::diagram;

namespace {

struct Labelled {
    test::SystemBuilder b;
    Labelled() {
        b.db.execute("INSERT INTO T16 (SYSTEM, OUT_NODE, OUT_STA, OUT_OFF, STRUCT_NAME, OUT_EL, OUT_TW, "
                     "EXIT_LOSS_COEFF, EXIT_LOSS_16, CONTROL_EL_16, AREA1, AREA2, AREA3) VALUES "
                     "('S1', 'OUT', '40+00', 150, 'OUTFALL', 22.36, 23.85, 1, 0.125, 24.004, 0.9, 0.3, 0.5)");
        // A: area 1 computed from the system default 0.9, area 2 typed 0.2
        b.db.execute("INSERT INTO NODE (NAME, SYSTEM, STATION, OFFSET, STRUCT_NAME, INLET_ELEV, MIN_HGL, "
                     "JUNC_LOSS_COEFF, TC, BASE_FLOW, P_C1DA, P_C2DA, P_C3DA, RUNOFF_C1, RUNOFF_C2, RUNOFF_C3, "
                     "CALC_RUNOFF_C1, CALC_RUNOFF_C2, CALC_RUNOFF_C3) VALUES ('A', 'S1', '10+00', 20, 'CI5', "
                     "40.8, 0, 0.5, 10, 0.25, 0.45, 0.3, 0, 0.1, 0.2, 0.3, -1, 0, 0)");
        b.db.execute("INSERT INTO NODE (NAME, SYSTEM) VALUES ('B', 'S1')");
        b.db.execute("INSERT INTO REACH (NAME, SYSTEM, NODE1, NODE2, PIPE_NAME, LENGTH, ELEV1, ELEV2, "
                     "CALC_PIPESIZE, CALC_FROM_ELEV, CALC_TO_ELEV) VALUES ('A', 'S1', 'A', 'B', '18RCPX', 300, "
                     "36.5, 35.0, 0, -1, 0)");
        b.db.execute("INSERT INTO REACH (NAME, SYSTEM, NODE1, NODE2, PIPE_NAME, LENGTH, CALC_PIPESIZE) "
                     "VALUES ('B', 'S1', 'B', 'OUT', '', 0, -1)");
        b.db.execute("INSERT INTO T7 (NAME, ENG_MET, HEIGHT, N) VALUES ('18RCPX', 0, 1.5, 0.013)");
    }
    void addResults() {
        b.db.execute("INSERT INTO T60 (SYSTEM, \"FROM\", \"TO\", P_LOCAL_CA, INTENSITY, P_UPSTREAM_CA, TOTALCA, TC, "
                     "JLOSS, HGL_AT_NODE, CLEARENCE, TF, Qbasetot, Qro, Q, HGL_UP, HGL_DN, LENGTH, FLOW_COND, "
                     "VELOCITY, VELOCITY_PHYS, CAPACITY) VALUES ('S1', 'A', 'B', 0.465, 6.5, 0, 0.465, 10, "
                     "0.05, 38.2, 2.6, 1.25, 0.25, 3.02, 3.27, 38.2, 37.1, 300, 'PARTIAL', 4.1, 4.3, 10.47)");
    }
    static DisplayOptions all(LabelItem::Object object) {
        DisplayOptions o;
        for (const LabelItem& i : labelItems())
            if (i.object == object) o.on[i.field] = true;
        return o;
    }
};

}  // namespace

TEST(NodeLabel, EveryRecordLineBeforeAnyComputationAndResultLinesWhereThereAreResults) {
    Labelled l;
    LabelBuilder labels(l.b.db, "S1", Labelled::all(LabelItem::Object::Node));
    EXPECT_EQ(labels.nodeLabel("A"),
              "A\r10+00 (20.00)\rCI5\rInEl: 40.80\rMinHGL: 0.00\rxLosCoef: 0.50\rInitTc: 10.00\rBaseFlow: 0.25"
              "\rArea1: 0.45 (0.90)\rArea2: 0.30 (0.20)\rArea3: 0.00 (0.30)"
              // C = (0.45 x 0.9 + 0.3 x 0.2) / 0.75 = 0.62
              "\rTotArea: 0.75 (0.62)");
    EXPECT_EQ(labels.nodeLabel("NOSUCH"), "NOSUCH");

    SCOPED_TRACE("result lines only where the node has results");
    l.addResults();
    DisplayOptions o;
    for (const char* f : {"LVSINT13", "LVSSGL18", "LVSINT14", "LVSINT15", "LVSINT16", "LVSINT17", "LVSINT18",
                          "LVSINT19", "LVSINT20"})
        o.on[f] = true;
    LabelBuilder results(l.b.db, "S1", o);
    EXPECT_EQ(results.nodeLabel("A"),
              "A\rLocCA: 0.47\rLocQ: 3.02\rUpsCA: 0.00\rTotCA: 0.47\rTc: 10.00\rInten: 6.50\rxLoss: 0.05"
              "\rHGL: 38.20\rClr: 2.60");  // LocQ = 0.465 x 6.5 = 3.0225
    EXPECT_EQ(results.nodeLabel("B"), "B");
}

TEST(ReachLabel, RecordLinesWithFixedMarksAndInvalidLengthAndResultLinesFromTheUpstreamNode) {
    Labelled l;
    LabelBuilder labels(l.b.db, "S1", Labelled::all(LabelItem::Object::Reach));
    EXPECT_EQ(labels.reachLabel("A"),
              "A\r18RCPX(L)\r300.00 ft\rN: 0.0130\rCrown El: 38.00 -> 36.50\rInvert El: 36.50 -> 35.00"
              "\rInvert El: 36.50 -> 35.00(L)\rSlope: 0.5000%");  // (36.5 - 35) / 300 = 0.5 %
    EXPECT_EQ(labels.reachLabel("B"),
              "B\r<none>\r0.00 ft\rN: 0.0000\rCrown El: 0.00 -> 0.00\rInvert El: 0.00 -> 0.00"
              "\rInvert El: 0.00(L) -> 0.00(L)\rSlope: <invalid length>");
    // No display option switched on (a new project, a missing set): the name alone.
    EXPECT_EQ(LabelBuilder(l.b.db, "S1", DisplayOptions{}).reachLabel("A"), "A");
    DisplayOptions nodeLinesOnly;
    nodeLinesOnly.on["LVSINT4"] = true;
    EXPECT_EQ(LabelBuilder(l.b.db, "S1", nodeLinesOnly).reachLabel("B"), "B");

    SCOPED_TRACE("result lines from the upstream node");
    l.addResults();
    DisplayOptions o;
    for (const char* f : {"LVSINT29", "LVSINT30", "LVSSGL1", "LVSSGL2", "LVSSGL3", "LVSSGL4", "LVSSGL5", "LVSSGL6",
                          "LVSSGL7", "LVSSGL8"})
        o.on[f] = true;
    LabelBuilder results(l.b.db, "S1", o);
    EXPECT_EQ(results.reachLabel("A"),
              "Travel Time: 1.25\rSum Base Flow(Qb): 0.25\rSum CIA Flow: 3.02\rQ: 3.27 cfs\rHGL El: 38.20 -> 37.10"
              "\rHGL Slope: 0.3667%\rPARTIAL\rVel (Actual): 4.10\rVel (Phys): 4.30\rCapacity: 10.47");
    EXPECT_EQ(results.reachLabel("B"), "");  // node B has no results
}

TEST(OutfallLabel, HeaderLinesInTableOrder) {
    Labelled l;
    LabelBuilder labels(l.b.db, "S1", Labelled::all(LabelItem::Object::Outfall));
    EXPECT_EQ(labels.outfallLabel(),
              "OUT\r40+00 (150.00)\rOUTFALL\rTop El: (22.36)\rExit Loss Coef: (1.00)\rTailWater El: (23.85)"
              "\rExit Loss: (0.13)\rControl El: (24.00)");
}

TEST(DisplaySets, SetSevenLivesInRowSeventeenAndMissingSetsAreReported) {
    Labelled l;
    EXPECT_EQ(displaySetRecnum(7), 17);
    EXPECT_EQ(displaySetRecnum(6), 6);
    ui::RecordingUi ui;
    DisplayOptions o;
    l.b.db.execute("DELETE FROM T27 WHERE RECNUM = 17");
    EXPECT_FALSE(readDisplayOptions(l.b.db, 7, o, ui));
    EXPECT_EQ(ui.texts(), std::vector<std::string>{
                              "Display option '7' cannot be found.\rUse 'Display Options' button to define this option."});

    DisplayOptions on;
    on.on["LVSINT3"] = true;
    writeDisplayOptions(l.b.db, 7, on);
    ASSERT_TRUE(readDisplayOptions(l.b.db, 7, o, ui));
    EXPECT_TRUE(o.isOn("LVSINT3"));
    EXPECT_FALSE(o.isOn("LVSINT4"));
    EXPECT_EQ(l.b.db.scalar("SELECT LVSINT3 FROM T27 WHERE RECNUM = 17").toInt(), -1);
    // the hydraulics options in row 7 are untouched
    EXPECT_EQ(l.b.db.scalar("SELECT LVSINT9 FROM T27 WHERE RECNUM = 7").toInt(), 50);
}
