// Record sets: finding, key faults, field checks, storage order and indexes kept across changes.
#include <gtest/gtest.h>

#include <optional>

#include "common/error.h"
#include "db/key_index.h"
#include "db/record_set.h"
#include "support/test_support.h"

using namespace kolv;
using namespace kolv::db;

namespace {

struct RecordSetTest : ::testing::Test {
    test::TempDir dir;
    std::unique_ptr<Database> db = Database::open(test::makeEmptyProject(dir));

    void addNode(const std::string& name, const std::string& system) {
        RecordSet nodes(*db, "NODE");
        nodes.addNew();
        nodes.set("NAME", name);
        nodes.set("SYSTEM", system);
        nodes.update();
    }
};

TEST_F(RecordSetTest, FindFirstMatchesInMemoryAndThroughTheEngineAlike) {
    for (int i = 0; i < 50; ++i) addNode("N" + std::to_string(i), i % 2 ? "A" : "B");
    RecordSet nodes(*db, "NODE");
    ASSERT_TRUE(nodes.findFirst("SYSTEM = ? AND NAME = ?", {"A", "N17"}));
    EXPECT_EQ(nodes.text("NAME"), "N17");
    // lower case finds the same row: names compare without regard to case
    ASSERT_TRUE(nodes.findFirst("NAME = ?", {"n17"}));
    EXPECT_EQ(nodes.text("NAME"), "N17");
    EXPECT_FALSE(nodes.findFirst("NAME = ?", {"N99"}));
    EXPECT_TRUE(nodes.noMatch());
    // general criteria go through SQL but keep the record set's order
    ASSERT_TRUE(nodes.findFirst("NAME LIKE ? AND SYSTEM <> ?", {"N1%", "B"}));
    EXPECT_EQ(nodes.text("NAME"), "N1");
    ASSERT_TRUE(nodes.findNext("NAME LIKE ? AND SYSTEM <> ?", {"N1%", "B"}));
    EXPECT_EQ(nodes.text("NAME"), "N11");
    int count = 0;
    for (bool f = nodes.findFirst("SYSTEM = ?", {"A"}); f; f = nodes.findNext("SYSTEM = ?", {"A"})) ++count;
    EXPECT_EQ(count, 25);
    // a name with a quote mark selects its own row only: values are bound, never pasted in
    addNode("Q1", "a' OR '1");
    RecordSet quoted(*db, "NODE", "SYSTEM = ?", {"a' OR '1"});
    ASSERT_EQ(quoted.recordCount(), 1u);
    EXPECT_EQ(quoted.text("NAME"), "Q1");
    // The key of a number is its shortest text: 3.0 held as a number matches "3" and " 3.00" typed.
    EXPECT_EQ(compareKey(Value(3.0)), compareKey(Value(std::string(" 3.00"))));
    EXPECT_EQ(compareKey(Value(3.0)), compareKey(Value(std::string("3"))));
}

TEST_F(RecordSetTest, KeyFieldsRefuseNullAndDuplicates) {
    addNode("N1", "S1");
    RecordSet nodes(*db, "NODE");
    nodes.addNew();
    nodes.set("SYSTEM", "S1");
    try {
        nodes.update();
        FAIL() << "a node without a name was stored";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), 3058);
    }
    nodes.cancelUpdate();
    nodes.moveFirst();
    nodes.edit();
    EXPECT_THROW(nodes.set("NAME", Value()), Error);
    nodes.cancelUpdate();
    // A node name is unique over the whole project, not per system.
    try {
        addNode("n1", "S2");
        FAIL() << "duplicate node name accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), kErrDuplicateKey);
    }
}

TEST_F(RecordSetTest, FieldChecksRefuseWhatTheFieldCannotHold) {
    addNode("N1", "S1");
    RecordSet nodes(*db, "NODE");
    nodes.edit();
    EXPECT_THROW(nodes.set("SYSTEM", "NINECHARS"), Error);           // Text(8)
    EXPECT_THROW(nodes.set("SYSTEM", "ÄÖÜßäöü12"), Error);           // nine characters
    nodes.set("NAME", "ÄÖÜßäöü1");                                     // eight characters in 15 bytes fit
    EXPECT_THROW(nodes.set("NODE_TYPE", 40000), Error);              // 16-bit Integer
    EXPECT_THROW(nodes.set("INLET_ELEV", "10..00"), Error);          // not a number
    EXPECT_THROW(nodes.set("NO_SUCH_FIELD", 1), Error);
    nodes.set("RUNOFF_C1", 0.1);                                      // Single
    nodes.set("AUTO_ROTATE", true);
    nodes.set("INLET_ELEV", "102.35");
    nodes.update();
    RecordSet again(*db, "NODE");
    EXPECT_EQ(again.number("RUNOFF_C1"), static_cast<double>(0.1f));
    EXPECT_EQ(again.integer("AUTO_ROTATE"), -1);                     // Yes stored as -1
    EXPECT_DOUBLE_EQ(again.number("INLET_ELEV"), 102.35);
    EXPECT_EQ(again.text("NAME"), "ÄÖÜßäöü1");
}

