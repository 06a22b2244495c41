// The divide / combine window.
#include "gui/renumber/divide_combine_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "common/text.h"
#include "gui/app/main_window.h"
#include "gui/app/systems_dialog.h"
#include "renumber/divide_combine.h"
#include "ui/error_trap.h"
#include "gui/common/qt_text.h"

namespace kolv::gui {

namespace {

std::vector<std::string> texts(const QListWidget* list) {
    std::vector<std::string> out;
    for (int i = 0; i < list->count(); ++i) out.push_back(list->item(i)->text().toStdString());
    return out;
}

/// The chosen entry of a list, or nothing when none is chosen.
std::optional<std::string> chosen(const QListWidget* list) {
    const auto items = list->selectedItems();
    if (items.isEmpty()) return std::nullopt;
    return items.front()->text().toStdString();
}

}  // namespace

DivideCombineWindow::DivideCombineWindow(MainWindow& main) : QDialog(&main), m_main(main) {
    setWindowTitle("Divide/Combine System(s)");
    auto* top = new QVBoxLayout(this);
    m_tabs = new QTabWidget;
    top->addWidget(m_tabs);

    // Divide
    auto* divideTab = new QWidget;
    auto* dg = new QGridLayout(divideTab);
    m_divideCaption = new QLabel;
    m_divideCaption->setStyleSheet("font-weight: bold;");
    dg->addWidget(m_divideCaption, 0, 0, 1, 2);
    dg->addWidget(new QLabel("Nodes in this system"), 1, 0);
    dg->addWidget(new QLabel("Nodes to move (at least 3)"), 1, 1);
    m_nodes = new QListWidget;
    m_toMove = new QListWidget;
    m_nodes->setToolTip("Double-click a node to move it with the reach that leaves it");
    m_toMove->setToolTip("Double-click a node to leave it in this system");
    dg->addWidget(m_nodes, 2, 0);
    dg->addWidget(m_toMove, 2, 1);
    auto* receiving = new QHBoxLayout;
    receiving->addWidget(new QLabel("New System"));
    m_newSystem = new QLineEdit;
    m_newSystem->setMaxLength(8);
    m_newSystem->setPlaceholderText("receiving system");
    receiving->addWidget(m_newSystem);
    auto* addSystem = new QPushButton("Add &New System...");
    addSystem->setToolTip("Create the receiving system first");
    receiving->addWidget(addSystem);
    dg->addLayout(receiving, 3, 0, 1, 2);
    auto* divideHint = new QLabel("A reach arriving at a moved node from a node that stays keeps its system.");
    divideHint->setStyleSheet("color: #5f6368;");
    dg->addWidget(divideHint, 4, 0, 1, 2);
    m_tabs->addTab(divideTab, "Divide");

    // Combine
    auto* combineTab = new QWidget;
    auto* cg = new QGridLayout(combineTab);
    cg->addWidget(new QLabel("From System"), 0, 0);
    cg->addWidget(new QLabel("Combine to System"), 0, 1);
    m_from = new QListWidget;
    m_to = new QListWidget;
    cg->addWidget(m_from, 1, 0);
    cg->addWidget(m_to, 1, 1);
    auto* combineHint = new QLabel("Every node and reach of the 'From System' moves; its outfall and header record are deleted.");
    combineHint->setWordWrap(true);
    combineHint->setStyleSheet("color: #5f6368;");
    cg->addWidget(combineHint, 2, 0, 1, 2);
    m_tabs->addTab(combineTab, "Combine");

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_action = new QPushButton("Divide");
    auto* closeButton = new QPushButton("Close");
    buttons->addWidget(m_action);
    buttons->addWidget(closeButton);
    top->addLayout(buttons);

    connect(m_nodes, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* it) { m_toMove->addItem(m_nodes->takeItem(m_nodes->row(it))); });
    connect(m_toMove, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* it) { m_nodes->addItem(m_toMove->takeItem(m_toMove->row(it))); });
    connect(addSystem, &QPushButton::clicked, this, [this] { openSystemAdd(); });
    connect(m_tabs, &QTabWidget::currentChanged, this, &DivideCombineWindow::tabChosen);
    connect(m_action, &QPushButton::clicked, this, &DivideCombineWindow::runAction);
    connect(closeButton, &QPushButton::clicked, this, &DivideCombineWindow::accept);
    resize(560, 460);
    refill();
}

void DivideCombineWindow::tabChosen(int index) { m_action->setText(index == 1 ? "Combine" : "Divide"); }

void DivideCombineWindow::refill() {
    db::Project* p = m_main.project();
    const std::string system = p ? p->currentSystem : std::string();
    m_divideCaption->setText("Divide system: " + q(system.empty() ? "<none>" : system));
    m_nodes->clear();
    m_toMove->clear();
    m_from->clear();
    m_to->clear();
    if (!p) return;
    if (!system.empty())
        for (const auto& n : renumber::systemNodeNames(*p->db, system)) m_nodes->addItem(q(n));
    for (const auto& s : renumber::allSystems(*p->db)) {
        m_from->addItem(q(s));
        m_to->addItem(q(s));
    }
}

void DivideCombineWindow::runAction() {
    if (m_tabs->currentIndex() == 1) combine();
    else divide();
}

void DivideCombineWindow::divide() {
    try {
        db::Project* p = m_main.project();
        if (!p) return;
        if (!m_main.flushPendingEdits()) return;  // a refused value is still on the panel
        const std::string system = p->currentSystem;
        if (!renumber::divideSystem(*p->db, system, m_newSystem->text().toStdString(), texts(m_toMove), m_main.ui()))
            return;
        m_main.rebuildSystemLists(system);
        m_main.changeCurrentSystem(system);
        m_main.refreshAfterChange();  // the diagram and the result windows follow the moved nodes
        refill();
    } catch (const std::exception& e) {
        ui::reportException(m_main.ui(), e);
    }
}

void DivideCombineWindow::combine() {
    try {
        db::Project* p = m_main.project();
        if (!p) return;
        if (!m_main.flushPendingEdits()) return;  // a refused value is still on the panel
        renumber::CombineChoice c{texts(m_from), texts(m_to), chosen(m_from), chosen(m_to)};
        if (!renumber::combineSystems(*p->db, c, m_main.ui())) return;
        // the emptied system is gone; when it was current, the receiving system takes its place
        const std::string current =
            equalsIgnoreCase(p->currentSystem, trim(*c.from)) ? trim(*c.to) : p->currentSystem;
        m_main.rebuildSystemLists(current);
        m_main.changeCurrentSystem(current);
        m_main.refreshAfterChange();
        refill();
        m_tabs->setCurrentIndex(1);
    } catch (const std::exception& e) {
        ui::reportException(m_main.ui(), e);
    }
}

SystemsDialog* DivideCombineWindow::openSystemAdd(bool modal) {
    auto* d = new SystemsDialog(m_main);
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->setDivideMode([this, d](const std::string& name) {
        m_newSystem->setText(q(name));
        refill();
        d->accept();
    });
    if (modal) d->exec();
    else d->show();
    return d;
}

}  // namespace kolv::gui
