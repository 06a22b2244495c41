// The settings file: creation, reading rules, the recent-file shift and the fallback folders.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "settings/settings_file.h"
#include "support/test_support.h"

using namespace kolv::settings;
namespace fs = std::filesystem;

namespace {

using kolv::test::readAll;

void writeFile(const std::string& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

TEST(SettingsFile, MissingFileInAFolderThatCanNotBeMadeStillGivesValues) {
    kolv::test::TempDir dir;
    { std::ofstream(dir.file("blocker")) << "a file where the folder should be"; }
    SettingsFile f(dir.file("blocker/KOLVLtV3.INI"));
    Settings s = f.read();
    EXPECT_FALSE(fs::exists(f.path()));
    EXPECT_NE(s.palettePath.find("/palette/KOLVLtV3.PLT"), std::string::npos) << s.palettePath;
    EXPECT_NE(s.reportFolder.find("/reports/"), std::string::npos) << s.reportFolder;
    EXPECT_FALSE(s.recentVisible[0]);
}

// Paths are listed as the engineer typed them; an entry without a path is not offered.
TEST(SettingsFile, ValuesKeepTheirSpellingEmptyEntriesAreHiddenAndOddLinesIgnored) {
    kolv::test::TempDir dir;
    writeFile(dir.file("k.ini"),
              "[KOLV]\r\nrecentfile1= /home/ann/Road 12.mdb \r\n=orphan\r\nno equals sign\r\nRECENTFILE2=\r\n"
              "RECENTFILE3=x\r\nRECENTFILE4=\r\nDIAGRAMPALETTE=\r\nREPORTFILEPATH=/srv/Reports/\r\nOTHER=1\r\n");
    Settings s = SettingsFile(dir.file("k.ini")).read();
    EXPECT_EQ(s.recentFiles[0], "/home/ann/Road 12.mdb");
    EXPECT_EQ(s.recentCaption(1), "1 /home/ann/Road 12.mdb");
    EXPECT_EQ(pathFromRecentCaption(s.recentCaption(1) + " "), "/home/ann/Road 12.mdb");
    EXPECT_TRUE(s.recentVisible[0]);
    EXPECT_FALSE(s.recentVisible[1]);  // "RECENTFILE2=" names no file
    EXPECT_TRUE(s.recentVisible[2]);
    EXPECT_FALSE(s.recentVisible[3]);
    EXPECT_EQ(s.palettePath, "");
    EXPECT_EQ(s.reportFolder, "/srv/Reports/");
}

TEST(SettingsFile, ReportFolderFallbacksDifferForEmptyAndAbsentLines) {
    kolv::test::TempDir dir;
    writeFile(dir.file("a.ini"), "[KOLV]\r\nREPORTFILEPATH=\r\n");
    writeFile(dir.file("b.ini"), "[KOLV]\r\nRECENTFILE1=P\r\n");
    EXPECT_EQ(SettingsFile(dir.file("a.ini")).read().reportFolder, defaultReportFolder());
    EXPECT_EQ(SettingsFile(dir.file("b.ini")).read().reportFolder, fallbackReportFolder());
    EXPECT_NE(defaultReportFolder(), fallbackReportFolder());
}

TEST(SettingsFile, RecentListShiftsWithoutSearchingAndDropsDrawings) {
    kolv::test::TempDir dir;
    std::string p = dir.file("k.ini");
    writeFile(p, "[KOLV]\r\nRECENTFILE1=A\r\nRECENTFILE2=B\r\nRECENTFILE3=C\r\nRECENTFILE4=D\r\nRECENTDRAW1=X\r\n"
                 "DIAGRAMPALETTE=PAL\r\nREPORTFILEPATH=RPT/\r\n");
    SettingsFile f(p);
    Settings s = f.read();
    EXPECT_EQ(s.recentDraw[0], "X");
    std::string before = readAll(p);
    EXPECT_FALSE(f.write("  A ", kModeProject, s));  // already first: untouched
    EXPECT_FALSE(f.write("a", kModeProject, s));     // lists of earlier versions hold paths in capitals
    EXPECT_EQ(readAll(p), before);
    EXPECT_TRUE(f.write("C", kModeProject, s));  // third: goes first, stays fourth as well
    EXPECT_EQ(readAll(p), "[KOLV]\r\nRECENTFILE1=C\r\nRECENTFILE2=A\r\nRECENTFILE3=B\r\nRECENTFILE4=C\r\n"
                          "DIAGRAMPALETTE=PAL\r\nREPORTFILEPATH=RPT/\r\n");
    EXPECT_TRUE(f.write("/new/palette.plt", kModePalette, s));
    EXPECT_EQ(f.read().palettePath, "/new/palette.plt");
}

}  // namespace
