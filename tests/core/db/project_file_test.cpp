// New project from the seed, and rebuilding a project file.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

#include "common/error.h"
#include "db/project.h"
#include "db/project_file.h"
#include "db/record_set.h"
#include "support/test_support.h"
#include "ui/recording_ui.h"

using namespace kolv;
using namespace kolv::db;
namespace fs = std::filesystem;

namespace {

using kolv::test::readAll;

TEST(NewProject, AsksThenCopiesTheSeedOverAnExistingFile) {
    test::TempDir dir;
    std::string seed = test::makeSeed(dir);
    std::string target = dir.file("new.mdb");
    { std::ofstream(target) << "old contents"; }
    ui::RecordingUi ui;
    ui.answers.push_back(ui::Answer::No);
    EXPECT_FALSE(createProject(target, seed, ui));
    EXPECT_EQ(readAll(target), "old contents");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Create New Project Database");
    EXPECT_EQ(ui.messages[0].text, "Create '" + target + "' from '" + seed + "'\rContinue with database creation?");
    EXPECT_EQ(ui.messages[0].defaultAnswer, ui::Answer::Yes);

    ui.answers.push_back(ui::Answer::Yes);
    EXPECT_TRUE(createProject(target, seed, ui));
    EXPECT_EQ(ui.messages.back().text, "Database creation complete.");
    EXPECT_EQ(ui.messages.back().icon, ui::Icon::Information);
    EXPECT_EQ(readAll(target), readAll(seed));
    {  // a project another program holds is refused, and left as it was
        auto other = Database::open(target);
        other->exec("BEGIN IMMEDIATE");
        ui.answers.push_back(ui::Answer::Yes);
        EXPECT_FALSE(createProject(target, seed, ui));
        EXPECT_NE(ui.messages.back().text.find("is open or locked in another program"), std::string::npos);
        EXPECT_NE(ui.messages.back().text.find("Nothing was changed."), std::string::npos);
        other->exec("ROLLBACK");
        EXPECT_EQ(readAll(target), readAll(seed));
    }

    // a name typed without extension becomes a project file
    EXPECT_TRUE(createProject(dir.file("Road 12"), seed, ui));
    EXPECT_TRUE(fs::exists(dir.file("Road 12.mdb")));
    EXPECT_FALSE(fs::exists(dir.file("Road 12")));
    EXPECT_EQ(withProjectExtension(" /a/b "), "/a/b.mdb");
    EXPECT_EQ(withProjectExtension("/a/b.MDB"), "/a/b.MDB");
    EXPECT_EQ(withProjectExtension("/a.d/b"), "/a.d/b.mdb");
    EXPECT_EQ(withProjectExtension(""), "");
}

// The New Project window is the engineer's one confirmation: nothing more is asked or announced,
// except before replacing a file that exists.
TEST(NewProject, OneStepMakesTheProjectInItsUnitsAndAsksOnlyBeforeReplacing) {
    test::TempDir dir;
    std::string seed = test::makeSeed(dir);
    ui::RecordingUi ui;
    for (bool metric : {false, true}) {
        const std::string name = dir.file(metric ? "Metric Road" : "English Road");
        ASSERT_TRUE(createProjectInUnits(name, seed, metric, ui));
        EXPECT_TRUE(ui.messages.empty()) << ui.messages.front().text;
        auto p = openProject(withProjectExtension(name), ui);
        EXPECT_EQ(p->metric, metric);
        ui.clear();
    }
    const std::string target = dir.file("taken.mdb");
    { std::ofstream(target) << "old contents"; }
    EXPECT_FALSE(createProjectInUnits(target, seed, false, ui));  // No is the default
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "'" + target + "' already exists.\rReplace it with a new project?");
    EXPECT_EQ(readAll(target), "old contents");
    ui.answers.push_back(ui::Answer::Yes);
    EXPECT_TRUE(createProjectInUnits(target, seed, false, ui));
    EXPECT_FALSE(createProjectInUnits("  ", seed, false, ui));
    EXPECT_EQ(ui.messages.back().title, "INVALID DATA");
}

/// Files beyond `bytes` cannot be written by this process while it lives (ulimit -f), and the
/// write fails with EFBIG instead of ending the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        m_signal = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_before);
        rlimit limit = m_before;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_signal);
    }

