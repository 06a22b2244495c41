// kolv-cli criteria, review, check-storm scenarios and the sizing JSON, as a script drives them.
#include <gtest/gtest.h>

#include "cli_runner.h"
#include "db/database.h"
#include "support/test_support.h"

using namespace kolv;
using test::cli;
using test::CliRun;
using test::has;

namespace {

/// The sample project with its design storm tabs computed, as a review needs it.
struct CliReview : ::testing::Test {
    test::TempDir dir;
    const std::string path = test::makeSample(dir);
    const std::string p = "'" + path + "'";
    void SetUp() override { ASSERT_EQ(cli(dir, "-q storm-tabs " + p).code, 0); }
};

}  // namespace

TEST_F(CliReview, ExitCodeFollowsTheWorstFindingCriteriaAreSetStrictlyAndCheckStormsKeptApart) {

    // The sample meets the defaults but for two slow pipes: warnings only, exit 0.
    EXPECT_TRUE(succeeded(cli(dir, "review " + p + " --system MAINST"), "0 errors"));

    EXPECT_TRUE(refused(cli(dir, "criteria " + p + " --set max-velocity=1,5"), "decimal point"));
    CliRun strict = cli(dir, "criteria " + p + " --set max-velocity=4");
    ASSERT_EQ(strict.code, 0) << strict.out;
    EXPECT_TRUE(has(strict.out, "max-velocity            4.0")) << strict.out;

    // Against 4 ft/s the faster pipes are errors: exit 1, in every format.
    for (const char* format : {"text", "csv", "json"}) {
        SCOPED_TRACE(format);
        EXPECT_TRUE(refused(cli(dir, "review " + p + " --system MAINST --format " + format), "velocity", 1));
    }

    SCOPED_TRACE("a check storm is kept beside the design and compared");
    const std::string before = db::Database::open(path)->scalar("SELECT group_concat(HGL_UP) FROM T60").toText();

    CliRun storm = cli(dir, "-q storm-tabs " + p + " --frequency 25 --intensity-factor 1.1 --scenario check25");
    ASSERT_EQ(storm.code, 0) << storm.out;
    EXPECT_EQ(db::Database::open(path)->scalar("SELECT group_concat(HGL_UP) FROM T60").toText(), before);

    CliRun list = cli(dir, "scenarios " + p + " --format csv");
    ASSERT_EQ(list.code, 0) << list.out;
    EXPECT_TRUE(has(list.out, "node,rim,design_hgl,design_clearance,check25 hgl,check25 clearance")) << list.out;

    EXPECT_TRUE(refused(cli(dir, "storm-tabs " + p + " --intensity-factor 1.1"), "--scenario"));

    CliRun sized = cli(dir, "-q size-pipes " + p + " --group 1 --max-velocity 8 --format json");
    ASSERT_EQ(sized.code, 0) << sized.out;
    EXPECT_TRUE(has(sized.out, "\"governing\": \"velocity limit\"")) << sized.out;
    EXPECT_TRUE(has(sized.out, "\"governing\": \"fixed by engineer\"")) << sized.out;
}
