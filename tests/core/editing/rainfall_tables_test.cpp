// IDF coefficient and time-intensity grids: strict cells, whole-block paste, add-table refusals, previews.
#include <gtest/gtest.h>

#include <cmath>

#include "db/record_set.h"
#include "db/undo_history.h"
#include "editing/rainfall_lists.h"
#include "editing/rainfall_tables.h"
#include "support/test_support.h"
#include "ui/recording_ui.h"

using namespace kolv;
using namespace kolv::editing;

namespace {

struct Empty {
    test::TempDir dir;
    std::unique_ptr<db::Database> db = db::Database::open(test::makeEmptyProject(dir));
    Empty() {
        // the seed's rainfall rows are not the rows under test
        db->execute("DELETE FROM T2");
        db->execute("DELETE FROM T85");
    }
    long count(const std::string& sql, const std::vector<db::Value>& params = {}) {
        return static_cast<long>(db->scalar(sql, params).toInt());
    }
};

TEST(AddTimeIntensityTable, RefusesMissingFieldsAndDuplicatesAndTheNewTableHasNoTimesYet) {
    Empty p;
    ui::RecordingUi ui;
    EXPECT_FALSE(addTimeIntensityTable(*p.db, "  ", "10", ui));
    EXPECT_FALSE(addTimeIntensityTable(*p.db, "RIVERTON", "", ui));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].title, "MISSING DATA");
    EXPECT_EQ(ui.messages[0].text, "Location field is empty");
    EXPECT_EQ(ui.messages[1].title, "MISSING DATA");
    EXPECT_EQ(ui.messages[1].text, "Frequency field is empty");

    ui.clear();
    EXPECT_TRUE(addTimeIntensityTable(*p.db, " RIVERTON ", "10", ui));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(p.count("SELECT COUNT(*) FROM T85 WHERE LOCATION = 'RIVERTON' AND FREQUENCY = '10' AND TIME IS NULL"), 1);
    EXPECT_FALSE(addTimeIntensityTable(*p.db, "RIVERTON", "10", ui));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Duplicate Entry");
    EXPECT_EQ(ui.messages[0].text, "Record already exist.");
    EXPECT_EQ(p.count("SELECT COUNT(*) FROM T85"), 1);
    // another frequency of the same location is a table of its own
    EXPECT_TRUE(addTimeIntensityTable(*p.db, "RIVERTON", "25", ui));
    EXPECT_EQ(editing::timeIntensityFrequencies(*p.db, "RIVERTON"), (std::vector<std::string>{"10", "25"}));
    // a table just added has no times yet: its preview says so and still has 19 points
    EXPECT_EQ(timeIntensityPreview(*p.db, ui, "RIVERTON", "25").size(), 19u);
    EXPECT_EQ(ui.messages.back().text, "Missing data in 'Time' field of User-Defined Time-Intensity table");

    // every 5 minutes from 0 to 90: straight between the rows, the end intensities held beyond them
    p.db->execute("INSERT INTO T85 VALUES ('TWO', '3', 10, 6.0), ('TWO', '3', 30, 4.0)");
    ui.clear();
    const auto two = timeIntensityPreview(*p.db, ui, "TWO", "3");
    ASSERT_EQ(two.size(), 19u);
    EXPECT_TRUE(two[4].durationMin == 20 && two[18].durationMin == 90);
    EXPECT_NEAR(two[0].intensity, 6.0, 1e-6);
    EXPECT_NEAR(two[4].intensity, 5.0, 1e-6);  // 20 min, halfway between the two rows
    EXPECT_NEAR(two[18].intensity, 4.0, 1e-6);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(DeleteTimeIntensityTable, AsksThenTheListsNoLongerOfferIt) {
    Empty p;
    p.db->execute("INSERT INTO T85 VALUES ('RIVERTON', '3', 5, 7.9), ('RIVERTON', '3', 10, 6.5), "
                  "('RIVERTON', '10', 5, 9.1), ('HILLS', '3', 5, 6.0)");
    ui::RecordingUi ui;
    ui.answers.push_back(ui::Answer::No);
    EXPECT_FALSE(deleteTimeIntensityTable(*p.db, "RIVERTON", "3", ui));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "DELETE TIME-INTENSITY TABLE");
    EXPECT_EQ(ui.messages[0].text, "Delete Location 'RIVERTON' Frequency '3'");
    EXPECT_EQ(p.count("SELECT COUNT(*) FROM T85"), 4);

    ui.answers.push_back(ui::Answer::Yes);
    EXPECT_TRUE(deleteTimeIntensityTable(*p.db, "RIVERTON", "3", ui));
    EXPECT_EQ(editing::timeIntensityFrequencies(*p.db, "RIVERTON"), std::vector<std::string>{"10"});
    ui.answers.push_back(ui::Answer::Yes);
    EXPECT_TRUE(deleteTimeIntensityTable(*p.db, "RIVERTON", "10", ui));
    EXPECT_EQ(editing::timeIntensityLocations(*p.db), std::vector<std::string>{"HILLS"});
}

