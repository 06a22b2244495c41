// New project and rebuild.
#include "db/project_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "common/error.h"
#include "common/text.h"
#include "db/database.h"
#include "db/schema.h"
#include "db/value.h"
#include "ui/busy_pointer.h"

namespace kolv::db {

namespace fs = std::filesystem;

namespace {

/// Why a file could not be written, in the engineer's words: a full disk, the file-size limit and
/// a read-only place each say so.
std::string writeFault(int err) {
    switch (err) {
    case ENOSPC: return "no space left on the disk";
    case EDQUOT: return "the disk quota is used up";
    case EFBIG: return "the file would be larger than this program may write (file-size limit)";
    case EROFS: return "the disk is read-only";
    case EACCES:
    case EPERM: return "permission denied";
    default: return std::strerror(err);
    }
}

/// True when the file or folder carries no write permission for anyone: such a place is refused
/// even to a program whose rights would let it write there anyway.
bool readOnlyMode(const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

/// Copies everything readable from `in` to a new file `to` and flushes it to disk; 0, or the
/// errno of the first failure (the partial file is then removed).
int copyToNewFile(int in, const fs::path& to, mode_t mode) {
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (out < 0) return errno;
    std::vector<char> buf(1 << 16);
    int err = 0;
    for (off_t at = 0; err == 0;) {
        const ssize_t got = ::pread(in, buf.data(), buf.size(), at);
        if (got < 0) err = errno;
        if (got <= 0) break;
        for (ssize_t done = 0; err == 0 && done < got;) {
            const ssize_t put = ::write(out, buf.data() + done, static_cast<std::size_t>(got - done));
            if (put < 0) err = errno == EINTR ? 0 : errno;
            else done += put;
        }
        at += got;
    }
    if (err == 0 && ::fsync(out) != 0) err = errno;
    if (::close(out) != 0 && err == 0) err = errno;
    if (err != 0) ::unlink(to.c_str());
    return err;
}

/// Flushes a folder's entries (a rename into it) to disk.
void flushFolder(const fs::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

/// A file's journals: what SQLite would replay into, or read with, a database of that name.
std::vector<fs::path> journalsOf(const fs::path& file) {
    return {file.string() + "-journal", file.string() + "-wal", file.string() + "-shm"};
}

/// The existing project a new one replaces, held alone until the replacement is in place, so
/// that no other program writes to it meanwhile (they find it replaced and start again).
class ExclusiveHold {
public:
    /// Opens the file and takes its exclusive lock without waiting. A journal an interrupted
    /// write left beside it is rolled back into it on the way, so it belongs to no file after.
    explicit ExclusiveHold(const fs::path& file) {
        if (sqlite3_open_v2(file.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) return;
        m_rc = sqlite3_exec(m_db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    }
    ~ExclusiveHold() {
        if (m_db) sqlite3_close_v2(m_db);
    }
    ExclusiveHold(const ExclusiveHold&) = delete;
    ExclusiveHold& operator=(const ExclusiveHold&) = delete;

    /// Another program has the file open in a transaction or locked.
    bool heldElsewhere() const { return (m_rc & 0xff) == SQLITE_BUSY || (m_rc & 0xff) == SQLITE_LOCKED; }

private:
    sqlite3* m_db = nullptr;
    int m_rc = SQLITE_OK;
};

}  // namespace

bool createProject(const std::string& newPath, const std::string& seedPath, ui::UiPort& ui) {
    const std::string target = withProjectExtension(newPath), seed = trim(seedPath);
    // The engineer asked for a new project: Yes is the answer expected, and the default.
    ui::Answer a = ui.message("Create New Project Database",
                              "Create '" + target + "' from '" + seed + "'\rContinue with database creation?",
                              ui::Icon::Question, ui::Buttons::YesNo, ui::Answer::Yes);
    if (a != ui::Answer::Yes) return false;
    // Only a sound seed may become a project.
    { auto check = Database::open(seed); }

    std::error_code ec;
    // The project itself is replaced, not a link to it.
    fs::path real = fs::weakly_canonical(fs::absolute(fs::path(target)), ec);
    if (ec || real.empty()) real = fs::absolute(fs::path(target));
    const fs::path folder = real.parent_path();
    const auto refuse = [&](const std::string& why) {
        ui.beep();
        ui.message("Create New Project Database", why + "\rNothing was changed.", ui::Icon::Exclamation);
        return false;
    };
    if (!fs::is_directory(folder, ec))
        return refuse("The folder '" + folder.string() + "' does not exist.");
    if (readOnlyMode(folder) || ::access(folder.c_str(), W_OK) != 0)
        return refuse("The folder '" + folder.string() + "' is read-only: the new project cannot be written there.");
    const fs::file_status existing = fs::status(real, ec);
    std::unique_ptr<ExclusiveHold> hold;
    if (fs::exists(existing)) {
        if (!fs::is_regular_file(existing))
            return refuse("'" + target + "' is not a file (it is a folder, pipe or device); it cannot be replaced.");
        if (readOnlyMode(real)) return refuse("'" + target + "' is read-only; it was not replaced.");
        if (fs::equivalent(real, fs::absolute(fs::path(seed)), ec))
            return refuse("'" + target + "' is the seed database itself; choose another name.");
        hold = std::make_unique<ExclusiveHold>(real);
        if (hold->heldElsewhere())
            return refuse("'" + target + "' is open or locked in another program. Close it there and create the "
                          "project again.");
    }

    // The new project is written beside the target under a name of its own, flushed, checked,
    // and renamed over the target in one step: the name holds the file before or the new
    // project, never a part of one.
    const fs::path part = folder / ("." + real.filename().string() + "." + std::to_string(::getpid()) + ".new");
    fs::remove(part, ec);
    {
        const int in = ::open(seed.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0) throw Error(kErrFileNotFound, "'" + seed + "' could not be read: " + writeFault(errno) + ".");
        const int err = copyToNewFile(in, part, 0666);
        ::close(in);
        if (err != 0)
            throw Error(kErrDiskFull, "'" + target + "' could not be written: " + writeFault(err) +
                                          ". Nothing was changed.");
    }
    try {
        auto check = Database::open(part.string());
    } catch (...) {
        fs::remove(part, ec);
        throw;
    }
    // A journal beside the target belongs to the file before (rolled back into it when it was
    // taken above) or to a project deleted long ago: replayed into the new project it would
    // damage it, so it goes before the new project takes the name.
    for (const auto& journal : journalsOf(real)) {
        if (fs::remove(journal, ec); ec) {
            fs::remove(part, ec);
            throw Error(kErrDiskFull, "The old journal '" + journal.string() + "' beside '" + target +
                                          "' could not be removed: " + ec.message() + ". Nothing was changed.");
        }
    }
    fs::rename(part, real, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(part, ignored);
        throw Error(kErrDiskFull, "'" + target + "' could not be replaced: " + ec.message() + ". Nothing was changed.");
    }
    flushFolder(folder);
    hold.reset();
    ui.message("", "Database creation complete.", ui::Icon::Information);
    return true;
}

bool createProjectInUnits(const std::string& newPath, const std::string& seedPath, bool metric, ui::UiPort& ui) {
    const std::string target = withProjectExtension(newPath), seed = trim(seedPath);
    if (trim(newPath).empty()) {
        ui.invalidData("Enter the folder and name of the new project file.");
        return false;
    }
    std::error_code ec;
    if (fs::exists(target, ec)) {
        ui::Answer a = ui.message("New Project", "'" + target + "' already exists.\rReplace it with a new project?",
                                  ui::Icon::Question, ui::Buttons::YesNo, ui::Answer::No);
        if (a != ui::Answer::Yes) return false;
    }
    // Only a sound seed may become a project.
    { auto check = Database::open(seed); }
    fs::copy_file(seed, target, fs::copy_options::overwrite_existing, ec);
    if (ec) throw Error(kErrFileNotFound, "'" + seed + "' could not be copied to '" + target + "': " + ec.message());
    auto project = Database::open(target);
    project->execute("UPDATE T0 SET " + quoteIdent("ENGLISH_METRIC") + " = ?",
                     {Value(metric)});
    return true;
}

namespace {

/// Holds an advisory lock on a folder for as long as it lives: two rebuilds in one folder,
/// which share its Rebuild.BAK and TEMP0000.MDA, run one after the other.
class FolderLock {
public:
    explicit FolderLock(const fs::path& folder) {
        m_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_fd >= 0 && ::flock(m_fd, LOCK_EX) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~FolderLock() {
        if (m_fd >= 0) ::close(m_fd);  // closing releases the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int m_fd = -1;
};

/// Writes a file's contents through to the disk.
void flushToDisk(const fs::path& file) {
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

/// A read-only descriptor of the project, open for the whole rebuild. Closing any descriptor of
/// a file drops every lock the process holds on it, the database connection's exclusive lock
/// included: the backup is read through this one, and it is closed after the connection.
class HeldFile {
public:
    // never waits: a FIFO given as the project is refused by the open that follows
    explicit HeldFile(const fs::path& file) : m_fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}
    ~HeldFile() {
        if (m_fd >= 0) ::close(m_fd);
    }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    /// Copies the whole file to a new file `to` and flushes it to disk; 0 or the errno of the failure.
    int copyTo(const fs::path& to) const { return m_fd < 0 ? EBADF : copyToNewFile(m_fd, to, 0644); }

private:
    int m_fd;
};

}  // namespace

bool rebuildProject(const std::string& path, const std::string& openProjectPath, ui::UiPort& ui,
                    const std::string& workFolder) {
    const std::string p = trim(path);
    if (p.empty()) {
        ui.message("INVALID DATA", "Database name missing.", ui::Icon::Critical);
        return false;
    }
    std::error_code ec;
    const std::string open = trim(openProjectPath);
    // The open project under another spelling ("./x.mdb", a link to it) is the same file.
    if (!open.empty() && (p == open || fs::equivalent(p, open, ec))) {
        ui.beep();
        ui.message("", "Current file " + p + " cannot be rebuilt while open.");
        return false;
    }
    if (ui.message("Rebuild Database", "Rebuild database " + p + ". Continue?", ui::Icon::Question,
                   ui::Buttons::YesNo, ui::Answer::No) != ui::Answer::Yes)
        return false;

    ui::BusyPointer busy(ui);

    // The backup and the compacted copy are written beside the project, the file itself when the
    // path is a link to it: the rename below must replace the project, not the link.
    fs::path real = fs::weakly_canonical(fs::absolute(fs::path(p)), ec);
    if (ec || real.empty()) real = fs::absolute(fs::path(p));
    const fs::path folder = trim(workFolder).empty() ? real.parent_path() : fs::path(workFolder);
    const fs::path bak = folder / "Rebuild.BAK";
    const fs::path bakPart = folder / "Rebuild.BAK.new";
    const fs::path tmp = folder / "TEMP0000.MDA";
    // A read-only project or folder is refused like every other write, naming what is read-only.
    if (readOnlyMode(folder) || ::access(folder.c_str(), W_OK) != 0) {
        ui.beep();
        ui.message("Rebuild Database",
                   "The folder '" + folder.string() + "' is read-only: the rebuild's backup and work files cannot be "
                   "written there.\rNothing was changed.",
                   ui::Icon::Exclamation);
        return false;
    }
    if (fs::exists(real, ec) && readOnlyMode(real)) {
        ui.beep();
        ui.message("Rebuild Database", "'" + p + "' is read-only; it was not rebuilt.\rNothing was changed.",
                   ui::Icon::Exclamation);
        return false;
    }
    if (fs::equivalent(real, bak, ec) || fs::equivalent(real, tmp, ec)) {
        ui.beep();
        ui.message("Rebuild Database",
                   "'" + p + "' is the rebuild's own backup or work file. Copy it to another name and rebuild the copy.\r"
                   "Nothing was changed.",
                   ui::Icon::Exclamation);
        return false;
    }
    FolderLock oneAtATime(folder);

    // Recognise and check the file, then hold it alone for the whole rebuild: no other program
    // may write to it between the backup and the replacement.
    HeldFile source(real);
    auto db = Database::open(p);
    try {
        // Taken before the connection keeps any lock: holding a read lock while waiting for
        // another program's write to end would be refused at once rather than waited for.
        db->exec("BEGIN EXCLUSIVE");
        db->exec("PRAGMA locking_mode = EXCLUSIVE");
        db->exec("COMMIT");  // the exclusive lock stays with the connection
    } catch (const DatabaseError&) {
        ui.beep();
        ui.message("Rebuild Database",
                   "'" + p + "' is open or locked in another program. Close it there and rebuild again.\r"
                   "Nothing was changed.",
                   ui::Icon::Exclamation);
        return false;
    }
    // The backup is written beside the one before and takes its name only when whole: a rebuild
    // that runs out of space keeps the earlier backup as it was.
    fs::remove(bakPart, ec);
    if (const int err = source.copyTo(bakPart); err != 0)
        throw Error(kErrDiskFull, "The backup '" + bak.string() + "' could not be written: " + writeFault(err) +
                                      ". Nothing was changed.");
    fs::rename(bakPart, bak, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(bakPart, ignored);
        throw Error(kErrDiskFull, "The backup '" + bak.string() + "' could not be written: " + ec.message() +
                                      ". Nothing was changed.");
    }
    fs::remove(tmp, ec);
    try {
        try {
            db->execute("VACUUM INTO ?", {tmp.string()});
        } catch (const DatabaseError& e) {
            throw DatabaseError(e.code(), "'" + p + "' could not be compacted into '" + tmp.string() + "': " + e.what() +
                                              ". Nothing was changed.");
        }
        // The compacted copy takes its indexes from the rows again (an index that lost an entry
        // is copied as it stands) and must then pass the full check before it replaces the
        // project; it keeps the project's permissions.
        {
            auto copy = Database::open(tmp.string());
            copy->exec("REINDEX");
            const std::string check = copy->scalar("PRAGMA integrity_check(1)").toText();
            if (check != "ok")
                throw DatabaseError(kErrDatabase, "'" + p + "' is damaged beyond what a rebuild repairs (" + check +
                                                      "). Restore a backup. Nothing was changed.");
        }
        fs::permissions(tmp, fs::status(real).permissions(), ec);
        flushToDisk(tmp);
    } catch (...) {
        fs::remove(tmp, ec);
        throw;
    }
    // One atomic step: the project is either the file before or the compacted copy, never half.
    fs::rename(tmp, real, ec);
    if (ec) {
        fs::remove(tmp, ec);
        throw Error(kErrDiskFull, "'" + p + "' could not be replaced: " + ec.message() +
                                      ". The file before the rebuild is in '" + bak.string() + "'.");
    }
    flushToDisk(folder);
    db.reset();
    ui.message("", "Database rebuilding complete.");
    return true;
}

std::string withProjectExtension(const std::string& path) {
    const std::string p = trim(path);
    if (p.empty()) return p;
    fs::path f(p);
    if (f.has_extension() && f.extension() != ".") return p;
    if (!p.empty() && p.back() == '.') return p + "mdb";
    return p + ".mdb";
}

std::string saveProjectCopy(Database& db, const std::string& openPath, const std::string& newPath, ui::UiPort& ui) {
    const std::string target = withProjectExtension(newPath);
    if (target.empty()) {
        ui.message("INVALID DATA", "Database name missing.", ui::Icon::Exclamation);
        return {};
    }
    std::error_code ec;
    if (fs::exists(target, ec) && fs::equivalent(target, trim(openPath), ec)) {
        ui.beep();
        ui.message("INVALID DATA", "'" + target + "' is the open project. Choose another file name.",
                   ui::Icon::Exclamation);
        return {};
    }
    ui::BusyPointer busy(ui);
    // The copy is made beside the target and renamed over it only when it is sound, so a file
    // of that name is never left half written.
    const fs::path part = fs::path(target).parent_path() / (fs::path(target).filename().string() + ".part");
    fs::remove(part, ec);
    try {
        db.execute("VACUUM INTO ?", {part.string()});
        { auto check = Database::open(part.string()); }
    } catch (...) {
        fs::remove(part, ec);
        throw;
    }
    fs::rename(part, target, ec);
    if (ec) {
        fs::remove(part, ec);
        throw Error(kErrDiskFull, "'" + target + "' could not be written: " + ec.message());
    }
    return target;
}

}  // namespace kolv::db
