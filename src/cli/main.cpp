// kolv-cli: runs the design steps and reports of a project file without a window.
#include <csignal>
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>

#include "cli/command.h"
#include "cli/project_access.h"
#include "kolv_version.h"
#include "common/error.h"
#include "common/text.h"
#include "db/busy_notice.h"
#include "db/database.h"

namespace kolv::cli {

std::vector<Registrar>& registry() {
    static std::vector<Registrar> r;
    return r;
}

RegisterCommand::RegisterCommand(Registrar r) { registry().push_back(std::move(r)); }

ui::Answer ConsoleUi::message(const std::string& title, const std::string& text, ui::Icon icon, ui::Buttons buttons,
                              ui::Answer defaultAnswer) {
    const bool fault = title == "INVALID DATA" || title == "ERROR TRAP";
    if (fault) ++faults;
    std::string t = text;
    for (char& c : t)
        if (c == '\r') c = '\n';
    const std::string line = (title.empty() ? std::string() : title + ": ") + t;
    // A fault, or a box that stops a command (critical icon), is shown even when quiet.
    const bool stops = fault || icon == ui::Icon::Critical;
    if (stops) reasonShown = true;
    if (!quiet || stops)
        std::cerr << line << "\n";
    else
        held.push_back(line);
    if (buttons == ui::Buttons::YesNo || buttons == ui::Buttons::YesNoCancel) {
        // Nobody at the keyboard to answer: only --yes says Yes, whatever the window would offer.
        ui::Answer a = assumeYes ? ui::Answer::Yes : defaultAnswer == ui::Answer::Yes ? ui::Answer::No : defaultAnswer;
        std::cerr << "  -> " << (a == ui::Answer::Yes ? "Yes" : a == ui::Answer::No ? "No" : "Cancel")
                  << (assumeYes ? "" : " (use --yes to answer Yes)") << "\n";
        return a;
    }
    if (buttons == ui::Buttons::OkCancel) return assumeYes ? ui::Answer::Ok : defaultAnswer;
    return defaultAnswer;
}

int exitCodeOf(const Error& fault) {
    switch (fault.code()) {
    case kErrLocked: return kExitBusy;
    case kErrNotAProject:
    case kErrTableMissing:
    case kErrFileNotFound: return kExitNotProject;
    default: return kExitRefused;
    }
}

/// The closing text of --help (and so of the manual page made from it).
const char* const kHelpEpilog = R"(Exit codes (the same for every command):
  0  done
  1  done with findings: verification faults, design review errors
  2  usage: the command line is wrong (unknown command or option, missing argument)
  3  refused: data or a value the program does not accept, or a run stopped by its
     data; nothing was written
  4  the project file is locked or busy in another program
  5  the file is missing or is not a project

--format json prints one document of the same shape for every command:
  {"format": 1, "command": "nodes", "project": "road.mdb", "system": "MAINST",
   "units": "english", "exit_code": 0, "messages": [...],
   "columns": ["NAME", ...], "rows": [{"NAME": "S-1", ...}, ...], ...}
  "format" is the version of this shape. "system" and "units" are null where a command has
  none. Rows are objects keyed by the columns; numbers are JSON numbers in the project's
  units ("units": english = ft, acres, cfs; metric = m, ha, m3/s) unless the column name
  says its unit. A command may add keys of its own after "rows" (totals, passes, status).
  --format csv prints the columns as a header line and one line per row; messages go to
  stderr.
)";

std::string busyNoticeText(const std::string& path) {
    return "kolv-cli: " + kolv::db::busyNoticeText(path);
}

}  // namespace kolv::cli

int main(int argc, char** argv) {
    using namespace kolv::cli;
    // A file that reaches the size limit (ulimit -f) fails its write with EFBIG, reported like a
    // full disk, instead of ending the program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    CLI::App app{"KOLV Lt v3 - storm sewer design by the Rational Method (command line)", "kolv-cli"};
    app.require_subcommand(1);
    app.footer(kolv::cli::kHelpEpilog);
    app.set_version_flag("-V,--version", "kolv-cli " KOLV_VERSION, "Print the version and end");
    Context ctx;
    app.add_flag("-y,--yes", ctx.ui.assumeYes, "Answer Yes to every question");
    app.add_flag("-q,--quiet", ctx.ui.quiet, "Show only faults on stderr");
    for (auto& r : registry()) r(app, ctx);
    // A command that finds its file locked waits for it, and says so rather than hang in silence.
    kolv::db::Database::setDefaultBusyNotice([&ctx](const std::string& path) {
        if (!ctx.ui.quiet) std::cerr << busyNoticeText(path) << "\n";
    });
    // A failing command always says why: what quiet mode held back is printed when no reason was.
    const auto reasonOnFailure = [&ctx](int code) {
        if (code != 0 && !ctx.ui.reasonShown)
            for (const auto& line : ctx.ui.held) std::cerr << line << "\n";
        return code;
    };
    try {
        app.parse(argc, argv);
        finishCommand(ctx);
    } catch (const CLI::ParseError& e) {
        // --help and --version end the program without a fault
        const int code = app.exit(e);
        return code == 0 ? kExitDone : kExitUsage;
    } catch (const kolv::Error& e) {
        std::string t = e.what();
        for (char& c : t)
            if (c == '\r') c = '\n';
        std::cerr << "kolv-cli: " << t << "\n";
        return exitCodeOf(e);
    } catch (const std::exception& e) {
        std::cerr << "kolv-cli: " << e.what() << "\n";
        return kExitRefused;
    }
    return reasonOnFailure(ctx.exitCode);
}
