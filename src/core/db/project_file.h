// New project from the seed database, and rebuilding (compacting) a project file.
#pragma once

#include <string>

#include "ui/ui_port.h"

namespace kolv::db {
class Database;
}

namespace kolv::db {

/// Asks "Create New Project Database" (Yes the default) and on Yes copies the seed to the new
/// path, ".mdb" added when it has no extension (overwriting), then shows "Database creation
/// complete." (information). Returns true when created; the caller opens
/// `withProjectExtension(newPath)`.
bool createProject(const std::string& newPath, const std::string& seedPath, ui::UiPort& ui);

/// The New Project window in one step (the window itself is the engineer's confirmation): copies
/// the seed to the new path (".mdb" added when it has no extension) and writes the unit system.
/// An existing file is replaced only when the engineer says so ("Replace it?", No the default).
/// Nothing more is asked or announced; the caller opens `withProjectExtension(newPath)`.
bool createProjectInUnits(const std::string& newPath, const std::string& seedPath, bool metric, ui::UiPort& ui);

/// Rebuilds a project that is not open: refuses an empty path or the open project, asks
/// "Rebuild Database", holds the file exclusively for the whole run (refused, with a message,
/// when another program has it open or locked), copies it to "Rebuild.BAK" in `workFolder`
/// ("" = the project's own folder), compacts it into "TEMP0000.MDA" there, flushes and checks
/// that copy, and renames it over the project in one atomic step. A failure before the rename
/// leaves the project untouched; two rebuilds in one folder run one after the other.
bool rebuildProject(const std::string& path, const std::string& openProjectPath, ui::UiPort& ui,
                    const std::string& workFolder = "");

/// Writes a compacted copy of the open database to `newPath` (".mdb" added when the name has
/// no extension) and returns the path written, or "" when refused: an empty name, or the open
/// project's own file ("INVALID DATA"). An existing file of that name is replaced only once the
/// copy is complete and checked; the open project itself is not changed. The caller opens the copy.
std::string saveProjectCopy(Database& db, const std::string& openPath, const std::string& newPath, ui::UiPort& ui);

/// `path` with ".mdb" added when its file name has no extension.
std::string withProjectExtension(const std::string& path);

}  // namespace kolv::db
