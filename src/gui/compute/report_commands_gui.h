// The report commands of the main window: the report data first, then the report through the engine in a preview.
#pragma once

#include "gui/common/compute_context.h"
#include "reports/report_commands.h"

namespace kolv::gui::compute {

class ReportPreviewDialog;

/// Shows the report data of a command ("Report name", "Report path", "Selection formula",
/// "Sort field"; "n/a" where a value does not apply) in a message box, then runs the report into
/// a preview. nullptr when the report could not be made (the reason was shown).
ReportPreviewDialog* runReportCommand(const ComputeContext& ctx, reports::ReportCommand command, QWidget* parent);

/// The text of the report data box: one "label: value" line per item.
std::string reportDataText(const reports::ReportRequest& request, const std::string& templatePath);

}  // namespace kolv::gui::compute
