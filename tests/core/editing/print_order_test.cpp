// Storm tab print order: positions typed in the results grid carried to the nodes.
#include "editing/print_order.h"

#include <gtest/gtest.h>

#include "common/error.h"
#include "db/project.h"
#include "db/record_set.h"
#include "support/test_support.h"

namespace kolv::editing {
namespace {

TEST(PrintOrder, TypedPositionsReachTheNodes) {
    test::TempDir dir;
    ui::SilentUi silent;
    auto project = db::openProject(test::makeSample(dir), silent);
    auto& db = *project->db;
    for (const char* n : {"S-1", "S-2", "NOPE"})
        db.execute("INSERT INTO T60 (SYSTEM, \"FROM\") VALUES (?, ?)", {db::Value("MAINST"), db::Value(n)});
    EXPECT_TRUE(setPrintPosition(db, "MAINST", "S-2", db::Value("7")));
    EXPECT_TRUE(setPrintPosition(db, "MAINST", "NOPE", db::Value("3")));
    EXPECT_TRUE(setPrintPosition(db, "MAINST", "S-1", db::Value("")));  // cleared
    EXPECT_FALSE(setPrintPosition(db, "MAINST", "S-9", db::Value("1")));
    EXPECT_THROW(setPrintPosition(db, "MAINST", "S-1", db::Value("x1")), InputError);
    // S-2 written; NOPE has no node and is skipped; S-1 has no position and keeps its own
    EXPECT_EQ(writePrintOrder(db, "MAINST"), 1);
    db::RecordSet nodes(db, "NODE");
    ASSERT_TRUE(nodes.findFirst("NAME = ?", {db::Value("S-2")}));
    EXPECT_EQ(nodes.integer("SEQUENCER"), 7);
    ASSERT_TRUE(nodes.findFirst("NAME = ?", {db::Value("S-1")}));
    EXPECT_EQ(nodes.integer("SEQUENCER"), 1);  // the sample's own value
}


}  // namespace
}  // namespace kolv::editing
