// Opening a project: schema upgrade, T85, system list, current system, unit system.
#include "db/project.h"

#include <algorithm>
#include <filesystem>

#include "common/error.h"
#include "common/text.h"
#include "db/record_set.h"
#include "db/undo_history.h"

namespace kolv::db {

std::string Project::title() const {
    // The file name first: with several windows open, the engineer finds the project by it.
    const std::string name = std::filesystem::path(trim(path)).filename().string();
    return (name.empty() ? trim(path) : name) + " \u2014 " + kProgramTitle;
}

int upgradeSchema(Database& db, ui::UiPort& ui) {
    // A project made before the file carried our application_id (or by a tool that copied the
    // tables) gets it now, so the desktop recognises the file as a project by its content.
    if (db.scalar("PRAGMA application_id").toInt() != kApplicationId)
        db.exec("PRAGMA application_id = " + std::to_string(kApplicationId));
    // Finding one node, one reach, or the reaches at a node (the editing panel, the node list,
    // the diagram) goes through an index, not a scan of every system's records. The indexes are
    // on the names alone: a whole system is still read by a scan in storage order, where an
    // index beginning with SYSTEM would have each computation's rows sorted back into that order.
    for (const char* old : {"kolv_node_by_name", "kolv_reach_by_name", "kolv_reach_by_from_node", "kolv_reach_by_to_node"})
        db.exec(std::string("DROP INDEX IF EXISTS ") + old);
    db.exec("CREATE INDEX IF NOT EXISTS kolv_node_name ON NODE (NAME)");
    db.exec("CREATE INDEX IF NOT EXISTS kolv_reach_name ON REACH (NAME)");
    db.exec("CREATE INDEX IF NOT EXISTS kolv_reach_node1 ON REACH (NODE1)");
    db.exec("CREATE INDEX IF NOT EXISTS kolv_reach_node2 ON REACH (NODE2)");
    int added = 0;
    for (const auto& step : upgradeSteps()) {
        for (const auto& list : step) {
            const TableLayout& have = db.layout(list.table);
            std::vector<std::string> existing;
            for (const auto& f : have.fields) {
                if (existing.size() >= 200) break;  // field names read: at most 200, 40 characters each
                existing.push_back(trim(left(f.name, 40)));
            }
            std::vector<std::string> missing;
            for (const auto& name : list.fields)
                if (std::find(existing.begin(), existing.end(), name) == existing.end()) missing.push_back(name);
            if (missing.empty()) continue;

            const TableDef* def = schemaTable(list.table);
            std::string lines;
            for (const auto& name : missing) {
                if (name == "CELL_LIBRARY_PLAN") lines += "Field: PLAN VIEW CELL LIBRARY \n";
                else if (name == "CELL_LIBRARY_PROFILE") lines += "Field: PROFILE VIEW CELL LIBRARY \n";
                else if (name == "CELL_LIBRARY_XS") lines += "Field: CROSS SECTION VIEW CELL LIBRARY \n";
                else lines += "Field: " + name + "\n";
                const FieldDef* f = def ? def->field(name) : nullptr;
                FieldDef fd = f ? *f : FieldDef{name, FieldType::Double};
                fd.key = false;  // columns added later can not carry a uniqueness constraint
                db.addField(list.table, fd);
                ++added;
            }
            ui.beep();
            ui.message("", "The following fields has been added to the " + list.messageName +
                               " table of the DATABASE\n" + lines);
        }
    }
    return added;
}

bool ensureT85(Database& db, ui::UiPort& ui) {
    if (db.hasTable("T85")) return false;
    db.createTable(*schemaTable("T85"));
    ui.message("", "User Defined Storm Event Data added to database.");
    return true;
}

std::vector<std::string> readSystemList(Database& db) {
    std::vector<std::string> systems;
    RecordSet t16(db, "T16");
    for (t16.moveFirst(); !t16.eof(); t16.moveNext()) {
        std::string s = trim(t16.text("SYSTEM"));
        if (s.empty()) continue;
        if (t16.number("DRAIN_TYPE") != 0) continue;
        if (systems.size() >= 101) break;
        systems.push_back(s);
    }
    return systems;
}

void setCurrentSystem(Project& project, const std::string& system) {
    project.currentSystem = trim(system);
    // the system on display is remembered, not edited: it is no undo step of its own
    UndoPause notAnEdit(*project.db);
    RecordSet t0(*project.db, "T0");
    if (t0.empty()) {
        t0.addNew();
    } else {
        t0.moveFirst();
        t0.edit();
    }
    t0.set("CURRENT_SYSTEM", project.currentSystem.empty() ? Value() : Value(project.currentSystem));
    t0.update();
}

void refreshSystems(Project& project) {
    project.systems = readSystemList(*project.db);
    if (std::find(project.systems.begin(), project.systems.end(), project.currentSystem) == project.systems.end())
        project.currentSystem.clear();
}

std::unique_ptr<Project> openProject(const std::string& path, ui::UiPort& ui) {
    auto project = std::make_unique<Project>();
    project->path = trim(path);
    project->db = Database::open(project->path);
    Database& db = *project->db;

    // Every table the record sets bind to must exist (T85 is made below when missing).
    for (const auto& step : openOrder()) {
        if (step.table == "T85") continue;
        if (!db.hasTable(step.table))
            throw DatabaseError(kErrTableMissing, "An error has occurred during the file open routine.\n\nThe table " +
                                                      step.table + " is missing from '" + project->path + "'.");
    }

    upgradeSchema(db, ui);

    ui.busy(true);
    for (const auto& step : openOrder()) {
        ui.status(ampersands(schemaTable(step.table)->caption));
        ui.progress(step.bindProgress);
    }
    for (const auto& step : openOrder()) {
        ui.status(ampersands(schemaTable(step.table)->caption));
        if (step.table == "T85") ensureT85(db, ui);
        else db.layout(step.table);
        ui.progress(step.refreshProgress);
    }
    ui.progress(100);
    ui.busy(false);
    ui.progress(0);

    project->systems = readSystemList(db);

    RecordSet t0(db, "T0");
    Value current;
    if (!t0.empty()) {
        t0.moveFirst();
        current = t0.value("CURRENT_SYSTEM");
    }
    if (current.isNull()) {
        if (!project->systems.empty()) setCurrentSystem(*project, project->systems.front());
    } else {
        std::string want = trim(current.toText());
        auto it = std::find(project->systems.begin(), project->systems.end(), want);
        if (it != project->systems.end()) project->currentSystem = *it;
    }

    // A Null unit flag is written back as English.
    t0.requery();
    if (!t0.empty()) {
        t0.moveFirst();
        if (t0.isNull("ENGLISH_METRIC")) {
            t0.edit();
            t0.set("ENGLISH_METRIC", false);
            t0.update();
        }
        project->metric = t0.integer("ENGLISH_METRIC") != 0;
    }
    return project;
}

}  // namespace kolv::db
