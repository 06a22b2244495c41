// The stored results of a system listed for a grid: which rows, in what order, read one at a time.
#include "hydraulics/result_rows.h"

#include <gtest/gtest.h>

#include "db/project.h"
#include "support/test_support.h"
#include "ui/ui_port.h"

namespace kolv::hydraulics {
namespace {

class ResultRows : public ::testing::Test {
protected:
    void SetUp() override {
        project = db::openProject(test::makeSample(dir), silent);
        db().execute("DELETE FROM T60");
        for (const char* from : {"S-1", "S-2", "S-3"})
            db().execute("INSERT INTO T60 (SYSTEM, \"FROM\") VALUES ('MAINST', ?)", {db::Value(from)});
    }
    db::Database& db() { return *project->db; }

    test::TempDir dir;
    ui::SilentUi silent;
    std::unique_ptr<db::Project> project;
};

TEST_F(ResultRows, ARowGoneSinceListingOrNotListedReadsAsMissing) {
    const SystemResultRows rows(db(), "MAINST", "", false);
    db().execute("DELETE FROM T60 WHERE \"FROM\" = ?", {db::Value("S-2")});
    std::vector<db::Value> values;
    EXPECT_TRUE(rows.read(0, values));
    EXPECT_FALSE(rows.read(1, values));
    EXPECT_FALSE(rows.read(rows.size(), values));
}

}  // namespace
}  // namespace kolv::hydraulics
