// Data side of the node / reach / outfall editing panel (EDIT_NR): display, clear, update, flush.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "common/number_input.h"
#include "db/database.h"
#include "db/record_set.h"
#include "session/session.h"
#include "ui/ui_port.h"

namespace kolv::editing {

/// Text fields of the panel by index. The node part is 0..13 (`NodeForm::text`); the reach's typed
/// numbers follow (15 is the pipe, a list, not a text field). The trace lines, the refusal messages
/// and the window's field lookup all name a field by this index.
namespace panel_field {
inline constexpr int kNodeName = 0;
inline constexpr int kStation = 1;
inline constexpr int kOffset = 2;
inline constexpr int kInletElev = 3;
inline constexpr int kMinHgl = 4;
inline constexpr int kJunctionLoss = 5;
inline constexpr int kArea1 = 6;     ///< areas 1..3 are 6..8
inline constexpr int kRunoffC1 = 9;  ///< runoff coefficients 1..3 are 9..11
inline constexpr int kInitialTc = 12;
inline constexpr int kBaseFlow = 13;
inline constexpr int kReachLength = 14;
inline constexpr int kInvertFrom = 16;
inline constexpr int kInvertTo = 17;
/// Area and runoff coefficient of drainage area k (0..2).
constexpr int area(int k) { return kArea1 + k; }
constexpr int runoffC(int k) { return kRunoffC1 + k; }
}  // namespace panel_field

/// Number of text fields of the node part (index 0 Node Name .. 13 Base Flow).
constexpr int kNodeFieldCount = panel_field::kBaseFlow + 1;

/// Calculation switches of the panel, numbered as the buttons beside their fields: the runoff
/// coefficients of areas 1..3, then the reach's pipe size and its two inverts.
namespace calc_switch {
inline constexpr int kRunoffC1 = 1;  ///< areas 1..3 are 1..3
inline constexpr int kPipeSize = 4;
inline constexpr int kInvertFrom = 5;
inline constexpr int kInvertTo = 6;
inline constexpr int kCount = 6;
}  // namespace calc_switch

/// Label of a text field of the panel by its index (`panel_field`); "?" otherwise.
std::string fieldLabel(int index);
/// NODE field written from a node text field (index 1..13); "" for index 0 and others.
std::string nodeFieldName(int index);

/// What the node part of the panel shows: texts as the engineer sees and types them.
struct NodeForm {
    /// Indexed by `panel_field`: the node name, then Station .. Base Flow.
    std::array<std::string, kNodeFieldCount> text;
    std::string structure;            ///< STRUCT_NAME, "" for none
    std::array<bool, 3> calc{};       ///< CALC_RUNOFF_C1..C3
    std::int64_t rowid = 0;           ///< the NODE record the panel is positioned on; 0 when cleared

    const std::string& name() const { return text[panel_field::kNodeName]; }
};

/// What the reach part shows: the reach whose NODE1 is the displayed node.
struct ReachForm {
    std::string node1, node2;         ///< shown only
    std::string length, elev1, elev2; ///< panel_field::kReachLength, kInvertFrom, kInvertTo
    std::string pipe;                 ///< PIPE_NAME
    int barrels = 1;                  ///< BARRELS (list position + 1)
    std::array<bool, 3> calc{};       ///< CALC_PIPESIZE, CALC_FROM_ELEV, CALC_TO_ELEV
    bool calcLength = false;          ///< CALC_PIPEL: the length is measured on survey coordinates
    bool exists = false;              ///< a REACH record was found
};

/// The outfall and header part: the current system's T16 record.
struct OutfallForm {
    std::string outNode;              ///< shown only
    std::string station, offset, elevation, tailwater, exitLoss;
    std::array<std::string, 3> areaC; ///< AREA1..AREA3 (default runoff coefficients)
    std::string designedBy, checkedBy, structure;
    std::string zone, freq;           ///< IDF zone and return period (numbers kept as text)
    std::string location, frequency;  ///< time-intensity table
    std::string backgroundPicture;
    int intensityMethod = 0;          ///< 0 "Zone" option (IDF), 1 time-intensity table
    bool exists = false;
};

/// Which object the panel shows.
enum class PanelState { Cleared, Node, Outfall };

/// A number as the panel shows it: Single fields to 7 significant digits, others in full.
std::string displayNumber(const db::Value& v, db::FieldType type);

/// The editing panel's records and the three pending-edit switches (held in the session).
/// The window copies its widgets into `node`, `reach` and `outfall` before any flush.
class EditPanel {
public:
    EditPanel(db::Database& db, Session& session, std::string system);

    db::Database& database() { return m_db; }
    Session& session() { return m_session; }
    const std::string& system() const { return m_system; }
    /// Changes the current system (the panel is cleared).
    void setSystem(const std::string& system);

    NodeForm node;
    ReachForm reach;
    OutfallForm outfall;
    PanelState state = PanelState::Cleared;

