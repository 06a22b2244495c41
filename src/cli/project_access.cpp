// Opening a project for a command.
#include "cli/project_access.h"

#include <algorithm>
#include <filesystem>

#include "common/error.h"
#include "common/text.h"
#include "settings/settings_file.h"

namespace kolv::cli {

std::shared_ptr<db::Project> openForCommand(const std::string& path, Context& ctx, Access access) {
    std::shared_ptr<db::Project> project = db::openProject(path, ctx.ui);
    settings::SettingsFile file;
    settings::Settings s = file.read();
    file.write(std::filesystem::absolute(path).string(), settings::kModeProject, s);
    if (access == Access::Write) {
        project->db->begin();
        ctx.writing = project;
    }
    return project;
}

void finishCommand(Context& ctx) {
    if (!ctx.writing) return;
    auto project = std::move(ctx.writing);
    while (project->db->inTransaction()) project->db->commit();
}

std::shared_ptr<db::Project> openWithSystem(const std::string& path, const std::string& system, Context& ctx,
                                            Access access) {
    auto project = openForCommand(path, ctx, access);
    std::string want = trim(system);
    if (want.empty()) {
        if (project->currentSystem.empty())
            throw InputError("Select the active system or add a new system. (use --system)");
        return project;
    }
    auto it = std::find(project->systems.begin(), project->systems.end(), want);
    if (it == project->systems.end()) {
        std::string list;
        for (const auto& s : project->systems) list += (list.empty() ? "" : ", ") + s;
        throw InputError("The system '" + want + "' is not in " + project->path + ". Systems: " +
                         (list.empty() ? "(none)" : list));
    }
    if (access == Access::Write)
        db::setCurrentSystem(*project, *it);
    else
        project->currentSystem = *it;
    return project;
}

std::string defaultSeedPath() {
    return settings::seedDatabasePath();
}

}  // namespace kolv::cli
