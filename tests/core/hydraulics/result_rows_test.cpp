// The stored results of a system listed for a grid: which rows, in what order, read one at a time.
#include "hydraulics/result_rows.h"

#include <gtest/gtest.h>

#include <algorithm>

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
        // rows of two systems, interleaved; two rows share a print position
        const struct { const char* system; const char* from; int sequencer; } rows[] = {
            {"MAINST", "S-1", 3}, {"OAKAVE", "O-1", 1}, {"MAINST", "S-2", 1}, {"MAINST", "S-3", 3},
            {"MAINST", "S-4", 2}};
        for (const auto& r : rows)
            db().execute("INSERT INTO T60 (SYSTEM, \"FROM\", SEQUENCER) VALUES (?, ?, ?)",
                         {db::Value(r.system), db::Value(r.from), db::Value(static_cast<std::int64_t>(r.sequencer))});
    }
    db::Database& db() { return *project->db; }

    /// The FROM of every listed row, read through the rows.
    std::vector<std::string> fromColumn(const SystemResultRows& rows) {
        const auto& f = rows.fields();
        const auto at = static_cast<std::size_t>(std::find(f.begin(), f.end(), "FROM") - f.begin());
        std::vector<std::string> out;
        std::vector<db::Value> values;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            EXPECT_TRUE(rows.read(r, values)) << r;
            out.push_back(values.at(at).toText());
        }
        return out;
    }

    test::TempDir dir;
    ui::SilentUi silent;
    std::unique_ptr<db::Project> project;
};

TEST_F(ResultRows, OnlyTheSystemsRowsInTheAskedOrderThenStorageOrderWithTheTabsColumnsFirst) {
    EXPECT_EQ(fromColumn(SystemResultRows(db(), "MAINST", "", false)),
              (std::vector<std::string>{"S-1", "S-2", "S-3", "S-4"}));
    // ties of the print position keep the order they were stored in
    EXPECT_EQ(fromColumn(SystemResultRows(db(), "MAINST  ", "SEQUENCER ASC", false)),
              (std::vector<std::string>{"S-2", "S-4", "S-1", "S-3"}));
    EXPECT_EQ(SystemResultRows(db(), "NONE", "", false).size(), 0u);
    // The fields leave out the system and put the tab's columns first in grid order.
    const SystemResultRows stored(db(), "MAINST", "", false), grid(db(), "MAINST", "", true);
    for (const auto* rows : {&stored, &grid}) {
        EXPECT_EQ(std::count(rows->fields().begin(), rows->fields().end(), "SYSTEM"), 0);
        EXPECT_EQ(rows->fields().size(), db().layout("T60").fields.size() - 1);
    }
    ASSERT_GE(grid.fields().size(), 2u);
    EXPECT_EQ(grid.fields()[0], "FROM");
    EXPECT_EQ(grid.fields()[1], "TO");
}

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