    /// `EDIT_NR_DISPLAY_NODE_RECORD`: fills `node` from the NODE record; false when missing.
    bool displayNode(const std::string& name);
    /// `EDIT_NR_DISPLAY_REACH_RECORD`: the first reach of the system with NODE1 = node name.
    bool displayReach(const std::string& nodeName);
    /// `EDIT_NR_DISPLAY_OUTFALL_RECORD`: the system's T16 record; false when OUT_NODE is empty.
    bool displayOutfall();
    /// `EDIT_NR_CLEAR_NODE_DISPLAY`: numbers "0", Area C from the system's AREA1..AREA3.
    void clearNode();
    /// `EDIT_NR_CLEAR_REACH_DISPLAY`.
    void clearReach();
    /// `EDIT_NR_CLEAR_OUTFALL_DISPLAY`.
    void clearOutfall();

    /// Flushes, then shows a node with its outgoing reach (clicking a node). False, with the
    /// panel left as it is, when a pending value is refused.
    bool selectNode(const std::string& name);
    /// Flushes, then shows the outfall and header (clicking the outfall).
    bool selectOutfall();
    /// Shows the first node of the system and its reach, then the outfall (system change).
    void showSystemStart();

    /// `EDIT_NR_UPDATE_NODE_RECORD`. Sets `lastStatus` to "3021 - No current record" when
    /// the record is gone. A typed number that is refused writes nothing: `lastStatus` says
    /// which field and why, the edit stays pending, and false is returned.
    bool updateNodeRecord();
    /// `EDIT_NR_UPDATE_REACH_RECORD`: creates the reach when the node has none.
    bool updateReachRecord();
    /// `EDIT_NR_UPDATE_OUTFALL_RECORD`.
    bool updateOutfallRecord();
    /// Writes the pending records (node, reach, outfall, in this order, each only when its
    /// switch is set), with the trace lines of the diagnosis log. False when a record was
    /// kept back because one of its numbers is refused.
    bool flushPendingEdits();
    /// When a pending value of the shown record is refused, asks whether to discard the record's
    /// changes and go on ("Yes") or stay to correct it ("No", the default). Discarding drops the
    /// pending edits, so the stored record stands. True when the panel may move to another record.
    bool resolveRefusedEdit(ui::UiPort& ui);

    /// Reads a typed number of the panel strictly: the node and reach fields by their index
    /// (as `fieldLabel`), the outfall fields by their T16 field name.
    input::NumberCheck checkField(int index, const std::string& text) const;
    input::NumberCheck checkOutfallField(const std::string& field, const std::string& text) const;
    /// First refused number of each part ("" when all are valid), with the field index or name.
    struct Fault {
        int index = -1;
        std::string field;
        std::string message;
        bool empty() const { return message.empty(); }
    };
    Fault nodeFault() const;
    Fault reachFault() const;
    Fault outfallFault() const;

    /// A value typed into a field that a calculation switch governs (Area n-C, Invert-From,
    /// Invert-To, and the length) is the engineer's: its switch goes off at once (kept when the
    /// record is written). Returns the switch number turned off (1..6), or 0 (also for the
    /// length, whose switch has no button).
    int valueTyped(int index);
    /// A pipe chosen by hand turns the pipe-size switch off; returns 4.
    int pipeChosen();

    /// Entering a field marks its record pending.
    void enterNodeField() { m_session.nodeEditPending = true; }
    void enterReachField() { m_session.reachEditPending = true; }
    void enterOutfallField() { m_session.outfallEditPending = true; }

    /// Logs the change of a text field: "Form: EDIT_NR,  Node Name: ..." .
    void logFieldChange(int index, const std::string& newText);

    /// Flips a calculation switch (1..6) and writes its field at once; returns the new state.
    bool toggleCalcSwitch(int number);

    /// "Pipe Slope = 0.5000%" from the reach texts.
    std::string pipeSlopeText() const;
    /// Crown elevations (invert + HEIGHT of the pipe definition) as shown.
    std::string crownFromText() const;
    std::string crownToText() const;

    /// Status text of the last update ("" when fine).
    std::string lastStatus;

private:
    void setMarker(std::string& marker, const char* kind, const std::string& value);
    /// The system's reaches whose `NODE1` is the node (normally one).
    db::RecordSet reachLeaving(const std::string& nodeName);
    double pipeHeight() const;

    db::Database& m_db;
    Session& m_session;
    std::string m_system;
    bool m_metric = false;  ///< lengths in m, areas in ha: the ranges of typed values follow
    std::string m_nodeMarker, m_reachMarker, m_outfallMarker;
};

/// Guard of the three compute commands: a system must be current and not "<drains>".
/// Shows the refusal (with a beep) and returns false.
bool computeGuard(const std::string& currentSystem, ui::UiPort& ui);

}  // namespace kolv::editing
