// Where the programs find their data: installed beside bin/, in the build tree, or overridden.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "settings/data_folder.h"
#include "settings/settings_file.h"
#include "support/test_support.h"

using namespace kolv::settings;
namespace fs = std::filesystem;

namespace {

/// An installation under `root` (bin/ and share/kolv/) and a build tree's data folder beside it.
struct Layout {
    kolv::test::TempDir dir;
    std::string prefix = dir.file("opt/kolv");
    std::string exe = prefix + "/bin/kolv-cli";
    std::string build = dir.file("build/data");
    Layout() {
        fs::create_directories(prefix + "/bin");
        fs::create_directories(build);
        std::ofstream(exe) << "";
    }
    void install() { fs::create_directories(prefix + "/share/kolv"); }
};

TEST(DataFolder, BuildTreeThenCurrentFolderWhenNothingIsInstalled) {
    Layout l;
    EXPECT_EQ(chooseDataFolder({"", l.exe, l.build}), l.build + "/");
    EXPECT_EQ(chooseDataFolder({"", "", l.build}), l.build + "/");
    EXPECT_EQ(chooseDataFolder({"", l.exe, l.dir.file("gone")}), "./data/");
    EXPECT_EQ(chooseDataFolder({}), "./data/");
}

TEST(DataFolder, EnvironmentOverridesEverything) {
    Layout l;
    l.install();
    EXPECT_EQ(chooseDataFolder({"/srv/kolv", l.exe, l.build}), "/srv/kolv/");

    ::setenv("KOLV_DATA_DIR", l.build.c_str(), 1);
    EXPECT_EQ(installDataFolder(), l.build + "/");
    EXPECT_EQ(seedDatabasePath(), l.build + "/seedv3.mdb");
    EXPECT_EQ(reportTemplateFolder(), l.build + "/reports/");
    // a new settings file names the palette and the templates of that folder
    SettingsFile f(l.dir.file("cfg/KOLVLtV3.INI"));
    EXPECT_EQ(f.read().palettePath, l.build + "/palette/KOLVLtV3.PLT");
    EXPECT_EQ(kolv::test::readAll(f.path()), "[KOLV]\r\nDIAGRAMPALETTE=" + l.build + "/palette/KOLVLtV3.PLT\r\n" +
                                                 "REPORTFILEPATH=" + l.build + "/reports/\r\n");
    ::unsetenv("KOLV_DATA_DIR");
    // this test program lives in the build tree, where nothing is installed beside it
    EXPECT_EQ(installDataFolder(), chooseDataFolder(currentDataFolderClues()));
    EXPECT_TRUE(fs::is_regular_file(installDataFolder() + "palette/KOLVLtV3.PLT")) << installDataFolder();
}

}  // namespace
