// kolv-cli import-landxml, export-landxml and export-swmm as a script uses them: files, logs, refusals, exit codes.
#include <fstream>

#include "cli_runner.h"
#include "db/project.h"
#include "ui/ui_port.h"

namespace kolv::test {

TEST(CommandLineLandXml, ExportThenImportIntoAnotherProjectAndExportSwmm) {
    test::TempDir dir;
    const std::string sample = "'" + test::makeSample(dir) + "'";
    const std::string xml = "'" + dir.file("net.xml") + "'";
    ASSERT_TRUE(succeeded(cli(dir, "export-landxml " + sample + " --system mainst --out " + xml),
                          "LandXML written to"));
    EXPECT_TRUE(has(test::readAll(dir.file("net.xml")), "<PipeNetwork name=\"MAINST\" pipeNetType=\"storm\">"));

    const std::string target = "'" + test::makeEmptyProject(dir) + "'";
    EXPECT_TRUE(succeeded(cli(dir, "import-landxml " + target + " " + xml + " --network MAINST=TRUNK --dry-run"),
                          "System: TRUNK (new)"));
    EXPECT_TRUE(succeeded(cli(dir, "import-landxml " + target + " " + xml + " --network MAINST=TRUNK"),
                          "System: TRUNK created."));

    EXPECT_EQ(cli(dir, "export-swmm " + sample + " --system MAINST --out '" + dir.file("m.inp") + "'").code, 0);
    EXPECT_EQ(test::readAll(dir.file("m.inp")).find("[TITLE]"), 0u);
    EXPECT_TRUE(succeeded(cli(dir, "export-gis " + sample + " --format dxf --out '" + dir.file("plan.dxf") + "'"),
                          "DXF plan written to"));
    EXPECT_TRUE(refused(cli(dir, "export-gis " + sample + " --format kml --out '" + dir.file("x.kml") + "'"),
                        "is not one of gpkg, shp, geojson, dxf"));
}

TEST(CommandLineLandXml, RefusalsExitNonZeroWithTheReasonAndChangeNothing) {
    test::TempDir dir;
    const std::string path = test::makeEmptyProject(dir);
    {
        ui::SilentUi silent;
        db::openProject(path, silent);  // opened once, as the program leaves a project it has opened
    }
    const std::string before = test::readAll(path);
    std::ofstream(dir.file("bad.xml")) << "<Project/>";
    std::ofstream(dir.file("two.xml"))
        << "<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\"><PipeNetworks><PipeNetwork name=\"N\">"
           "<Structs><Struct name=\"A\"><Center>0 0</Center></Struct><Struct name=\"B\"><Center>0 1</Center></Struct>"
           "<Struct name=\"C\"><Center>0 2</Center></Struct></Structs><Pipes>"
           "<Pipe name=\"1\" refStart=\"A\" refEnd=\"B\"><CircPipe diameter=\"12\"/></Pipe>"
           "<Pipe name=\"2\" refStart=\"A\" refEnd=\"C\"><CircPipe diameter=\"12\"/></Pipe>"
           "</Pipes></PipeNetwork></PipeNetworks></LandXML>";
    EXPECT_TRUE(refused(cli(dir, "import-landxml '" + path + "' '" + dir.file("bad.xml") + "'"),
                        "is not a LandXML document"));
    EXPECT_TRUE(refused(cli(dir, "import-landxml '" + path + "' '" + dir.file("two.xml") + "'"),
                        "Structure 'A' has 2 outgoing pipes"));
    EXPECT_NE(cli(dir, "import-landxml '" + path + "' '" + dir.file("none.xml") + "'").code, 0);
    EXPECT_TRUE(refused(cli(dir, "export-swmm '" + path + "' --system NOPE --out '" + dir.file("x.inp") + "'"),
                        "System 'NOPE' does not exist."));
    EXPECT_TRUE(refused(cli(dir, "import-gis '" + path + "' --nodes '" + dir.file("none.gpkg") + "' --setup S --system S"),
                        "cannot be read"));
    EXPECT_EQ(test::readAll(path), before);
}
}  // namespace kolv::test
