// The report commands of the main window: the report data first, then the report through the engine in a preview.
#include "gui/compute/report_commands_gui.h"

#include "gui/common/report_preview.h"
#include "reports/report_engine.h"
#include "reports/report_template.h"

namespace kolv::gui::compute {

std::string reportDataText(const reports::ReportRequest& request, const std::string& templatePath) {
    std::string text;
    for (const auto& [label, value] : reports::reportData(request, templatePath))
        text += (text.empty() ? "" : "\r") + label + ": " + value;
    return text;
}

ReportPreviewDialog* runReportCommand(const ComputeContext& ctx, reports::ReportCommand command, QWidget* parent) {
    db::Project* p = ctx.currentProject();
    if (!p || !ctx.ui) return nullptr;
    reports::ReportRequest request = reports::reportRequest(command, ctx.currentSystem(), p->metric);
    std::string path;
    try {
        path = reports::locateTemplate(request.templateName, ctx.currentReportFolder());
    } catch (const reports::TemplateError&) {
        path.clear();  // shown as "n/a"; the preview step reports the missing file
    }
    ctx.ui->message("Report Data", reportDataText(request, path), ui::Icon::Information, ui::Buttons::Ok,
                    ui::Answer::Ok);
    return showTemplateReport(ctx, request, parent);
}

}  // namespace kolv::gui::compute
