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

/// Runs kolv-cli with a settings folder of the test's own; -1 when it did not exit normally (a crash).
inline CliRun cli(const TempDir& dir, const std::string& args) {
    std::string cmd = "KOLV_CONFIG_DIR='" + dir.path() + "' '" + KOLV_CLI_PATH + "' " + args + " 2>&1";
    CliRun r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf{};
    while (std::fgets(buf.data(), static_cast<int>(buf.size()), p)) r.out += buf.data();
    int st = pclose(p);
    r.code = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
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
