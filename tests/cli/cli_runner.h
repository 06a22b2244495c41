// Runs kolv-cli as a script would, for the command-line suites.
#pragma once

#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

#include "support/test_support.h"

namespace kolv::test {

/// What one run of kolv-cli gave back.
struct CliRun {
    int code = -1;
    std::string out;  // stdout and stderr together
};

/// What a shell command printed, stdout and stderr together; its exit status in `status` when given.
inline std::string shell(const std::string& cmd, int* status = nullptr) {
    std::string out;
    FILE* p = popen((cmd + " 2>&1").c_str(), "r");
    if (!p) return out;
    std::array<char, 4096> buf{};
    while (std::fgets(buf.data(), static_cast<int>(buf.size()), p)) out += buf.data();
    const int st = pclose(p);
    if (status) *status = st;
    return out;
}

/// Runs kolv-cli with a settings folder of the test's own; -1 when it did not exit normally (a crash).
inline CliRun cli(const TempDir& dir, const std::string& args) {
    int st = -1;
    CliRun r;
    r.out = shell("KOLV_CONFIG_DIR='" + dir.path() + "' '" + KOLV_CLI_PATH + "' " + args, &st);
    r.code = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

/// Runs kolv-cli and expects it to succeed; what it printed.
inline CliRun ran(const TempDir& dir, const std::string& args) {
    CliRun r = cli(dir, args);
    EXPECT_EQ(r.code, 0) << args << "\n" << r.out;
    return r;
}

inline bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

/// The run ended with exit code `code` (any error code, not a crash, when left out) and said `text`.
inline ::testing::AssertionResult ended(const CliRun& r, const std::string& text, int code) {
    if ((code < 0 ? r.code > 0 : r.code == code) && has(r.out, text)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "exit " << r.code << " (wanted " << (code < 0 ? "an error" : std::to_string(code))
                                         << " saying \"" << text << "\"):\n" << r.out;
}
inline ::testing::AssertionResult refused(const CliRun& r, const std::string& reason, int code = -1) {
    return ended(r, reason, code);
}
inline ::testing::AssertionResult succeeded(const CliRun& r, const std::string& text) { return ended(r, text, 0); }

}  // namespace kolv::test
