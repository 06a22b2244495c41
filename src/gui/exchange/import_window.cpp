// The import window: file and separator, setup and column destinations, description links,
// destination system and rows, run, results log and its print.
#include "gui/exchange/import_window.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/text.h"
#include "db/project.h"
#include "exchange/import_help.h"
#include "exchange/text_reader.h"
#include "gui/common/listing_view.h"
#include "gui/common/run_input.h"
#include "gui/common/report_preview.h"
#include "reports/text_report.h"
#include "ui/error_trap.h"
#include "gui/common/qt_text.h"

namespace kolv::gui::exchange {

namespace ex = ::kolv::exchange;

namespace {

constexpr const char* kPickText = "< dbl click to select >";
constexpr int kPages = 4;

/// Lines of the file shown in the preview (enough to recognise it; the grid holds all rows).
constexpr int kPreviewLines = 500;

}  // namespace

/// The rows of the file for the grid: "Row" first, then the file's columns under their headings
/// and destinations. A model, not items, so a file of 100 000 rows opens at once.
class ImportWindow::GridModel : public QAbstractTableModel {
public:
    GridModel(const ex::ImportFile& file, const std::vector<ex::Destination>& dest, QObject* parent)
        : QAbstractTableModel(parent), m_file(file), m_dest(dest) {}
    void reset() {
        beginResetModel();
        endResetModel();
    }
    void headingsChanged() { emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1); }
    int rowCount(const QModelIndex& p = {}) const override {
        return p.isValid() ? 0 : static_cast<int>(m_file.rows.size());
    }
    int columnCount(const QModelIndex& p = {}) const override { return p.isValid() ? 0 : m_file.columnCount() + 1; }
    QVariant data(const QModelIndex& i, int role) const override {
        if (role != Qt::DisplayRole || !i.isValid()) return {};
        if (i.column() == 0) return i.row() + 1;
        return q(m_file.rows[static_cast<std::size_t>(i.row())][static_cast<std::size_t>(i.column() - 1)]);
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (role != Qt::DisplayRole || o != Qt::Horizontal) return {};
        if (section == 0) return QStringLiteral("Row");
        const auto c = static_cast<std::size_t>(section - 1);
        QString h = c < m_file.headings.size() ? q(m_file.headings[c]) : QString();
        if (c < m_dest.size() && m_dest[c] != ex::Destination::None) h += "\n" + q(ex::destinationName(m_dest[c]));
        return h;
    }

private:
    const ex::ImportFile& m_file;
    const std::vector<ex::Destination>& m_dest;
};

/// The port of a run: messages to the program's port, progress to the window's bar, and the
/// window's Cancel button as the stop request.
class ImportWindow::ProgressUi : public ui::UiPort {
public:
    ProgressUi(ui::UiPort& inner, QProgressBar* bar, const bool& cancel) : m_inner(inner), m_bar(bar), m_cancel(cancel) {}
    void beep() override { m_inner.beep(); }
    ui::Answer message(const std::string& t, const std::string& x, ui::Icon i, ui::Buttons b, ui::Answer d) override {
        return m_inner.message(t, x, i, b, d);
    }
    void status(const std::string& t) override { m_inner.status(t); }
    void progress(int p) override {
        m_bar->setValue(p);
        m_inner.progress(p);
    }
    void busy(bool on) override { m_inner.busy(on); }
    void processEvents() override { QApplication::processEvents(); }
    bool cancelRequested() override { return m_cancel; }

private:
    ui::UiPort& m_inner;
    QProgressBar* m_bar;
    const bool& m_cancel;
};

