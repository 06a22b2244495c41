// Report preview: the pages of a laid-out report shown one under the other, with PDF and Print buttons.
#include "gui/compute/report_preview.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "common/error.h"
#include "render/document_painter.h"
#include "reports/report_engine.h"
#include "reports/report_template.h"
#include "reports/selection_formula.h"
#include "reports/text_report.h"
#include "ui/error_trap.h"

namespace kolv::gui::compute {

namespace {

/// Keeps the document the engine lays out instead of painting it somewhere.
class CapturePrinter : public reports::DocumentPrinter {
public:
    reports::Document doc;
    void writePdf(const reports::Document& d, const std::string&) override { doc = d; }
    void print(const reports::Document& d, const std::string&) override { doc = d; }
    void preview(const reports::Document& d) override { doc = d; }
};

}  // namespace

ReportPreviewDialog::ReportPreviewDialog(reports::Document doc, ComputeContext ctx, QWidget* parent)
    : QDialog(parent), m_doc(std::move(doc)), m_ctx(std::move(ctx)) {
    setWindowTitle(QString::fromStdString(m_doc.title.empty() ? std::string("Report Preview")
                                                               : "Report Preview - " + m_doc.title));
    auto* v = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    auto* pdf = new QPushButton("PDF...");
    pdf->setObjectName("pdfButton");
    pdf->setToolTip("Write the report to a PDF file");
    auto* print = new QPushButton("Print...");
    print->setObjectName("printButton");
    print->setToolTip("Send the report to a printer");
    m_zoom = new QComboBox;
    for (int z : {50, 75, 100, 125, 150}) m_zoom->addItem(QString::number(z) + " %", z);
    m_zoom->setCurrentIndex(2);
    auto* close = new QPushButton("Close");
    bar->addWidget(pdf);
    bar->addWidget(print);
    bar->addSpacing(12);
    bar->addWidget(new QLabel("Zoom:"));
    bar->addWidget(m_zoom);
    bar->addStretch(1);
    bar->addWidget(new QLabel(QString("%1 page(s)").arg(pageCount())));
    bar->addWidget(close);
    v->addLayout(bar);
    m_data = new QLabel;
    m_data->setObjectName("reportData");
    m_data->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_data->setVisible(false);
    v->addWidget(m_data);

    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setBackgroundRole(QPalette::Dark);
    auto* inner = new QWidget;
    m_pages = new QVBoxLayout(inner);
    m_pages->setAlignment(Qt::AlignHCenter);
    m_pages->setSpacing(12);
    scroll->setWidget(inner);
    v->addWidget(scroll, 1);

    connect(pdf, &QPushButton::clicked, this, [this] { choosePdf(); });
    connect(print, &QPushButton::clicked, this, [this] { choosePrinter(); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_zoom, &QComboBox::currentIndexChanged, this, [this] { renderPages(); });
    resize(m_doc.landscape() ? 1100 : 900, 860);
    renderPages();
}

void ReportPreviewDialog::renderPages() {
    while (QLayoutItem* item = m_pages->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    double dpi = 96.0 * m_zoom->currentData().toInt() / 100.0;
    for (int i = 0; i < pageCount(); ++i) {
        auto* page = new QLabel;
        page->setPixmap(QPixmap::fromImage(render::renderPage(m_doc, i, dpi)));
        page->setFrameShape(QFrame::Box);
        m_pages->addWidget(page);
    }
    if (pageCount() == 0) m_pages->addWidget(new QLabel("The report has no pages."));
}

void ReportPreviewDialog::setReportData(const std::vector<std::pair<std::string, std::string>>& data) {
    QString html = "<table cellspacing=2>";
    for (const auto& [label, value] : data)
        html += "<tr><td><b>" + QString::fromStdString(label).toHtmlEscaped() + "</b>&nbsp;&nbsp;</td><td>" +
                QString::fromStdString(value).toHtmlEscaped() + "</td></tr>";
    html += "</table>";
    m_data->setText(html);
    m_data->setVisible(!data.empty());
}

bool ReportPreviewDialog::savePdf(const std::string& path) {
    try {
        render::writePdf(m_doc, QString::fromStdString(path));
        return true;
    } catch (const std::exception& e) {
        if (m_ctx.ui) ui::reportException(*m_ctx.ui, e);
        return false;
    }
}

void ReportPreviewDialog::choosePdf() {
    if (m_ctx.scripted) return;
    QString path = QFileDialog::getSaveFileName(this, "Save Report as PDF", QString(), "PDF files (*.pdf)");
    if (path.isEmpty()) return;
    if (!path.endsWith(".pdf", Qt::CaseInsensitive)) path += ".pdf";
    savePdf(path.toStdString());
}

void ReportPreviewDialog::choosePrinter() {
    if (m_ctx.scripted) return;
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dlg(&printer, this);
    if (dlg.exec() != QDialog::Accepted) return;
    try {
        render::printDocument(m_doc, printer);
    } catch (const std::exception& e) {
        if (m_ctx.ui) ui::reportException(*m_ctx.ui, e);
    }
}

ReportPreviewDialog* showTextReport(const ComputeContext& ctx, const std::string& title,
                                    const std::vector<std::string>& lines, QWidget* parent) {
    reports::Document doc = reports::layoutTextReport(title, lines);
    if (doc.title.empty()) doc.title = title;
    auto* dlg = new ReportPreviewDialog(std::move(doc), ctx, parent);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    dlg->show();
    return dlg;
}

ReportPreviewDialog* showTemplateReport(const ComputeContext& ctx, const reports::ReportRequest& request,
                                        QWidget* parent) {
    db::Project* project = ctx.currentProject();
    if (!project || !ctx.ui) return nullptr;
    std::string path;
    try {
        path = reports::locateTemplate(request.templateName, ctx.currentReportFolder());
    } catch (const reports::TemplateError& e) {
        ctx.ui->beep();
        ctx.ui->message("REPORT", e.what(), ui::Icon::Exclamation, ui::Buttons::Ok, ui::Answer::Ok);
        return nullptr;
    }
    try {
        reports::ReportEngine engine(*project->db);
        CapturePrinter capture;
        engine.setTemplatePath(path);
        reports::ReportInputs inputs;
        inputs.selection = request.selection;
        inputs.sortField = request.sortField;
        inputs.system = ctx.currentSystem();
        inputs.metric = project->metric;
        inputs.projectName = project->path;
        engine.setInputs(inputs);
        engine.setDestination(reports::Destination::Preview);
        engine.setPrinter(&capture);
        engine.run();
        if (capture.doc.title.empty()) capture.doc.title = request.templateName;
        auto* dlg = new ReportPreviewDialog(std::move(capture.doc), ctx, parent);
        dlg->setAttribute(Qt::WA_DeleteOnClose);
        dlg->setReportData(reports::reportData(request, path));
        dlg->show();
        return dlg;
    } catch (const reports::FormulaError& e) {
        ctx.ui->beep();
        ctx.ui->message("REPORT", e.what(), ui::Icon::Exclamation, ui::Buttons::Ok, ui::Answer::Ok);
    } catch (const reports::TemplateError& e) {
        ctx.ui->beep();
        ctx.ui->message("REPORT", e.what(), ui::Icon::Exclamation, ui::Buttons::Ok, ui::Answer::Ok);
    } catch (const std::exception& e) {
        ui::reportException(*ctx.ui, e);
    }
    return nullptr;
}

}  // namespace kolv::gui::compute
