// The renumbering window.
#include "gui/renumber/renumber_window.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/app/main_window.h"
#include "renumber/renumbering.h"
#include "common/error.h"
#include "ui/error_trap.h"
#include "gui/common/qt_text.h"

namespace kolv::gui {

namespace {

constexpr int kNewNodeColumn = static_cast<int>(renumber::Column::NewNode);
constexpr int kNewReachColumn = static_cast<int>(renumber::Column::NewReach);

/// Runs a window action; a fault ends in the error trap, never in the event loop.
template <class F>
void guarded(MainWindow& main, F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        ui::reportException(main.ui(), e);
    }
}

}  // namespace

RenumberWindow::RenumberWindow(MainWindow& main) : QDialog(&main), m_main(main) {
    setWindowTitle("Renumber Nodes & Reaches");
    auto* top = new QHBoxLayout(this);

    // left: the grid and the results
    auto* left = new QVBoxLayout;
    m_caption = new QLabel;
    m_caption->setStyleSheet("font-weight: bold;");
    left->addWidget(m_caption);
    m_grid = new QTableWidget(0, static_cast<int>(renumber::columnCaptions().size()));
    QStringList heads;
    for (const auto& c : renumber::columnCaptions()) heads << q(c);
    m_grid->setHorizontalHeaderLabels(heads);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 8);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    m_grid->horizontalHeader()->setSectionsClickable(true);
    m_grid->horizontalHeader()->setToolTip("Click a heading to sort by that column");
    left->addWidget(m_grid, 3);
    auto* resultsCaption = new QLabel("Results");
    left->addWidget(resultsCaption);
    m_results = new QListWidget;
    m_results->setFont(QFont("Monospace"));
    left->addWidget(m_results, 1);
    top->addLayout(left, 3);

    // right: order lists, sort keys, commands
    auto* right = new QVBoxLayout;
    auto* orderBox = new QGroupBox("Renumber by Order");
    auto* og = new QGridLayout(orderBox);
    og->addWidget(new QLabel("Current Order"), 0, 0);
    og->addWidget(new QLabel("New Order"), 0, 2);
    m_current = new QListWidget;
    m_newOrder = new QListWidget;
    m_current->setToolTip("Double-click a name to move it to the end of the 'New Order' list");
    m_newOrder->setToolTip("Double-click a name to move it back");
    og->addWidget(m_current, 1, 0);
    og->addWidget(m_newOrder, 1, 2);
    auto* moveButtons = new QVBoxLayout;
    auto* allButton = new QPushButton("All >>");
    auto* backButton = new QPushButton("<< All");
    auto* positionButton = new QPushButton("By Diagram\nPosition");
    positionButton->setToolTip("New order from the diagram: by X, then by Y");
    moveButtons->addStretch();
    for (auto* b : {allButton, backButton, positionButton}) moveButtons->addWidget(b);
    moveButtons->addStretch();
    og->addLayout(moveButtons, 1, 1);
    auto* names = new QHBoxLayout;
    names->addWidget(new QLabel("Prefix"));
    m_prefix = new QLineEdit;
    m_prefix->setMaxLength(7);
    m_prefix->setMaximumWidth(90);
    names->addWidget(m_prefix);
    names->addWidget(new QLabel("Start No."));
    m_start = new QLineEdit("1");
    m_start->setMaximumWidth(90);
    names->addWidget(m_start);
    names->addStretch();
    og->addLayout(names, 2, 0, 1, 3);
    auto* orderRenumber = new QPushButton("Renumber by &Order");
    og->addWidget(orderRenumber, 3, 0, 1, 3);
    right->addWidget(orderBox, 1);

    auto* sortBox = new QGroupBox("Sort Grid");
    auto* sg = new QGridLayout(sortBox);
    for (int i = 0; i < 3; ++i) {
        sg->addWidget(new QLabel(i == 0 ? "Sort by" : "then by"), i, 0);
        auto* c = new QComboBox;
        c->addItem("<none>");
        for (const auto& h : renumber::columnCaptions()) c->addItem(q(h));
        sg->addWidget(c, i, 1);
        m_sortKeys[static_cast<std::size_t>(i)] = c;
    }
    auto* sortButton = new QPushButton("&Sort");
    sg->addWidget(sortButton, 3, 1);
    right->addWidget(sortBox);

    auto* commands = new QHBoxLayout;
    auto* mapButton = new QPushButton("&Load New Names...");
    mapButton->setToolTip("Fill New Node # and New Reach # from a file: node, new node name, new reach name");
    commands->addWidget(mapButton);
    auto* checkButton = new QPushButton("&Check Duplicates");
    auto* renumberButton = new QPushButton("&Renumber");
    renumberButton->setToolTip("Give the grid's New Node # and New Reach # names");
    auto* closeButton = new QPushButton("Close");
    for (auto* b : {checkButton, renumberButton, closeButton}) commands->addWidget(b);
    right->addLayout(commands);
    top->addLayout(right, 2);

    connect(m_grid, &QTableWidget::itemChanged, this, &RenumberWindow::cellEdited);
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionClicked, this, &RenumberWindow::sortByColumn);
    connect(m_current, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* it) {
        m_newOrder->addItem(m_current->takeItem(m_current->row(it)));
    });
    connect(m_newOrder, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* it) {
        m_current->addItem(m_newOrder->takeItem(m_newOrder->row(it)));
    });
    connect(allButton, &QPushButton::clicked, this, &RenumberWindow::moveAllToNewOrder);
    connect(backButton, &QPushButton::clicked, this, &RenumberWindow::moveAllBack);
    connect(positionButton, &QPushButton::clicked, this, &RenumberWindow::orderByPosition);
    connect(orderRenumber, &QPushButton::clicked, this, &RenumberWindow::renumberFromOrder);
    connect(sortButton, &QPushButton::clicked, this, &RenumberWindow::sortGrid);
    connect(mapButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, "Load New Names", QString(),
                                                          "Comma separated (*.csv *.txt);;All files (*)");
        if (!path.isEmpty()) loadMap(path);
    });
    connect(checkButton, &QPushButton::clicked, this, &RenumberWindow::checkDuplicates);
    connect(renumberButton, &QPushButton::clicked, this, &RenumberWindow::renumberFromGrid);
    connect(closeButton, &QPushButton::clicked, this, &RenumberWindow::accept);
    resize(1180, 640);
    reload();
}

