// Report preview: the pages of a laid-out report shown one under the other, with PDF and Print buttons.
#include "gui/common/report_preview.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <algorithm>
#include <QVBoxLayout>

#include "common/error.h"
#include "render/document_painter.h"
#include "reports/report_engine.h"
#include "reports/report_template.h"
#include "reports/selection_formula.h"
#include "reports/text_report.h"
#include "reports/report_commands.h"
#include "review/design_review.h"
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
    m_zoom->setObjectName("zoom");
    // "Page width" (0) fits the pages to the window, whatever its size and the paper's
    m_zoom->addItem("Page width", 0);
    for (int z : {50, 75, 100, 125, 150}) m_zoom->addItem(QString::number(z) + " %", z);
    m_zoom->setCurrentIndex(0);
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
    // a long selection formula wraps instead of widening the window past the screen
    m_data->setWordWrap(true);
    m_data->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_data->setVisible(false);
    v->addWidget(m_data);

    auto* scroll = new QScrollArea;
    m_scroll = scroll;
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
    // never larger than the screen: the buttons stay in reach
    QSize want(m_doc.landscape() ? 1100 : 900, 860);
    if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        want = want.boundedTo(screen->availableGeometry().size() * 0.92);
    resize(want);
    m_resizeTimer = new QTimer(this);
    m_resizeTimer->setSingleShot(true);
    m_resizeTimer->setInterval(120);
    connect(m_resizeTimer, &QTimer::timeout, this, [this] { renderPages(); });
    renderPages();
}

void ReportPreviewDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (m_zoom && m_zoom->currentData().toInt() == 0 && m_resizeTimer) m_resizeTimer->start();
}

double ReportPreviewDialog::pageDpi() const {
    const int zoom = m_zoom->currentData().toInt();
    if (zoom > 0) return 96.0 * zoom / 100.0;
    // page width: the paper's width (pt / 72 = in) across the visible area, less the frame and a margin
    const double paperIn = (m_doc.widthPt > 0 ? m_doc.widthPt : 612.0) / 72.0;
    const int available = (m_scroll ? m_scroll->viewport()->width() : width()) - 36;
    return std::clamp(available / paperIn, 30.0, 300.0);
}

void ReportPreviewDialog::renderPages() {
    while (QLayoutItem* item = m_pages->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const double dpi = pageDpi();
    for (int i = 0; i < pageCount(); ++i) {
        auto* page = new QLabel;
        page->setPixmap(QPixmap::fromImage(render::renderPage(m_doc, i, dpi)));
        page->setFrameShape(QFrame::Box);
        page->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);  // the paper, not the window, sets its size
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
                                    const std::vector<std::string>& lines, QWidget* parent,
                                    const reports::TextReportOptions& options) {
    reports::Document doc = reports::layoutTextReport(title, lines, options);
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
    // The report data always shows in the preview; a report that cannot be produced shows it
    // with the reason instead of pages, so the engineer sees which template and selection failed.
    auto failed = [&](const std::string& reason, const std::string& path) -> ReportPreviewDialog* {
        ctx.ui->beep();
        reports::Document empty;
        empty.title = request.templateName;
        auto* dlg = new ReportPreviewDialog(std::move(empty), ctx, parent);
        dlg->setAttribute(Qt::WA_DeleteOnClose);
        auto data = reports::reportData(request, path.empty() ? std::string("n/a") : path);
        data.emplace_back("Not produced", reason);
        dlg->setReportData(data);
        dlg->show();
        return dlg;
    };
    std::string path;
    try {
        path = reports::locateTemplate(request.templateName, ctx.currentReportFolder());
    } catch (const reports::TemplateError& e) {
        return failed(e.what(), "");
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
        // the design review's findings as footnotes of the printed storm tabulation
        reports::ReportCommand command;
        if (reports::commandOfTemplate(request.templateName, command) && command == reports::ReportCommand::StormTabs)
            review::addStormTabFootnotes(review::reviewSystem(*project, inputs.system, review::loadCriteria(*project)),
                                         inputs.recordMarks, inputs.notes);
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
        return failed(e.what(), path);
    } catch (const reports::TemplateError& e) {
        return failed(e.what(), path);
    } catch (const std::exception& e) {
        ui::reportException(*ctx.ui, e);
    }
    return nullptr;
}

}  // namespace kolv::gui::compute