TEST(TimeIntensityGrid, SelectionFiltersAndNewRowsCarryTheSelectedTable) {
    Empty p;
    p.db->execute("INSERT INTO T85 VALUES ('RIVERTON', '3', 10, 6.5), ('RIVERTON', '3', 5, 7.9), "
                  "('RIVERTON', '10', 5, 9.1), ('HILLS', '3', 5, 6.0)");
    ui::RecordingUi ui;
    auto grid = makeTimeIntensityGrid(*p.db);
    ASSERT_EQ(grid->rowCount(), 4u);
    EXPECT_EQ(grid->cell(0, 0), "HILLS");
    // nothing selected: a new row would belong to no table
    EXPECT_FALSE(grid->addRow(ui));
    EXPECT_EQ(ui.messages.back().text, "Select a location and a frequency first.");

    selectTimeIntensityTable(*grid, "RIVERTON", "");
    EXPECT_EQ(grid->rowCount(), 3u);
    ui.clear();
    EXPECT_FALSE(grid->addRow(ui));  // a location alone is no table either
    EXPECT_EQ(ui.messages.size(), 1u);
    selectTimeIntensityTable(*grid, "RIVERTON", "3");
    ASSERT_EQ(grid->rowCount(), 2u);
    EXPECT_EQ(grid->cell(0, 2), "5");  // ordered by time
    EXPECT_EQ(grid->cell(1, 3), "6.5");

    ASSERT_TRUE(grid->addRow(ui));
    ASSERT_TRUE(grid->setCell(2, 2, "15", ui));
    ASSERT_TRUE(grid->setCell(2, 3, "5.6", ui));
    EXPECT_EQ(p.count("SELECT COUNT(*) FROM T85 WHERE LOCATION = 'RIVERTON' AND FREQUENCY = '3' AND TIME = 15"), 1);

    // a pasted block naming another table is refused, not silently moved into this one
    EXPECT_EQ(grid->paste(0, 0, "HILLS\t3\t25\t4.5\n", ui), 0u);
    EXPECT_EQ(ui.messages.back().text,
              "Pasted row 1, column 'Location': Location 'HILLS' is not the one on display ('RIVERTON').\r"
              "Nothing was pasted.");
    EXPECT_EQ(grid->paste(2, 0, "riverton\t3\t15\t5.6\n", ui), 4u);

    // a row changed while its table is selected is written into that table
    p.db->execute("INSERT INTO T85 VALUES ('riverton', '3', 20, 4.9)");
    selectTimeIntensityTable(*grid, "RIVERTON", "3");
    ASSERT_EQ(grid->rowCount(), 4u);
    ASSERT_TRUE(grid->setCell(3, 3, "4.8", ui));
    EXPECT_EQ(p.count("SELECT COUNT(*) FROM T85 WHERE LOCATION = 'RIVERTON' AND TIME = 20 AND INTENSITY > 4.79 "
                      "AND INTENSITY < 4.81"), 1);
}