void RenumberWindow::reload() {
    m_system = m_main.project() ? m_main.project()->currentSystem : std::string();
    m_caption->setText("System: " + q(m_system));
    m_rows.clear();
    if (m_main.project() && !m_system.empty())
        m_rows = renumber::loadRenumberList(*m_main.project()->db, m_system, m_main.ui());
    fillGrid();
    fillOrderLists();
}

void RenumberWindow::fillGrid() {
    m_filling = true;
    m_grid->setRowCount(static_cast<int>(m_rows.size()));
    for (int r = 0; r < static_cast<int>(m_rows.size()); ++r) {
        const auto& row = m_rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < m_grid->columnCount(); ++c) {
            auto* item = new QTableWidgetItem(q(renumber::cellText(row, static_cast<renumber::Column>(c))));
            const bool editable = c == kNewNodeColumn || (c == kNewReachColumn && !row.reach.empty());
            Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
            if (editable) f |= Qt::ItemIsEditable;
            else item->setBackground(palette().window());
            item->setFlags(f);
            if (c == static_cast<int>(renumber::Column::Offset) || c == static_cast<int>(renumber::Column::Line))
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_grid->setItem(r, c, item);
        }
    }
    m_grid->resizeColumnsToContents();
    m_filling = false;
}

void RenumberWindow::fillOrderLists() {
    m_current->clear();
    m_newOrder->clear();
    for (const auto& n : renumber::nodeNames(m_rows)) m_current->addItem(q(n));
}

void RenumberWindow::cellEdited(QTableWidgetItem* item) {
    if (m_filling || !item) return;
    const auto r = static_cast<std::size_t>(item->row());
    if (r >= m_rows.size()) return;
    const std::string text = item->text().trimmed().toStdString();
    if (item->column() == kNewNodeColumn) m_rows[r].newNode = text;
    else if (item->column() == kNewReachColumn) m_rows[r].newReach = text;
}

