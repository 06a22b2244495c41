// The display options window: which data lines the labels of nodes, reaches and the outfall show.
#pragma once

#include <QDialog>
#include <map>
#include <string>

#include "db/database.h"
#include "ui/ui_port.h"

class QCheckBox;
class QComboBox;

namespace kolv::gui::diagram {

class DisplayOptionsDialog : public QDialog {
    Q_OBJECT
public:
    DisplayOptionsDialog(db::Database& db, int set, ui::UiPort& ui, QWidget* parent = nullptr);

    /// The set chosen (1..10).
    int chosenSet() const;
    QCheckBox* item(const std::string& field) const;
    QComboBox* setBox() const { return m_set; }

    void accept() override;

private:
    void load(int set);

    db::Database& m_db;
    ui::UiPort& m_ui;
    QComboBox* m_set;
    std::map<std::string, QCheckBox*> m_items;
};

}  // namespace kolv::gui::diagram
