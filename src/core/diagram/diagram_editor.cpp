// The data side of the diagram's events: NODE, REACH and T16 written as the schematic changes.
#include "diagram/diagram_editor.h"

#include "common/text.h"
#include "common/vb_format.h"
#include "db/record_set.h"
#include "db/undo_history.h"
#include "diagram/diagram_model.h"
#include "editing/edit_panel.h"
#include "editing/next_node_name.h"
#include "editing/survey_lengths.h"
#include "rain/intensity.h"

namespace kolv::diagram {

using db::RecordSet;

namespace {

std::string xyText(double x, double y) { return " x:" + shortestText(x) + " y:" + shortestText(y); }

/// Blanks the outfall's descriptive fields and zeroes its figures, on the row being edited
/// (name, structure and position are the caller's). The design storm stays when the project's
/// IDF table holds it; otherwise it becomes one the table holds, so Step 2 finds its curve.
void clearOutfallDetails(db::Database& db, RecordSet& t16) {
    const db::Value zone = t16.value("ZONE"), freq = t16.value("FREQ");
    for (const char* f : {"OUT_BL", "OUT_STA", "DESIGNED BY", "CHECKED BY", "LOCATION", "FREQUENCY"}) t16.set(f, "");
    for (const char* f : {"OUT_OFF", "OUT_EL", "OUT_TW", "INTENSITY_METHOD", "AREA1", "AREA2", "AREA3",
                          "EXIT_LOSS_COEFF"})
        t16.set(f, 0);
    if (rain::findIdfCoefficients(db, zone, freq)) return;
    if (const auto storm = rain::firstDesignStorm(db)) {
        t16.set("ZONE", storm->first);
        t16.set("FREQ", storm->second);
    } else {
        t16.set("ZONE", "1");  // an empty IDF table: the first zone and return period
        t16.set("FREQ", 1);
    }
}

}  // namespace

DiagramEditor::DiagramEditor(db::Database& db, Session& session, ui::UiPort& ui, std::string system)
    : m_db(db), m_session(session), m_ui(ui), m_system(trim(system)) {}

void DiagramEditor::setSystem(const std::string& system) { m_system = trim(system); }

bool DiagramEditor::entityAddRequest(const std::string& text, const std::string& className, double x, double y,
                                     const std::function<NewNodeChoice()>& choose, std::string& addedName) {
    m_session.log("EntityAddRequest: Name '" + text + "'");
    addedName.clear();
    const auto systemExists = [this] {
        return !m_system.empty() && m_db.scalar("SELECT COUNT(*) FROM T16 WHERE SYSTEM = ?", {m_system}).toInt() > 0;
    };
    if (!systemExists() && offerSystem) {
        // the first node of a project: the system it belongs to is made on the way
        const ui::Answer a = m_ui.message("NO SYSTEM", kNoSystemQuestion, ui::Icon::Question, ui::Buttons::YesNo,
                                          ui::Answer::Yes);
        if (a != ui::Answer::Yes) return false;
        const std::string added = trim(offerSystem());
        if (!added.empty()) m_system = added;
        return false;  // placed again by the caller once the new system is the current one
    }
    if (!systemExists()) {
        m_ui.beep();
        m_ui.message("",
                     "A System must be added before a node can be created.\r"
                     "Use: Edit|Storm Sewer System Add/Delete/Rename pulldown to add a new system.",
                     ui::Icon::Exclamation);
        return false;
    }
    NewNodeChoice choice = choose ? choose() : NewNodeChoice{};
    choice.name = trim(choice.name);
    if (choice.name.empty()) {
        m_session.log(" - - cancelled - -");
        return false;
    }
    const bool outfall = equalsIgnoreCase(trim(className), kOutfallClass);
    db::UndoAction step(m_db, outfall ? "Add Outfall" : "Add Node");
    if (!(outfall ? addOutfall(choice.name, choice.structure, x, y) : addNode(choice.name, choice.structure, x, y)))
        return false;
    addedName = choice.name;
    return true;
}

bool DiagramEditor::addOutfall(const std::string& name, const std::string& structure, double x, double y) {
    RecordSet t16(m_db, "T16", "SYSTEM = ?", {m_system});
    const std::string existing = trim(t16.text("OUT_NODE"));
    if (!existing.empty()) {
        m_ui.message("", "An outfall node '" + existing + "' already exist for this system '" + m_system + "'.",
                     ui::Icon::Exclamation);
        return false;
    }
    t16.edit();
    t16.set("OUT_NODE", name);
    t16.set("STRUCT_NAME", trim(structure));
    t16.set("XD", x);
    t16.set("YD", y);
    clearOutfallDetails(m_db, t16);
    t16.update();
    if (m_panel) m_panel->selectOutfall();
    m_session.log(" - DATA16: " + name + xyText(x, y));
    return true;
}

bool DiagramEditor::addNode(const std::string& name, const std::string& structure, double x, double y) {
    if (!editing::addNodeRecord(m_db, m_system, name, structure, x, y, m_ui)) return false;
    m_session.log(" - DATA51: " + name + xyText(x, y));
    return true;
}

void DiagramEditor::entityAdded(const std::string& text) { m_session.log("EntityAdded: EntityAdded '" + text + "'"); }

std::string DiagramEditor::pipeOfClass(int pipeClass) {
    if (pipeClass < 0 || pipeClass >= static_cast<int>(kPipeClasses.size())) return "";
    RecordSet t0(m_db, "T0");
    if (t0.empty()) return "";
    return trim(t0.text("PIPE_CLASS_" + std::to_string(pipeClass)));
}

bool DiagramEditor::relationAddRequest(const std::string& text, const std::string& upstreamText,
                                       const std::string& downstreamText, int pipeClass) {
    m_session.log("RelationAddRequest: Name '" + text + "'");
    const std::string up = entityNodeName(upstreamText);
    const std::string down = entityNodeName(downstreamText);
    RecordSet reaches(m_db, "REACH", "SYSTEM = ?", {m_system});
    if (reaches.findFirst("NODE1 = ?", {up})) {
        m_ui.message("", "Node '" + up + "' already has an outgoing Reach.\rOnly one(1) outgoing reach is allowed.",
                     ui::Icon::Exclamation);
        return false;
    }
    // the outfall ends the system: nothing flows out of it
    const std::string outfall =
        trim(m_db.scalar("SELECT OUT_NODE FROM T16 WHERE SYSTEM = ?", {m_system}).toText());
    if (!outfall.empty() && equalsIgnoreCase(outfall, up)) {
        m_ui.message("", "The outfall '" + up + "' cannot have an outgoing Reach.", ui::Icon::Exclamation);
        return false;
    }
    db::UndoAction step(m_db, "Add Reach");
    reaches.addNew();
    reaches.set("SYSTEM", m_system);
    reaches.set("NAME", up);
    reaches.set("PIPE_NAME", pipeOfClass(pipeClass));
    reaches.set("NODE1", up);
    reaches.set("NODE2", down);
    for (const char* f : {"ELEV1", "ELEV2", "LENGTH"}) reaches.set(f, 0);
    // On surveyed positions the length is measured between the two nodes; on a schematic it is typed.
    const bool measured = editing::surveyCoordinates(m_db);
    reaches.set("CALC_PIPEL", measured);
    for (const char* f : {"CALC_TO_ELEV", "CALC_FROM_ELEV", "FROM_FL_CL", "TO_FL_CL", "CALC_PIPESIZE"})
        reaches.set(f, true);
    reaches.set("BARRELS", 1);
    reaches.set("REACH_TYPE", 0);  // a plain pipe
    reaches.update();
    if (measured) editing::updateReachLengths(m_db, m_system, up);
    if (m_panel) m_panel->selectNode(up);
    return true;
}

void DiagramEditor::entityDeleted(const std::string& text) {
    m_session.log("EntityDeleted");
    const std::string name = entityNodeName(text);
    db::UndoAction step(m_db, "Delete Node");
    RecordSet t16(m_db, "T16", "SYSTEM = ?", {m_system});
    if (!name.empty() && t16.findFirst("OUT_NODE = ?", {name})) {
        t16.edit();
        t16.set("OUT_NODE", "");
        t16.set("STRUCT_NAME", "");
        clearOutfallDetails(m_db, t16);
        t16.update();
        m_session.log(" - Out_Node: " + name);
        if (m_panel) m_panel->clearOutfall();
        RecordSet::executeDelete(m_db, "REACH", "SYSTEM = ? AND (NODE1 = ? OR NODE2 = ?)", {m_system, name, name});
        return;
    }
    RecordSet::executeDelete(m_db, "NODE", "SYSTEM = ? AND NAME = ?", {m_system, name});
    m_session.log(" - Reg. Node: " + name);
    if (m_panel) m_panel->clearNode();
    RecordSet reaches(m_db, "REACH", "SYSTEM = ? AND (NODE1 = ? OR NODE2 = ?)", {m_system, name, name});
    for (reaches.moveFirst(); !reaches.eof();) {
        m_session.log(" - Reach: " + trim(reaches.text("NAME")));
        reaches.remove();
    }
    if (m_panel) m_panel->clearReach();
}

void DiagramEditor::entityMoved(const std::string& text, double x, double y) {
    m_session.log("EntityMoved");
    const std::string name = entityNodeName(text);
    db::UndoAction step(m_db, "Move Node");
    RecordSet nodes(m_db, "NODE", "SYSTEM = ? AND NAME = ?", {m_system, name});
    if (!nodes.empty()) {
        nodes.edit();
        nodes.set("XD", x);
        nodes.set("YD", y);
        nodes.update();
        m_session.log(" - DATA51: Updated " + xyText(x, y));
        editing::updateReachLengths(m_db, m_system, name);
        return;
    }
    RecordSet t16(m_db, "T16", "SYSTEM = ?", {m_system});
    if (!name.empty() && t16.findFirst("OUT_NODE = ?", {name})) {
        t16.edit();
        t16.set("XD", x);
        t16.set("YD", y);
        t16.update();
        m_session.log(" - DATA16: Updated " + xyText(x, y));
        editing::updateReachLengths(m_db, m_system, name);
    }
}

bool DiagramEditor::beforeStretchRelation(const std::string& relationText, ReachEnd end,
                                          const std::string& newTargetText) {
    m_session.log("BeforeStretchRelation: StretchedRelation " + relationText);
    if (end == ReachEnd::Upstream) {
        m_ui.message("", "The upstream end of a reach cannot be relocated.", ui::Icon::Exclamation);
        return false;
    }
    m_session.log("        - NewTargetEntity.Text: '" + newTargetText + "'");
    const std::string target = entityNodeName(newTargetText);
    if (target.empty()) {
        m_ui.message("", "Missing downstream node name", ui::Icon::Exclamation);
        return false;
    }
    db::UndoAction step(m_db, "Move Reach End");
    RecordSet reaches(m_db, "REACH", "SYSTEM = ? AND NAME = ?", {m_system, entityNodeName(relationText)});
    if (!reaches.empty()) {
        reaches.edit();
        reaches.set("NODE2", target);
        reaches.update();
        m_session.log(" - Updated Data52:Node2= " + target);
        editing::updateReachLengths(m_db, m_system, trim(reaches.text("NODE1")));
        if (m_panel) m_panel->selectNode(trim(reaches.text("NODE1")));
    }
    return true;
}

void DiagramEditor::afterStretchRelation(const std::string& relationText, const std::string& newEntityText) {
    m_session.log("AfterStretchRelation: StretchedRelation '" + relationText + "'  NewEntity '" + newEntityText + "'");
}

ClickedEntity DiagramEditor::clickEntity(const std::string& text) {
    ClickedEntity c;
    c.name = entityNodeName(text);
    if (c.name.empty()) return c;
    if (m_db.scalar("SELECT COUNT(*) FROM NODE WHERE SYSTEM = ? AND NAME = ?", {m_system, c.name}).toInt() > 0)
        c.kind = ClickedEntity::Kind::Node;
    else if (m_db.scalar("SELECT COUNT(*) FROM T16 WHERE SYSTEM = ? AND OUT_NODE = ?", {m_system, c.name}).toInt() > 0)
        c.kind = ClickedEntity::Kind::Outfall;
    return c;
}

std::string DiagramEditor::clickRelation(const std::string& text) {
    RecordSet reaches(m_db, "REACH", "SYSTEM = ? AND NAME = ?", {m_system, entityNodeName(text)});
    return reaches.empty() ? std::string() : trim(reaches.text("NODE1"));
}

void DiagramEditor::listEntities(const std::vector<std::string>& texts) {
    m_session.log("Total Entities = " + std::to_string(texts.size()));
    for (std::size_t i = 0; i < texts.size(); ++i)
        m_session.log(std::to_string(i + 1) + ": " + entityNodeName(texts[i]));
}

}  // namespace kolv::diagram