void RenumberWindow::showResult(const std::vector<std::string>& lines) {
    m_results->clear();
    for (const auto& l : lines) m_results->addItem(q(l));
    m_results->scrollToBottom();
}

void RenumberWindow::checkDuplicates() {
    guarded(m_main, [&] {
        if (!m_main.project()) return;
        auto rep = renumber::checkDuplicates(*m_main.project()->db, m_system, m_rows, m_main.ui());
        showResult(rep.ok ? std::vector<std::string>{"No duplicate nodes detected."} : rep.lines);
    });
}

void RenumberWindow::afterRenumber(const std::vector<std::string>& lines, int nodes, int reaches) {
    std::vector<std::string> shown = lines;
    shown.push_back("Renumbering complete: " + std::to_string(nodes) + " node name(s) and " + std::to_string(reaches) +
                    " reach name(s) changed.");
    reload();
    showResult(shown);
    // the editing panel, the node list, the diagram and the result windows show the new names
    m_main.changeCurrentSystem(m_system);
    m_main.refreshAfterChange();
    m_main.ui().status("");
}

void RenumberWindow::renumberFromGrid() {
    guarded(m_main, [&] {
        if (!m_main.project() || m_rows.empty()) return;
        if (!m_main.flushPendingEdits()) return;  // a refused value is still on the panel
        auto r = renumber::renumberFromGrid(*m_main.project()->db, m_system, m_rows, m_main.ui());
        if (r.done) afterRenumber(r.lines, r.nodesRenamed, r.reachesRenamed);
    });
}

void RenumberWindow::renumberFromOrder() {
    guarded(m_main, [&] {
        if (!m_main.project() || m_rows.empty()) return;
        std::vector<std::string> order;
        for (int i = 0; i < m_newOrder->count(); ++i) order.push_back(m_newOrder->item(i)->text().toStdString());
        if (!m_main.flushPendingEdits()) return;  // a refused value is still on the panel
        auto r = renumber::renumberFromOrder(*m_main.project()->db, m_system, m_rows, order,
                                             m_prefix->text().toStdString(), m_start->text().toStdString(),
                                             m_main.ui());
        if (r.done) afterRenumber(r.lines, r.nodesRenamed, r.reachesRenamed);
    });
}

void RenumberWindow::moveAllToNewOrder() {
    while (m_current->count() > 0) m_newOrder->addItem(m_current->takeItem(0));
}

void RenumberWindow::moveAllBack() {
    while (m_newOrder->count() > 0) m_current->addItem(m_newOrder->takeItem(0));
}

void RenumberWindow::orderByPosition() {
    m_current->clear();
    m_newOrder->clear();
    for (const auto& n : renumber::nodesByPosition(m_rows)) m_newOrder->addItem(q(n));
}

bool RenumberWindow::loadMap(const QString& path) {
    bool ok = false;
    guarded(m_main, [&] {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) throw Error(kErrFileNotFound, "Cannot read " + path.toStdString() + ".");
        const auto map = renumber::parseMap(f.readAll().toStdString());
        std::vector<renumber::RenumberRow> rows = m_rows;
        if (!renumber::applyMap(rows, map, m_main.ui())) return;
        m_rows = std::move(rows);
        fillGrid();
        showResult({std::to_string(map.size()) + " new name(s) read from " + path.toStdString() + "."});
        ok = true;
    });
    return ok;
}

void RenumberWindow::sortGrid() {
    std::vector<renumber::Column> keys;
    for (auto* c : m_sortKeys)
        if (c->currentIndex() > 0) keys.push_back(static_cast<renumber::Column>(c->currentIndex() - 1));
    renumber::sortRows(m_rows, keys);
    fillGrid();
    fillOrderLists();
}

void RenumberWindow::sortByColumn(int column) {
    if (column < 0 || column >= static_cast<int>(renumber::columnCaptions().size())) return;
    m_sortKeys[0]->setCurrentIndex(column + 1);
    m_sortKeys[1]->setCurrentIndex(0);
    m_sortKeys[2]->setCurrentIndex(0);
    sortGrid();
}

}  // namespace kolv::gui
