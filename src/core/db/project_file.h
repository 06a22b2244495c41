// New project from the seed database, and rebuilding (compacting) a project file.
#pragma once

#include <string>

#include "ui/ui_port.h"

namespace kolv::db {

/// Asks "Create New Project Database" and on Yes copies the seed to the new path
/// (overwriting), then shows "Database creation complete.". Returns true when created.
/// The new project is not opened.
bool createProject(const std::string& newPath, const std::string& seedPath, ui::UiPort& ui);

/// Rebuilds a project that is not open: refuses an empty path or the open project, asks
/// "Rebuild Database", copies the file to "Rebuild.BAK" in `workFolder`, checks its
/// integrity, compacts it into "TEMP0000.MDA" there and copies that over the project.
/// A failure before the final copy leaves the project untouched. Returns true when rebuilt.
bool rebuildProject(const std::string& path, const std::string& openProjectPath, ui::UiPort& ui,
                    const std::string& workFolder = ".");

}  // namespace kolv::db