ImportWindow::ImportWindow(compute::ComputeContext ctx, QWidget* parent) : QDialog(parent), m_ctx(std::move(ctx)) {
    setObjectName("importWindow");
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* layout = new QVBoxLayout(this);
    m_pages = new QStackedWidget(this);
    m_pages->addWidget(buildFilePage());
    m_pages->addWidget(buildColumnsPage());
    m_pages->addWidget(buildLinksPage());
    m_pages->addWidget(buildRunPage());
    layout->addWidget(m_pages, 1);

    auto* nav = new QHBoxLayout;
    auto* help = new QPushButton("Help", this);
    m_back = new QPushButton("< Back", this);
    m_next = new QPushButton("Next >", this);
    auto* close = new QPushButton("Close", this);
    m_back->setObjectName("backButton");
    m_next->setObjectName("nextButton");
    nav->addWidget(help);
    nav->addStretch(1);
    nav->addWidget(m_back);
    nav->addWidget(m_next);
    nav->addWidget(close);
    layout->addLayout(nav);
    connect(m_back, &QPushButton::clicked, this, [this] { showPage(page() - 1); });
    connect(m_next, &QPushButton::clicked, this, [this] { showPage(page() + 1); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(help, &QPushButton::clicked, this, [this] {
        QMessageBox box(QMessageBox::Information, ex::kImportTitle, q(ex::importHelpText()), QMessageBox::Ok, this);
        box.exec();
    });
    resize(900, 620);
    showPage(0);
}

ImportWindow::~ImportWindow() = default;

db::Database* ImportWindow::database() const {
    db::Project* p = m_ctx.currentProject();
    return p ? p->db.get() : nullptr;
}

int ImportWindow::page() const { return m_pages->currentIndex(); }

void ImportWindow::showPage(int p) {
    p = std::clamp(p, 0, kPages - 1);
    if (p >= 2 && p > page()) {
        // The links and the run work on the rows read; read them when the file was not read yet.
        if (m_file.headings.empty() && !readFile()) p = std::min(p, 1);
    }
    if (p == 2) fillLinkGrids();
    if (p == 3) fillRunPage();
    m_pages->setCurrentIndex(p);
    setWindowTitle(QString("Import Storm Sewer System - Page %1").arg(p));
    m_back->setEnabled(p > 0);
    m_next->setEnabled(p < kPages - 1);
}

// ------------------------------------------------------------------ page 0: file

QWidget* ImportWindow::buildFilePage() {
    auto* w = new QWidget(this);
    auto* v = new QVBoxLayout(w);
    auto* fileRow = new QHBoxLayout;
    m_path = new QLineEdit(w);
    m_path->setObjectName("filePath");
    auto* browse = new QPushButton("Browse...", w);
    fileRow->addWidget(new QLabel("Import file:", w));
    fileRow->addWidget(m_path, 1);
    fileRow->addWidget(browse);
    v->addLayout(fileRow);
    connect(browse, &QPushButton::clicked, this, [this] { this->browse(); });

    m_previewTitle = new QLabel("Preview of file", w);
    v->addWidget(m_previewTitle);
    m_preview = new QPlainTextEdit(w);
    m_preview->setReadOnly(true);
    m_preview->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_preview->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    v->addWidget(m_preview, 1);

    auto* sepBox = new QGroupBox("Column separator", w);
    auto* sh = new QHBoxLayout(sepBox);
    m_sepGroup = new QButtonGroup(this);
    const char* names[] = {"Tab", "Blank", "Semicolon", "Comma", "Other"};
    for (int i = 0; i < 5; ++i) {
        auto* r = new QRadioButton(names[i], sepBox);
        m_sepGroup->addButton(r, i);
        sh->addWidget(r);
    }
    m_sepOther = new QLineEdit(sepBox);
    m_sepOther->setMaxLength(1);
    m_sepOther->setFixedWidth(40);
    sh->addWidget(m_sepOther);
    sh->addStretch(1);
    m_sepGroup->button(static_cast<int>(ex::Separator::Comma))->setChecked(true);
    v->addWidget(sepBox);

    auto* bottom = new QHBoxLayout;
    m_heading = new QCheckBox("First row holds the column headings", w);
    m_heading->setChecked(true);
    auto* read = new QPushButton("Read File", w);
    read->setObjectName("readButton");
    bottom->addWidget(m_heading);
    bottom->addStretch(1);
    bottom->addWidget(read);
    v->addLayout(bottom);
    connect(read, &QPushButton::clicked, this, [this] {
        if (readFile()) showPage(1);
    });
    return w;
}

void ImportWindow::browse() {
    if (m_ctx.scripted) return;
    QString f = QFileDialog::getOpenFileName(this, "Import file", m_path->text(),
                                             "Text Files(*.txt);;Comma Delimited Files (*.csv);;All Files (*.*)");
    if (f.isEmpty()) return;
    setFilePath(stdString(f));
    if (f.endsWith(".csv", Qt::CaseInsensitive)) setSeparator(ex::Separator::Comma);
}

void ImportWindow::setFilePath(const std::string& path) {
    m_path->setText(q(path));
    m_previewTitle->setText(q("Preview of file " + path));
    m_preview->clear();
    try {
        std::string text = ex::decodeFileText(ex::readFileBytes(path));
        std::size_t pos = 0;
        QStringList lines;
        for (int n = 0; n < kPreviewLines && pos < text.size(); ++n) {
            std::size_t e = text.find('\n', pos);
            if (e == std::string::npos) e = text.size();
            lines << q(text.substr(pos, e - pos)).remove('\r');
            pos = e + 1;
        }
        m_preview->setPlainText(lines.join('\n'));
    } catch (const std::exception& e) {
        m_preview->setPlainText(q(e.what()));
    }
}

void ImportWindow::setSeparator(ex::Separator sep, const std::string& other) {
    m_sepGroup->button(static_cast<int>(sep))->setChecked(true);
    if (!other.empty()) m_sepOther->setText(q(other));
}

bool ImportWindow::readFile() {
    const std::string path = trim(stdString(m_path->text()));
    if (path.empty()) {
        m_ctx.ui->invalidData("No import file has been chosen.");
        return false;
    }
    try {
        const auto sep = static_cast<ex::Separator>(std::max(0, m_sepGroup->checkedId()));
        m_file = ex::readImportFile(path, ex::separatorChar(sep, stdString(m_sepOther->text())), m_heading->isChecked());
    } catch (const std::exception& e) {
        ui::reportException(*m_ctx.ui, e);
        return false;
    }
    m_dest.assign(m_file.headings.size(), ex::Destination::None);
    ex::announceFile(m_file, *m_ctx.ui);
    if (m_model) m_model->reset();
    if (db::Database* db = database()) {
        ex::ensureSetupTable(*db, *m_ctx.ui);
        fillSetups(ex::defaultSetupName(*db));
        chooseSetup(currentSetup());
    }
    if (m_rows) m_rows->setText(q("1-" + std::to_string(m_file.rows.size())));
    return true;
}

// ------------------------------------------------------------------ page 1: setup and columns

QWidget* ImportWindow::buildColumnsPage() {
    auto* w = new QWidget(this);
    auto* v = new QVBoxLayout(w);
    auto* top = new QHBoxLayout;
    m_setup = new QComboBox(w);
    m_setup->setObjectName("setupBox");
    m_setup->setMinimumWidth(260);
    auto* create = new QPushButton("New Setup...", w);
    auto* remove = new QPushButton("Delete Setup", w);
    auto* save = new QPushButton("Save Setup", w);
    top->addWidget(new QLabel("Import setup:", w));
    top->addWidget(m_setup);
    top->addWidget(create);
    top->addWidget(remove);
    top->addWidget(save);
    top->addStretch(1);
    v->addLayout(top);
    connect(m_setup, &QComboBox::currentTextChanged, this, [this](const QString& t) {
        if (!m_filling) chooseSetup(stdString(t));
    });
    connect(create, &QPushButton::clicked, this, [this] { newSetup(); });
    connect(remove, &QPushButton::clicked, this, [this] { deleteSetup(); });
    connect(save, &QPushButton::clicked, this, [this] { saveSetup(); });

    auto* split = new QSplitter(Qt::Vertical, w);
    m_grid = new QTableView(split);
    m_grid->setObjectName("rowGrid");
    m_model = new GridModel(m_file, m_dest, this);
    m_grid->setModel(m_model);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_columns = new QTableWidget(0, 3, split);
    m_columns->setObjectName("columnTable");
    m_columns->setHorizontalHeaderLabels({"Column", "Heading", "Destination"});
    m_columns->verticalHeader()->hide();
    m_columns->horizontalHeader()->setStretchLastSection(true);
    split->addWidget(m_grid);
    split->addWidget(m_columns);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    v->addWidget(split, 1);
    return w;
}

std::string ImportWindow::currentSetup() const { return m_setup ? trim(stdString(m_setup->currentText())) : std::string(); }

void ImportWindow::fillSetups(const std::string& select) {
    db::Database* db = database();
    if (!db) return;
    m_filling = true;
    m_setup->clear();
    for (const auto& n : ex::setupNames(*db)) m_setup->addItem(q(n));
    int i = m_setup->findText(q(select));
    m_setup->setCurrentIndex(i < 0 ? 0 : i);
    m_filling = false;
}

void ImportWindow::chooseSetup(const std::string& name) {
    db::Database* db = database();
    if (!db) return;
    m_filling = true;
    int i = m_setup->findText(q(name));
    if (i >= 0) m_setup->setCurrentIndex(i);
    m_filling = false;
    m_dest = ex::applySetup(ex::loadSetup(*db, name), m_file.headings);
    fillColumnTable();
}

void ImportWindow::fillColumnTable() {
    m_columns->setRowCount(static_cast<int>(m_file.headings.size()));
    for (int c = 0; c < static_cast<int>(m_file.headings.size()); ++c) {
        auto* num = new QTableWidgetItem(QString::number(c + 1));
        num->setFlags(Qt::ItemIsEnabled);
        auto* head = new QTableWidgetItem(q(m_file.headings[static_cast<std::size_t>(c)]));
        head->setFlags(Qt::ItemIsEnabled);
        m_columns->setItem(c, 0, num);
        m_columns->setItem(c, 1, head);
        auto* box = new QComboBox(m_columns);
        for (const auto& n : ex::destinationNames()) box->addItem(q(n));
        box->setCurrentIndex(static_cast<int>(m_dest[static_cast<std::size_t>(c)]));
        connect(box, &QComboBox::currentIndexChanged, this, [this, c](int idx) {
            if (c < static_cast<int>(m_dest.size())) m_dest[static_cast<std::size_t>(c)] = static_cast<ex::Destination>(idx);
            m_model->headingsChanged();
            m_grid->resizeColumnToContents(c + 1);  // the heading now shows the destination
        });
        m_columns->setCellWidget(c, 2, box);
    }
    m_columns->resizeColumnsToContents();
    m_model->headingsChanged();
    m_grid->resizeColumnsToContents();
}

void ImportWindow::setDestination(int column, ex::Destination d) {
    if (auto* box = qobject_cast<QComboBox*>(m_columns->cellWidget(column, 2))) box->setCurrentIndex(static_cast<int>(d));
}

bool ImportWindow::newSetup(const std::string& given) {
    db::Database* db = database();
    if (!db) return false;
    std::string name = given;
    if (name.empty()) {
        if (m_ctx.scripted) return false;
        bool ok = false;
        QString t = QInputDialog::getText(this, ex::kImportTitle, "Enter a new setup name (50 characters max.)",
                                          QLineEdit::Normal, {}, &ok);
        if (!ok) return false;
        name = stdString(t);
    }
    if (!ex::createSetup(*db, *m_ctx.ui, name, ex::assignmentsOf(m_file.headings, m_dest))) return false;
    fillSetups(trim(name));
    return true;
}

bool ImportWindow::deleteSetup() {
    db::Database* db = database();
    if (!db || !ex::deleteSetup(*db, *m_ctx.ui, currentSetup())) return false;
    fillSetups(ex::kNewSetup);
    chooseSetup(ex::kNewSetup);
    return true;
}

bool ImportWindow::saveSetup() {
    db::Database* db = database();
    if (!db) return false;
    if (currentSetup() == ex::kNewSetup) return newSetup();
    return ex::saveSetupColumns(*db, *m_ctx.ui, currentSetup(), ex::assignmentsOf(m_file.headings, m_dest));
}

// ------------------------------------------------------------------ page 2: links

namespace {

QTableWidget* linkGrid(QWidget* parent, const char* left, const char* right, const char* name) {
    auto* g = new QTableWidget(0, 2, parent);
    g->setObjectName(name);
    g->setHorizontalHeaderLabels({left, right});
    g->verticalHeader()->hide();
    g->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return g;
}

}  // namespace

QWidget* ImportWindow::buildLinksPage() {
    auto* w = new QWidget(this);
    auto* v = new QVBoxLayout(w);
    v->addWidget(new QLabel("Link the structure and pipe descriptions of the file to the project's "
                            "definitions (double-click a name to choose it).", w));
    auto* h = new QHBoxLayout;
    m_structLinks = linkGrid(w, "Import Structure Name/Desc", "KOLV Structure Name", "structureLinks");
    m_pipeLinks = linkGrid(w, "Import Pipe Name/Desc", "KOLV Pipe Name", "pipeLinks");
    h->addWidget(m_structLinks);
    h->addWidget(m_pipeLinks);
    v->addLayout(h, 1);
    auto* save = new QPushButton("Save Links", w);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(save);
    v->addLayout(row);
    connect(save, &QPushButton::clicked, this, [this] { saveLinks(); });
    connect(m_structLinks, &QTableWidget::cellDoubleClicked, this,
            [this](int r, int) { pickLink(m_structLinks, r, true); });
    connect(m_pipeLinks, &QTableWidget::cellDoubleClicked, this, [this](int r, int) { pickLink(m_pipeLinks, r, false); });
    return w;
}

void ImportWindow::fillLinkGrids() {
    db::Database* db = database();
    if (!db) return;
    const ex::ImportSetup setup = ex::loadSetup(*db, currentSetup());
    auto fill = [&](QTableWidget* g, ex::Destination d, const std::vector<ex::DescriptionLink>& saved) {
        std::vector<std::string> values = ex::distinctValues(m_file, m_dest, d, m_rows ? stdString(m_rows->text()) : "");
        g->setRowCount(static_cast<int>(values.size()));
        for (int r = 0; r < static_cast<int>(values.size()); ++r) {
            std::string linked;
            for (const auto& l : saved)
                if (equalsIgnoreCase(l.description, values[static_cast<std::size_t>(r)])) linked = l.name;
            g->setItem(r, 0, new QTableWidgetItem(q(values[static_cast<std::size_t>(r)])));
            g->setItem(r, 1, new QTableWidgetItem(linked.empty() ? kPickText : q(linked)));
        }
    };
    fill(m_structLinks, ex::Destination::NodeStructure, setup.structures);
    fill(m_pipeLinks, ex::Destination::ReachPipe, setup.pipes);
}

void ImportWindow::pickLink(QTableWidget* grid, int row, bool structure) {
    db::Project* p = m_ctx.currentProject();
    if (!p || m_ctx.scripted) return;
    std::vector<std::string> names =
        structure ? ex::structureNames(*p->db, p->metric) : ex::pipeNames(*p->db, p->metric);
    QStringList items{kPickText};
    for (const auto& n : names) items << q(n);
    bool ok = false;
    QString current = grid->item(row, 1) ? grid->item(row, 1)->text() : QString();
    int at = std::max(0, static_cast<int>(items.indexOf(current)));
    QString chosen = QInputDialog::getItem(this, structure ? "KOLV Structure Name" : "KOLV Pipe Name",
                                           grid->item(row, 0)->text(), items, at, false, &ok);
    if (ok) grid->item(row, 1)->setText(chosen);
}

void ImportWindow::setLink(bool structure, const std::string& description, const std::string& name) {
    QTableWidget* g = structure ? m_structLinks : m_pipeLinks;
    for (int r = 0; r < g->rowCount(); ++r)
        if (equalsIgnoreCase(stdString(g->item(r, 0)->text()), description)) g->item(r, 1)->setText(name.empty() ? kPickText : q(name));
}

std::vector<ex::DescriptionLink> ImportWindow::linksOf(QTableWidget* g) const {
    std::vector<ex::DescriptionLink> out;
    for (int r = 0; r < g->rowCount(); ++r) {
        std::string name = stdString(g->item(r, 1)->text());
        if (name == kPickText) name.clear();
        out.push_back({stdString(g->item(r, 0)->text()), name});
    }
    return out;
}

bool ImportWindow::saveLinks() {
    db::Database* db = database();
    if (!db) return false;
    if (currentSetup() == ex::kNewSetup && !newSetup()) return false;
    // Links of descriptions that this file does not hold stay in the setup.
    ex::ImportSetup old = ex::loadSetup(*db, currentSetup());
    auto merged = [](std::vector<ex::DescriptionLink> shown, const std::vector<ex::DescriptionLink>& saved) {
        for (const auto& l : saved) {
            bool there = false;
            for (const auto& x : shown) there = there || equalsIgnoreCase(x.description, l.description);
            if (!there) shown.push_back(l);
        }
        return shown;
    };
    return ex::saveSetupLinks(*db, *m_ctx.ui, currentSetup(), merged(linksOf(m_structLinks), old.structures),
                              merged(linksOf(m_pipeLinks), old.pipes));
}

// ------------------------------------------------------------------ page 3: run

QWidget* ImportWindow::buildRunPage() {
    auto* w = new QWidget(this);
    auto* v = new QVBoxLayout(w);
    auto* form = new QFormLayout;
    m_system = new QComboBox(w);
    m_system->setObjectName("systemBox");
    m_defStructure = new QComboBox(w);
    m_defPipe = new QComboBox(w);
    m_rows = new QLineEdit(w);
    m_rows->setObjectName("rowListing");
    form->addRow("Destination System:", m_system);
    form->addRow("Default Structure:", m_defStructure);
    form->addRow("Default Pipe:", m_defPipe);
    form->addRow("Rows to import (e.g. 1-200, 250, 300-):", m_rows);
    v->addLayout(form);
    auto* runRow = new QHBoxLayout;
    m_run = new QPushButton("Import", w);
    m_run->setObjectName("runButton");
    m_cancel = new QPushButton("Cancel", w);
    m_cancel->setEnabled(false);
    m_cancel->setProperty(kInputDuringRun, true);  // stops the import while every other input waits
    m_progress = new QProgressBar(w);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    auto* print = new QPushButton("Print", w);
    runRow->addWidget(m_run);
    runRow->addWidget(m_cancel);
    runRow->addWidget(m_progress, 1);
    runRow->addWidget(print);
    v->addLayout(runRow);
    m_log = new compute::ListingView(w);
    v->addWidget(m_log, 1);
    connect(m_run, &QPushButton::clicked, this, [this] { runImport(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { cancelImport(); });
    connect(print, &QPushButton::clicked, this, [this] { printLog(); });
    return w;
}

void ImportWindow::fillRunPage() {
    db::Project* p = m_ctx.currentProject();
    if (!p) return;
    auto refill = [](QComboBox* box, const std::vector<std::string>& items, bool blankFirst) {
        QString keep = box->currentText();
        box->clear();
        if (blankFirst) box->addItem(QString());
        for (const auto& i : items) box->addItem(q(i));
        int at = box->findText(keep);
        if (at >= 0) box->setCurrentIndex(at);
    };
    const bool first = m_system->count() == 0;
    refill(m_system, db::readSystemList(*p->db), false);
    if (first) {
        int at = m_system->findText(q(m_ctx.currentSystem()));
        if (at >= 0) m_system->setCurrentIndex(at);
    }
    refill(m_defStructure, ex::structureNames(*p->db, p->metric), true);
    refill(m_defPipe, ex::pipeNames(*p->db, p->metric), true);
    if (m_rows->text().isEmpty() && !m_file.rows.empty()) m_rows->setText(q("1-" + std::to_string(m_file.rows.size())));
}

ex::ImportResult ImportWindow::runImport() {
    ex::ImportResult result;
    db::Database* db = database();
    if (!db) return result;
    ex::ImportRequest req;
    req.setupName = currentSetup();
    req.system = stdString(m_system->currentText());
    req.rowListing = stdString(m_rows->text());
    req.defaultStructure = stdString(m_defStructure->currentText());
    req.defaultPipe = stdString(m_defPipe->currentText());
    req.destinations = m_dest;
    m_cancelRequested = false;
    m_run->setEnabled(false);
    m_cancel->setEnabled(true);
    m_progress->setValue(0);
    ProgressUi port(*m_ctx.ui, m_progress, m_cancelRequested);
    try {
        result = ex::runImport(*db, port, m_file, req);
    } catch (const std::exception& e) {
        ui::reportException(*m_ctx.ui, e);
    }
    m_run->setEnabled(true);
    m_cancel->setEnabled(false);
    if (result.ran) {
        m_log->clearLines();
        m_log->addLines(result.log);
        if (!result.cancelled && m_onImported) m_onImported();
    }
    return result;
}

QDialog* ImportWindow::printLog() {
    return compute::showTextReport(m_ctx, reports::kImportReportTitle, m_log->lines(), this);
}

}  // namespace kolv::gui::exchange
