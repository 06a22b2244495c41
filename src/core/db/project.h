// An open project: its database, unit system, system list and current system.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/database.h"
#include "ui/ui_port.h"

namespace kolv::db {

/// The program's name in window titles ("KOLV Lt" alone while no project is open).
inline constexpr const char* kProgramTitle = "KOLV Lt";

/// Everything that belongs to one open project file. Owns the connection; two projects
/// can be open side by side.
struct Project {
    std::unique_ptr<Database> db;
    std::string path;
    /// false = English (feet, acres, cfs), true = metric (meters, hectares, m3/s).
    bool metric = false;
    /// Systems offered in the system selector, in T16 order (only DRAIN_TYPE Null or 0, at most 101).
    std::vector<std::string> systems;
    /// The current system, "" when none is selected.
    std::string currentSystem;

    /// Unit name shown beside the title: " (English)" or " (Metric)".
    std::string unitName() const { return metric ? " (Metric)" : " (English)"; }
    /// Main window title: the file name, an em dash and the program's name ("ROAD.mdb — KOLV Lt").
    std::string title() const;
    /// 0 = English, 1 = metric: the ENG_MET value of definitions listed for this project.
    int engMet() const { return metric ? 1 : 0; }
};

/// Opens a project file: upgrade steps 1 and 2 (adding missing fields, with their messages),
/// T85 created when missing, the status captions and progress values, the system list,
/// the current system restored from T0 CURRENT_SYSTEM, ENGLISH_METRIC Null written back
/// as false. Throws kolv::Error when the file is missing, not a project or damaged;
/// such a file is left untouched. The caller records the path in the recent-file list.
std::unique_ptr<Project> openProject(const std::string& path, ui::UiPort& ui);

/// Runs the upgrade checklists on an open database (fields added, messages shown).
/// Returns the number of fields added.
int upgradeSchema(Database& db, ui::UiPort& ui);

/// Creates T85 when it is missing; returns true when it was created (message shown).
bool ensureT85(Database& db, ui::UiPort& ui);

/// Reads the system list from T16: SYSTEM not empty and DRAIN_TYPE Null or 0, at most 101.
std::vector<std::string> readSystemList(Database& db);

/// Makes a system current: remembered in T0 CURRENT_SYSTEM. An empty name clears it.
void setCurrentSystem(Project& project, const std::string& system);

/// Re-reads the system list and keeps the current system when it still exists.
void refreshSystems(Project& project);

}  // namespace kolv::db
