// Opening a project: upgrade of older files, T85 creation, system list, current system, units, bad files.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "common/error.h"
#include "db/project.h"
#include "db/record_set.h"
#include "support/test_support.h"
#include "ui/recording_ui.h"

using namespace kolv;
using namespace kolv::db;
namespace fs = std::filesystem;

namespace {

/// Rebuilds a table without some columns, as an older project file would have it.
void dropFields(Database& db, const std::string& table, const std::vector<std::string>& drop) {
    const TableDef* t = schemaTable(table);
    TableDef older = *t;
    older.fields.clear();
    for (const auto& f : t->fields)
        if (std::find(drop.begin(), drop.end(), f.name) == drop.end()) older.fields.push_back(f);
    std::string cols;
    for (const auto& f : older.fields) cols += (cols.empty() ? "" : ", ") + quoteIdent(f.name);
    db.exec("ALTER TABLE " + quoteIdent(table) + " RENAME TO old_t");
    older.name = table;
    db.createTable(older);
    db.exec("INSERT INTO " + quoteIdent(table) + " (" + cols + ") SELECT " + cols + " FROM old_t");
    db.exec("DROP TABLE old_t");
    db.invalidateLayouts();
}

void addSystem(Database& db, const std::string& name, Value drainType = Value()) {
    RecordSet t16(db, "T16");
    t16.addNew();
    t16.set("SYSTEM", name);
    t16.set("DRAIN_TYPE", drainType);
    t16.update();
}

TEST(ProjectOpen, OlderProjectGetsMissingFieldsWithMessagesOnce) {
    test::TempDir dir;
    std::string path = test::makeEmptyProject(dir);
    {
        auto db = Database::open(path);
        dropFields(*db, "T6", {"AGENCY", "DIAGRAM_CLASS_NAME"});
        dropFields(*db, "T0", {"CELL_LIBRARY_XS", "NEXT_NODE_PREFIX"});
        dropFields(*db, "NODE", {"MIN_HGL"});
    }
    ui::RecordingUi ui;
    auto project = openProject(path, ui);
    // Step 1 in checklist table order (NODE, T6, ..., T0), then step 2 (T6, T0).
    ASSERT_EQ(ui.messages.size(), 5u);
    EXPECT_EQ(ui.messages[0].text, "The following fields has been added to the NODE table of the DATABASE\nField: MIN_HGL\n");
    EXPECT_EQ(ui.messages[1].text,
              "The following fields has been added to the STRUCTURE DEFINITION table of the DATABASE\nField: AGENCY\n");
    EXPECT_EQ(ui.messages[2].text,
              "The following fields has been added to the PROJECT SETUP table of the DATABASE\n"
              "Field: CROSS SECTION VIEW CELL LIBRARY \n");
    EXPECT_EQ(ui.messages[3].text,
              "The following fields has been added to the STRUCTURE DEFINITION table of the DATABASE\n"
              "Field: DIAGRAM_CLASS_NAME\n");
    EXPECT_EQ(ui.messages[4].text,
              "The following fields has been added to the PROJECT SETUP table of the DATABASE\nField: NEXT_NODE_PREFIX\n");
    EXPECT_EQ(ui.beeps, 5);
    // The fields carry their types.
    const auto& t0 = project->db->layout("T0");
    ASSERT_NE(t0.field("NEXT_NODE_PREFIX"), nullptr);
    EXPECT_EQ(t0.field("NEXT_NODE_PREFIX")->type, FieldType::Text);
    EXPECT_EQ(t0.field("NEXT_NODE_PREFIX")->size, 6);
    EXPECT_EQ(project->db->layout("NODE").field("MIN_HGL")->type, FieldType::Double);
    project.reset();

    ui::RecordingUi again;
    openProject(path, again);
    EXPECT_TRUE(again.messages.empty());
}

TEST(ProjectOpen, MissingT85IsCreatedWithItsFourFields) {
    test::TempDir dir;
    std::string path = test::makeEmptyProject(dir);
    { Database::open(path)->exec("DROP TABLE T85"); }
    ui::RecordingUi ui;
    auto project = openProject(path, ui);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "User Defined Storm Event Data added to database.");
    const auto& l = project->db->layout("T85");
    ASSERT_EQ(l.fields.size(), 4u);
    EXPECT_EQ(l.fields[0].name, "LOCATION");
    EXPECT_EQ(l.fields[0].size, 20);
    EXPECT_EQ(l.fields[1].name, "FREQUENCY");
    EXPECT_EQ(l.fields[2].type, FieldType::Single);
    EXPECT_EQ(l.fields[3].name, "INTENSITY");
    // Status captions and progress follow the opening order.
    EXPECT_EQ(ui.statuses.front(), "Project Setup Data");
    EXPECT_EQ(ui.statuses[9], "System Outfall & Header Details");
    EXPECT_EQ(ui.progressValues[11], 52);
    EXPECT_EQ(ui.progressValues[23], 99);
    EXPECT_EQ(ui.progressValues[24], 100);
}

