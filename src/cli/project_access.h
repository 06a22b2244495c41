// Opening a project for a command and finding the installed seed database.
#pragma once

#include <memory>
#include <string>

#include "cli/command.h"
#include "db/project.h"

namespace kolv::cli {

/// How a command uses the project it opens.
enum class Access {
    Write,  ///< the system named becomes the project's current one
    Read,   ///< the system named is used for this command only: nothing is written to the file
};

/// Opens the project (upgrade messages on stderr) and records it in the recent-file list. A
/// command that writes holds one transaction from here to its end: `finishCommand` commits it
/// when the command ends normally, and a command ended by a fault or a kill leaves the project
/// as it was before, never half of what it writes.
std::shared_ptr<db::Project> openForCommand(const std::string& path, Context& ctx, Access access = Access::Read);

/// Opens the project and makes `system` current (or keeps the current one when empty).
/// Throws InputError naming the systems when it does not exist.
std::shared_ptr<db::Project> openWithSystem(const std::string& path, const std::string& system, Context& ctx,
                                            Access access = Access::Write);

/// Commits what the command wrote (see openForCommand); nothing when it opened no project to write.
void finishCommand(Context& ctx);

/// The seed database built beside the programs, else the installed one.
std::string defaultSeedPath();

}  // namespace kolv::cli
