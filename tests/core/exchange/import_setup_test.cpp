// Import setups in T177: create, choose, save, delete, their messages, and column matching.
#include <gtest/gtest.h>

#include "exchange/import_setup.h"
#include "support/system_builder.h"
#include "ui/recording_ui.h"

using namespace kolv;
using namespace kolv::exchange;
using D = Destination;

TEST(ImportSetup, CreateSaveAndDeleteWithTheirMessages) {
    test::SystemBuilder b;
    ui::RecordingUi ui;
    b.db.exec("DROP TABLE IF EXISTS T177");
    EXPECT_EQ(setupNames(b.db), (std::vector<std::string>{"<new>"}));
    EXPECT_EQ(defaultSetupName(b.db), "<new>");

    ASSERT_TRUE(createSetup(b.db, ui, "Survey A", {{"STR", "Node: Name"}, {"EL", "Node: Inlet Elevation"}}));
    EXPECT_EQ(ui.texts(), (std::vector<std::string>{"Import Setup Table created."}));
    ASSERT_TRUE(createSetup(b.db, ui, "Consultant", {}));
    EXPECT_EQ(defaultSetupName(b.db), "Consultant");  // the newest is the only default
    EXPECT_EQ(setupNames(b.db), (std::vector<std::string>{"<new>", "Consultant", "Survey A"}));

    ui.clear();
    EXPECT_FALSE(createSetup(b.db, ui, std::string(51, 'x'), {}));
    EXPECT_TRUE(createSetup(b.db, ui, std::string(50, 'x'), {}));
    EXPECT_FALSE(createSetup(b.db, ui, "survey a", {}));
    EXPECT_FALSE(createSetup(b.db, ui, "", {}));
    EXPECT_EQ(ui.texts(), (std::vector<std::string>{"Setup name too long. (50 characters max.)",
                                                    "Setup name already exists. Try again."}));

    ui.clear();
    ui.answers = {ui::Answer::Yes};
    ASSERT_TRUE(saveSetupColumns(b.db, ui, "Survey A", {{"STR", "Node: Name"}, {"TOP", "Node: Inlet Elevation"}, {"X", "<none>"}}));
    EXPECT_EQ(ui.texts(), (std::vector<std::string>{"Save setup in 'Survey A'", "Setup 'Survey A' updated!"}));
    ImportSetup s = loadSetup(b.db, "Survey A");
    ASSERT_EQ(s.columns.size(), 3u);
    EXPECT_EQ(s.columns[1].heading, "TOP");
    EXPECT_FALSE(s.isDefault);

    ui.clear();
    ASSERT_TRUE(saveSetupLinks(b.db, ui, "Survey A", {{"Type C", "MH4"}, {"", "MH5"}}, {{"15in", ""}}));
    EXPECT_EQ(ui.texts(), (std::vector<std::string>{"Setup 'Survey A' updated"}));
    s = loadSetup(b.db, "Survey A");
    ASSERT_EQ(s.structures.size(), 1u);
    ASSERT_EQ(s.pipes.size(), 1u);
    EXPECT_EQ(s.pipes[0].name, "");

    ui.clear();
    EXPECT_FALSE(deleteSetup(b.db, ui, "<new>"));
    ui.answers = {ui::Answer::No};
    EXPECT_FALSE(deleteSetup(b.db, ui, "Survey A"));
    ui.answers = {ui::Answer::Yes};
    EXPECT_TRUE(deleteSetup(b.db, ui, "Survey A"));  // 1 setup + 3 columns + 1 structure + 1 pipe
    EXPECT_EQ(ui.texts(), (std::vector<std::string>{"<new> cannot be deleted", "Delete Import Setup 'Survey A'?",
                                                    "Delete Import Setup 'Survey A'?", "6 records deleted."}));
    EXPECT_EQ(ui.messages[1].defaultAnswer, ui::Answer::No);
    EXPECT_EQ(setupNames(b.db).size(), 3u);
}

TEST(ImportSetup, RepeatedHeadingsMatchTheirAssignmentsInOrder) {
    ImportSetup s;
    s.columns = {{"STR NUM", "Node: Name"}, {"pipe", "Reach: Pipe"}, {"PIPE", "<none>"}, {"PIPE", "Reach: Barrels?"},
                 {"INVERT", "<none>"}, {"INVERT", "Reach: To Invert Elev."}};
    std::vector<D> d = applySetup(s, {"PIPE", " str num ", "INVERT", "PIPE", "INVERT", "PIPE", "PIPE", "NEW"});
    EXPECT_EQ(d, (std::vector<D>{D::ReachPipe, D::NodeName, D::None, D::None, D::ReachToInvert, D::None, D::None,
                                 D::None}));
    // Saving the columns of a file and applying them again gives the same destinations.
    std::vector<std::string> headings = {"A", "PIPE", "B", "PIPE", "PIPE"};
    std::vector<D> dests = {D::NodeName, D::None, D::NodeTc, D::ReachPipe, D::ReachLength};
    ImportSetup again;
    again.columns = assignmentsOf(headings, dests);
    EXPECT_EQ(applySetup(again, headings), dests);
    EXPECT_EQ(destinationOf("Reach: Length (quantity)"), D::ReachLength);
}