TEST(ProjectOpen, SystemListRefreshAndCurrentSystemRestore) {
    test::TempDir dir;
    std::string path = test::makeEmptyProject(dir);
    {
        auto db = Database::open(path);
        addSystem(*db, "S1");
        addSystem(*db, "DRAINS", 3);  // a drainage-type system is never offered
        addSystem(*db, "S'2", 0);
    }
    ui::RecordingUi ui;
    {
        // A Null CURRENT_SYSTEM selects the first system in T16 order, and is remembered.
        auto p = openProject(path, ui);
        EXPECT_EQ(p->systems, (std::vector<std::string>{"S1", "S'2"}));
        EXPECT_EQ(p->currentSystem, "S1");
        setCurrentSystem(*p, "S'2");
    }
    {
        auto p = openProject(path, ui);
        EXPECT_EQ(p->currentSystem, "S'2");
        // One node or its reaches both ways are found through the indexes made on opening, not a scan.
        EXPECT_EQ(p->db->scalar("SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND name LIKE 'kolv_%'").toInt(), 4);
        Statement plan = p->db->prepare("EXPLAIN QUERY PLAN SELECT * FROM REACH WHERE SYSTEM = ?1 AND (NODE1 = ?2 OR NODE2 = ?2)");
        plan.bindAll({"S1", "N1"});
        std::string steps;
        while (plan.step()) steps += plan.column(3).toText() + "\n";
        EXPECT_EQ(steps.find("SCAN"), std::string::npos) << steps;
        // Another connection to the file deletes the current system and adds one: seen on refresh.
        auto other = openProject(path, ui);
        RecordSet t16(*other->db, "T16");
        t16.findFirst("SYSTEM = ?", {"S'2"});
        t16.remove();
        addSystem(*other->db, "S3");
        refreshSystems(*p);
        EXPECT_EQ(p->systems, (std::vector<std::string>{"S1", "S3"}));
        EXPECT_EQ(p->currentSystem, "");
    }
    {
        // A CURRENT_SYSTEM naming a deleted system selects nothing.
        auto p = openProject(path, ui);
        EXPECT_EQ(p->currentSystem, "");
    }
}

TEST(ProjectOpen, NullUnitFlagOpensEnglishAndIsWrittenBack) {
    test::TempDir dir;
    std::string path = test::makeEmptyProject(dir);
    { Database::open(path)->execute("UPDATE T0 SET ENGLISH_METRIC = NULL"); }
    ui::RecordingUi ui;
    auto p = openProject(path, ui);
    EXPECT_FALSE(p->metric);
    EXPECT_EQ(p->unitName(), " (English)");
    EXPECT_EQ(p->db->scalar("SELECT ENGLISH_METRIC FROM T0").toInt(), 0);
    EXPECT_FALSE(p->db->scalar("SELECT ENGLISH_METRIC FROM T0").isNull());
    p->db->execute("UPDATE T0 SET ENGLISH_METRIC = -1");
    p.reset();
    EXPECT_TRUE(openProject(path, ui)->metric);
}

TEST(ProjectOpen, FilesThatAreNotProjectsAreRefusedAndLeftUntouched) {
    test::TempDir dir;
    ui::RecordingUi ui;
    auto expectRefused = [&](const std::string& path, const std::string& words) {
        auto before = fs::exists(path) ? fs::file_size(path) : 0;
        try {
            openProject(path, ui);
            FAIL() << path << " was opened";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << e.what();
        }
        if (fs::exists(path)) {
            EXPECT_EQ(fs::file_size(path), before);
        }
    };
    expectRefused(dir.file("missing.mdb"), "can not be found");

    std::string jet = dir.file("old.mdb");
    {
        std::ofstream f(jet, std::ios::binary);
        std::string head("\x00\x01\x00\x00Standard Jet DB\x00", 20);
        f << head << std::string(2000, '\0');
    }
    expectRefused(jet, "Access");

    std::string text = dir.file("notes.mdb");
    { std::ofstream(text) << "just some text\n"; }
    expectRefused(text, "not a project database");

    std::string other = dir.file("other.mdb");
    { Database::create(other)->exec("PRAGMA application_id = 12345; CREATE TABLE x(a)"); }
    expectRefused(other, "another program");

    // A project whose pages were damaged.
    std::string damaged = dir.file("damaged.mdb");
    fs::copy_file(test::makeEmptyProject(dir), damaged);
    {
        std::fstream f(damaged, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(4096 * 3);
        f << std::string(4096 * 4, '\x5A');
    }
    expectRefused(damaged, "damaged");
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace

namespace {

/// The application_id in the file's header: 4 bytes, big-endian, at offset 68.
std::string headerApplicationId(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char id[4] = {};
    in.seekg(68);
    in.read(id, 4);
    return std::string(id, 4);
}

TEST(ProjectOpen, ProjectsCarryTheApplicationIdTheDesktopRecognises) {
    test::TempDir dir;
    EXPECT_EQ(headerApplicationId(test::makeSeed(dir)), "KOLV");
    EXPECT_EQ(headerApplicationId(test::makeSample(dir)), "KOLV");

    // an older project without one is stamped when it is opened, and opens as before
    std::string older = test::makeEmptyProject(dir, "older.mdb");
    { Database::open(older)->exec("PRAGMA application_id = 0"); }
    ASSERT_EQ(headerApplicationId(older), std::string(4, '\0'));
    ui::RecordingUi ui;
    {
        auto p = openProject(older, ui);
        EXPECT_EQ(p->db->scalar("PRAGMA application_id").toInt(), kApplicationId);
    }
    EXPECT_EQ(headerApplicationId(older), "KOLV");
    EXPECT_EQ(Database::probe(older), FileKind::Project);
}

}  // namespace
