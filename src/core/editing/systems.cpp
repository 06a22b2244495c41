// Storm sewer systems of a project: add, delete and rename.
#include "editing/systems.h"

#include "common/text.h"
#include "common/utf8_text.h"
#include "db/record_set.h"
#include "db/undo_history.h"
#include "rain/intensity.h"

namespace kolv::editing {

using db::RecordSet;

bool addSystem(db::Database& db, const std::string& name, ui::UiPort& ui) {
    db::UndoAction step(db, "Add System " + trim(name));
    const std::string n = trim(name);
    if (n.empty()) {
        ui.message("MISSING DATA", "Enter the new system name.", ui::Icon::Exclamation);
        return false;
    }
    if (charCount(n) > 8) {
        ui.invalidData("New system name limited to 8 characters.");
        return false;
    }
    RecordSet t16(db, "T16");
    if (t16.findFirst("SYSTEM = ?", {n})) {
        ui.message("DUPLICATE RECORD", "System already exist.", ui::Icon::Exclamation);
        return false;
    }
    db::Transaction tx(db);
    t16.addNew();
    t16.set("SYSTEM", n);
    // the design storm of a new system is one the project's IDF table holds: the first zone's
    // 10-year storm, or that zone's first return period
    if (const auto storm = rain::firstDesignStorm(db)) {
        t16.set("INTENSITY_METHOD", 0);
        t16.set("ZONE", storm->first);
        t16.set("FREQ", storm->second);
    }
    t16.update();
    // rows left behind by an earlier system of the same name do not belong to the new one
    RecordSet::executeDelete(db, "NODE", "SYSTEM = ?", {n});
    RecordSet::executeDelete(db, "REACH", "SYSTEM = ?", {n});
    tx.commit();
    return true;
}

bool deleteSystem(db::Database& db, const std::string& name, ui::UiPort& ui) {
    db::UndoAction step(db, "Delete System " + trim(name));
    const std::string n = trim(name);
    RecordSet t16(db, "T16", "SYSTEM = ?", {n});
    if (n.empty() || t16.empty()) {
        ui.message("MISSING DATA", "System '" + n + "' not found.", ui::Icon::Exclamation);
        return false;
    }
    if (ui.message("DELETE SYSTEM",
                   "Delete entire system '" + n + "' and all of the pipes in this system.\rContinue with delete?",
                   ui::Icon::Question, ui::Buttons::YesNo, ui::Answer::No) != ui::Answer::Yes)
        return false;
    db::Transaction tx(db);
    RecordSet::executeDelete(db, "T16", "SYSTEM = ?", {n});
    RecordSet::executeDelete(db, "NODE", "SYSTEM = ?", {n});
    RecordSet::executeDelete(db, "REACH", "SYSTEM = ?", {n});
    tx.commit();
    return true;
}

bool renameSystem(db::Database& db, const std::vector<std::string>& systems, const std::string& selected,
                  const std::string& newName, ui::UiPort& ui) {
    db::UndoAction step(db, "Rename System " + trim(selected) + " to " + trim(newName));
    const std::string oldName = trim(selected);
    const std::string n = trim(newName);
    if (systems.empty()) {
        ui.message("MISSING DATA", "There are no systems to rename.", ui::Icon::Exclamation);
        return false;
    }
    if (oldName.empty()) {
        ui.message("MISSING DATA", "Select a system from the list.", ui::Icon::Exclamation);
        return false;
    }
    if (n.empty()) {
        ui.message("MISSING DATA", "Enter the new system name.", ui::Icon::Exclamation);
        return false;
    }
    if (charCount(n) > 8) {
        ui.message("INVALID DATA", "New system name limited to 8 characters.", ui::Icon::Exclamation);
        return false;
    }
    RecordSet t16(db, "T16");
    if (t16.findFirst("SYSTEM = ?", {n})) {
        ui.message("DUPLICATE DATA", "System '" + n + "' already exist.", ui::Icon::Exclamation);
        return false;
    }
    if (!t16.findFirst("SYSTEM = ?", {oldName})) {
        ui.message("MISSING DATA", "System '" + oldName + "' not found.", ui::Icon::Exclamation);
        return false;
    }
    if (ui.message("DELETE SYSTEM",
                   "Change the system name from '" + oldName + "' to '" + n +
                       "' for all nodes and reaches in this system.\rContinue with delete?",
                   ui::Icon::Question, ui::Buttons::YesNo, ui::Answer::No) != ui::Answer::Yes)
        return false;

    db::Transaction tx(db);
    ui.status("Updating system header and outfall record");
    t16.edit();
    t16.set("SYSTEM", n);
    t16.update();
    ui.status("Updating nodes");
    db.execute("UPDATE NODE SET SYSTEM = ? WHERE SYSTEM = ?", {n, oldName});
    ui.status("Updating reaches");
    db.execute("UPDATE REACH SET SYSTEM = ? WHERE SYSTEM = ?", {n, oldName});
    tx.commit();
    ui.status("System name change complete");
    ui.message("", "System name change complete", ui::Icon::Information);
    return true;
}

}  // namespace kolv::editing
