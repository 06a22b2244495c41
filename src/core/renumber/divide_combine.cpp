// Moving nodes and reaches between storm sewer systems.
#include "renumber/divide_combine.h"

#include <algorithm>
#include <set>

#include "common/text.h"
#include "db/record_set.h"
#include "db/undo_history.h"

namespace kolv::renumber {

namespace {

std::string key(std::string_view name) { return toUpper(trim(name)); }

}  // namespace

std::vector<std::string> systemNodeNames(db::Database& db, const std::string& system) {
    std::vector<std::string> names;
    db::RecordSet nodes(db, "NODE", "SYSTEM = ?", {trim(system)});
    for (nodes.moveFirst(); !nodes.eof(); nodes.moveNext()) names.push_back(trim(nodes.text("NAME")));
    return names;
}

std::vector<std::string> allSystems(db::Database& db) {
    std::vector<std::string> names;
    db::RecordSet t16(db, "T16");
    for (t16.moveFirst(); !t16.eof(); t16.moveNext()) {
        const std::string s = trim(t16.text("SYSTEM"));
        if (!s.empty()) names.push_back(s);
    }
    return names;
}

bool divideSystem(db::Database& db, const std::string& system, const std::string& newSystem,
                  const std::vector<std::string>& nodes, ui::UiPort& ui) {
    const std::string from = trim(system), to = trim(newSystem);
    auto missing = [&](const std::string& what) {
        ui.beep();
        ui.message("MISSING DATA", what + "\rProcess incomplete.", ui::Icon::Exclamation);
        return false;
    };
    if (to.empty()) return missing("New System name missing.");
    if (nodes.size() < 3) return missing("A minimum of 3 nodes must be moved.");
    if (db::RecordSet(db, "T16", "SYSTEM = ?", {to}).empty()) {
        ui.beep();
        ui.message("MISSING DATA", "System '" + to + "' not found.", ui::Icon::Exclamation);
        return false;
    }
    if (key(to) == key(from)) {
        ui.invalidData("The new system cannot be the system being divided.");
        return false;
    }
    const std::vector<std::string> inSystem = systemNodeNames(db, from);
    std::set<std::string> known, chosen;
    for (const auto& n : inSystem) known.insert(key(n));
    for (const auto& n : nodes) {
        if (!known.count(key(n))) {
            ui.invalidData("Node '" + trim(n) + "' is not in system '" + from + "'.");
            return false;
        }
        if (!chosen.insert(key(n)).second) {
            ui.invalidData("Node '" + trim(n) + "' is listed more than once.");
            return false;
        }
    }

    ui.busy(true);
    try {
        db::UndoAction undo(db, "Divide System");
        db::Transaction tx(db);
        for (const auto& n : nodes) {
            const std::string name = trim(n);
            db.execute("UPDATE NODE SET SYSTEM = ? WHERE NAME = ?", {to, name});
            // the reach leaving the node goes with it; one arriving from a node that stays does not
            db.execute("UPDATE REACH SET SYSTEM = ? WHERE SYSTEM = ? AND NODE1 = ?", {to, from, name});
            if (db.hasTable("T30"))
                db.execute("UPDATE T30 SET SYSTEM = ? WHERE SYSTEM = ? AND NODE1 = ?", {to, from, name});
            ui.processEvents();
        }
        // The receiving system's header (its outfall, storm and coefficients) is the engineer's
        // to set: the node the moved reaches drain to stays in the system divided.
        tx.commit();
    } catch (...) {
        ui.busy(false);
        throw;
    }
    ui.busy(false);
    ui.message("DIVIDE SYSTEM", "Process Complete.", ui::Icon::Information);
    return true;
}

bool combineSystems(db::Database& db, const CombineChoice& choice, ui::UiPort& ui) {
    if (choice.fromList.empty() || choice.toList.empty()) {
        ui.invalidData("The 'From System' or 'Combine to System' contains no systems.");
        return false;
    }
    if (!choice.from) {
        ui.invalidData("A system in the 'From System' list must be selected.");
        return false;
    }
    if (!choice.to) {
        ui.invalidData("A system in the 'Combine to System' list must be selected.");
        return false;
    }
    const std::string from = trim(*choice.from), to = trim(*choice.to);
    if (from.empty()) {
        ui.invalidData("Invalid 'From System' name selected. Selection has no length.");
        return false;
    }
    if (to.empty()) {
        ui.invalidData("Invalid 'Combine to System' name selected. Selection has no length.");
        return false;
    }
    if (key(from) == key(to)) {
        ui.invalidData("The 'From System' and 'Combine to System' cannot be the same system.");
        return false;
    }
    if (ui.message("COMBINE SYSTEMS", "Combine system '" + from + "' into system '" + to + "'\rContinue with combine?",
                   ui::Icon::Question, ui::Buttons::YesNo, ui::Answer::No) != ui::Answer::Yes)
        return false;

    ui.busy(true);
    try {
        db::UndoAction undo(db, "Combine Systems");
        db::Transaction tx(db);
        db.execute("UPDATE NODE SET SYSTEM = ? WHERE SYSTEM = ?", {to, from});
        db.execute("UPDATE REACH SET SYSTEM = ? WHERE SYSTEM = ?", {to, from});
        if (db.hasTable("T30")) db.execute("UPDATE T30 SET SYSTEM = ? WHERE SYSTEM = ?", {to, from});
        // the emptied system's outfall and header go with it
        db::RecordSet::executeDelete(db, "T16", "SYSTEM = ?", {from});
        tx.commit();
    } catch (...) {
        ui.busy(false);
        throw;
    }
    ui.busy(false);
    ui.status("System name change complete");
    ui.message("COMBINE SYSTEMS", "System merging complete.", ui::Icon::Information);
    return true;
}

}  // namespace kolv::renumber
