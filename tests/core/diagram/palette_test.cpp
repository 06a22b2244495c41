// The palette file: reading, writing back, defaults for classes it leaves out.
#include <gtest/gtest.h>

#include <fstream>

#include "diagram/palette.h"
#include "support/test_support.h"
#include "ui/recording_ui.h"

using namespace kolv;
using namespace kolv::diagram;

TEST(Palette, ReadsClassesAndKeepsDefaultsForTheRest) {
    std::vector<std::string> problems;
    Palette p = Palette::parse("; comment\n[Entity: Manhole]\nShape=Hexagon\nSize=20\nFill=#112233\n"
                               "Colour=#000000\n\n[Relation: 24 Inch Pipe]\r\nColor=#AABBCC\r\nWidth=3\r\nStyle=Dash\r\n"
                               "[Outline: x]\nSize=abc\n",
                               &problems);
    const EntityStyle& mh = p.entity("manhole");
    EXPECT_EQ(mh.shape, Shape::Hexagon);
    EXPECT_DOUBLE_EQ(mh.size, 20);
    EXPECT_EQ(mh.fill, (Rgb{0x11, 0x22, 0x33}));
    EXPECT_EQ(mh.line, Palette::builtIn().entity("Manhole").line);  // not given: built-in
    EXPECT_EQ(p.relation("24 Inch Pipe").style, PenStyle::Dash);
    EXPECT_EQ(p.relation("24 Inch Pipe").color, (Rgb{0xAA, 0xBB, 0xCC}));
    EXPECT_EQ(p.entity("Outfall").shape, Shape::InvertedTriangle);  // class left out of the file
    EXPECT_EQ(p.entity("Some New Class").shape, Palette::builtIn().entity("Curb Inlet").shape);
    EXPECT_EQ(problems.size(), 3u);  // Colour= under an entity, unknown section, Size=abc outside a section
}

TEST(Palette, WrittenTextReadsBackTheSame) {
    Palette a = Palette::builtIn();
    a.entities[2].shape = Shape::Diamond;
    a.relations[5].width = 7.5;
    std::vector<std::string> problems;
    Palette b = Palette::parse(a.write(), &problems);
    EXPECT_TRUE(problems.empty());
    ASSERT_EQ(b.entities.size(), a.entities.size());
    for (std::size_t i = 0; i < a.entities.size(); ++i) {
        EXPECT_EQ(b.entities[i].className, a.entities[i].className);
        EXPECT_EQ(b.entities[i].shape, a.entities[i].shape);
        EXPECT_DOUBLE_EQ(b.entities[i].size, a.entities[i].size);
        EXPECT_EQ(b.entities[i].fill, a.entities[i].fill);
    }
    EXPECT_DOUBLE_EQ(b.relation("36 Inch Pipe").width, 7.5);
}

TEST(Palette, ShippedFileParsesCleanlyAndMissingFileIsReported) {
    std::ifstream f(test::sourceDataDir() + "/palette/KOLVLtV3.PLT");
    ASSERT_TRUE(f) << "data/palette/KOLVLtV3.PLT";
    std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::vector<std::string> problems;
    Palette::parse(text, &problems);
    EXPECT_TRUE(problems.empty()) << (problems.empty() ? "" : problems.front());

    test::TempDir dir;
    EXPECT_EQ(locatePalette(dir.file("KOLVLTV3.PLT")), "");
    EXPECT_FALSE(Palette::load(dir.file("KOLVLtV3.PLT")));
    { std::ofstream(dir.file("KOLVLtV3.PLT")) << "[Entity: Manhole]\nSize=9\n"; }
    // the settings file keeps paths in capitals
    EXPECT_EQ(locatePalette(dir.file("KOLVLTV3.PLT")), dir.file("KOLVLtV3.PLT"));
    ui::RecordingUi ui;
    reportMissingPalette(ui);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Missing File");
    EXPECT_EQ(ui.messages[0].text, "Diagramming palette file 'KOLVLtV3.PLT' not found.");
}