private:
    rlimit m_before{};
    void (*m_signal)(int) = nullptr;
};

/// A project with a write of another program interrupted: its journal beside it, and pages of
/// the unfinished write already in the file (copied while that program held them).
void interruptedWrite(const std::string& project, const std::string& copy) {
    auto db = Database::open(project);
    db->exec("PRAGMA cache_size = 1");
    db->exec("CREATE TABLE PADDING(X BLOB)");
    db->exec("INSERT INTO PADDING VALUES (zeroblob(2000000))");
    db->exec("BEGIN");
    db->exec("UPDATE PADDING SET X = zeroblob(1500000)");
    db->exec("DELETE FROM NODE");
    fs::copy_file(project, copy, fs::copy_options::overwrite_existing);
    fs::copy_file(project + "-journal", copy + "-journal", fs::copy_options::overwrite_existing);
    db->exec("ROLLBACK");
}

TEST(NewProject, AJournalLeftBesideTheTargetIsNeverReplayedIntoTheNewProject) {
    test::TempDir dir;
    const std::string seed = test::makeSeed(dir);
    for (bool oldProjectDeleted : {false, true}) {
        const std::string source = test::makeEmptyProject(dir, oldProjectDeleted ? "source2.mdb" : "source1.mdb");
        const std::string target = dir.file(oldProjectDeleted ? "gone.mdb" : "replaced.mdb");
        interruptedWrite(source, target);
        ASSERT_GT(fs::file_size(target + "-journal"), 0u);
        if (oldProjectDeleted) fs::remove(target);
        ui::RecordingUi ui;
        ASSERT_TRUE(createProject(target, seed, ui));
        EXPECT_FALSE(fs::exists(target + "-journal"));
        auto db = Database::open(target);
        EXPECT_EQ(db->scalar("PRAGMA integrity_check").toText(), "ok");
        EXPECT_FALSE(db->hasTable("PADDING")) << "the old journal was replayed";
    }
}

TEST(NewProject, AFileSizeLimitLeavesNoPartFileAndSaysWhy) {
    test::TempDir dir;
    const std::string seed = test::makeSeed(dir), target = dir.file("limited.mdb");
    const std::string existing = test::makeEmptyProject(dir, "existing.mdb"), before = readAll(existing);
    for (const std::string& path : {target, existing}) {
        ui::RecordingUi ui;
        try {
            FileSizeLimit limit(fs::file_size(seed) / 2);
            createProject(path, seed, ui);
            ADD_FAILURE() << "written beyond the file-size limit";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find("file-size limit"), std::string::npos) << e.what();
        }
    }
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(readAll(existing), before);
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().find(".new"), std::string::npos) << e.path();
}

TEST(Rebuild, ABackupThatCannotBeWrittenKeepsTheOneBefore) {
    test::TempDir dir;
    const std::string path = test::makeEmptyProject(dir), before = readAll(path);
    { std::ofstream(dir.file("Rebuild.BAK")) << "the backup of an earlier rebuild"; }
    ui::RecordingUi ui;
    ui.answers.push_back(ui::Answer::Yes);
    try {
        FileSizeLimit limit(before.size() / 2);
        rebuildProject(path, "", ui);
        ADD_FAILURE() << "rebuilt beyond the file-size limit";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("file-size limit"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("Nothing was changed."), std::string::npos) << e.what();
    }
    EXPECT_EQ(readAll(dir.file("Rebuild.BAK")), "the backup of an earlier rebuild");
    EXPECT_EQ(readAll(path), before);
}

TEST(Rebuild, AReadOnlyProjectOrFolderIsRefusedNamingWhatIsReadOnly) {
    test::TempDir dir;
    const std::string path = test::makeEmptyProject(dir), before = readAll(path);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ui::RecordingUi ui;
    ui.answers.push_back(ui::Answer::Yes);
    EXPECT_FALSE(rebuildProject(path, "", ui));
    EXPECT_NE(ui.messages.back().text.find("'" + path + "' is read-only"), std::string::npos) << ui.messages.back().text;
    EXPECT_EQ(readAll(path), before);
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);

    const fs::perms folderWas = fs::status(dir.path()).permissions();
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    ui.answers.push_back(ui::Answer::Yes);
    EXPECT_FALSE(rebuildProject(path, "", ui));
    fs::permissions(dir.path(), folderWas);
    EXPECT_NE(ui.messages.back().text.find("The folder '" + dir.path()), std::string::npos) << ui.messages.back().text;
    EXPECT_EQ(readAll(path), before);
    EXPECT_FALSE(fs::exists(dir.file("Rebuild.BAK")));
}

