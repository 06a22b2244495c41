// The data side of the diagram's requests and notifications: nodes, outfall and reaches added,
// moved, re-targeted and deleted on the schematic, with the diagnosis-log trace of each.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "db/database.h"
#include "session/session.h"
#include "ui/ui_port.h"

namespace kolv::editing {
class EditPanel;
}

namespace kolv::diagram {

/// Asked when a node is placed before the project has a system (Yes, the default, adds one).
inline constexpr const char* kNoSystemQuestion =
    "A System must be added before a node can be created.\rAdd a storm sewer system now?";

/// Name and structure chosen in the add-node dialog; an empty name cancels the add.
struct NewNodeChoice {
    std::string name;
    std::string structure;
};

/// Which end of a reach the engineer drags.
enum class ReachEnd { Upstream, Downstream };

/// What a click on an entity stands for.
struct ClickedEntity {
    enum class Kind { None, Node, Outfall } kind = Kind::None;
    std::string name;
};

/// Reacts to the diagram's events for the current system. Every event that changes the
/// project is one undo step. When a panel is attached, the records it shows follow the
/// changes (the window then refreshes its widgets from it).
class DiagramEditor {
public:
    DiagramEditor(db::Database& db, Session& session, ui::UiPort& ui, std::string system);

    void setSystem(const std::string& system);
    const std::string& system() const { return m_system; }
    void attachPanel(editing::EditPanel* panel) { m_panel = panel; }

    /// Adds a storm sewer system when a node is placed before the project has one (the engineer
    /// names it); returns its name, or "" when none was added. Without it, placing is refused.
    /// When it added one, the add request returns false with `system()` naming the new system:
    /// the caller places the node again once that system is current.
    std::function<std::string()> offerSystem;

    /// `EntityAddRequest`: adds a node or, for class "Outfall", the system's outfall at (x, y).
    /// `choose` runs the add-node dialog. Returns false when the add is cancelled; on success
    /// `addedName` holds the new node's name.
    bool entityAddRequest(const std::string& text, const std::string& className, double x, double y,
                          const std::function<NewNodeChoice()>& choose, std::string& addedName);
    /// `EntityAdded`: trace only.
    void entityAdded(const std::string& text);

    /// `RelationAddRequest`: a reach from the upstream entity to the downstream one, with the
    /// pipe of the relation's pipe class (0..11). Returns false when cancelled.
    bool relationAddRequest(const std::string& text, const std::string& upstreamText,
                            const std::string& downstreamText, int pipeClass);

    /// `EntityDeleted`: the node (or the outfall's header fields) and every reach in and out.
    void entityDeleted(const std::string& text);

    /// `EntityMoved`: stores the new position of a node or of the outfall.
    void entityMoved(const std::string& text, double x, double y);

    /// `BeforeStretchRelation`: only the downstream end of a reach may move, onto an entity with
    /// a node name. Returns false when the stretch is refused (cancel flag).
    bool beforeStretchRelation(const std::string& relationText, ReachEnd end, const std::string& newTargetText);
    /// `AfterStretchRelation`: trace only.
    void afterStretchRelation(const std::string& relationText, const std::string& newEntityText);

    /// `ClickEntityEx`: node or outfall of the current system the entity stands for.
    ClickedEntity clickEntity(const std::string& text);
    /// `ClickRelationEx`: the upstream node of the reach ("" when the reach is gone).
    std::string clickRelation(const std::string& text);

    /// Lists the diagram's entities into the log: "Total Entities = n", then "i: name".
    void listEntities(const std::vector<std::string>& texts);

private:
    bool addOutfall(const std::string& name, const std::string& structure, double x, double y);
    bool addNode(const std::string& name, const std::string& structure, double x, double y);
    std::string pipeOfClass(int pipeClass);

    db::Database& m_db;
    Session& m_session;
    ui::UiPort& m_ui;
    std::string m_system;
    editing::EditPanel* m_panel = nullptr;
};

}  // namespace kolv::diagram
