// Opening a project for a command and finding the installed seed database.
#pragma once

#include <memory>
#include <string>

#include "cli/command.h"
#include "db/project.h"

namespace kolv::cli {

/// Opens the project (upgrade messages on stderr) and records it in the recent-file list.
std::unique_ptr<db::Project> openForCommand(const std::string& path, Context& ctx);

/// How a command uses the project it opens.
enum class Access {
    Write,  ///< the system named becomes the project's current one
    Read,   ///< the system named is used for this command only: nothing is written to the file
};

/// Opens the project and makes `system` current (or keeps the current one when empty).
/// Throws InputError naming the systems when it does not exist.
std::unique_ptr<db::Project> openWithSystem(const std::string& path, const std::string& system, Context& ctx,
                                            Access access = Access::Write);

/// The seed database built beside the programs, else the installed one.
std::string defaultSeedPath();

}  // namespace kolv::cli