TEST(SaveAs, CompactedCopyHoldsTheRowsAndTheOpenFileIsRefused) {
    test::TempDir dir;
    ui::RecordingUi ui;
    auto p = openProject(test::makeEmptyProject(dir), ui);
    p->db->execute("INSERT INTO T16 (SYSTEM, OUT_NODE) VALUES ('S1', 'EW-1')");
    p->db->execute("INSERT INTO NODE (NAME, SYSTEM, INLET_ELEV) VALUES ('A', 'S1', 105.25)");
    const std::string before = readAll(p->path);

    EXPECT_EQ(saveProjectCopy(*p->db, p->path, p->path, ui), "");
    EXPECT_EQ(ui.messages.back().title, "INVALID DATA");
    EXPECT_EQ(saveProjectCopy(*p->db, p->path, "  ", ui), "");

    { std::ofstream(dir.file("copy.mdb")) << "an older file"; }
    std::string written = saveProjectCopy(*p->db, p->path, dir.file("copy"), ui);
    EXPECT_EQ(written, dir.file("copy.mdb"));
    EXPECT_FALSE(fs::exists(dir.file("copy.mdb.part")));
    auto copy = openProject(written, ui);
    EXPECT_EQ(copy->db->scalar("SELECT OUT_NODE FROM T16 WHERE SYSTEM = 'S1'").toText(), "EW-1");
    EXPECT_DOUBLE_EQ(copy->db->scalar("SELECT INLET_ELEV FROM NODE WHERE NAME = 'A'").toDouble(), 105.25);
    EXPECT_EQ(readAll(p->path), before);  // the open project is not touched

    // a folder that does not exist: an error, and nothing left behind
    EXPECT_THROW(saveProjectCopy(*p->db, p->path, dir.file("no/such/folder/x.mdb"), ui), kolv::Error);
}

TEST(Rebuild, RefusesEmptyOpenAndHeldFilesAndKeepsAnExactBackupBesideTheProject) {
    test::TempDir dir;
    std::string path = test::makeEmptyProject(dir);
    ui::RecordingUi ui;
    EXPECT_FALSE(rebuildProject("  ", "", ui, dir.path()));
    EXPECT_EQ(ui.messages.back().title, "INVALID DATA");
    EXPECT_EQ(ui.messages.back().text, "Database name missing.");
    EXPECT_FALSE(rebuildProject(path, path, ui, dir.path()));
    EXPECT_EQ(ui.messages.back().text, "Current file " + path + " cannot be rebuilt while open.");

    {
        auto db = Database::open(path);
        db->exec("CREATE TABLE filler(x)");
        Transaction tx(*db);
        for (int i = 0; i < 200; ++i) db->execute("INSERT INTO filler VALUES (?)", {std::string(1000, 'x')});
        tx.commit();
        db->exec("DROP TABLE filler");
    }
    std::string before = readAll(path);
    ui.answers.push_back(ui::Answer::No);
    EXPECT_FALSE(rebuildProject(path, "", ui, dir.path()));
    EXPECT_EQ(ui.messages.back().title, "Rebuild Database");
    EXPECT_EQ(ui.messages.back().text, "Rebuild database " + path + ". Continue?");
    EXPECT_EQ(readAll(path), before);
    {
        // another program in the middle of writing: the rebuild must not copy a moving file
        auto other = Database::open(path);
        other->exec("BEGIN IMMEDIATE");
        ui.answers.push_back(ui::Answer::Yes);
        EXPECT_FALSE(rebuildProject(path, "", ui));
        EXPECT_EQ(ui.messages.back().title, "Rebuild Database");
        EXPECT_NE(ui.messages.back().text.find("is open or locked in another program"), std::string::npos);
        other->exec("ROLLBACK");
    }
    EXPECT_EQ(readAll(path), before);
    EXPECT_FALSE(fs::exists(dir.file("Rebuild.BAK")));

    ui.answers.push_back(ui::Answer::Yes);
    EXPECT_TRUE(rebuildProject(path, "", ui));  // no folder given: the project's own
    EXPECT_EQ(ui.messages.back().text, "Database rebuilding complete.");
    EXPECT_EQ(readAll(dir.file("Rebuild.BAK")), before);
    EXPECT_FALSE(fs::exists(dir.file("TEMP0000.MDA")));  // renamed over the project
    EXPECT_LT(fs::file_size(path), before.size());  // compacted
    ui::RecordingUi u2;
    auto p = openProject(path, u2);
    EXPECT_EQ(p->db->scalar("SELECT COUNT(*) FROM T2").toInt(), 66);
}

