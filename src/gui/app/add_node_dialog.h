// The add-node dialog (ADDNODE): proposed next node name and the structure of the new node.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "db/database.h"
#include "ui/ui_port.h"

class QComboBox;
class QLineEdit;

namespace kolv::gui {

class AddNodeDialog : public QDialog {
    Q_OBJECT
public:
    /// Proposes the next node name (which advances the stored number) and lists `structures`.
    AddNodeDialog(db::Database& db, std::string system, const std::vector<std::string>& structures, ui::UiPort& ui,
                  QWidget* parent = nullptr);

    /// The accepted name, trimmed ("" when cancelled).
    const std::string& nodeName() const { return m_name; }
    const std::string& structure() const { return m_structure; }
    QLineEdit* nameField() const { return m_nameEdit; }

    void accept() override;
    void reject() override;

private:
    db::Database& m_db;
    std::string m_system;
    ui::UiPort& m_ui;
    QLineEdit* m_nameEdit;
    QComboBox* m_structureBox;
    std::string m_name, m_structure;
};

}  // namespace kolv::gui
