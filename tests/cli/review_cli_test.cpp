// kolv-cli criteria, review, check-storm scenarios and the sizing JSON, as a script drives them.
#include "cli_runner.h"
#include "db/database.h"

namespace kolv::test {

TEST(CliReview, ExitCodeFollowsTheWorstFindingCriteriaAreSetStrictlyAndCheckStormsKeptApart) {
    TempDir dir;
    const std::string path = makeSample(dir), p = "'" + path + "'";
    ran(dir, "-q storm-tabs " + p);  // the design storm tabs a review reads
    // The sample meets the defaults but for two slow pipes: warnings only, exit 0.
    EXPECT_TRUE(succeeded(cli(dir, "review " + p + " --system MAINST"), "0 errors"));

    EXPECT_TRUE(refused(cli(dir, "criteria " + p + " --set max-velocity=1,5"), "decimal point"));
    EXPECT_TRUE(succeeded(cli(dir, "criteria " + p + " --set max-velocity=4"), "max-velocity            4.0"));

    // Against 4 ft/s the faster pipes are errors: exit 1, in every format.
    for (const char* format : {"text", "csv", "json"}) {
        SCOPED_TRACE(format);
        EXPECT_TRUE(refused(cli(dir, "review " + p + " --system MAINST --format " + format), "velocity", 1));
    }

    SCOPED_TRACE("a check storm is kept beside the design and compared");
    const std::string before = db::Database::open(path)->scalar("SELECT group_concat(HGL_UP) FROM T60").toText();

    ran(dir, "-q storm-tabs " + p + " --frequency 25 --intensity-factor 1.1 --scenario check25");
    EXPECT_EQ(db::Database::open(path)->scalar("SELECT group_concat(HGL_UP) FROM T60").toText(), before);

    EXPECT_TRUE(succeeded(cli(dir, "scenarios " + p + " --format csv"),
                          "node,rim,design_hgl,design_clearance,check25 hgl,check25 clearance"));

    EXPECT_TRUE(refused(cli(dir, "storm-tabs " + p + " --intensity-factor 1.1"), "--scenario"));

    const CliRun sized = ran(dir, "-q size-pipes " + p + " --group 1 --max-velocity 8 --format json");
    EXPECT_TRUE(has(sized.out, "\"governing\": \"velocity limit\"")) << sized.out;
    EXPECT_TRUE(has(sized.out, "\"governing\": \"fixed by engineer\"")) << sized.out;
}
}  // namespace kolv::test
