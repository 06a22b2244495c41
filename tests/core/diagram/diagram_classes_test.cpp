// The diagram classes window's data: structures and pipes of the unit system, saved back by name.
#include <gtest/gtest.h>

#include "diagram/diagram_classes.h"
#include "support/system_builder.h"

using namespace kolv;
using namespace kolv::diagram;

TEST(DiagramClasses, ListsTheUnitSystemAndSavesClassesAndPipes) {
    test::SystemBuilder b;
    b.db.execute("DELETE FROM T6");
    b.db.execute("DELETE FROM T7");
    b.db.execute("INSERT INTO T6 (NAME, ENG_MET, DIAGRAM_CLASS_NAME) VALUES ('MH4', 0, 'Manhole'), ('CI''X', 0, ''), "
                 "('MH4M', 1, 'Manhole')");
    b.db.execute("INSERT INTO T7 (NAME, ENG_MET, GROUPP, AREA) VALUES ('B24', 0, 1, 3.14), ('A18', 0, 1, 1.77), "
                 "('C12', 0, 0, 0.79), ('M300', 1, 0, 0.07)");
    DiagramClasses c = readDiagramClasses(b.db, 0);
    ASSERT_EQ(c.structures.size(), 2u);  // English only
    EXPECT_EQ(c.structures[1].structure, "CI'X");
    EXPECT_EQ(c.pipes, (std::vector<std::string>{"C12", "A18", "B24"}));  // by group, then area

    c.structures[1].className = "Curb Inlet";
    c.pipeOfClass[0] = "C12";
    c.pipeOfClass[11] = "B24";
    saveDiagramClasses(b.db, 0, c);
    EXPECT_EQ(b.db.scalar("SELECT DIAGRAM_CLASS_NAME FROM T6 WHERE NAME = 'CI''X'").toText(), "Curb Inlet");
    EXPECT_EQ(b.db.scalar("SELECT DIAGRAM_CLASS_NAME FROM T6 WHERE NAME = 'MH4M'").toText(), "Manhole");
    EXPECT_EQ(b.db.scalar("SELECT PIPE_CLASS_0 || '/' || PIPE_CLASS_11 FROM T0").toText(), "C12/B24");
    EXPECT_EQ(readDiagramClasses(b.db, 0).pipeOfClass[11], "B24");
}
