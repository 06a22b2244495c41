// The export window: system choice ("<ALL>" or one), output file, Export, and the list of what was written.
#include "gui/exchange/export_window.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/text.h"
#include "exchange/structure_export.h"
#include "gui/common/listing_view.h"
#include "ui/error_trap.h"

namespace kolv::gui::exchange {

namespace ex = ::kolv::exchange;

ExportWindow::ExportWindow(compute::ComputeContext ctx, QWidget* parent) : QDialog(parent), m_ctx(std::move(ctx)) {
    setObjectName("exportWindow");
    setWindowTitle(ex::kExportTitle);
    auto* v = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_system = new QComboBox(this);
    m_system->setObjectName("systemBox");
    m_system->setMinimumWidth(160);
    auto* fileRow = new QHBoxLayout;
    m_path = new QLineEdit(this);
    m_path->setObjectName("exportPath");
    auto* browse = new QPushButton("Browse...", this);
    fileRow->addWidget(m_path, 1);
    fileRow->addWidget(browse);
    form->addRow("Storm Sewer System:", m_system);
    form->addRow("Export file:", fileRow);
    v->addLayout(form);
    m_list = new compute::ListingView(this);
    m_list->setMinimumHeight(120);
    v->addWidget(m_list, 1);
    auto* buttons = new QHBoxLayout;
    auto* run = new QPushButton("Export", this);
    run->setObjectName("exportButton");
    run->setDefault(true);
    auto* close = new QPushButton("Close", this);
    buttons->addWidget(run);
    buttons->addStretch(1);
    buttons->addWidget(close);
    v->addLayout(buttons);
    connect(browse, &QPushButton::clicked, this, [this] { this->browse(); });
    connect(run, &QPushButton::clicked, this, [this] { runExport(); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    resize(620, 340);
    reload();
}

void ExportWindow::reload() {
    QString keep = m_system->currentText();
    m_system->clear();
    db::Project* p = m_ctx.currentProject();
    if (!p) return;
    for (const auto& s : ex::exportSystemChoices(*p->db)) m_system->addItem(QString::fromStdString(s));
    QString want = keep.isEmpty() ? QString::fromStdString(m_ctx.currentSystem()) : keep;
    int at = m_system->findText(want);
    m_system->setCurrentIndex(at < 0 ? 0 : at);
}

void ExportWindow::setSystem(const std::string& system) {
    int at = m_system->findText(QString::fromStdString(system));
    if (at >= 0) m_system->setCurrentIndex(at);
}

void ExportWindow::setPath(const std::string& path) { m_path->setText(QString::fromStdString(path)); }

void ExportWindow::browse() {
    if (m_ctx.scripted) return;
    QString f = QFileDialog::getSaveFileName(this, ex::kExportTitle, m_path->text().isEmpty() ? "*.txt" : m_path->text(),
                                             "Text Files (*.txt);;All Files (*.*)");
    if (!f.isEmpty()) m_path->setText(f);
}

std::vector<std::string> ExportWindow::runExport() {
    db::Project* p = m_ctx.currentProject();
    if (!p) return {};
    std::vector<std::string> lines;
    try {
        lines = ex::exportStructures(*p->db, *m_ctx.ui, m_system->currentText().toStdString(),
                                     trim(m_path->text().toStdString()));
    } catch (const std::exception& e) {
        ui::reportException(*m_ctx.ui, e);
        return {};
    }
    m_list->addLines(lines);
    return lines;
}

}  // namespace kolv::gui::exchange
