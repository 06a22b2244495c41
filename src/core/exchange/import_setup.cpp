// Import setups (T177): column destinations and structure / pipe description links, kept by name.
#include "exchange/import_setup.h"

#include <map>

#include "common/text.h"
#include "db/record_set.h"
#include "db/schema.h"
#include "db/undo_history.h"
#include "exchange/text_reader.h"

namespace kolv::exchange {

const std::vector<std::string>& destinationNames() {
    static const std::vector<std::string> names = {
        kNoDestination,
        "Node: Name",
        "Node: Baseline Name",
        "Node: Station",
        "Node: Offset",
        "Node: North(Y) Coord.",
        "Node: East(X) Coord.",
        "Node: Profile Name",
        "Node: Cross Slope Name",
        "Node: Structure",
        "Node: Structure Rotation",
        "Node: Inlet Elevation",
        "Node: Min. HGL Elevation",
        "Node: Junct. Loss Coef.",
        "Node: Initial Tc",
        "Node: Base Flow",
        "Node: Area 1",
        "Node: Area 1 C value",
        "Node: Area 2",
        "Node: Area 2 C value",
        "Node: Area 3",
        "Node: Area 3 C value",
        "Reach: Name",
        "Reach: From Node",
        "Reach: From Invert Elev.",
        "Reach: To Node",
        "Reach: To Invert Elev.",
        "Reach: Pipe",
        "Reach: Number of Barrels",
        "Reach: Length (hydraulic)",
        "Reach: Length (quantity)",
    };
    static_assert(static_cast<int>(Destination::Count) == 31);
    return names;
}

const std::string& destinationName(Destination d) {
    const auto& n = destinationNames();
    const auto i = static_cast<std::size_t>(d);
    return i < n.size() ? n[i] : n[0];
}

Destination destinationOf(const std::string& name) {
    const auto& n = destinationNames();
    const std::string t = trim(name);
    for (std::size_t i = 0; i < n.size(); ++i)
        if (n[i] == t) return static_cast<Destination>(i);
    return Destination::None;
}

bool isNodeDestination(Destination d) { return d >= Destination::NodeName && d <= Destination::NodeC3; }

bool ensureSetupTable(db::Database& db, ui::UiPort& ui) {
    if (db.hasTable("T177")) return false;
    db.createTable(*db::schemaTable("T177"));
    if (db::UndoHistory* h = db.history()) h->trackTables();  // setups saved from now on can be undone
    ui.inform(kImportTitle, "Import Setup Table created.", ui::Icon::Information);
    return true;
}

std::vector<std::string> setupNames(db::Database& db) {
    std::vector<std::string> names = {kNewSetup};
    if (!db.hasTable("T177")) return names;
    db::RecordSet t(db, "T177", "TYPE = ?", {kSetupRecord}, "TYPE, SETUP_NAME");
    for (t.moveFirst(); !t.eof(); t.moveNext()) {
        std::string n = trim(t.text("SETUP_NAME"));
        if (!n.empty()) names.push_back(n);
    }
    return names;
}

std::string defaultSetupName(db::Database& db) {
    if (!db.hasTable("T177")) return kNewSetup;
    db::RecordSet t(db, "T177", "TYPE = ?", {kSetupRecord}, "TYPE, SETUP_NAME");
    for (t.moveFirst(); !t.eof(); t.moveNext())
        if (t.flag("DEFAULT") && !trim(t.text("SETUP_NAME")).empty()) return trim(t.text("SETUP_NAME"));
    return kNewSetup;
}

namespace {

bool setupExists(db::Database& db, const std::string& name) {
    return db.scalar("SELECT COUNT(*) FROM T177 WHERE TYPE = ? AND SETUP_NAME = ?", {kSetupRecord, name}).toInt() > 0;
}

void writeColumns(db::Database& db, const std::string& name, const std::vector<ColumnAssignment>& columns) {
    db::RecordSet::executeDelete(db, "T177", "SETUP_NAME = ? AND TYPE = ?", {name, kColumnRecord});
    db::RecordSet t(db, "T177", "0 = 1");
    for (const auto& c : columns) {
        t.addNew();
        t.set("SETUP_NAME", name);
        t.set("TYPE", kColumnRecord);
        t.set("DEFAULT", 0);
        t.set("IMPORT_COLUMN_HEADER", utf8Left(trim(c.heading), 50));
        t.set("KOLV_DEST_FIELD", c.destination.empty() ? std::string(kNoDestination) : c.destination);
        t.update();
    }
}

}  // namespace

ImportSetup loadSetup(db::Database& db, const std::string& name) {
    ImportSetup s;
    s.name = trim(name);
    if (s.name == kNewSetup || !db.hasTable("T177")) return s;
    // Column records in the order they were saved (the column order of the file).
    db::RecordSet t(db, "T177", "SETUP_NAME = ?", {s.name});
    for (t.moveFirst(); !t.eof(); t.moveNext()) {
        switch (t.integer("TYPE")) {
        case kSetupRecord: s.isDefault = t.flag("DEFAULT"); break;
        case kColumnRecord: s.columns.push_back({trim(t.text("IMPORT_COLUMN_HEADER")), trim(t.text("KOLV_DEST_FIELD"))}); break;
        case kStructureLinkRecord:
            s.structures.push_back({trim(t.text("IMPORT_STRUCTURE_DESC")), trim(t.text("KOLV_STRUCTURE_NAME"))});
            break;
        case kPipeLinkRecord: s.pipes.push_back({trim(t.text("IMPORT_PIPE_DESC")), trim(t.text("KOLV_PIPE_NAME"))}); break;
        default: break;
        }
    }
    return s;
}

bool createSetup(db::Database& db, ui::UiPort& ui, const std::string& rawName,
                 const std::vector<ColumnAssignment>& columns) {
    const std::string name = trim(rawName);
    if (name.empty()) return false;
    if (utf8Length(name) > static_cast<std::size_t>(kMaxSetupName)) {
        ui.invalidData("Setup name too long. (50 characters max.)");
        return false;
    }
    ensureSetupTable(db, ui);
    if (name == kNewSetup || setupExists(db, name)) {
        ui.invalidData("Setup name already exists. Try again.");
        return false;
    }
    db::UndoAction step(db, "Import Setup");
    db::Transaction tx(db);
    db.execute("UPDATE T177 SET \"DEFAULT\" = 0 WHERE TYPE = ?", {kSetupRecord});
    db::RecordSet t(db, "T177", "0 = 1");
    t.addNew();
    t.set("SETUP_NAME", name);
    t.set("TYPE", kSetupRecord);
    t.set("DEFAULT", -1);
    t.update();
    writeColumns(db, name, columns);
    tx.commit();
    return true;
}

bool deleteSetup(db::Database& db, ui::UiPort& ui, const std::string& rawName) {
    const std::string name = trim(rawName);
    if (name == kNewSetup || name.empty()) {
        ui.invalidData("<new> cannot be deleted");
        return false;
    }
    if (ui.message(kImportTitle, "Delete Import Setup '" + name + "'?", ui::Icon::Question, ui::Buttons::YesNo,
                   ui::Answer::No) != ui::Answer::Yes)
        return false;
    if (!db.hasTable("T177")) return false;
    int n;
    {
        db::UndoAction step(db, "Import Setup");
        n = db::RecordSet::executeDelete(db, "T177", "SETUP_NAME = ?", {name});
    }
    ui.inform(kImportTitle, std::to_string(n) + " records deleted.", ui::Icon::Information);
    return true;
}

bool saveSetupColumns(db::Database& db, ui::UiPort& ui, const std::string& rawName,
                      const std::vector<ColumnAssignment>& columns) {
    const std::string name = trim(rawName);
    if (name.empty() || name == kNewSetup) return false;
    if (ui.message(kImportTitle, "Save setup in '" + name + "'", ui::Icon::Question, ui::Buttons::YesNo,
                   ui::Answer::Yes) != ui::Answer::Yes)
        return false;
    ensureSetupTable(db, ui);
    {
        db::UndoAction step(db, "Import Setup");
        db::Transaction tx(db);
        if (!setupExists(db, name)) {
            db::RecordSet t(db, "T177", "0 = 1");
            t.addNew();
            t.set("SETUP_NAME", name);
            t.set("TYPE", kSetupRecord);
            t.set("DEFAULT", 0);
            t.update();
        }
        writeColumns(db, name, columns);
        tx.commit();
    }
    ui.inform(kImportTitle, "Setup '" + name + "' updated!", ui::Icon::Information);
    return true;
}

bool saveSetupLinks(db::Database& db, ui::UiPort& ui, const std::string& rawName,
                    const std::vector<DescriptionLink>& structures, const std::vector<DescriptionLink>& pipes) {
    const std::string name = trim(rawName);
    if (name.empty() || name == kNewSetup) return false;
    ensureSetupTable(db, ui);
    {
        db::UndoAction step(db, "Import Setup");
        db::Transaction tx(db);
        db::RecordSet::executeDelete(db, "T177", "SETUP_NAME = ? AND (TYPE = ? OR TYPE = ?)",
                                     {name, kStructureLinkRecord, kPipeLinkRecord});
        db::RecordSet t(db, "T177", "0 = 1");
        // one record per link with a description; the linked name stays Null when not linked
        auto addLinks = [&](const std::vector<DescriptionLink>& links, SetupRecordType type, const char* descField,
                            const char* nameField) {
            for (const auto& l : links) {
                if (trim(l.description).empty()) continue;
                t.addNew();
                t.set("SETUP_NAME", name);
                t.set("TYPE", type);
                t.set("DEFAULT", 0);
                t.set(descField, utf8Left(trim(l.description), 100));
                if (!trim(l.name).empty()) t.set(nameField, trim(l.name));
                t.update();
            }
        };
        addLinks(structures, kStructureLinkRecord, "IMPORT_STRUCTURE_DESC", "KOLV_STRUCTURE_NAME");
        addLinks(pipes, kPipeLinkRecord, "IMPORT_PIPE_DESC", "KOLV_PIPE_NAME");
        tx.commit();
    }
    ui.inform(kImportTitle, "Setup '" + name + "' updated", ui::Icon::Information);
    return true;
}

std::vector<Destination> applySetup(const ImportSetup& setup, const std::vector<std::string>& headings) {
    // heading (folded) -> its assignments in saved order
    std::map<std::string, std::vector<Destination>> byHeading;
    for (const auto& c : setup.columns) byHeading[toUpper(trim(c.heading))].push_back(destinationOf(c.destination));
    std::map<std::string, std::size_t> seen;
    std::vector<Destination> out;
    out.reserve(headings.size());
    for (const auto& h : headings) {
        const std::string key = toUpper(trim(h));
        auto it = byHeading.find(key);
        std::size_t k = seen[key]++;
        out.push_back(it != byHeading.end() && k < it->second.size() ? it->second[k] : Destination::None);
    }
    return out;
}

std::vector<ColumnAssignment> assignmentsOf(const std::vector<std::string>& headings,
                                            const std::vector<Destination>& destinations) {
    std::vector<ColumnAssignment> out;
    for (std::size_t i = 0; i < headings.size(); ++i) {
        Destination d = i < destinations.size() ? destinations[i] : Destination::None;
        out.push_back({trim(headings[i]), destinationName(d)});
    }
    return out;
}

namespace {

std::vector<std::string> definitionNames(db::Database& db, const char* table, bool metric, const char* order) {
    std::vector<std::string> out;
    db::RecordSet t(db, table, "ENG_MET = ?", {metric ? 1 : 0}, order);
    for (t.moveFirst(); !t.eof(); t.moveNext()) {
        std::string n = trim(t.text("NAME"));
        if (!n.empty()) out.push_back(n);
    }
    return out;
}

}  // namespace

std::vector<std::string> structureNames(db::Database& db, bool metric) {
    return definitionNames(db, "T6", metric, "NAME");
}

std::vector<std::string> pipeNames(db::Database& db, bool metric) {
    return definitionNames(db, "T7", metric, "GROUPP, AREA");
}

}  // namespace kolv::exchange