TEST(TableGrid, TypedTextThatIsNoNumberIsRefusedAndAPasteWithOneIsRefusedWhole) {
    Empty p;
    p.db->execute("INSERT INTO T2 VALUES ('6', '3', 10.5, -2.0, 0.1, 0.01)");
    ui::RecordingUi ui;
    auto grid = makeIdfGrid(*p.db);
    ASSERT_EQ(grid->rowCount(), 1u);
    for (const char* bad : {"abc", "1,5", "", "2.3.4"}) {
        ui.clear();
        EXPECT_FALSE(grid->setCell(0, 2, bad, ui)) << bad;
        ASSERT_EQ(ui.messages.size(), 1u) << bad;
        EXPECT_EQ(ui.messages[0].title, "INVALID DATA");
    }
    EXPECT_EQ(grid->cell(0, 2), "10.5");
    EXPECT_NEAR(p.db->scalar("SELECT A FROM T2").toDouble(), 10.5, 1e-6);

    ui.clear();
    EXPECT_FALSE(grid->setCell(0, 0, "ZONE NAME TOO LONG", ui));  // Zone is Text(10)
    EXPECT_EQ(ui.messages.back().text, "Zone is limited to 10 characters.");

    SCOPED_TRACE("a pasted block with one bad number is refused whole");
    db::UndoHistory& history = p.db->attachHistory();
    ui.clear();
    const std::string bad = "6\t5\t11.2\t-2.4\t0.05\t0.02\r\n6\t10\t12.9\tx\t0.07\t0.02\r\n";
    EXPECT_EQ(grid->paste(0, 0, bad, ui), 0u);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "INVALID DATA");
    EXPECT_NE(ui.messages[0].text.find("Pasted row 2, column 'B'"), std::string::npos) << ui.messages[0].text;
    EXPECT_EQ(p.count("SELECT COUNT(*) FROM T2"), 1);
    EXPECT_NEAR(p.db->scalar("SELECT A FROM T2").toDouble(), 10.5, 1e-6);

    // a block wider than the columns to its right is refused too
    ui.clear();
    EXPECT_EQ(grid->paste(0, 3, "1\t2\t3\t4\n", ui), 0u);
    EXPECT_EQ(ui.messages.size(), 1u);

    // the good block overwrites the first row and adds the second, as one undo step
    ui.clear();
    const std::string good = "6\t5\t11.2\t-2.4\t0.05\t0.02\r\n6\t10\t12.9\t-2.6\t0.07\t0.02\r\n";
    EXPECT_EQ(grid->paste(0, 0, good, ui), 12u);
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(grid->rowCount(), 2u);
    EXPECT_EQ(grid->cell(1, 1), "10");
    EXPECT_EQ(grid->cell(1, 3), "-2.6");
    // the chart of the first row: every minute from 5 to 120, falling, and at 60 minutes
    // i = A + B ln 60 + C ln^2 60 + D ln^3 60 (ln 60 = 4.094345)
    const auto curve = idfCurve(idfCoefficientsOfRow(*grid, 0));
    ASSERT_EQ(curve.size(), 116u);
    EXPECT_TRUE(curve.front().durationMin == 5 && curve.back().durationMin == 120);
    const double l = std::log(60.0);
    EXPECT_NEAR(curve[55].intensity, 11.2 - 2.4 * l + 0.05 * l * l + 0.02 * l * l * l, 1e-4);
    for (std::size_t k = 1; k < curve.size(); ++k) EXPECT_LT(curve[k].intensity, curve[k - 1].intensity);
    EXPECT_EQ(p.count("SELECT COUNT(*) FROM T2"), 2);
    EXPECT_EQ(history.undoName(), "Paste IDF Coefficients");
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(p.count("SELECT COUNT(*) FROM T2"), 1);
    EXPECT_NEAR(p.db->scalar("SELECT A FROM T2").toDouble(), 10.5, 1e-6);
}

TEST(TableGrid, SortsNumbersByValueAndDeletesAfterAsking) {
    Empty p;
    p.db->execute("INSERT INTO T2 VALUES ('10', '3', 9, 0, 0, 0), ('2', '3', 11, 0, 0, 0), ('1', '3', NULL, 0, 0, 0)");
    ui::RecordingUi ui;
    auto grid = makeIdfGrid(*p.db);
    grid->sortBy(2, true);
    EXPECT_EQ(grid->cell(0, 2), "9");
    EXPECT_EQ(grid->cell(1, 2), "11");  // by value, not as text
    EXPECT_EQ(grid->cell(2, 2), "");    // blanks last
    grid->sortBy(0, false);
    EXPECT_EQ(grid->cell(0, 0), "2");

    // a cell written after sorting lands in the row shown
    ASSERT_TRUE(grid->setCell(0, 5, "0.5", ui));
    EXPECT_NEAR(p.db->scalar("SELECT D FROM T2 WHERE Zone = '2'").toDouble(), 0.5, 1e-7);

    ui.answers.push_back(ui::Answer::No);
    EXPECT_FALSE(grid->deleteRows({0, 1}, ui));
    EXPECT_EQ(ui.messages.back().title, "DELETE RECORD");
    EXPECT_EQ(ui.messages.back().text, "Delete the 2 selected rows?");
    EXPECT_EQ(p.count("SELECT COUNT(*) FROM T2"), 3);
    ui.answers.push_back(ui::Answer::Yes);
    EXPECT_TRUE(grid->deleteRows({1, 0}, ui));
    ASSERT_EQ(grid->rowCount(), 1u);
    EXPECT_EQ(p.count("SELECT COUNT(*) FROM T2"), 1);
    EXPECT_EQ(p.db->scalar("SELECT Zone FROM T2").toText(), grid->cell(0, 0));
}

}  // namespace
