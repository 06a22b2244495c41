// Data side of the node / reach / outfall editing panel.
#include "editing/edit_panel.h"

#include <fmt/format.h>

#include "common/number_input.h"
#include "common/text.h"
#include "common/vb_format.h"
#include "db/record_set.h"
#include "db/schema.h"
#include "db/undo_history.h"
#include "editing/survey_lengths.h"

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
    if (index == panel_field::kReachLength) return "Length";
    if (index == panel_field::kInvertFrom) return "Invert-From";
    if (index == panel_field::kInvertTo) return "Invert-To";
    return "?";
}

std::string nodeFieldName(int index) {
    if (index >= panel_field::kStation && index < kNodeFieldCount) return kNodeFields[static_cast<std::size_t>(index)];
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
    try {
        m_metric = m_db.scalar("SELECT " + db::quoteIdent("ENGLISH_METRIC") + " FROM T0").toInt() != 0;
    } catch (const std::exception&) {
        m_metric = false;  // a project without its settings row is English
    }
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
    node.text[panel_field::kNodeName] = trim(rs.text("NAME"));
    for (int i = 1; i < kNodeFieldCount; ++i) node.text[static_cast<std::size_t>(i)] = shown(rs, nodeFieldName(i));
    node.structure = trim(rs.text("STRUCT_NAME"));
    for (std::size_t i = 0; i < 3; ++i) node.calc[i] = rs.flag(kNodeCalc[i]);
    node.rowid = rs.rowid();
    setMarker(m_nodeMarker, "Node", "");
    return true;
}

RecordSet EditPanel::reachLeaving(const std::string& nodeName) {
    // The engine picks out the reaches leaving the node (names compare without regard to case),
    // so showing or writing one record never reads the whole system into memory.
    return RecordSet(m_db, "REACH", "SYSTEM = ? AND NODE1 = ?", {m_system, nodeName});
}