TEST_F(RecordSetTest, RowsComeInStorageOrderAcrossReopenAndDeletes) {
    for (const char* n : {"Z", "A", "M", "B"}) addNode(n, "S");
    {
        RecordSet nodes(*db, "NODE");
        nodes.findFirst("NAME = ?", {"A"});
        nodes.remove();
        EXPECT_EQ(nodes.text("NAME"), "M");  // the next row becomes current
    }
    addNode("C", "S");
    auto path = db->path();
    db.reset();
    db = Database::open(path);
    RecordSet nodes(*db, "NODE");
    std::string order;
    for (nodes.moveFirst(); !nodes.eof(); nodes.moveNext()) order += nodes.text("NAME");
    EXPECT_EQ(order, "ZMBC");
    RecordSet sorted(*db, "NODE", "", {}, "NAME");
    std::string s;
    for (; !sorted.eof(); sorted.moveNext()) s += sorted.text("NAME");
    EXPECT_EQ(s, "BCMZ");
    // no statement of this connection is left half run: a second one can write at once
    db->execute("UPDATE NODE SET TC = ? WHERE NAME = ?", {4, "C"});
    Database::open(path)->execute("UPDATE NODE SET TC = 5 WHERE NAME = 'C'");
    EXPECT_EQ(db->scalar("SELECT TC FROM NODE WHERE NAME = ?", {"C"}).toInt(), 5);
}

}  // namespace

// ------------------------------------------------------------------ indexes kept across changes

/// Positions of the rows whose field equals `key`, by reading every row (the slow way).
std::vector<long> scanFor(RecordSet& rs, const std::string& field, const std::string& key) {
    std::vector<long> hits;
    const long keep = rs.position();
    for (long p = 0; p < static_cast<long>(rs.recordCount()); ++p) {
        rs.setPosition(p);
        if (compareKey(rs.value(field)) == compareKey(Value(key))) hits.push_back(p);
    }
    rs.setPosition(keep);
    return hits;
}

/// Positions findFirst / findNext visit for `field = key`.
std::vector<long> findAll(RecordSet& rs, const std::string& field, const std::string& key) {
    std::vector<long> hits;
    const std::string criteria = field + " = ?";
    for (bool f = rs.findFirst(criteria, {key}); f; f = rs.findNext(criteria, {key})) hits.push_back(rs.position());
    return hits;
}

TEST_F(RecordSetTest, FindsAgreeWithAFullScanThroughEditsAdditionsAndDeletions) {
    const std::vector<std::string> systems = {"S1", "S2", "s3", "S4"};
    for (int i = 0; i < 40; ++i) addNode("N" + std::to_string(i), systems[static_cast<std::size_t>(i % 3)]);
    RecordSet nodes(*db, "NODE");
    auto check = [&](const std::string& step) {
        for (const auto& s : systems) EXPECT_EQ(findAll(nodes, "SYSTEM", s), scanFor(nodes, "SYSTEM", s)) << step << " " << s;
        for (int i = 0; i < 50; i += 7) {
            const std::string n = "N" + std::to_string(i);
            EXPECT_EQ(findAll(nodes, "NAME", n), scanFor(nodes, "NAME", n)) << step << " " << n;
        }
    };
    check("as loaded");
    const auto builds = db->counters().indexBuilds;
    unsigned seed = 7;
    for (int step = 0; step < 60; ++step) {
        seed = seed * 1103515245u + 12345u;
        const long pos = static_cast<long>((seed >> 8) % nodes.recordCount());
        nodes.setPosition(pos);
        switch (step % 4) {
        case 0:
        case 1:  // move a node to another system (S4 starts empty)
            nodes.edit();
            nodes.set("SYSTEM", systems[(seed >> 4) % systems.size()]);
            nodes.update();
            break;
        case 2:  // a new node, a name used before possibly deleted
            nodes.addNew();
            nodes.set("NAME", "M" + std::to_string(step));
            nodes.set("SYSTEM", systems[(seed >> 6) % systems.size()]);
            nodes.update();
            break;
        default:
            nodes.remove();
            break;
        }
        check("step " + std::to_string(step));
    }
    // Both indexes were built once, when first used, and kept up to date since.
    EXPECT_EQ(db->counters().indexBuilds, builds);
    // The file agrees with the rows in memory.
    RecordSet reread(*db, "NODE");
    ASSERT_EQ(reread.recordCount(), nodes.recordCount());
    for (const auto& s : systems) EXPECT_EQ(findAll(reread, "SYSTEM", s), findAll(nodes, "SYSTEM", s)) << s;
}

namespace kolv::db {
namespace {

// A narrow working set finds the rows a record-set find over the whole table finds, in the same
// order: names in another case, numbers written two ways, blanks, Nulls and names not there.
class KeyIndexAgainstFind : public RecordSetTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(KeyIndexAgainstFind, FindsTheRowsARecordSetFinds) {
    const std::vector<std::optional<std::string>> systems = {"Main", "MAIN", "3", "3.0", "main ", std::nullopt,
                                                             "Oak",  "main", "",  "03"};
    for (std::size_t i = 0; i < systems.size(); ++i) {
        RecordSet nodes(*db, "NODE");
        nodes.addNew();
        nodes.set("NAME", "N" + std::to_string(i));
        if (systems[i]) nodes.set("SYSTEM", *systems[i]);
        nodes.update();
    }
    KeyIndex index;
    Statement st = db->prepare("SELECT SYSTEM FROM NODE ORDER BY rowid");
    for (std::uint32_t at = 0; st.step(); ++at) index.add(st.column(0), at);
    index.seal();

    const Value key(GetParam());
    std::vector<std::uint32_t> expected;
    RecordSet all(*db, "NODE");
    for (bool f = all.findFirst("SYSTEM = ?", {key}); f; f = all.findNext("SYSTEM = ?", {key}))
        expected.push_back(static_cast<std::uint32_t>(all.position()));
    EXPECT_EQ(index.find(key), expected);
    EXPECT_EQ(index.first(key), expected.empty() ? -1L : static_cast<long>(expected.front()));
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyIndexAgainstFind,
                         ::testing::Values("main", "MAIN", "3", "3.00", "main ", "", "Elm", "03", " 3"));

}  // namespace
}  // namespace kolv::db
