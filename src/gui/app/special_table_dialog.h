// The special table edit window: NODE and REACH rows of the current system in grids.
#pragma once

#include <QDialog>
#include <string>

#include "db/database.h"
#include "editing/special_table_edit.h"
#include "ui/ui_port.h"

class QTableWidget;

namespace kolv::gui {

class SpecialTableDialog : public QDialog {
    Q_OBJECT
public:
    SpecialTableDialog(db::Database& db, std::string system, ui::UiPort& ui, QWidget* parent = nullptr);

private:
    QTableWidget* grid(const std::string& table);
    db::Database& m_db;
    std::string m_system;
    ui::UiPort& m_ui;
};

}  // namespace kolv::gui
