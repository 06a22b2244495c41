// Building and changing a project without windows: the panel's checks, the diagram's operations.
#include "scripting/project_editor.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>

#include "common/error.h"
#include "common/number_input.h"
#include "common/text.h"
#include "common/utf8_text.h"
#include "common/vb_format.h"
#include "db/project.h"
#include "db/record_set.h"
#include "diagram/diagram_editor.h"
#include "diagram/diagram_model.h"
#include "editing/next_node_name.h"
#include "editing/outfall_header.h"
#include "editing/survey_lengths.h"
#include "editing/systems.h"
#include "network/pipe_nodal_array.h"

namespace kolv::scripting {

namespace {

using db::FieldType;
using db::RecordSet;
using db::Value;

const Value kNull;

/// Calculation switches by the panel's numbering (1..3 Area n-C, 4 pipe size, 5 and 6 inverts).
constexpr std::array<const char*, 6> kSwitchFields = {"CALC_RUNOFF_C1", "CALC_RUNOFF_C2", "CALC_RUNOFF_C3",
                                                      "CALC_PIPESIZE",  "CALC_FROM_ELEV", "CALC_TO_ELEV"};

/// Fields that say which record a row is: changed by renumbering, dividing or renaming a
/// system, never by a field edit, or the network would lose track of the record.
bool identifiesRecord(RecordKind kind, const std::string& field) {
    if (field == "SYSTEM") return true;
    if (kind == RecordKind::Node) return field == "NAME";
    if (kind == RecordKind::Reach) return field == "NAME" || field == "NODE1";
    return false;
}

/// A yes/no typed as a word or a number; nothing when it is neither.
std::optional<bool> parseSwitch(std::string_view text) {
    const std::string t = toLower(trim(text));
    if (t == "yes" || t == "true" || t == "on" || t == "1" || t == "-1") return true;
    if (t == "no" || t == "false" || t == "off" || t == "0") return false;
    return std::nullopt;
}

bool isSwitchField(const db::FieldDef& f) {
    return f.type == FieldType::YesNo || f.name.rfind("CALC_", 0) == 0;
}

std::string recordWord(RecordKind kind) {
    return kind == RecordKind::Node ? "Node" : kind == RecordKind::Reach ? "Reach" : "Outfall";
}

/// Index of a typed node number of the editing panel (Offset .. Base Flow), or -1.
int nodePanelIndex(const std::string& field) {
    for (int i = editing::panel_field::kOffset; i < editing::kNodeFieldCount; ++i)
        if (editing::nodeFieldName(i) == field) return i;
    return -1;
}

/// Index of a reach field of the editing panel (length and the two inverts), or -1.
int reachPanelIndex(const std::string& field) {
    if (field == "LENGTH") return editing::panel_field::kReachLength;
    if (field == "ELEV1") return editing::panel_field::kInvertFrom;
    if (field == "ELEV2") return editing::panel_field::kInvertTo;
    return -1;
}

/// The outfall fields whose typed numbers the editing panel reads.
bool outfallPanelField(const std::string& field) {
    static const std::array<const char*, 8> kFields = {"OUT_OFF", "OUT_EL", "OUT_TW", "EXIT_LOSS_COEFF",
                                                       "AREA1",   "AREA2",  "AREA3",  "FREQ"};
    return std::find(kFields.begin(), kFields.end(), field) != kFields.end();
}

std::string whereOf(RecordKind kind) {
    return kind == RecordKind::Node    ? "SYSTEM = ? AND NAME = ?"
           : kind == RecordKind::Reach ? "SYSTEM = ? AND NODE1 = ?"
                                       : "SYSTEM = ?";
}

}  // namespace

const char* tableOf(RecordKind kind) {
    return kind == RecordKind::Node ? "NODE" : kind == RecordKind::Reach ? "REACH" : "T16";
}

const Field* Record::find(std::string_view field) const {
    for (const auto& f : fields)
        if (equalsIgnoreCase(f.name, field)) return &f;
    return nullptr;
}

const Value& Record::operator[](std::string_view field) const {
    const Field* f = find(field);
    return f ? f->value : kNull;
}

ProjectEditor::ProjectEditor(db::Database& db, bool metric)
    : m_db(db), m_metric(metric), m_panel(db, m_session, "") {}

bool ProjectEditor::systemExists(const std::string& system) {
    return !trim(system).empty() &&
           m_db.scalar("SELECT COUNT(*) FROM T16 WHERE SYSTEM = ?", {trim(system)}).toInt() > 0;
}

EditResult ProjectEditor::refusedWithMessage(const std::string& fallback) {
    std::string text = m_ui.messages.empty() ? fallback : m_ui.messages.back().text;
    for (char& c : text)
        if (c == '\r') c = '\n';
    m_ui.clear();
    return EditResult::refused(text);
}

EditResult ProjectEditor::checkedValue(RecordKind kind, const db::FieldDef& f, std::string_view text, Value& out) {
    if (f.type == FieldType::Text || f.type == FieldType::Memo) {
        const std::string t = trim(text);
        if (f.size > 0 && charCount(t) > static_cast<std::size_t>(f.size))
            return EditResult::refused(f.name + " holds at most " + std::to_string(f.size) + " characters: '" + t +
                                       "'.");
        out = t;
        return EditResult::done();
    }
    if (isSwitchField(f)) {
        const auto on = parseSwitch(text);
        if (!on) return EditResult::refused(f.name + " is a switch: Yes or No (on/off, true/false, 1/0).");
        out = *on;
        return EditResult::done();
    }
    // the typed numbers of the editing panel are read by the panel itself, with its captions
    input::NumberCheck c;
    const std::string table = tableOf(kind);
    if (int i = kind == RecordKind::Node ? nodePanelIndex(f.name) : kind == RecordKind::Reach ? reachPanelIndex(f.name) : -1;
        i >= 0)
        c = m_panel.checkField(i, std::string(text));
    else if (kind == RecordKind::Outfall && outfallPanelField(f.name))
        c = m_panel.checkOutfallField(f.name, std::string(text));
    else if (kind == RecordKind::Outfall && f.name == "ANGLE")
        c = editing::checkOutfallHeaderField(m_db, f.name, text);
    else
        c = input::checkField(table, f.name, text, f.name, m_metric);
    if (!c.ok()) return EditResult::refused(c.error);
    if ((f.type == FieldType::Integer || f.type == FieldType::Long) && *c.value != std::floor(*c.value))
        return EditResult::refused(f.name + " must be a whole number.");
    out = *c.value;
    return EditResult::done();
}

EditResult ProjectEditor::checkReference(const db::FieldDef& f, const std::string& system, const std::string& name,
                                         const Value& v) {
    const std::string t = trim(v.toText());
    if (f.name == "STRUCT_NAME" && !t.empty() &&
        m_db.scalar("SELECT COUNT(*) FROM T6 WHERE NAME = ?", {t}).toInt() == 0)
        return EditResult::refused("Structure '" + t + "' is not defined.");
    if (f.name == "PIPE_NAME" && !t.empty() &&
        m_db.scalar("SELECT COUNT(*) FROM T7 WHERE NAME = ?", {t}).toInt() == 0)
        return EditResult::refused("Pipe '" + t + "' is not defined.");
    if (f.name == "NODE2") {
        const std::string out = trim(m_db.scalar("SELECT OUT_NODE FROM T16 WHERE SYSTEM = ?", {system}).toText());
        const bool isNode =
            m_db.scalar("SELECT COUNT(*) FROM NODE WHERE SYSTEM = ? AND NAME = ?", {system, t}).toInt() > 0;
        if (t.empty() || (!isNode && !equalsIgnoreCase(out, t)))
            return EditResult::refused("Node '" + t + "' is not in system '" + system + "'.");
        if (equalsIgnoreCase(t, name)) return EditResult::refused("A reach can not drain into its own node '" + t + "'.");
    }
    if (f.name == "OUT_NODE") {
        if (t.empty()) return EditResult::refused("Invalid node name.");
        if (auto clash = editing::nodeNamed(m_db, t))
            return EditResult::refused("The outfall can not be named '" + t + "': node '" + clash->first +
                                       "' of system '" + clash->second + "' has that name.\nEnter a name that no node uses.");
    }
    return EditResult::done();
}

EditResult ProjectEditor::setField(RecordKind kind, const std::string& system, const std::string& name,
                                   const std::string& field, std::string_view text) {
    const std::string sys = trim(system);
    if (!systemExists(sys)) return EditResult::refused("System '" + sys + "' not found.");
    const std::string table = tableOf(kind);
    const db::FieldDef* f = m_db.layout(table).field(toUpper(trim(field)));
    if (!f) return EditResult::refused(recordWord(kind) + " records have no field '" + trim(field) + "'.");
    if (identifiesRecord(kind, f->name))
        return EditResult::refused(f->name + " names the record: nodes are renamed by renumbering, and moved "
                                   "to another system by dividing it.");
    const std::string key = trim(name);
    std::vector<Value> params{sys};
    if (kind != RecordKind::Outfall) params.push_back(key);
    RecordSet rs(m_db, table, whereOf(kind), params);
    if (rs.empty())
        return EditResult::refused(kind == RecordKind::Reach ? "Node '" + key + "' has no outgoing reach in system '" +
                                                                   sys + "'."
                                                             : "Node '" + key + "' is not in system '" + sys + "'.");
    Value v;
    if (EditResult r = checkedValue(kind, *f, text, v); !r) return r;
    if (EditResult r = checkReference(*f, sys, key, v); !r) return r;

    // A value the engineer types for a computed field is theirs: its switch goes off, as on the panel.
    std::string switchOff;
    if (kind == RecordKind::Node) {
        if (int i = nodePanelIndex(f->name); i >= 0)
            if (int n = m_panel.valueTyped(i); n > 0) switchOff = kSwitchFields[static_cast<std::size_t>(n - 1)];
    } else if (kind == RecordKind::Reach) {
        if (int i = reachPanelIndex(f->name); i >= 0)
            if (int n = m_panel.valueTyped(i); n > 0) switchOff = kSwitchFields[static_cast<std::size_t>(n - 1)];
        if (f->name == "PIPE_NAME" && !trim(v.toText()).empty())
            switchOff = kSwitchFields[static_cast<std::size_t>(m_panel.pipeChosen() - 1)];
        if (f->name == "LENGTH") switchOff = "CALC_PIPEL";  // a typed length is kept over one from coordinates
    }
    m_session.nodeEditPending = m_session.reachEditPending = m_session.outfallEditPending = false;

    const std::string caption = "Edit " + recordWord(kind) + " " + (kind == RecordKind::Outfall ? sys : key);
    Change step(m_db, caption);
    db::Transaction tx(m_db);
    const std::string oldOutfall = kind == RecordKind::Outfall ? trim(rs.text("OUT_NODE")) : "";
    rs.edit();
    rs.set(f->name, v);
    if (!switchOff.empty() && rs.hasField(switchOff)) rs.set(switchOff, false);
    rs.update();
    // the reaches into the outfall follow its new name
    if (f->name == "OUT_NODE" && !oldOutfall.empty())
        m_db.execute("UPDATE REACH SET NODE2 = ? WHERE SYSTEM = ? AND NODE2 = ?", {v, sys, oldOutfall});
    // on survey coordinates a moved node, a new downstream end or a switch turned on is measured again
    if (f->name == "XD" || f->name == "YD")
        editing::updateReachLengths(m_db, sys, kind == RecordKind::Outfall ? trim(rs.text("OUT_NODE")) : key);
    else if (kind == RecordKind::Reach && (f->name == "NODE2" || f->name == "CALC_PIPEL"))
        editing::updateReachLengths(m_db, sys, key);
    tx.commit();
    return EditResult::done();
}

EditResult ProjectEditor::setValue(RecordKind kind, const std::string& system, const std::string& name,
                                   const std::string& field, const Value& value) {
    if (value.isNull()) return EditResult::refused("No value given for " + trim(field) + ".");
    // a typed value goes through the same reading as its text: one set of ranges and messages
    const std::string text = value.toText();
    return setField(kind, system, name, field, text);
}

EditResult ProjectEditor::addNode(const std::string& system, const NewNode& node, std::string* addedName) {
    const std::string sys = trim(system);
    if (!systemExists(sys)) return EditResult::refused("System '" + sys + "' not found.");
    std::string name = trim(node.name);
    if (name.empty()) name = editing::nextNodeName(m_db);
    if (charCount(name) > 8) return EditResult::refused("Node names hold at most 8 characters: '" + name + "'.");
    m_ui.clear();
    if (!editing::checkNewNodeName(m_db, sys, name, m_ui)) return refusedWithMessage("Invalid node name.");
    const std::string structure = trim(node.structure);
    if (!structure.empty() && m_db.scalar("SELECT COUNT(*) FROM T6 WHERE NAME = ?", {structure}).toInt() == 0)
        return EditResult::refused("Structure '" + structure + "' is not defined.");
    for (const auto& c : {node.x, node.y})
        if (c && !std::isfinite(*c)) return EditResult::refused("The position of node '" + name + "' is not a number.");
    double x = 0, y = 0;
    editing::freeDiagramPosition(m_db, sys, x, y);
    if (node.x) x = *node.x;
    if (node.y) y = *node.y;
    Change step(m_db, "Add Node " + name);
    if (!editing::addNodeRecord(m_db, sys, name, structure, x, y, m_ui))
        return refusedWithMessage("Node '" + name + "' already exist.");
    if (addedName) *addedName = name;
    return EditResult::done();
}

EditResult ProjectEditor::addReach(const std::string& system, const NewReach& reach) {
    const std::string sys = trim(system);
    if (!systemExists(sys)) return EditResult::refused("System '" + sys + "' not found.");
    const std::string from = trim(reach.from), to = trim(reach.to);
    const std::string outfall = trim(m_db.scalar("SELECT OUT_NODE FROM T16 WHERE SYSTEM = ?", {sys}).toText());
    const auto isNode = [&](const std::string& n) {
        return m_db.scalar("SELECT COUNT(*) FROM NODE WHERE SYSTEM = ? AND NAME = ?", {sys, n}).toInt() > 0;
    };
    const bool fromOutfall = !outfall.empty() && equalsIgnoreCase(outfall, from);
    if (!fromOutfall && (from.empty() || !isNode(from)))
        return EditResult::refused("Node '" + from + "' is not in system '" + sys + "'.");
    if (to.empty() || (!isNode(to) && !equalsIgnoreCase(outfall, to)))
        return EditResult::refused("Node '" + to + "' is not in system '" + sys + "'.");
    if (equalsIgnoreCase(from, to)) return EditResult::refused("A reach can not drain into its own node '" + to + "'.");
    const std::string pipe = trim(reach.pipe);
    if (!pipe.empty() && m_db.scalar("SELECT COUNT(*) FROM T7 WHERE NAME = ?", {pipe}).toInt() == 0)
        return EditResult::refused("Pipe '" + pipe + "' is not defined.");

    Change step(m_db, "Add Reach " + from);
    db::Transaction tx(m_db);
    m_ui.clear();
    diagram::DiagramEditor diagram(m_db, m_session, m_ui, sys);
    if (!diagram.relationAddRequest(from, from, to, diagram::kRedrawPipeClass))
        return refusedWithMessage("The reach from '" + from + "' was not added.");
    RecordSet rs(m_db, "REACH", "SYSTEM = ? AND NODE1 = ?", {sys, from});
    rs.edit();
    if (reach.kind == ReachKind::Ditch) {
        rs.set("REACH_TYPE", 2);  // an open ditch: its shape and roughness are set on the reach
        rs.set("CALC_PIPESIZE", false);
        rs.set("PIPE_NAME", "");
    }
    if (!pipe.empty()) {
        rs.set("PIPE_NAME", pipe);
        rs.set("CALC_PIPESIZE", false);  // a pipe chosen by hand is kept by pipe sizing
    }
    rs.update();
    tx.commit();
    return EditResult::done();
}

EditResult ProjectEditor::deleteNode(const std::string& system, const std::string& name) {
    const std::string sys = trim(system), n = trim(name);
    if (!systemExists(sys)) return EditResult::refused("System '" + sys + "' not found.");
    const bool isNode = m_db.scalar("SELECT COUNT(*) FROM NODE WHERE SYSTEM = ? AND NAME = ?", {sys, n}).toInt() > 0;
    const bool isOutfall =
        m_db.scalar("SELECT COUNT(*) FROM T16 WHERE SYSTEM = ? AND OUT_NODE = ?", {sys, n}).toInt() > 0;
    if (n.empty() || (!isNode && !isOutfall))
        return EditResult::refused("Node '" + n + "' is not in system '" + sys + "'.");
    Change step(m_db, "Delete Node " + n);
    db::Transaction tx(m_db);
    diagram::DiagramEditor diagram(m_db, m_session, m_ui, sys);
    diagram.entityDeleted(n);
    tx.commit();
    return EditResult::done();
}

EditResult ProjectEditor::deleteReach(const std::string& system, const std::string& fromNode) {
    const std::string sys = trim(system), n = trim(fromNode);
    if (!systemExists(sys)) return EditResult::refused("System '" + sys + "' not found.");
    Change step(m_db, "Delete Reach " + n);
    if (RecordSet::executeDelete(m_db, "REACH", "SYSTEM = ? AND NODE1 = ?", {sys, n}) == 0)
        return EditResult::refused("Node '" + n + "' has no outgoing reach in system '" + sys + "'.");
    return EditResult::done();
}

EditResult ProjectEditor::addSystem(const NewSystem& system) {
    const std::string sys = trim(system.name);
    const std::string outfall = trim(system.outfall);
    // everything is checked before anything is written, so a refusal leaves no half-made system
    if (!outfall.empty()) {
        if (charCount(outfall) > 8) return EditResult::refused("Node names hold at most 8 characters: '" + outfall + "'.");
        if (auto clash = editing::nodeNamed(m_db, outfall))
            return EditResult::refused("The outfall can not be named '" + outfall + "': node '" + clash->first +
                                       "' of system '" + clash->second + "' has that name.\nEnter a name that no node uses.");
    }
    if (system.tailwaterElevation) {
        const input::NumberCheck c = m_panel.checkOutfallField("OUT_TW", shortestText(*system.tailwaterElevation));
        if (!c.ok()) return EditResult::refused(c.error);
    }
    const std::string structure = trim(system.structure);
    if (!structure.empty() && m_db.scalar("SELECT COUNT(*) FROM T6 WHERE NAME = ?", {structure}).toInt() == 0)
        return EditResult::refused("Structure '" + structure + "' is not defined.");

    Change step(m_db, "Add System " + sys);
    db::Transaction tx(m_db);
    m_ui.clear();
    if (!editing::addSystem(m_db, sys, m_ui)) return refusedWithMessage("System already exist.");
    if (!outfall.empty()) {
        diagram::DiagramEditor diagram(m_db, m_session, m_ui, sys);
        const double x = system.x.value_or(diagram::kNewDrawingSize / 2), y = system.y.value_or(100.0);
        std::string added;
        const auto choose = [&] { return diagram::NewNodeChoice{outfall, structure}; };
        if (!diagram.entityAddRequest(outfall, diagram::kOutfallClass, x, y, choose, added))
            return refusedWithMessage("The outfall '" + outfall + "' was not added.");
        if (system.tailwaterElevation)
            m_db.execute("UPDATE T16 SET OUT_TW = ? WHERE SYSTEM = ?", {*system.tailwaterElevation, sys});
    }
    tx.commit();
    return EditResult::done();
}

EditResult ProjectEditor::deleteSystem(const std::string& name) {
    const std::string sys = trim(name);
    Change step(m_db, "Delete System " + sys);
    m_ui.clear();
    m_ui.answers.push_back(ui::Answer::Yes);  // the call is the engineer's confirmation
    const bool deleted = editing::deleteSystem(m_db, sys, m_ui);
    m_ui.answers.clear();
    if (!deleted) return refusedWithMessage("System '" + sys + "' not found.");
    m_ui.clear();
    return EditResult::done();
}

std::vector<std::string> ProjectEditor::systems() { return db::readSystemList(m_db); }

std::vector<Record> ProjectEditor::readRecords(RecordKind kind, const std::string& where,
                                               const std::vector<Value>& params) {
    const std::string table = tableOf(kind);
    const db::TableLayout& layout = m_db.layout(table);
    db::Statement st = m_db.prepare("SELECT * FROM " + db::quoteIdent(table) + " WHERE " + where + " ORDER BY rowid");
    st.bindAll(params);
    std::vector<Record> out;
    std::vector<const db::FieldDef*> defs;
    while (st.step()) {
        if (defs.empty())
            for (int i = 0; i < st.columnCount(); ++i) defs.push_back(layout.field(st.columnName(i)));
        Record r;
        r.kind = kind;
        r.fields.reserve(defs.size());
        for (int i = 0; i < st.columnCount(); ++i) {
            const db::FieldDef* f = defs[static_cast<std::size_t>(i)];
            r.fields.push_back({f ? f->name : st.columnName(i), f ? f->type : FieldType::Double, st.column(i)});
        }
        r.name = trim(r[kind == RecordKind::Outfall ? "SYSTEM" : "NAME"].toText());
        out.push_back(std::move(r));
    }
    return out;
}

std::vector<Record> ProjectEditor::reaches(const std::string& system) {
    const std::string sys = trim(system);
    std::vector<Record> stored = readRecords(RecordKind::Reach, "SYSTEM = ?", {sys});
    // the same scan the computations use, so a script sees the order a storm tab lists
    const std::vector<network::NodalRecord> loaded = network::loadReaches(m_db, sys);
    if (loaded.size() != stored.size()) return stored;
    const network::FlowOrder order = network::computeFlowOrder(loaded);
    std::vector<Record> out;
    out.reserve(stored.size());
    for (std::size_t i : order.order) out.push_back(std::move(stored[i]));
    for (std::size_t i : order.unplaced) out.push_back(std::move(stored[i]));
    return out;
}

std::vector<Record> ProjectEditor::nodes(const std::string& system) {
    const std::string sys = trim(system);
    std::vector<Record> stored = readRecords(RecordKind::Node, "SYSTEM = ?", {sys});
    std::unordered_map<std::string, std::size_t> byKey;
    for (std::size_t i = 0; i < stored.size(); ++i) byKey.emplace(network::nameKey(stored[i].name), i);
    std::vector<bool> taken(stored.size(), false);
    std::vector<Record> out;
    out.reserve(stored.size());
    for (const Record& reach : reaches(sys)) {
        auto it = byKey.find(network::nameKey(reach["NODE1"].toText()));
        if (it == byKey.end() || taken[it->second]) continue;
        taken[it->second] = true;
        out.push_back(std::move(stored[it->second]));
    }
    for (std::size_t i = 0; i < stored.size(); ++i)
        if (!taken[i]) out.push_back(std::move(stored[i]));
    return out;
}

std::optional<Record> ProjectEditor::outfall(const std::string& system) {
    auto rows = readRecords(RecordKind::Outfall, "SYSTEM = ?", {trim(system)});
    if (rows.empty()) return std::nullopt;
    return std::move(rows.front());
}

std::optional<Record> ProjectEditor::node(const std::string& system, const std::string& name) {
    auto rows = readRecords(RecordKind::Node, "SYSTEM = ? AND NAME = ?", {trim(system), trim(name)});
    if (rows.empty()) return std::nullopt;
    return std::move(rows.front());
}

std::optional<Record> ProjectEditor::reach(const std::string& system, const std::string& fromNode) {
    auto rows = readRecords(RecordKind::Reach, "SYSTEM = ? AND NODE1 = ?", {trim(system), trim(fromNode)});
    if (rows.empty()) return std::nullopt;
    return std::move(rows.front());
}

}  // namespace kolv::scripting
