// Project setup (null repair, unit system, junction configurations) and the outfall and header record.
#include <gtest/gtest.h>

#include "db/record_set.h"
#include "editing/outfall_header.h"
#include "editing/project_setup.h"
#include "editing/special_table_edit.h"
#include "support/test_support.h"
#include "ui/recording_ui.h"

using namespace kolv;
using namespace kolv::editing;

namespace {

struct Project {
    test::TempDir dir;
    std::unique_ptr<db::Database> db = db::Database::open(test::makeEmptyProject(dir));
    db::Value t0(const std::string& f) { return db->scalar("SELECT " + db::quoteIdent(f) + " FROM T0"); }
};

TEST(ProjectSetup, OpeningRepairsNullsAndOkSavesWhatIsValid) {
    Project p;
    p.db->execute("UPDATE T0 SET PRJ_NUMBER = NULL, PRJ_DESC = NULL, PRJ_COUNTY = NULL, PRJ_STATE_ROAD = NULL, "
                  "NEXT_NODE_PREFIX = NULL, NEXT_NODE_NUMBER = NULL, JC7 = 0.6");
    ProjectSetup s = openProjectSetup(*p.db);
    EXPECT_EQ(s.number, ".");
    EXPECT_EQ(s.county, ".");
    EXPECT_EQ(s.prefix, "S-");
    EXPECT_EQ(s.nextNumber, "1");
    EXPECT_DOUBLE_EQ(s.jc[6], 0.6);
    for (const char* f : {"PRJ_NUMBER", "PRJ_DESC", "PRJ_COUNTY", "PRJ_STATE_ROAD"}) EXPECT_EQ(p.t0(f).toText(), ".");
    EXPECT_EQ(p.t0("NEXT_NODE_PREFIX").toText(), "S-");
    EXPECT_EQ(p.t0("NEXT_NODE_NUMBER").toInt(), 1);

    SCOPED_TRACE("unit system and coefficients are written at once, OK saves the rest");
    setUnitSystem(*p.db, true);
    EXPECT_EQ(p.t0("ENGLISH_METRIC").toInt(), -1);
    setJunctionCoefficient(*p.db, 14, 0.8);
    EXPECT_DOUBLE_EQ(p.t0("JC14").toDouble(), 0.8);
    s = openProjectSetup(*p.db);
    EXPECT_TRUE(s.metric);
    s.number = "  P-101  ";
    s.usePrefix = true;
    s.prefix = "MH-";
    s.nextNumber = "40";
    ui::RecordingUi ui;
    ASSERT_TRUE(saveProjectSetup(*p.db, s, ui));
    EXPECT_EQ(p.t0("PRJ_NUMBER").toText(), "P-101");
    EXPECT_EQ(p.t0("NEXT_NODE_PREFIX").toText(), "MH-");
    EXPECT_EQ(p.t0("NEXT_NODE_NUMBER").toInt(), 40);
    s.prefix = "TOOLONG";
    EXPECT_FALSE(saveProjectSetup(*p.db, s, ui));
    EXPECT_EQ(ui.messages.back().title, "INVALID DATA");
    // the next number is read whole: no digits picked out of a longer text
    s.prefix = "MH-";
    for (const auto& [typed, message] :
         {std::pair{"41 next", "The next node number: '41 next' is not a number."},
          {"40000", "The next node number must be a whole number between 0 and 32,767."},
          {"2.5", "The next node number must be a whole number between 0 and 32,767."}}) {
        s.nextNumber = typed;
        EXPECT_FALSE(saveProjectSetup(*p.db, s, ui)) << typed;
        EXPECT_EQ(ui.messages.back().text, message);
        EXPECT_EQ(p.t0("NEXT_NODE_NUMBER").toInt(), 40) << typed;
    }
    EXPECT_EQ(checkJunctionCoefficient("0.5 K").error, "Coefficient: '0.5 K' is not a number.");
    EXPECT_EQ(checkJunctionCoefficient("150").error, "Coefficient must be between 0 and 100.");
    EXPECT_DOUBLE_EQ(*checkJunctionCoefficient("1.25").value, 1.25);
}

TEST(ProjectSetup, UnitChangeAsksWithNoAsDefaultAndSaysNumbersStay) {
    ui::RecordingUi ui;
    EXPECT_FALSE(confirmUnitSystemChange(true, ui));  // the default answer keeps the units
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Change Units");
    EXPECT_EQ(ui.messages[0].defaultAnswer, ui::Answer::No);
    EXPECT_NE(ui.messages[0].text.find("Stored numbers are not converted"), std::string::npos);
    EXPECT_NE(ui.messages[0].text.find("100 feet becomes 100 meters"), std::string::npos);
    ui.answers.push_back(ui::Answer::Yes);
    EXPECT_TRUE(confirmUnitSystemChange(false, ui));
    EXPECT_NE(ui.messages[1].text.find("English units (ft, ac, cfs)"), std::string::npos);
}

TEST(ProjectSetup, ResultListColoursAreStoredAsBgrAndAnEmptyFieldKeepsTheListsOwn) {
    Project p;
    p.db->execute("UPDATE T0 SET RESULTS_BACKCOLOR = ?, RESULTS_FORECOLOR = NULL",
                  {db::Value(static_cast<std::int64_t>(0x00336699))});
    const ResultsColors c = resultsColors(*p.db);
    ASSERT_TRUE(c.back.has_value());
    EXPECT_EQ(*c.back, (SetupColor{0x99, 0x66, 0x33}));  // 0x00BBGGRR
    EXPECT_FALSE(c.text.has_value());
    p.db->execute("DELETE FROM T0");
    EXPECT_FALSE(resultsColors(*p.db).back.has_value());
}

// Configurations 1-12 are four bends by three lateral counts; 13 and 14 are junctions of equal pipes.
TEST(ProjectSetup, FourteenJunctionConfigurations) {
    using Lines = std::array<std::string, 2>;
    EXPECT_EQ(junctionDescription(1), (Lines{"0-10 degree bend in trunk line", "No laterals"}));
    EXPECT_EQ(junctionDescription(7), (Lines{">45-90 degree bend in trunk line", "One small lateral"}));
    EXPECT_EQ(junctionDescription(12), (Lines{">90 degree bend in trunk line", "Two small laterals"}));
    EXPECT_EQ(junctionDescription(13)[1], "One larger pipe exits");
    EXPECT_EQ(junctionDescription(14)[0], "Three similar sized pipes enter");
    EXPECT_EQ(junctionCurrentText(3), "Current: 3 of 14");
}

TEST(OutfallHeader, SavingWithTheTableMethodWritesZoneAndFreqToo) {
    Project p;
    p.db->execute("INSERT INTO T16 (SYSTEM, OUT_NODE, ZONE, FREQ) VALUES ('S''1', 'EW-1', '6', 3)");
    auto h = loadOutfallHeader(*p.db, "S'1");
    ASSERT_TRUE(h);
    EXPECT_EQ(h->rainfall1, "6");
    EXPECT_EQ(h->rainfall2, "3");
    h->intensityMethod = 1;
    h->rainfall1 = "ORLANDO";
    h->rainfall2 = "25";
    h->tailwater = "12.4";
    h->topStatus = 1;
    ui::RecordingUi ui;
    ASSERT_TRUE(saveOutfallHeader(*p.db, "S'1", *h, ui));
    EXPECT_EQ(p.db->scalar("SELECT ZONE || ' ' || LOCATION || ' ' || FREQ || ' ' || FREQUENCY || ' ' || OUT_TW || ' ' || "
                           "INTENSITY_METHOD || ' ' || TOP_STATUS FROM T16 WHERE SYSTEM = ?", {"S'1"})
                  .toText(),
              "ORLANDO ORLANDO 25.0 25 12.4 1 1");
    EXPECT_FALSE(saveOutfallHeader(*p.db, "NONE", *h, ui));
    EXPECT_EQ(ui.messages.back().title, "MISSING DATA");
    // the window's captions follow the intensity method and the node type
    EXPECT_EQ(rainfallCaption(0) + "/" + rainfallCaption(1), "Zone/Location");
    EXPECT_EQ(elevationCaption(0) + "/" + topStatusCaption(1), "Inlet/Top El./Status");
}

TEST(OutfallHeader, TypedNumbersAreReadWholeAndWithinTheirRangesOrNothingIsWritten) {
    Project p;
    p.db->execute("INSERT INTO T16 (SYSTEM, OUT_NODE, OUT_TW, OUT_EL, ZONE, FREQ) VALUES ('S1', 'EW-1', 10, 5, '6', 3)");
    auto good = loadOutfallHeader(*p.db, "S1");
    ASSERT_TRUE(good);
    struct Case {
        std::string OutfallHeader::*field;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {&OutfallHeader::tailwater, "12.4 ft", "Tailwater Elevation: '12.4 ft' is not a number."},
        {&OutfallHeader::elevation, "99999999", "Outfall Elevation must be between -30,000 and 30,000 ft."},
        {&OutfallHeader::exitLoss, "-1", "Exit Loss Coefficient must be between 0 and 100."},
        {&OutfallHeader::angle, "720", "Angle must be between -360 and 360 degrees."},
        {&OutfallHeader::rainfall2, "3 yr", "Frequency: '3 yr' is not a number."},
    };
    ui::RecordingUi ui;
    for (const Case& c : cases) {
        OutfallHeader h = *good;
        h.*c.field = c.text;
        EXPECT_FALSE(saveOutfallHeader(*p.db, "S1", h, ui)) << c.text;
        ASSERT_FALSE(ui.messages.empty());
        EXPECT_EQ(ui.messages.back().title, "INVALID DATA");
        EXPECT_EQ(ui.messages.back().text, c.message);
    }
    OutfallHeader area = *good;
    area.areaC[1] = "1.5";
    EXPECT_EQ(outfallHeaderFault(*p.db, area).value_or(""), "Area 2-C must be between 0 and 1.");
    db::RecordSet t16(*p.db, "T16", "SYSTEM = ?", {"S1"});
    EXPECT_DOUBLE_EQ(t16.number("OUT_TW"), 10.0);
    EXPECT_DOUBLE_EQ(t16.number("OUT_EL"), 5.0);
    // a metric project states its range in metres
    setUnitSystem(*p.db, true);
    EXPECT_EQ(checkOutfallHeaderField(*p.db, "OUT_EL", "9145").error,
              "Outfall Elevation must be between -9,144.02 and 9,144.02 m.");
}

TEST(OutfallHeader, AnOutfallNamedLikeANodeIsRefusedAndNothingWritten) {
    Project p;
    p.db->execute("INSERT INTO T16 (SYSTEM, OUT_NODE, OUT_TW) VALUES ('S1', 'EW-1', 10), ('S2', 'EW-9', 0)");
    p.db->execute("INSERT INTO NODE (NAME, SYSTEM) VALUES ('OUT-1', 'S2'), ('A', 'S1')");
    auto h = loadOutfallHeader(*p.db, "S1");
    ASSERT_TRUE(h);
    h->tailwater = "11";
    ui::RecordingUi ui;
    for (const char* taken : {"OUT-1", " out-1 ", "A"}) {
        h->outNode = taken;
        EXPECT_FALSE(saveOutfallHeader(*p.db, "S1", *h, ui)) << taken;
        ASSERT_FALSE(ui.messages.empty());
        EXPECT_EQ(ui.messages.back().title, "DUPLICATE RECORD");
    }
    EXPECT_EQ(ui.messages.front().text,
              "The outfall can not be named 'OUT-1': node 'OUT-1' of system 'S2' has that name.\r"
              "Enter a name that no node uses.");
    db::RecordSet t16(*p.db, "T16", "SYSTEM = ?", {"S1"});
    EXPECT_EQ(t16.text("OUT_NODE"), "EW-1");
    EXPECT_DOUBLE_EQ(t16.number("OUT_TW"), 10.0);
    // another system's outfall name is no node name: accepted, as is keeping its own name
    h->outNode = "EW-9";
    EXPECT_TRUE(saveOutfallHeader(*p.db, "S1", *h, ui));
    h->outNode = "";
    EXPECT_TRUE(saveOutfallHeader(*p.db, "S1", *h, ui));
}

TEST(SpecialTableEdit, AsksWithNoAsDefaultAndEditsCells) {
    ui::RecordingUi ui;
    EXPECT_FALSE(confirmSpecialTableEdit(ui));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Special Table Edit");
    EXPECT_EQ(ui.messages[0].icon, ui::Icon::Exclamation);
    EXPECT_EQ(ui.messages[0].defaultAnswer, ui::Answer::No);
    EXPECT_EQ(ui.messages[0].text,
              "The 'Special Table Edit' screen is used to fix internal database problems and should\r"
              "be used only with instruction from KOLV tech support. (555) 010-0199\rDo you want to continue?");

    Project p;
    p.db->execute("INSERT INTO NODE (NAME, SYSTEM, TC) VALUES ('A', 'S1', 10)");
    SpecialTableRows g = loadSystemRows(*p.db, "NODE", "S1");
    ASSERT_EQ(g.cells.size(), 1u);
    ASSERT_TRUE(writeCell(*p.db, "NODE", g.rowids[0], "TC", "12.5"));
    ASSERT_TRUE(writeCell(*p.db, "NODE", g.rowids[0], "STATION", "1+00"));
    EXPECT_DOUBLE_EQ(p.db->scalar("SELECT TC FROM NODE").toDouble(), 12.5);
    EXPECT_EQ(p.db->scalar("SELECT STATION FROM NODE").toText(), "1+00");
}

}  // namespace
