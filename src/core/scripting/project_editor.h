// Building and changing a project without windows: node, reach and system records set by field name.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"
#include "db/schema.h"
#include "db/undo_history.h"
#include "db/value.h"
#include "editing/edit_panel.h"
#include "session/session.h"
#include "ui/recording_ui.h"

namespace kolv::scripting {

/// What a scripted edit did: done, or refused with the program's own message. A refused
/// edit writes nothing.
struct EditResult {
    bool ok = true;
    std::string message;  ///< why it was refused ("" when done)

    explicit operator bool() const { return ok; }
    static EditResult done() { return {}; }
    static EditResult refused(std::string text) { return {false, std::move(text)}; }
};

/// The three records the editing panel edits.
enum class RecordKind {
    Node,     ///< a NODE row, named by the node
    Reach,    ///< a REACH row, named by its upstream node
    Outfall,  ///< the system's T16 row: outfall, header and design storm
};

/// The table a record kind lives in: NODE, REACH, T16.
const char* tableOf(RecordKind kind);

/// One stored field: its name, declared type and value (Null when never set).
struct Field {
    std::string name;
    db::FieldType type;
    db::Value value;
};

/// A record as stored, its fields in table order.
struct Record {
    RecordKind kind = RecordKind::Node;
    std::string name;  ///< node or reach name; the system's name for an outfall record
    std::vector<Field> fields;

    /// The value of a field named in any case; Null when the record has no such field.
    const db::Value& operator[](std::string_view field) const;
    const Field* find(std::string_view field) const;
};

/// A node to add.
struct NewNode {
    std::string name;             ///< "" takes the proposed next node name
    std::string structure;        ///< a T6 structure, "" for none
    std::optional<double> x, y;   ///< position (diagram units or survey coordinates); a free one when absent
};

enum class ReachKind { Pipe, Ditch };

/// A reach to add, from a node to a node or the outfall of the same system.
struct NewReach {
    std::string from;             ///< upstream node (the reach takes its name)
    std::string to;               ///< downstream node or the system's outfall
    ReachKind kind = ReachKind::Pipe;
    std::string pipe;             ///< a T7 pipe chosen by hand (pipe sizing then keeps it); "" lets sizing choose
};

/// A system to add, with its outfall when one is named.
struct NewSystem {
    std::string name;
    std::string outfall;                ///< outfall node name; "" adds the system without one
    std::string structure;              ///< outfall structure
    std::optional<double> tailwaterElevation;  ///< OUT_TW (ft, or m in a metric project)
    std::optional<double> x, y;         ///< outfall position
};

/// Edits records of an open project the way the windows do, for a script or the command line:
/// every typed value is read and range-checked as the editing panel reads it, typing a value a
/// calculation switch governs turns that switch off, and each call is one undo step (calls
/// made while a `Change` lives fold into its one step). Messages the shared routines would show
/// in a box come back in the result instead.
class ProjectEditor {
public:
    /// One undo step for every edit made while it lives, under `caption`:
    ///     { ProjectEditor::Change step(db, "Build system A"); editor.addNode(...); ... }
    using Change = db::UndoAction;

    ProjectEditor(db::Database& db, bool metric);

    db::Database& database() { return m_db; }

    /// Sets a field from its text as typed ("12.5", "yes", "RCP18"). The field is named as
    /// stored (`RUNOFF_C1`, `ELEV2`, `OUT_TW`, any case); `name` is the node or reach name, and
    /// is ignored for the outfall record. Names, systems and computed results are not set here.
    EditResult setField(RecordKind kind, const std::string& system, const std::string& name,
                        const std::string& field, std::string_view text);
    /// Sets a field from a typed value, checked exactly like its text.
    EditResult setValue(RecordKind kind, const std::string& system, const std::string& name,
                        const std::string& field, const db::Value& value);

    /// Adds a node to a system; `addedName` receives the name it got.
    EditResult addNode(const std::string& system, const NewNode& node, std::string* addedName = nullptr);
    /// Adds a reach; one reach leaves a node, and none leaves the outfall.
    EditResult addReach(const std::string& system, const NewReach& reach);
    /// Deletes a node with every reach into and out of it.
    EditResult deleteNode(const std::string& system, const std::string& name);
    /// Deletes the reach leaving a node.
    EditResult deleteReach(const std::string& system, const std::string& fromNode);
    /// Adds a system, with its outfall and tailwater when named.
    EditResult addSystem(const NewSystem& system);
    /// Deletes a system with its nodes and reaches.
    EditResult deleteSystem(const std::string& name);

    /// The systems, in the order the system selector lists them.
    std::vector<std::string> systems();
    /// Nodes of a system in flow order (each node before the nodes it drains into; nodes without
    /// a reach last, in the order they were added).
    std::vector<Record> nodes(const std::string& system);
    /// Reaches of a system in flow order (reaches in a loop last, in the order they were added).
    std::vector<Record> reaches(const std::string& system);
    /// The system's outfall and header record; nothing when the system does not exist.
    std::optional<Record> outfall(const std::string& system);
    std::optional<Record> node(const std::string& system, const std::string& name);
    std::optional<Record> reach(const std::string& system, const std::string& fromNode);

private:
    EditResult checkedValue(RecordKind kind, const db::FieldDef& f, std::string_view text, db::Value& out);
    EditResult checkReference(const db::FieldDef& f, const std::string& system, const std::string& name,
                              const db::Value& v);
    std::vector<Record> readRecords(RecordKind kind, const std::string& where, const std::vector<db::Value>& params);
    bool systemExists(const std::string& system);
    /// The last message the shared routines showed, as a refusal.
    EditResult refusedWithMessage(const std::string& fallback);

    db::Database& m_db;
    bool m_metric;
    Session m_session;
    ui::RecordingUi m_ui;
    editing::EditPanel m_panel;  ///< reads typed numbers and tells which switch a value governs
};

}  // namespace kolv::scripting
