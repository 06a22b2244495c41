// The systems window.
#include "gui/app/systems_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "editing/systems.h"
#include "gui/app/main_window.h"
#include "ui/error_trap.h"

namespace kolv::gui {

SystemsDialog::SystemsDialog(MainWindow& main) : QDialog(&main), m_main(main) {
    setWindowTitle("Storm Sewer Systems");
    auto* grid = new QGridLayout(this);
    auto* listBox = new QGroupBox("Systems");
    auto* lv = new QVBoxLayout(listBox);
    m_list = new QListWidget;
    m_list->setMinimumWidth(200);
    lv->addWidget(m_list);
    grid->addWidget(listBox, 0, 0, 2, 1);

    auto* nameBox = new QGroupBox("System Name");
    auto* nv = new QVBoxLayout(nameBox);
    m_mode = new QLabel("DIVIDE");
    m_mode->setStyleSheet("font-weight: bold; color: #b3261e;");
    m_mode->hide();
    nv->addWidget(m_mode);
    m_name = new QLineEdit;
    m_name->setMaxLength(20);
    m_name->setPlaceholderText("up to 8 characters");
    nv->addWidget(m_name);
    auto* hint = m_hint = new QLabel("Add creates an empty system; Rename changes the selected\nsystem's name on every node and reach.");
    hint->setStyleSheet("color: #5f6368;");
    nv->addWidget(hint);
    grid->addWidget(nameBox, 0, 1);

    auto* buttons = new QVBoxLayout;
    auto* addButton = new QPushButton("&Add");
    auto* deleteButton = m_delete = new QPushButton("&Delete");
    auto* renameButton = m_rename = new QPushButton("&Rename");
    auto* closeButton = new QPushButton("Close");
    for (auto* b : {addButton, deleteButton, renameButton}) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    grid->addLayout(buttons, 1, 1);
    connect(addButton, &QPushButton::clicked, this, &SystemsDialog::add);
    connect(deleteButton, &QPushButton::clicked, this, &SystemsDialog::remove);
    connect(renameButton, &QPushButton::clicked, this, &SystemsDialog::rename);
    connect(closeButton, &QPushButton::clicked, this, &SystemsDialog::accept);
    connect(m_list, &QListWidget::currentTextChanged, this, [this](const QString& t) {
        if (!t.isEmpty()) m_name->setText(t);
    });
    refill(QString::fromStdString(main.project() ? main.project()->currentSystem : ""));
}

void SystemsDialog::setDivideMode(std::function<void(const std::string&)> onAdded) {
    m_onDivideAdd = std::move(onAdded);
    setWindowTitle("Storm Sewer System Add");
    m_mode->show();
    m_delete->setEnabled(false);  // only the receiving system is made here
    m_rename->setEnabled(false);
    m_hint->setText("Add creates the system that will receive the divided nodes.");
    m_name->clear();
}

void SystemsDialog::refill(const QString& select) {
    m_list->clear();
    if (!m_main.project()) return;
    for (const auto& s : m_main.project()->systems) m_list->addItem(QString::fromStdString(s));
    auto found = m_list->findItems(select, Qt::MatchFixedString);
    if (!found.isEmpty()) m_list->setCurrentItem(found.front());
}

void SystemsDialog::add() {
    try {
        std::string name = m_name->text().trimmed().toStdString();
        if (!editing::addSystem(*m_main.project()->db, name, m_main.ui())) return;
        if (m_onDivideAdd) {
            // the system being divided stays current; the divide window takes the new name
            m_main.rebuildSystemLists(m_main.project()->currentSystem);
            refill(QString::fromStdString(name));
            m_onDivideAdd(name);
            return;
        }
        m_main.rebuildSystemLists(name);
        m_main.changeCurrentSystem(name);
        refill(QString::fromStdString(name));
    } catch (const std::exception& e) {
        ui::reportException(m_main.ui(), e);
    }
}

void SystemsDialog::remove() {
    try {
        std::string name = m_list->currentItem() ? m_list->currentItem()->text().toStdString() : "";
        m_main.flushPendingEdits();
        if (!editing::deleteSystem(*m_main.project()->db, name, m_main.ui())) return;
        m_main.rebuildSystemLists(editing::kNoSystem);
        refill(QString());
    } catch (const std::exception& e) {
        ui::reportException(m_main.ui(), e);
    }
}

void SystemsDialog::rename() {
    try {
        std::string old = m_list->currentItem() ? m_list->currentItem()->text().toStdString() : "";
        std::string name = m_name->text().trimmed().toStdString();
        m_main.flushPendingEdits();
        const bool wasCurrent = old == m_main.project()->currentSystem;
        if (!editing::renameSystem(*m_main.project()->db, m_main.project()->systems, old, name, m_main.ui())) return;
        m_main.rebuildSystemLists(wasCurrent ? name : m_main.project()->currentSystem);
        if (wasCurrent) m_main.changeCurrentSystem(name);
        refill(QString::fromStdString(name));
    } catch (const std::exception& e) {
        ui::reportException(m_main.ui(), e);
    }
}

}  // namespace kolv::gui
