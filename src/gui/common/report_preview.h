// Report preview: the pages of a laid-out report shown one under the other, with PDF and Print buttons.
#pragma once

#include <QDialog>
#include <string>
#include <utility>
#include <vector>

#include "gui/common/compute_context.h"
#include "reports/document.h"
#include "reports/report_commands.h"
#include "reports/text_report.h"

class QLabel;
class QVBoxLayout;
class QComboBox;
class QScrollArea;
class QTimer;
class QResizeEvent;

namespace kolv::gui::compute {

/// Shows a document's pages as images (painted by the render library), scrollable, with a zoom,
/// "PDF..." (file chooser) and "Print..." (printer chooser).
class ReportPreviewDialog : public QDialog {
public:
    ReportPreviewDialog(reports::Document doc, ComputeContext ctx, QWidget* parent = nullptr);

    const reports::Document& document() const { return m_doc; }
    int pageCount() const { return static_cast<int>(m_doc.pages.size()); }
    /// Writes the pages to a PDF file; errors go through the port. True when written.
    bool savePdf(const std::string& path);
    /// Shows the report data (template, folder, selection, sort field) above the pages.
    void setReportData(const std::vector<std::pair<std::string, std::string>>& data);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void renderPages();
    /// Resolution of the page images: the zoom chosen, or the one that fits the page width.
    double pageDpi() const;
    void choosePdf();
    void choosePrinter();

    reports::Document m_doc;
    ComputeContext m_ctx;
    QVBoxLayout* m_pages = nullptr;
    QLabel* m_data = nullptr;
    QComboBox* m_zoom = nullptr;
    QScrollArea* m_scroll = nullptr;
    QTimer* m_resizeTimer = nullptr;
};

/// Lays a message list out as a plain-text report under its title and opens its preview (not modal).
ReportPreviewDialog* showTextReport(const ComputeContext& ctx, const std::string& title,
                                    const std::vector<std::string>& lines, QWidget* parent,
                                    const reports::TextReportOptions& options = {});

/// Runs a template report through the report engine into a preview, the report data shown
/// above the pages. A missing template or a bad formula opens the preview without pages, its
/// report data ending in a "Not produced" line with the reason.
ReportPreviewDialog* showTemplateReport(const ComputeContext& ctx, const reports::ReportRequest& request,
                                        QWidget* parent);

}  // namespace kolv::gui::compute
