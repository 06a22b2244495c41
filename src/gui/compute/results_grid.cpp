// The results grid: frozen From / To, the column chooser kept in the settings, copy and CSV export.
#include "gui/compute/results_grid.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QVBoxLayout>
#include <set>

#include "hydraulics/result_grid.h"
#include "settings/settings_file.h"

namespace kolv::gui::compute {

namespace {

QTableView* makeView(T60ResultsModel* model) {
    auto* v = new QTableView;
    v->setModel(model);
    v->horizontalHeader()->setResizeContentsPrecision(100);  // widths fitted to the first rows
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setAlternatingRowColors(true);
    v->verticalHeader()->setDefaultSectionSize(20);
    return v;
}

}  // namespace

ResultsGrid::ResultsGrid(T60ResultsModel* model, std::string settingsKey, QWidget* parent)
    : QWidget(parent), m_model(model), m_key(std::move(settingsKey)) {
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    auto* tools = new QHBoxLayout;
    m_columns = new QPushButton("Columns...");
    m_columns->setObjectName("chooseColumns");
    m_columns->setToolTip("Choose the result columns shown; the choice is kept");
    auto* copyButton = new QPushButton("Copy");
    copyButton->setObjectName("copyResults");
    copyButton->setToolTip("Copy the selected cells (or the whole grid) with their headings");
    auto* csv = new QPushButton("Export CSV...");
    csv->setObjectName("exportResultsCsv");
    tools->addStretch(1);
    tools->addWidget(m_columns);
    tools->addWidget(copyButton);
    tools->addWidget(csv);
    v->addLayout(tools);

    m_frozen = makeView(model);
    m_frozen->setObjectName("resultsFrozen");
    m_view = makeView(model);
    m_view->setObjectName("resultsGrid");
    m_frozen->setSelectionModel(m_view->selectionModel());
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->verticalHeader()->hide();
    m_frozen->setFrameShape(QFrame::NoFrame);
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(m_frozen);
    row->addWidget(m_view, 1);
    v->addLayout(row, 1);
    // one vertical position for both parts
    connect(m_view->verticalScrollBar(), &QScrollBar::valueChanged, m_frozen->verticalScrollBar(), &QScrollBar::setValue);
    connect(m_frozen->verticalScrollBar(), &QScrollBar::valueChanged, m_view->verticalScrollBar(), &QScrollBar::setValue);
    connect(model, &QAbstractItemModel::modelReset, this, [this] { applyColumnChoice(); });
    connect(m_columns, &QPushButton::clicked, this, [this] { showColumnMenu(); });
    connect(copyButton, &QPushButton::clicked, this, [this] { copy(); });
    connect(csv, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, "Export Results", "results.csv", "CSV files (*.csv)");
        if (!path.isEmpty()) exportCsv(path);
    });
    auto* copyKey = new QShortcut(QKeySequence::Copy, m_view);
    copyKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(copyKey, &QShortcut::activated, this, [this] { copy(); });
    applyColumnChoice();
}

QString ResultsGrid::settingsPath() const {
    return QString::fromStdString(settings::SettingsFile::systemFolder() + "/KOLVLtV3-grids.ini");
}

bool ResultsGrid::fieldShown(const std::string& field) const {
    QSettings s(settingsPath(), QSettings::IniFormat);
    const QString key = QString::fromStdString(m_key + "/" + field);
    return s.value(key, hydraulics::t60ShownByDefault(field)).toBool();
}

void ResultsGrid::setFieldShown(const std::string& field, bool shown) {
    {
        QSettings s(settingsPath(), QSettings::IniFormat);
        s.setValue(QString::fromStdString(m_key + "/" + field), shown);
    }
    applyColumnChoice();
}

void ResultsGrid::applyColumnChoice() {
    QSettings s(settingsPath(), QSettings::IniFormat);
    const int columns = m_model->columnCount();
    for (int c = 0; c < columns; ++c) {
        const std::string field = m_model->field(c);
        const bool frozen = c < hydraulics::kT60FrozenColumns;
        const bool shown =
            frozen || s.value(QString::fromStdString(m_key + "/" + field), hydraulics::t60ShownByDefault(field)).toBool();
        m_frozen->setColumnHidden(c, !frozen);
        m_view->setColumnHidden(c, frozen || !shown);
    }
    m_frozen->resizeColumnsToContents();
    m_view->resizeColumnsToContents();
    int width = m_frozen->verticalHeader()->width() + 2;
    for (int c = 0; c < std::min(columns, hydraulics::kT60FrozenColumns); ++c) width += m_frozen->columnWidth(c);
    m_frozen->setFixedWidth(width);
}

void ResultsGrid::showColumnMenu() {
    QMenu menu(this);
    for (int c = hydraulics::kT60FrozenColumns; c < m_model->columnCount(); ++c) {
        const std::string field = m_model->field(c);
        QAction* a = menu.addAction(m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
        a->setCheckable(true);
        a->setChecked(!m_view->isColumnHidden(c));
        connect(a, &QAction::toggled, this, [this, field](bool on) { setFieldShown(field, on); });
    }
    menu.exec(m_columns->mapToGlobal(QPoint(0, m_columns->height())));
}

std::vector<std::vector<std::string>> ResultsGrid::shownCells(bool selectionOnly) const {
    std::vector<int> columns;
    for (int c = 0; c < m_model->columnCount(); ++c)
        if (c < hydraulics::kT60FrozenColumns || !m_view->isColumnHidden(c)) columns.push_back(c);
    std::set<int> rows;
    if (selectionOnly && m_view->selectionModel())
        for (const QModelIndex& i : m_view->selectionModel()->selectedIndexes()) rows.insert(i.row());
    if (rows.empty())
        for (int r = 0; r < m_model->rowCount(); ++r) rows.insert(r);
    std::vector<std::vector<std::string>> out;
    std::vector<std::string> heading;
    for (int c : columns) heading.push_back(m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().toStdString());
    out.push_back(heading);
    for (int r : rows) {
        std::vector<std::string> line;
        for (int c : columns) line.push_back(m_model->data(m_model->index(r, c), Qt::DisplayRole).toString().toStdString());
        out.push_back(std::move(line));
    }
    return out;
}

void ResultsGrid::copy() {
    QApplication::clipboard()->setText(QString::fromStdString(hydraulics::delimitedText(shownCells(true), '\t')));
}

bool ResultsGrid::exportCsv(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    const std::string text = hydraulics::delimitedText(shownCells(false), ',');
    return f.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
}

}  // namespace kolv::gui::compute
