// Structure and pipe definitions: names of 8 characters, one key over both unit systems, delete, pipe checks.
#include <gtest/gtest.h>

#include <algorithm>

#include "db/record_set.h"
#include "db/undo_history.h"
#include "editing/definitions.h"
#include "support/test_support.h"
#include "ui/recording_ui.h"

using namespace kolv;
using namespace kolv::editing;

namespace {

struct Empty {
    test::TempDir dir;
    std::unique_ptr<db::Database> db = db::Database::open(test::makeEmptyProject(dir));
};

bool listed(const std::vector<std::string>& names, const std::string& n) {
    return std::find(names.begin(), names.end(), n) != names.end();
}

TEST(AddDefinition, TakesTheFirstEightCharactersZeroesTheNumbersAndKeysOverBothUnitSystems) {
    Empty p;
    ui::RecordingUi ui;
    EXPECT_EQ(addDefinition(*p.db, DefinitionKind::Pipe, "RCP18LONGNAME1", 0, ui), "RCP18LON");
    EXPECT_TRUE(ui.messages.empty());
    auto pipe = readPipe(*p.db, "RCP18LON");
    ASSERT_TRUE(pipe);
    EXPECT_TRUE(pipe->height == 0 && pipe->area == 0 && pipe->n == 0);
    EXPECT_EQ(p.db->scalar("SELECT ENG_MET FROM T7 WHERE NAME = 'RCP18LON'").toInt(), 0);

    EXPECT_EQ(addDefinition(*p.db, DefinitionKind::Structure, "CURB INLET TYPE 9", 0, ui), "CURB INL");
    auto s = readStructure(*p.db, "CURB INL");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->group, 0);
    EXPECT_EQ(s->diagramClass, "Manhole");

    // blanks are no name: nothing added, nothing said
    const auto before = p.db->scalar("SELECT COUNT(*) FROM T7").toInt();
    EXPECT_EQ(addDefinition(*p.db, DefinitionKind::Pipe, "        ", 0, ui), "");
    EXPECT_EQ(addDefinition(*p.db, DefinitionKind::Pipe, "", 0, ui), "");
    EXPECT_EQ(p.db->scalar("SELECT COUNT(*) FROM T7").toInt(), before);
    EXPECT_TRUE(ui.messages.empty());

    // blanks around a name are not part of it: the definition is found again by its name
    EXPECT_EQ(addDefinition(*p.db, DefinitionKind::Pipe, " LEAD", 0, ui), "LEAD");
    EXPECT_TRUE(readPipe(*p.db, "LEAD"));
    EXPECT_EQ(addDefinition(*p.db, DefinitionKind::Structure, "\t  LONGNAME12 ", 0, ui), "LONGNAME");
    EXPECT_TRUE(readStructure(*p.db, "LONGNAME"));
    EXPECT_EQ(p.db->scalar("SELECT COUNT(*) FROM T7 WHERE NAME = ' LEAD'").toInt(), 0);

    SCOPED_TRACE("one key over both unit systems; metric stays out of English lists");
    ASSERT_EQ(addDefinition(*p.db, DefinitionKind::Pipe, "PVC300", 1, ui), "PVC300");
    EXPECT_EQ(p.db->scalar("SELECT ENG_MET FROM T7 WHERE NAME = 'PVC300'").toInt(), 1);
    EXPECT_FALSE(listed(definitionNames(*p.db, DefinitionKind::Pipe, 0), "PVC300"));
    EXPECT_TRUE(listed(definitionNames(*p.db, DefinitionKind::Pipe, 1), "PVC300"));

    // the same name from an English project, typed in lower case
    EXPECT_EQ(addDefinition(*p.db, DefinitionKind::Pipe, "pvc300", 0, ui), "");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "DUPLICATE RECORD");
    EXPECT_EQ(ui.messages[0].text, "Pipe record 'pvc300' already exist.");
    EXPECT_EQ(ui.messages[0].icon, ui::Icon::Exclamation);
    EXPECT_EQ(p.db->scalar("SELECT COUNT(*) FROM T7 WHERE NAME = 'PVC300'").toInt(), 1);

    ASSERT_EQ(addDefinition(*p.db, DefinitionKind::Structure, "MH1200", 1, ui), "MH1200");
    EXPECT_FALSE(listed(definitionNames(*p.db, DefinitionKind::Structure, 0), "MH1200"));
    EXPECT_EQ(addDefinition(*p.db, DefinitionKind::Structure, "MH1200", 0, ui), "");
    EXPECT_EQ(ui.messages.back().text, "Structure record 'MH1200' already exist.");
}

