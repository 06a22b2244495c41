// The add-node dialog (ADDNODE).
#include "gui/app/add_node_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "common/text.h"
#include "editing/next_node_name.h"
#include "ui/error_trap.h"

namespace kolv::gui {

AddNodeDialog::AddNodeDialog(db::Database& db, std::string system, const std::vector<std::string>& structures,
                             ui::UiPort& ui, QWidget* parent)
    : QDialog(parent), m_db(db), m_system(std::move(system)), m_ui(ui) {
    setWindowTitle("Add Node");
    setMinimumWidth(340);
    auto* v = new QVBoxLayout(this);
    auto* intro = new QLabel(QString::fromStdString("New node in system '" + m_system + "'"));
    intro->setStyleSheet("font-weight: 600;");
    v->addWidget(intro);
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    m_nameEdit = new QLineEdit;
    m_nameEdit->setMaxLength(8);
    m_structureBox = new QComboBox;
    m_structureBox->addItem(QString());
    for (const auto& s : structures) m_structureBox->addItem(QString::fromStdString(s));
    form->addRow("Node Name", m_nameEdit);
    form->addRow("Structure", m_structureBox);
    v->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &AddNodeDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &AddNodeDialog::reject);
    v->addWidget(buttons);
    try {
        m_nameEdit->setText(QString::fromStdString(editing::nextNodeName(m_db)));
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
    }
    m_nameEdit->selectAll();
    if (m_structureBox->count() > 1) m_structureBox->setCurrentIndex(1);
}

void AddNodeDialog::accept() {
    try {
        if (!editing::checkNewNodeName(m_db, m_system, m_nameEdit->text().toStdString(), m_ui)) {
            m_nameEdit->setFocus();
            return;
        }
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
        return;
    }
    m_name = trim(m_nameEdit->text().toStdString());
    m_structure = trim(m_structureBox->currentText().toStdString());
    QDialog::accept();
}

void AddNodeDialog::reject() {
    // cancelling hands over an empty name and structure
    m_name.clear();
    m_structure.clear();
    QDialog::reject();
}

}  // namespace kolv::gui
