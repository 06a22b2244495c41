// Data side of the node / reach / outfall editing panel.
#include "editing/edit_panel.h"

#include <fmt/format.h>

#include "common/text.h"
#include "common/vb_format.h"
#include "db/record_set.h"

namespace kolv::editing {

namespace {

using db::RecordSet;
using db::Value;

const std::array<const char*, kNodeFieldCount> kNodeLabels = {
    "Node Name",     "Station",     "Offset",      "Inlet/Top Elev", "Min. HGL Elev",
    "Junc Loss Coef", "Area 1-Area", "Area 2-Area", "Area 3-Area",    "Area 1-C",
    "Area 2-C",      "Area 3-C",    "Initial Tc",  "Base Flow"};

const std::array<const char*, kNodeFieldCount> kNodeFields = {
    "",       "STATION",   "OFFSET",    "INLET_ELEV", "MIN_HGL", "JUNC_LOSS_COEFF", "P_C1DA",
    "P_C2DA", "P_C3DA",    "RUNOFF_C1", "RUNOFF_C2",  "RUNOFF_C3", "TC",            "BASE_FLOW"};

const std::array<const char*, 3> kNodeCalc = {"CALC_RUNOFF_C1", "CALC_RUNOFF_C2", "CALC_RUNOFF_C3"};
const std::array<const char*, 3> kReachCalc = {"CALC_PIPESIZE", "CALC_FROM_ELEV", "CALC_TO_ELEV"};

/// The shown text of a field of the current row, formatted by its declared type.
std::string shown(const RecordSet& rs, const std::string& field) {
    const db::FieldDef* f = rs.layout().field(field);
    Value v = rs.value(field);
    if (f && (f->type == db::FieldType::Text || f->type == db::FieldType::Memo)) return trim(v.toText());
    return displayNumber(v, f ? f->type : db::FieldType::Double);
}

}  // namespace

std::string fieldLabel(int index) {
    if (index >= 0 && index < kNodeFieldCount) return kNodeLabels[static_cast<std::size_t>(index)];
    if (index == 14) return "Length";
    if (index == 16) return "Invert-From";
    if (index == 17) return "Invert-To";
    return "?";
}

std::string nodeFieldName(int index) {
    if (index >= 1 && index < kNodeFieldCount) return kNodeFields[static_cast<std::size_t>(index)];
    return "";
}

std::string displayNumber(const Value& v, db::FieldType type) {
    if (v.isNull()) return "0";
    if (v.isText()) return trim(v.toText());
    double d = v.toDouble();
    if (type == db::FieldType::Single) {
        // a Single holds about 7 significant digits; more would show float noise (0.899999976)
        std::string s = fmt::format("{:.7g}", static_cast<float>(d));
        if (s.find('e') == std::string::npos) return s;
    }
    return shortestText(d);
}

EditPanel::EditPanel(db::Database& db, Session& session, std::string system)
    : m_db(db), m_session(session), m_system(trim(system)) {
    clearNode();
    clearReach();
    clearOutfall();
}

void EditPanel::setSystem(const std::string& system) {
    m_system = trim(system);
    clearNode();
    clearReach();
    clearOutfall();
    state = PanelState::Cleared;
}

void EditPanel::setMarker(std::string& marker, const char* kind, const std::string& value) {
    if (marker == value) return;
    marker = value;
    m_session.log(std::string("Update Trigger: ") + kind + " changed to '" + (value.empty() ? "blank" : value) + "'");
}

bool EditPanel::displayNode(const std::string& name) {
    m_session.log("EDIT_NR_DISPLAY_NODE_RECORD");
    RecordSet rs(m_db, "NODE", "NAME = ?", {trim(name)});
    if (rs.empty()) return false;
    node = NodeForm{};
    node.text[0] = trim(rs.text("NAME"));
    for (int i = 1; i < kNodeFieldCount; ++i) node.text[static_cast<std::size_t>(i)] = shown(rs, nodeFieldName(i));
    node.structure = trim(rs.text("STRUCT_NAME"));
    for (std::size_t i = 0; i < 3; ++i) node.calc[i] = rs.flag(kNodeCalc[i]);
    node.rowid = rs.rowid();
    setMarker(m_nodeMarker, "Node", "");
    return true;
}

bool EditPanel::displayReach(const std::string& nodeName) {
    m_session.log("EDIT_NR_DISPLAY_REACH_RECORD");
    RecordSet rs(m_db, "REACH", "SYSTEM = ?", {m_system});
    if (!rs.findFirst("NODE1 = ?", {trim(nodeName)})) {
        clearReach();
        return false;
    }
    reach = ReachForm{};
    reach.exists = true;
    reach.node1 = trim(rs.text("NODE1"));
    reach.node2 = trim(rs.text("NODE2"));
    reach.length = shown(rs, "LENGTH");
    reach.elev1 = shown(rs, "ELEV1");
    reach.elev2 = shown(rs, "ELEV2");
    reach.pipe = trim(rs.text("PIPE_NAME"));
    long barrels = rs.integer("BARRELS");
    reach.barrels = barrels < 1 ? 1 : static_cast<int>(barrels);
    for (std::size_t i = 0; i < 3; ++i) reach.calc[i] = rs.flag(kReachCalc[i]);
    setMarker(m_reachMarker, "Reach", "");
    return true;
}

bool EditPanel::displayOutfall() {
    m_session.log("EDIT_NR_DISPLAY_OUTFALL_RECORD");
    RecordSet rs(m_db, "T16", "SYSTEM = ?", {m_system});
    if (rs.empty() || trim(rs.text("OUT_NODE")).empty()) {
        clearOutfall();
        return false;
    }
    outfall = OutfallForm{};
    outfall.exists = true;
    outfall.outNode = trim(rs.text("OUT_NODE"));
    outfall.station = trim(rs.text("OUT_STA"));
    outfall.offset = shown(rs, "OUT_OFF");
    outfall.elevation = shown(rs, "OUT_EL");
    outfall.tailwater = shown(rs, "OUT_TW");
    outfall.exitLoss = shown(rs, "EXIT_LOSS_COEFF");
    outfall.areaC = {shown(rs, "AREA1"), shown(rs, "AREA2"), shown(rs, "AREA3")};
    outfall.designedBy = trim(rs.text("DESIGNED BY"));
    outfall.checkedBy = trim(rs.text("CHECKED BY"));
    outfall.structure = trim(rs.text("STRUCT_NAME"));
    outfall.zone = trim(rs.text("ZONE"));
    outfall.freq = rs.isNull("FREQ") ? "" : shortestText(rs.number("FREQ"));
    outfall.location = trim(rs.text("LOCATION"));
    outfall.frequency = trim(rs.text("FREQUENCY"));
    outfall.backgroundPicture = trim(rs.text("BACKGROUND_PICTURE"));
    outfall.intensityMethod = rs.integer("INTENSITY_METHOD") == 0 ? 0 : 1;
    setMarker(m_outfallMarker, "Outfall", "");
    return true;
}

void EditPanel::clearNode() {
    node = NodeForm{};
    for (int i = 2; i < kNodeFieldCount; ++i) node.text[static_cast<std::size_t>(i)] = "0";
    // the system's default runoff coefficients stand in for an empty node
    RecordSet t16(m_db, "T16", "SYSTEM = ?", {m_system});
    if (!t16.empty()) {
        node.text[9] = shown(t16, "AREA1");
        node.text[10] = shown(t16, "AREA2");
        node.text[11] = shown(t16, "AREA3");
    }
}

void EditPanel::clearReach() {
    reach = ReachForm{};
    reach.length = reach.elev1 = reach.elev2 = "0";
}

void EditPanel::clearOutfall() {
    int method = outfall.intensityMethod;
    outfall = OutfallForm{};
    outfall.intensityMethod = method;  // the caption stays "Zone" or "Location"
    outfall.offset = outfall.elevation = outfall.tailwater = outfall.exitLoss = "0";
    outfall.areaC = {"0", "0", "0"};
}

void EditPanel::selectNode(const std::string& name) {
    flushPendingEdits();
    if (displayNode(name)) {
        if (!displayReach(node.name())) clearReach();
        state = PanelState::Node;
    } else {
        clearNode();
        clearReach();
        state = PanelState::Cleared;
    }
}

void EditPanel::selectOutfall() {
    flushPendingEdits();
    state = displayOutfall() ? PanelState::Outfall : PanelState::Cleared;
}

void EditPanel::showSystemStart() {
    state = PanelState::Cleared;
    RecordSet nodes(m_db, "NODE", "SYSTEM = ?", {m_system});
    if (!nodes.empty()) {
        nodes.moveFirst();
        displayNode(nodes.text("NAME"));
        if (!displayReach(node.name())) clearReach();
        state = PanelState::Node;
    } else {
        clearNode();
        clearReach();
    }
    if (!displayOutfall()) clearOutfall();
}

void EditPanel::updateNodeRecord() {
    m_session.log("EDIT_NR_UPDATE_NODE_RECORD");
    lastStatus.clear();
    const std::string name = trim(node.name());
    if (node.rowid != 0) {
        RecordSet rs(m_db, "NODE", "rowid = ?", {Value(static_cast<long long>(node.rowid))});
        if (rs.empty()) {
            lastStatus = "3021 - No current record";
        } else if (trim(rs.text("NAME")) == name) {
            // a record renamed elsewhere since it was shown is left alone
            rs.edit();
            rs.set("STATION", trim(node.text[1]));
            for (int i = 2; i < kNodeFieldCount; ++i)
                rs.set(nodeFieldName(i), leadingNumber(node.text[static_cast<std::size_t>(i)]));
            rs.set("STRUCT_NAME", trim(node.structure));
            for (std::size_t i = 0; i < 3; ++i) rs.set(kNodeCalc[i], node.calc[i]);
            rs.update();
            setMarker(m_nodeMarker, "Node", "*");
        }
    }
    m_session.nodeEditPending = false;
    m_session.log("NODE_RECORD_NEEDS_TO_BE_UPDATED = False");
    m_session.log("EDIT_NR_UPDATE_NODE_RECORD: At the exit line Node Name = '" + name + "'");
}

void EditPanel::updateReachRecord() {
    m_session.log("EDIT_NR_UPDATE_REACH_RECORD");
    const std::string name = trim(node.name());
    if (!name.empty() && node.rowid != 0) {
        RecordSet rs(m_db, "REACH", "SYSTEM = ?", {m_system});
        if (rs.findFirst("NODE1 = ?", {name})) {
            rs.edit();
        } else {
            rs.addNew();
            rs.set("SYSTEM", m_system);
            // a reach made here stores inverts at both ends
            rs.set("FROM_FL_CL", -1);
            rs.set("TO_FL_CL", -1);
        }
        rs.set("NAME", name);  // a reach bears the name of its upstream node
        rs.set("NODE1", name);
        rs.set("PIPE_NAME", trim(reach.pipe));
        rs.set("LENGTH", leadingNumber(reach.length));
        rs.set("ELEV1", leadingNumber(reach.elev1));
        rs.set("ELEV2", leadingNumber(reach.elev2));
        rs.set("BARRELS", reach.barrels < 1 ? 1 : reach.barrels);
        for (std::size_t i = 0; i < 3; ++i) rs.set(kReachCalc[i], reach.calc[i]);
        rs.update();
        reach.exists = true;
        reach.node1 = name;
        setMarker(m_reachMarker, "Reach", "*");
    }
    m_session.reachEditPending = false;
    m_session.log("REACH_RECORD_NEEDS_TO_BE_UPDATED = False");
}

void EditPanel::updateOutfallRecord() {
    m_session.log("EDIT_NR_UPDATE_OUTFALL_RECORD");
    if (outfall.exists) {
        RecordSet rs(m_db, "T16", "SYSTEM = ?", {m_system});
        if (rs.empty()) {
            lastStatus = "3021 - No current record";
        } else {
            rs.edit();
            rs.set("OUT_STA", trim(outfall.station));
            rs.set("OUT_OFF", leadingNumber(outfall.offset));
            rs.set("OUT_EL", leadingNumber(outfall.elevation));
            rs.set("OUT_TW", leadingNumber(outfall.tailwater));
            rs.set("EXIT_LOSS_COEFF", leadingNumber(outfall.exitLoss));
            rs.set("AREA1", leadingNumber(outfall.areaC[0]));
            rs.set("AREA2", leadingNumber(outfall.areaC[1]));
            rs.set("AREA3", leadingNumber(outfall.areaC[2]));
            rs.set("DESIGNED BY", trim(outfall.designedBy));
            rs.set("CHECKED BY", trim(outfall.checkedBy));
            rs.set("STRUCT_NAME", trim(outfall.structure));
            rs.set("ZONE", trim(outfall.zone));
            rs.set("FREQ", leadingNumber(outfall.freq));
            rs.set("LOCATION", trim(outfall.location));
            rs.set("FREQUENCY", trim(outfall.frequency));
            rs.set("BACKGROUND_PICTURE", trim(outfall.backgroundPicture));
            rs.set("INTENSITY_METHOD", outfall.intensityMethod == 0 ? 0 : 1);
            rs.update();
            setMarker(m_outfallMarker, "Outfall", "*");
        }
    }
    m_session.outfallEditPending = false;
    m_session.log("OUTFALL_RECORD_NEEDS_TO_BE_UPDATED = False");
}

void EditPanel::flushPendingEdits() {
    if (m_session.nodeEditPending) {
        m_session.log("ClickEntityEx: NODE_RECORD_NEEDS_TO_BE_UPDATED-switch = TRUE");
        updateNodeRecord();
        m_session.nodeEditPending = false;
        m_session.log("ClickEntityEx: NODE_RECORD_NEEDS_TO_BE_UPDATED-switch = FALSE");
    }
    if (m_session.reachEditPending) {
        m_session.log("ClickEntityEx: REACH_RECORD_NEEDS_TO_BE_UPDATED-switch = TRUE");
        updateReachRecord();
        m_session.reachEditPending = false;
        m_session.log("ClickEntityEx: REACH_RECORD_NEEDS_TO_BE_UPDATED-switch = FALSE");
    }
    if (m_session.outfallEditPending) {
        m_session.log("ClickEntityEx: OUTFALL_RECORD_NEEDS_TO_BE_UPDATED-switch = TRUE");
        updateOutfallRecord();
        m_session.outfallEditPending = false;
        m_session.log("ClickEntityEx: OUTFALL_RECORD_NEEDS_TO_BE_UPDATED-switch = FALSE");
    }
}

void EditPanel::logFieldChange(int index, const std::string& newText) {
    m_session.log("Form: EDIT_NR,  Node Name: " + trim(node.name()) + ",  Change made to Field: " + fieldLabel(index) +
                  " '" + newText + "'");
}

bool EditPanel::toggleCalcSwitch(int number) {
    if (number >= 1 && number <= 3) {
        bool& on = node.calc[static_cast<std::size_t>(number - 1)];
        on = !on;
        if (node.rowid != 0) {
            RecordSet rs(m_db, "NODE", "rowid = ?", {Value(static_cast<long long>(node.rowid))});
            if (!rs.empty()) {
                rs.edit();
                rs.set(kNodeCalc[static_cast<std::size_t>(number - 1)], on);
                rs.update();
            }
        }
        return on;
    }
    if (number >= 4 && number <= 6) {
        bool& on = reach.calc[static_cast<std::size_t>(number - 4)];
        on = !on;
        if (reach.exists) {
            RecordSet rs(m_db, "REACH", "SYSTEM = ?", {m_system});
            if (rs.findFirst("NODE1 = ?", {trim(node.name())})) {
                rs.edit();
                rs.set(kReachCalc[static_cast<std::size_t>(number - 4)], on);
                rs.update();
            }
        }
        return on;
    }
    return false;
}

std::string EditPanel::pipeSlopeText() const {
    double lengthFt = leadingNumber(reach.length);
    // S (%) = (ELEV1 - ELEV2) / LENGTH x 100; 0 for a reach without length
    double slope = lengthFt == 0 ? 0.0 : (leadingNumber(reach.elev1) - leadingNumber(reach.elev2)) / lengthFt * 100.0;
    return "Pipe Slope = " + vbFormat(slope, "0.0000") + "%";
}

double EditPanel::pipeHeight() const {
    if (trim(reach.pipe).empty()) return 0.0;
    RecordSet t7(m_db, "T7", "NAME = ?", {trim(reach.pipe)});
    return t7.empty() ? 0.0 : t7.number("HEIGHT");
}

std::string EditPanel::crownFromText() const {
    // crown = invert + inside height of the pipe
    return vbFormat(leadingNumber(reach.elev1) + pipeHeight(), "0.00");
}

std::string EditPanel::crownToText() const { return vbFormat(leadingNumber(reach.elev2) + pipeHeight(), "0.00"); }

bool computeGuard(const std::string& currentSystem, ui::UiPort& ui) {
    if (trim(currentSystem).empty()) {
        ui.beep();
        ui.message("",
                   "Select the active system or add a new system.\r"
                   "Use EDIT | STORM SEWER SYSTEM ADD/DELETE to add system.",
                   ui::Icon::Exclamation);
        return false;
    }
    if (trim(currentSystem) == "<drains>") {
        ui.beep();
        ui.message("", "This rountine can not be performed for systems '<drains>'.", ui::Icon::Exclamation);
        return false;
    }
    return true;
}

}  // namespace kolv::editing
