// The diagram classes window: a symbol class for each structure and a pipe for each pipe class.
#pragma once

#include <QDialog>

#include "db/database.h"
#include "diagram/diagram_classes.h"
#include "ui/ui_port.h"

class QTableWidget;

namespace kolv::gui::diagram {

class DiagramClassesDialog : public QDialog {
    Q_OBJECT
public:
    DiagramClassesDialog(db::Database& db, int engMet, ui::UiPort& ui, QWidget* parent = nullptr);

    QTableWidget* structureTable() const { return m_structures; }
    QTableWidget* pipeTable() const { return m_pipes; }
    /// Writes the choices; true when saved.
    bool save();

private:
    db::Database& m_db;
    int m_engMet;
    ui::UiPort& m_ui;
    kolv::diagram::DiagramClasses m_classes;
    QTableWidget* m_structures;
    QTableWidget* m_pipes;
};

}  // namespace kolv::gui::diagram