TEST(SaveDefinition, WritesTheWindowFieldsAndIsOneUndoStep) {
    Empty p;
    ui::RecordingUi ui;
    db::UndoHistory& history = p.db->attachHistory();
    ASSERT_EQ(addDefinition(*p.db, DefinitionKind::Pipe, "RCP99", 0, ui), "RCP99");
    PipeDefinition d = *readPipe(*p.db, "RCP99");
    d.height = d.width = 1.5;
    d.area = 1.7671;
    d.n = 0.012;
    d.group = 1;
    d.description = "18 in test pipe";
    ASSERT_TRUE(savePipe(*p.db, d, 0));
    EXPECT_NEAR(readPipe(*p.db, "RCP99")->area, 1.7671, 1e-9);
    EXPECT_EQ(history.undoName(), "Edit Pipe Definition");
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(readPipe(*p.db, "RCP99")->area, 0);
    ASSERT_TRUE(history.undo());
    EXPECT_FALSE(readPipe(*p.db, "RCP99"));  // the add was a step of its own

    d.name = "GONE";
    EXPECT_FALSE(savePipe(*p.db, d, 0));

    // a delete asks first, No by default, and leaves the reaches that name the pipe as they are
    ASSERT_EQ(addDefinition(*p.db, DefinitionKind::Pipe, "RCP99", 0, ui), "RCP99");
    p.db->execute("INSERT INTO REACH (NAME, SYSTEM, PIPE_NAME) VALUES ('R1', 'S1', 'RCP99')");
    ui.answers.push_back(ui::Answer::No);
    EXPECT_FALSE(deleteDefinition(*p.db, DefinitionKind::Pipe, "RCP99", ui));
    EXPECT_EQ(ui.messages.back().defaultAnswer, ui::Answer::No);
    ui.answers.push_back(ui::Answer::Yes);
    EXPECT_TRUE(deleteDefinition(*p.db, DefinitionKind::Pipe, "RCP99", ui));
    EXPECT_FALSE(readPipe(*p.db, "RCP99"));
    EXPECT_EQ(p.db->scalar("SELECT COUNT(*) FROM REACH WHERE PIPE_NAME = 'RCP99'").toInt(), 1);
    ASSERT_EQ(addDefinition(*p.db, DefinitionKind::Structure, "MH9", 0, ui), "MH9");
    ui.answers.push_back(ui::Answer::Yes);
    EXPECT_TRUE(deleteDefinition(*p.db, DefinitionKind::Structure, "MH9", ui));
    EXPECT_EQ(ui.messages.back().text,
              "WARNING: Deleting a structure used in a node definition will cause a\r"
              "'missing structure error' in later calculations.  Continue with delete?");
}

TEST(ReviewPipe, OffersTheRoundAreaAndWarnsOfAnUnlikelyN) {
    ui::RecordingUi ui;
    PipeDefinition d;
    d.name = "RCP18";
    d.height = d.width = 1.5;
    d.area = 1.7671;  // pi 1.5^2 / 4 = 1.76715
    d.n = 0.012;
    EXPECT_FALSE(reviewPipe(d, "Feet", ui));
    EXPECT_TRUE(ui.messages.empty());

    d.area = 1.75;  // 0.97 % small: still accepted
    EXPECT_FALSE(reviewPipe(d, "Feet", ui));
    EXPECT_TRUE(ui.messages.empty());

    d.area = 1.5;  // the diameter typed into the area: 15 % off
    ui.answers.push_back(ui::Answer::No);
    EXPECT_FALSE(reviewPipe(d, "Feet", ui));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "CHECK PIPE AREA");
    EXPECT_EQ(ui.messages[0].text,
              "The area 1.5 of pipe 'RCP18' differs by 15.1 % from the area of a round pipe of diameter 1.5 Feet."
              "\rUse the round-pipe area 1.7671 (pi x 1.5^2 / 4)?");
    EXPECT_EQ(d.area, 1.5);  // No leaves it as typed

    ui.clear();
    ui.answers.push_back(ui::Answer::Yes);
    d.area = 0;
    EXPECT_TRUE(reviewPipe(d, "Feet", ui));
    EXPECT_NEAR(d.area, 1.7671, 1e-9);

    // an elliptical pipe has no round area to offer
    ui.clear();
    d.width = 2.0;
    d.area = 2.1;
    EXPECT_FALSE(reviewPipe(d, "Feet", ui));
    EXPECT_TRUE(ui.messages.empty());

    for (double n : {0.0, 0.0079, 0.12}) {
        ui.clear();
        d.n = n;
        EXPECT_FALSE(reviewPipe(d, "Feet", ui));
        ASSERT_EQ(ui.messages.size(), 1u) << n;
        EXPECT_EQ(ui.messages[0].title, "CHECK MANNING'S N");
    }
    for (double n : {0.008, 0.024, 0.035}) {
        ui.clear();
        d.n = n;
        reviewPipe(d, "Feet", ui);
        EXPECT_TRUE(ui.messages.empty()) << n;
    }
}

}  // namespace
