// Command registry of kolv-cli: each command lives in its own file and registers itself.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/ui_port.h"

namespace CLI {
class App;
}
namespace kolv::db {
struct Project;
}

namespace kolv {
class Error;
}

namespace kolv::cli {

/// How a command ends, the same for every command (listed in `kolv-cli --help`).
enum ExitCode : int {
    kExitDone = 0,        ///< done
    kExitFindings = 1,    ///< done, with findings: verification faults, review errors, a run that did not finish
    kExitUsage = 2,       ///< the command line itself is wrong (unknown option, missing argument)
    kExitRefused = 3,     ///< data or a value refused; nothing was written
    kExitBusy = 4,        ///< the project file is locked or busy
    kExitNotProject = 5,  ///< the file is missing or not a project
};

/// The exit code of a fault that ended a command.
int exitCodeOf(const Error& fault);

/// The command line's user-interaction port: messages go to stderr, questions are answered
/// Yes with --yes and with their default button otherwise.
class ConsoleUi : public ui::UiPort {
public:
    bool assumeYes = false;
    bool quiet = false;
    void beep() override {}
    ui::Answer message(const std::string& title, const std::string& text, ui::Icon icon, ui::Buttons buttons,
                       ui::Answer defaultAnswer) override;
    void status(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}
    void processEvents() override {}
    /// Number of messages shown with the "INVALID DATA" or "ERROR TRAP" title.
    int faults = 0;
    /// Messages quiet mode held back, as they would have been printed: a command that fails
    /// prints them at its end, so its reason is never hidden.
    std::vector<std::string> held;
    /// A message that stops a command (a fault or a critical box) reached stderr.
    bool reasonShown = false;
};

/// The stderr line printed when a project file is locked by another program and a command waits for it.
std::string busyNoticeText(const std::string& path);

/// Shared by all commands of one invocation.
struct Context {
    ConsoleUi ui;
    /// Exit code set by a command (kExitDone unless it says otherwise). Faults thrown as
    /// kolv::Error give the code of their kind (exitCodeOf).
    int exitCode = kExitDone;
    /// The project a writing command holds its one transaction on, until it ends.
    std::shared_ptr<db::Project> writing;
};

using Registrar = std::function<void(CLI::App&, Context&)>;

/// Adds a command to the program; called from a static object in each command file.
struct RegisterCommand {
    explicit RegisterCommand(Registrar r);
};

std::vector<Registrar>& registry();

}  // namespace kolv::cli
