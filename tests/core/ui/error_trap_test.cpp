// The error-trap message by error number.
#include <gtest/gtest.h>

#include "common/error.h"
#include "ui/error_trap.h"
#include "ui/recording_ui.h"

using namespace kolv;

TEST(ErrorTrap, TextsByNumber) {
    EXPECT_EQ(ui::errorTrapText(11), "ERROR: Division by Zero. Code: 11");
    EXPECT_EQ(ui::errorTrapText(53), "ERROR: File Not Found. Code: 53");
    EXPECT_NE(ui::errorTrapText(13).find(
                  "CAUSE: A character string (or invalid number such as 10..00) was entered where a number was expected"),
              std::string::npos);
    EXPECT_NE(ui::errorTrapText(94).find("CAUSE: This is caused when a required field is left blank."),
              std::string::npos);
    std::string t = ui::errorTrapText(3058);
    EXPECT_EQ(t.rfind("ERROR: Can not have Null value in index. Code: 3058", 0), 0u);
    EXPECT_NE(t.find("Primary keys are Node name, Reach name, Pipe name, Structure name, etc.."), std::string::npos);
    EXPECT_EQ(ui::errorTrapText(3022), "*** ERROR ***  Code: 3022");
}

TEST(ErrorTrap, ExceptionsAtACommandBoundaryShowTheTrap) {
    ui::RecordingUi ui;
    EXPECT_EQ(ui::reportException(ui, Error(6, "pipe area too large")), 6);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "ERROR TRAP");
    EXPECT_EQ(ui.messages[0].icon, ui::Icon::Critical);
    EXPECT_NE(ui.messages[0].text.find("ERROR: Overflow. Code: 6"), std::string::npos);
    EXPECT_NE(ui.messages[0].text.find("pipe area too large"), std::string::npos);
    EXPECT_EQ(ui.beeps, 1);
}
