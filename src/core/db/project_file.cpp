// New project and rebuild.
#include "db/project_file.h"

#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
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
    fs::copy_file(seed, target, fs::copy_options::overwrite_existing, ec);
    if (ec) throw Error(kErrFileNotFound, "'" + seed + "' could not be copied to '" + target + "': " + ec.message());
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

    /// Copies the whole file to `to` (replaced) and flushes the copy to disk; false on any failure.
    bool copyTo(const fs::path& to) const {
        if (m_fd < 0) return false;
        int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (out < 0) return false;
        std::vector<char> buf(1 << 16);
        bool ok = true;
        for (off_t at = 0; ok;) {
            const ssize_t got = ::pread(m_fd, buf.data(), buf.size(), at);
            if (got <= 0) {
                ok = got == 0;
                break;
            }
            for (ssize_t done = 0; ok && done < got;) {
                const ssize_t put = ::write(out, buf.data() + done, static_cast<std::size_t>(got - done));
                ok = put > 0;
                done += put;
            }
            at += got;
        }
        ok = ::fsync(out) == 0 && ok;
        return ::close(out) == 0 && ok;
    }

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
    const fs::path tmp = folder / "TEMP0000.MDA";
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
    if (!source.copyTo(bak))
        throw Error(kErrDiskFull, "The backup '" + bak.string() + "' could not be written. Nothing was changed.");
    fs::remove(tmp, ec);
    try {
        db->execute("VACUUM INTO ?", {tmp.string()});
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
