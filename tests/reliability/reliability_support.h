// Running kolv-cli as a separate process that can be killed at any moment, and judging the
// project file it leaves behind.
#pragma once

#include <chrono>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

#include "db/database.h"
#include "support/table_snapshot.h"
#include "support/test_support.h"

extern char** environ;

namespace kolv::test {

/// One run of kolv-cli started in the background; its stderr goes to a file.
class CliProcess {
public:
    /// Starts `kolv-cli args...` with stderr in `errFile` and stdout in `outFile` (discarded when empty).
    CliProcess(const std::vector<std::string>& args, const std::string& errFile, const std::string& outFile = "")
        : m_errFile(errFile) {
        std::vector<std::string> argv{KOLV_CLI_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> raw;
        for (auto& a : argv) raw.push_back(a.data());
        raw.push_back(nullptr);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        if (outFile.empty()) posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
        else posix_spawn_file_actions_addopen(&files, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&files, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (posix_spawn(&m_pid, KOLV_CLI_PATH, &files, nullptr, raw.data(), environ) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&files);
    }
    ~CliProcess() {
        if (m_pid > 0 && !m_done) {
            ::kill(m_pid, SIGKILL);
            wait();
        }
    }
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    bool started() const { return m_pid > 0; }
    /// Waits for the end; returns the wait status.
    int wait() {
        if (!m_done && m_pid > 0) {
            while (::waitpid(m_pid, &m_status, 0) < 0 && errno == EINTR) {
            }
            m_done = true;
        }
        return m_status;
    }
    /// Sends SIGKILL (the process may have ended already) and waits.
    int kill() {
        if (m_pid > 0 && !m_done) ::kill(m_pid, SIGKILL);
        return wait();
    }
    std::string stderrText() const { return readAll(m_errFile); }

private:
    pid_t m_pid = -1;
    int m_status = 0;
    bool m_done = false;
    std::string m_errFile;
};

/// True when the run was ended by a signal we did not send, or a sanitizer reported a fault
/// (a sanitizer exits with an ordinary code, so its report is what gives it away).
inline bool crashed(int status, const std::string& err) {
    if (WIFSIGNALED(status)) return true;
    return err.find("Sanitizer") != std::string::npos || err.find("runtime error:") != std::string::npos;
}

/// Runs kolv-cli to its end; the exit code, or -1 for a crash.
struct Finished {
    int code = -1;
    std::string err;
};
inline Finished runCli(const std::vector<std::string>& args, const std::string& errFile) {
    CliProcess p(args, errFile);
    const int st = p.wait();
    Finished f{WIFEXITED(st) ? WEXITSTATUS(st) : -1, p.stderrText()};
    if (crashed(st, f.err)) f.code = -1;
    return f;
}

inline void copyFile(const std::string& from, const std::string& to) {
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}

/// What a project file holds, as the program sees it on the next open (an interrupted write
/// rolled back first): "" and `problem` set when it is not a sound project.
inline std::string projectState(const std::string& path, std::string& problem) {
    try {
        auto db = db::Database::open(path);
        const std::string check = db->scalar("PRAGMA integrity_check").toText();
        if (check != "ok") {
            problem = "integrity_check: " + check;
            return {};
        }
        return snapshotTables(*db);
    } catch (const std::exception& e) {
        problem = e.what();
        return {};
    }
}

/// Where two table snapshots part: the table and the first differing row of each (cut short),
/// for failure messages that stay readable.
inline std::string firstDifference(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    const std::size_t lineStart = a.rfind('\n', i == 0 ? 0 : i - 1);
    const std::size_t from = lineStart == std::string::npos ? 0 : lineStart + 1;
    const std::size_t table = a.rfind("== ", from);
    auto line = [&](const std::string& s) { return s.substr(from, std::min<std::size_t>(s.find('\n', from) - from, 160)); };
    return "table " + (table == std::string::npos ? std::string("?") : a.substr(table, a.find('\n', table) - table)) +
           "\n  one:   " + line(a) + "\n  other: " + line(b);
}

}  // namespace kolv::test