TEST(Rebuild, ADamagedFileIsLeftAlone) {
    test::TempDir dir;
    std::string path = dir.file("bad.mdb");
    { std::ofstream(path) << "not a database at all"; }
    ui::RecordingUi ui;
    ui.answers.push_back(ui::Answer::Yes);
    EXPECT_THROW(rebuildProject(path, "", ui, dir.path()), Error);
    EXPECT_EQ(readAll(path), "not a database at all");
    // a named pipe: refused at once, not waited on for a writer that never comes
    const std::string fifo = dir.file("pipe.mdb");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ui.answers.push_back(ui::Answer::Yes);
    EXPECT_THROW(rebuildProject(fifo, "", ui, dir.path()), Error);
}

TEST(Rebuild, TheOpenProjectUnderAnotherSpellingAndItsOwnWorkFilesAreRefused) {
    test::TempDir dir;
    std::string path = test::makeEmptyProject(dir);
    fs::create_symlink(path, dir.file("link.mdb"));
    const std::string before = readAll(path);
    for (const std::string& other : {dir.path() + "/./project.mdb", dir.file("link.mdb")}) {
        ui::RecordingUi ui;
        ui.answers.push_back(ui::Answer::Yes);
        EXPECT_FALSE(rebuildProject(other, path, ui, dir.path())) << other;
        EXPECT_EQ(ui.messages.back().text, "Current file " + other + " cannot be rebuilt while open.");
    }
    // Rebuilding the backup or the work file would write over the file being rebuilt.
    fs::copy_file(path, dir.file("Rebuild.BAK"));
    fs::copy_file(path, dir.file("TEMP0000.MDA"));
    for (const char* own : {"Rebuild.BAK", "TEMP0000.MDA"}) {
        ui::RecordingUi ui;
        ui.answers.push_back(ui::Answer::Yes);
        EXPECT_FALSE(rebuildProject(dir.file(own), "", ui)) << own;
        EXPECT_EQ(ui.messages.back().title, "Rebuild Database");
        EXPECT_NE(ui.messages.back().text.find("Nothing was changed."), std::string::npos);
        EXPECT_EQ(readAll(dir.file(own)), before) << own;
    }
    EXPECT_EQ(readAll(path), before);
}

TEST(Rebuild, AProgramThatHadTheProjectOpenCannotWriteToTheReplacedFile) {
    test::TempDir dir, elsewhere;
    std::string path = test::makeEmptyProject(dir);
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    const std::string link = elsewhere.file("link.mdb");
    fs::create_symlink(path, link);
    auto other = Database::open(path);  // open, between two commands: it holds no lock
    ui::RecordingUi ui;
    ui.answers.push_back(ui::Answer::Yes);
    ASSERT_TRUE(rebuildProject(link, "", ui));
    // Through a link the project itself is rebuilt, its backup beside it, its permissions kept.
    EXPECT_EQ(fs::read_symlink(link), path);
    EXPECT_TRUE(fs::exists(dir.file("Rebuild.BAK")));
    EXPECT_FALSE(fs::exists(elsewhere.file("Rebuild.BAK")));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    // Its write would go to the file the rebuild replaced, and be lost: it is refused instead.
    try {
        Transaction tx(*other);
        ADD_FAILURE() << "a write transaction began on the replaced file";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("was replaced by another program (a rebuild)"), std::string::npos);
    }
    other.reset();
    auto fresh = Database::open(path);
    Transaction tx(*fresh);
    fresh->execute("UPDATE T0 SET CURRENT_SYSTEM = ?", {std::string("NEW")});
    tx.commit();
    EXPECT_EQ(Database::open(path)->scalar("SELECT CURRENT_SYSTEM FROM T0").toText(), "NEW");
}

}  // namespace