bool EditPanel::displayReach(const std::string& nodeName) {
    m_session.log("EDIT_NR_DISPLAY_REACH_RECORD");
    RecordSet rs = reachLeaving(trim(nodeName));
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
    reach.calcLength = rs.flag("CALC_PIPEL");
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
        node.text[panel_field::runoffC(0)] = shown(t16, "AREA1");
        node.text[panel_field::runoffC(1)] = shown(t16, "AREA2");
        node.text[panel_field::runoffC(2)] = shown(t16, "AREA3");
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

bool EditPanel::selectNode(const std::string& name) {
    if (!flushPendingEdits()) return false;  // the refused value stays on display to be corrected
    if (displayNode(name)) {
        if (!displayReach(node.name())) clearReach();
        state = PanelState::Node;
    } else {
        clearNode();
        clearReach();
        state = PanelState::Cleared;
    }
    return true;
}

bool EditPanel::selectOutfall() {
    if (!flushPendingEdits()) return false;
    state = displayOutfall() ? PanelState::Outfall : PanelState::Cleared;
    return true;
}

void EditPanel::showSystemStart() {
    state = PanelState::Cleared;
    // Only the system's first node is needed, not all of them.
    const Value first = m_db.scalar("SELECT NAME FROM NODE WHERE SYSTEM = ? ORDER BY rowid LIMIT 1", {m_system});
    if (!first.isNull()) {
        displayNode(first.toText());
        if (!displayReach(node.name())) clearReach();
        state = PanelState::Node;
    } else {
        clearNode();
        clearReach();
    }
    if (!displayOutfall()) clearOutfall();
}

bool EditPanel::updateNodeRecord() {
    m_session.log("EDIT_NR_UPDATE_NODE_RECORD");
    lastStatus.clear();
    const std::string name = trim(node.name());
    if (node.rowid != 0) {
        if (Fault f = nodeFault(); !f.empty()) {
            lastStatus = f.message;  // nothing is written until the value is valid
            return false;
        }
        db::UndoAction step(m_db, "Edit Node " + name);
        RecordSet rs(m_db, "NODE", "rowid = ?", {Value(static_cast<long long>(node.rowid))});
        if (rs.empty()) {
            lastStatus = "3021 - No current record";
        } else if (trim(rs.text("NAME")) == name) {
            // a record renamed elsewhere since it was shown is left alone
            rs.edit();
            rs.set("STATION", trim(node.text[panel_field::kStation]));
            for (int i = panel_field::kOffset; i < kNodeFieldCount; ++i)
                rs.set(nodeFieldName(i), *checkField(i, node.text[static_cast<std::size_t>(i)]).value);
            rs.set("STRUCT_NAME", trim(node.structure));
            for (std::size_t i = 0; i < 3; ++i) rs.set(kNodeCalc[i], node.calc[i]);
            rs.update();
            setMarker(m_nodeMarker, "Node", "*");
        }
    }
    m_session.nodeEditPending = false;
    m_session.log("NODE_RECORD_NEEDS_TO_BE_UPDATED = False");
    m_session.log("EDIT_NR_UPDATE_NODE_RECORD: At the exit line Node Name = '" + name + "'");
    return true;
}

bool EditPanel::updateReachRecord() {
    m_session.log("EDIT_NR_UPDATE_REACH_RECORD");
    const std::string name = trim(node.name());
    if (!name.empty() && node.rowid != 0) {
        if (Fault f = reachFault(); !f.empty()) {
            lastStatus = f.message;
            return false;
        }
        db::UndoAction step(m_db, "Edit Reach " + name);
        RecordSet rs = reachLeaving(name);
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
        rs.set("LENGTH", *checkField(panel_field::kReachLength, reach.length).value);
        rs.set("ELEV1", *checkField(panel_field::kInvertFrom, reach.elev1).value);
        rs.set("ELEV2", *checkField(panel_field::kInvertTo, reach.elev2).value);
        rs.set("BARRELS", reach.barrels < 1 ? 1 : reach.barrels);
        for (std::size_t i = 0; i < 3; ++i) rs.set(kReachCalc[i], reach.calc[i]);
        rs.set("CALC_PIPEL", reach.calcLength);
        rs.update();
        if (reach.calcLength && updateReachLengths(m_db, m_system, name) > 0) {
            // the length shown may be older than the node positions: show the measured one
            RecordSet measured = reachLeaving(name);
            if (measured.findFirst("NODE1 = ?", {name})) reach.length = shown(measured, "LENGTH");
        }
        reach.exists = true;
        reach.node1 = name;
        setMarker(m_reachMarker, "Reach", "*");
    }
    m_session.reachEditPending = false;
    m_session.log("REACH_RECORD_NEEDS_TO_BE_UPDATED = False");
    return true;
}

bool EditPanel::updateOutfallRecord() {
    m_session.log("EDIT_NR_UPDATE_OUTFALL_RECORD");
    if (outfall.exists) {
        if (Fault f = outfallFault(); !f.empty()) {
            lastStatus = f.message;
            return false;
        }
        db::UndoAction step(m_db, "Edit Outfall " + trim(outfall.outNode));
        auto number = [this](const char* field, const std::string& text) {
            return *checkOutfallField(field, text).value;
        };
        RecordSet rs(m_db, "T16", "SYSTEM = ?", {m_system});
        if (rs.empty()) {
            lastStatus = "3021 - No current record";
        } else {
            rs.edit();
            rs.set("OUT_STA", trim(outfall.station));
            rs.set("OUT_OFF", number("OUT_OFF", outfall.offset));
            rs.set("OUT_EL", number("OUT_EL", outfall.elevation));
            rs.set("OUT_TW", number("OUT_TW", outfall.tailwater));
            rs.set("EXIT_LOSS_COEFF", number("EXIT_LOSS_COEFF", outfall.exitLoss));
            rs.set("AREA1", number("AREA1", outfall.areaC[0]));
            rs.set("AREA2", number("AREA2", outfall.areaC[1]));
            rs.set("AREA3", number("AREA3", outfall.areaC[2]));
            rs.set("DESIGNED BY", trim(outfall.designedBy));
            rs.set("CHECKED BY", trim(outfall.checkedBy));
            rs.set("STRUCT_NAME", trim(outfall.structure));
            rs.set("ZONE", trim(outfall.zone));
            rs.set("FREQ", number("FREQ", outfall.freq));
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
    return true;
}

bool EditPanel::flushPendingEdits() {
    bool written = true;
    lastStatus.clear();  // a message from an earlier write no longer holds
    if (m_session.nodeEditPending) {
        m_session.log("ClickEntityEx: NODE_RECORD_NEEDS_TO_BE_UPDATED-switch = TRUE");
        if (updateNodeRecord()) {
            m_session.nodeEditPending = false;
            m_session.log("ClickEntityEx: NODE_RECORD_NEEDS_TO_BE_UPDATED-switch = FALSE");
        } else {
            written = false;
        }
    }
    if (m_session.reachEditPending) {
        m_session.log("ClickEntityEx: REACH_RECORD_NEEDS_TO_BE_UPDATED-switch = TRUE");
        if (updateReachRecord()) {
            m_session.reachEditPending = false;
            m_session.log("ClickEntityEx: REACH_RECORD_NEEDS_TO_BE_UPDATED-switch = FALSE");
        } else {
            written = false;
        }
    }
    if (m_session.outfallEditPending) {
        m_session.log("ClickEntityEx: OUTFALL_RECORD_NEEDS_TO_BE_UPDATED-switch = TRUE");
        if (updateOutfallRecord()) {
            m_session.outfallEditPending = false;
            m_session.log("ClickEntityEx: OUTFALL_RECORD_NEEDS_TO_BE_UPDATED-switch = FALSE");
        } else {
            written = false;
        }
    }
    return written;
}

bool EditPanel::resolveRefusedEdit(ui::UiPort& ui) {
    Fault fault;
    if (m_session.nodeEditPending && fault.empty()) fault = nodeFault();
    if (m_session.reachEditPending && fault.empty()) fault = reachFault();
    if (m_session.outfallEditPending && fault.empty()) fault = outfallFault();
    if (fault.empty()) return false;
    const ui::Answer a = ui.message("INVALID DATA",
                                    fault.message + "\r\rDiscard the changes to this record and go on?\r"
                                                    "(No keeps the record on display to be corrected.)",
                                    ui::Icon::Question, ui::Buttons::YesNo, ui::Answer::No);
    if (a != ui::Answer::Yes) return false;
    m_session.nodeEditPending = m_session.reachEditPending = m_session.outfallEditPending = false;
    m_session.log("Refused edits discarded");
    lastStatus.clear();
    return true;
}

input::NumberCheck EditPanel::checkField(int index, const std::string& text) const {
    // the node name and station are text; every other node field is a number
    if (index >= panel_field::kOffset && index < kNodeFieldCount)
        return input::checkField("NODE", nodeFieldName(index), text, fieldLabel(index), m_metric);
    if (index == panel_field::kReachLength) return input::checkField("REACH", "LENGTH", text, fieldLabel(index), m_metric);
    if (index == panel_field::kInvertFrom) return input::checkField("REACH", "ELEV1", text, fieldLabel(index), m_metric);
    if (index == panel_field::kInvertTo) return input::checkField("REACH", "ELEV2", text, fieldLabel(index), m_metric);
    input::NumberCheck any;
    any.value = 0.0;
    return any;
}

input::NumberCheck EditPanel::checkOutfallField(const std::string& field, const std::string& text) const {
    static const std::array<std::pair<const char*, const char*>, 8> kCaptions = {{{"OUT_OFF", "Outfall Offset"},
                                                                                 {"OUT_EL", "Outfall Elevation"},
                                                                                 {"OUT_TW", "Tailwater Elevation"},
                                                                                 {"EXIT_LOSS_COEFF", "Exit Loss Coefficient"},
                                                                                 {"AREA1", "Area 1-C"},
                                                                                 {"AREA2", "Area 2-C"},
                                                                                 {"AREA3", "Area 3-C"},
                                                                                 {"FREQ", "Frequency"}}};
    std::string caption = field;
    for (const auto& [f, c] : kCaptions)
        if (field == f) caption = c;
    if (field == "FREQ") {
        input::NumberRule years;
        years.min = 0.0;
        years.minExclusive = true;
        return input::checkNumber(text, caption, years);
    }
    return input::checkField("T16", field, text, caption, m_metric);
}

EditPanel::Fault EditPanel::nodeFault() const {
    for (int i = panel_field::kOffset; i < kNodeFieldCount; ++i) {
        auto r = checkField(i, node.text[static_cast<std::size_t>(i)]);
        if (!r.ok()) return {i, nodeFieldName(i), r.error};
    }
    return {};
}

EditPanel::Fault EditPanel::reachFault() const {
    const std::array<std::pair<int, const std::string*>, 3> fields = {
        {{panel_field::kReachLength, &reach.length}, {panel_field::kInvertFrom, &reach.elev1}, {panel_field::kInvertTo, &reach.elev2}}};
    for (const auto& [i, text] : fields) {
        auto r = checkField(i, *text);
        if (!r.ok()) return {i, "", r.error};
    }
    return {};
}

EditPanel::Fault EditPanel::outfallFault() const {
    const std::array<std::pair<const char*, const std::string*>, 8> fields = {
        {{"OUT_OFF", &outfall.offset},
         {"OUT_EL", &outfall.elevation},
         {"OUT_TW", &outfall.tailwater},
         {"EXIT_LOSS_COEFF", &outfall.exitLoss},
         {"AREA1", &outfall.areaC[0]},
         {"AREA2", &outfall.areaC[1]},
         {"AREA3", &outfall.areaC[2]},
         {"FREQ", &outfall.freq}}};
    for (const auto& [f, text] : fields) {
        // a system on a time-intensity table has no return period to check
        if (std::string(f) == "FREQ" && (outfall.intensityMethod != 0 || trim(*text).empty())) continue;
        auto r = checkOutfallField(f, *text);
        if (!r.ok()) return {-1, f, r.error};
    }
    return {};
}

int EditPanel::valueTyped(int index) {
    using namespace panel_field;
    if (index == kReachLength) {
        // a typed length is the engineer's: it is no longer measured between the nodes
        reach.calcLength = false;
        m_session.reachEditPending = true;
        return 0;
    }
    if (index >= runoffC(0) && index <= runoffC(2)) {
        const int k = index - kRunoffC1;
        node.calc[static_cast<std::size_t>(k)] = false;
        m_session.nodeEditPending = true;
        return calc_switch::kRunoffC1 + k;
    }
    if (index == kInvertFrom || index == kInvertTo) {
        const int sw = index == kInvertFrom ? calc_switch::kInvertFrom : calc_switch::kInvertTo;
        reach.calc[static_cast<std::size_t>(sw - calc_switch::kPipeSize)] = false;
        m_session.reachEditPending = true;
        return sw;
    }
    return 0;
}

int EditPanel::pipeChosen() {
    reach.calc[0] = false;  // CALC_PIPESIZE
    m_session.reachEditPending = true;
    return calc_switch::kPipeSize;
}

void EditPanel::logFieldChange(int index, const std::string& newText) {
    m_session.log("Form: EDIT_NR,  Node Name: " + trim(node.name()) + ",  Change made to Field: " + fieldLabel(index) +
                  " '" + newText + "'");
}

bool EditPanel::toggleCalcSwitch(int number) {
    static const std::array<const char*, 6> kSwitchNames = {"Area 1-C", "Area 2-C", "Area 3-C", "Pipe Size",
                                                            "Invert-From", "Invert-To"};
    using namespace calc_switch;
    if (number < kRunoffC1 || number > kCount) return false;
    const bool turningOn = !(number < kPipeSize ? node.calc[static_cast<std::size_t>(number - kRunoffC1)]
                                                : reach.calc[static_cast<std::size_t>(number - kPipeSize)]);
    db::UndoAction step(m_db, std::string("Calc Switch ") + kSwitchNames[static_cast<std::size_t>(number - 1)] +
                                  (turningOn ? " On" : " Off"));
    if (number < kPipeSize) {
        bool& on = node.calc[static_cast<std::size_t>(number - kRunoffC1)];
        on = !on;
        if (node.rowid != 0) {
            RecordSet rs(m_db, "NODE", "rowid = ?", {Value(static_cast<long long>(node.rowid))});
            if (!rs.empty()) {
                rs.edit();
                rs.set(kNodeCalc[static_cast<std::size_t>(number - kRunoffC1)], on);
                rs.update();
            }
        }
        return on;
    }
    {
        bool& on = reach.calc[static_cast<std::size_t>(number - kPipeSize)];
        on = !on;
        if (reach.exists) {
            RecordSet rs = reachLeaving(trim(node.name()));
            if (rs.findFirst("NODE1 = ?", {trim(node.name())})) {
                rs.edit();
                rs.set(kReachCalc[static_cast<std::size_t>(number - kPipeSize)], on);
                rs.update();
            }
        }
        return on;
    }
}

std::string EditPanel::pipeSlopeText() const {
    const double lengthFt = input::numberOr(reach.length, 0.0);
    // S (%) = (ELEV1 - ELEV2) / LENGTH x 100; 0 for a reach without length
    const double slope =
        lengthFt == 0 ? 0.0 : (input::numberOr(reach.elev1, 0.0) - input::numberOr(reach.elev2, 0.0)) / lengthFt * 100.0;
    return "Pipe Slope = " + vbFormat(slope, "0.0000") + "%";
}

double EditPanel::pipeHeight() const {
    if (trim(reach.pipe).empty()) return 0.0;
    RecordSet t7(m_db, "T7", "NAME = ?", {trim(reach.pipe)});
    return t7.empty() ? 0.0 : t7.number("HEIGHT");
}

std::string EditPanel::crownFromText() const {
    // crown = invert + inside height of the pipe
    return vbFormat(input::numberOr(reach.elev1, 0.0) + pipeHeight(), "0.00");
}

std::string EditPanel::crownToText() const { return vbFormat(input::numberOr(reach.elev2, 0.0) + pipeHeight(), "0.00"); }

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
        ui.message("", "This routine can not be performed for systems '<drains>'.", ui::Icon::Exclamation);
        return false;
    }
    return true;
}

}  // namespace kolv::editing
