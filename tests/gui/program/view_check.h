// Compares what the open views of the program show with a fresh read of the project: the node
// list, the editing panel and the diagram. Header-only; shared by the lifecycle and exploration tests.
#pragma once

#include <QAction>
#include <QToolBar>
#include <QLineEdit>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "db/database.h"
#include "editing/edit_panel.h"
#include "editing/node_list.h"
#include "gui/app/edit_panel_widget.h"
#include "gui/app/node_list_view.h"
#include "program_fixture.h"
#include "session/session.h"

namespace kolv::test {

/// The same value: equal texts, or numbers equal once read ("-5.10" shows what "-5.1" holds).
inline bool sameValue(const std::string& shown, const std::string& stored) {
    if (shown == stored) return true;
    char* end1 = nullptr;
    char* end2 = nullptr;
    const double a = std::strtod(shown.c_str(), &end1);
    const double b = std::strtod(stored.c_str(), &end2);
    if (shown.empty() || stored.empty() || *end1 || *end2) return false;
    return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b));
}

/// "" when every view agrees with the project file; else what disagrees.
inline std::string viewMismatch(Program& p) {
    gui::MainWindow& w = p.w();
    gui::EditPanelWidget* panel = w.panel();
    db::Project* project = w.project();
    if (!project) {
        if (w.nodeList()->rowCount() != 0) return "node list not empty without a project";
        if (!panel->field(kolv::editing::panel_field::kNodeName)->text().isEmpty()) return "panel shows '" + panel->field(kolv::editing::panel_field::kNodeName)->text().toStdString() + "' without a project";
        if (p.view()->editor() || p.view()->entityCount() != 0) return "diagram still drawn without a project";
        if (w.action(gui::Command::ComputePipeSizes)->isEnabled()) return "compute enabled without a project";
        if (p.diagram->toolBar()->isEnabled()) return "diagram tools enabled without a project";
        return {};
    }
    db::Database& db = *project->db;
    const std::string integrity = db.scalar("PRAGMA integrity_check").toText();
    if (integrity != "ok") return "integrity_check: " + integrity;

    // node list: the lines of the current system as the file holds them
    std::vector<editing::NodeListRow> rows;
    if (!project->currentSystem.empty()) rows = editing::nodeListRows(db, project->currentSystem);
    if (static_cast<int>(rows.size()) != w.nodeList()->rowCount())
        return "node list has " + std::to_string(w.nodeList()->rowCount()) + " lines, the file " + std::to_string(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int r = static_cast<int>(i);
        if (w.nodeList()->text(r, 0).toStdString() != rows[i].name) return "node list line " + std::to_string(i) + " is " + w.nodeList()->text(r, 0).toStdString() + ", the file " + rows[i].name;
        if (w.nodeList()->isOutfallRow(r) != rows[i].outfall) return "node list outfall line differs at " + std::to_string(i);
    }

    // panel: the record it shows is the file's, unless something typed is still pending
    const editing::EditPanel* model = panel->model();
    const Session& session = w.session();
    if (model && !session.nodeEditPending && !session.reachEditPending && !session.outfallEditPending &&
        panel->invalidFields().empty() && model->state != editing::PanelState::Outfall && model->node.rowid != 0) {
        Session scratch;
        editing::EditPanel fresh(db, scratch, project->currentSystem);
        if (!fresh.displayNode(model->node.name())) return "panel shows node " + model->node.name() + " the file does not hold";
        for (int i = 0; i < editing::kNodeFieldCount; ++i) {
            const auto k = static_cast<std::size_t>(i);
            if (!sameValue(model->node.text[k], fresh.node.text[k]))
                return "panel field " + std::to_string(i) + " of " + model->node.name() + " is '" + model->node.text[k] + "', the file '" + fresh.node.text[k] + "'";
            if (panel->field(i)->text().toStdString() != model->node.text[k])
                return "panel box " + std::to_string(i) + " shows '" + panel->field(i)->text().toStdString() + "', its record '" + model->node.text[k] + "'";
        }
    }

    // diagram: bound to this project and system once its deferred bind ran
    gui::diagram::DiagramView* view = p.view();
    if (view->editor() && view->context().db != &db) return "diagram bound to another connection";
    if (view->editor() && view->context().system != project->currentSystem) return "diagram shows another system";
    if (view->editor() && !view->drawingPending() && view->entityCount() > 0 && view->entityCount() != static_cast<int>(rows.size()))
        return "diagram has " + std::to_string(view->entityCount()) + " symbols, the file " + std::to_string(rows.size()) + " nodes and outfall";
    return {};
}

}  // namespace kolv::test
