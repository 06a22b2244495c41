// The diagnosis message log: trace lines of the editing panel and the diagram, shown beside the work and printable.
#pragma once

#include <QDialog>

#include "gui/compute/compute_context.h"

class QPlainTextEdit;

namespace kolv::gui::shell {

/// Modeless: "Diagnosis Window - On/Off" shows and hides it. Lines logged while it is open
/// appear when it is shown again or refreshed; Print lays the log out as its report.
class DiagnosisWindow : public QDialog {
public:
    DiagnosisWindow(compute::ComputeContext ctx, QWidget* parent = nullptr);

    /// Shows the lines logged so far.
    void refill();
    /// The log as its printed report ("DIAGNOSIS MESSAGE LOG": ten blanks before each line,
    /// 68 lines a page), in a preview with Print and PDF.
    QDialog* printLog();
    QPlainTextEdit* text() const { return m_text; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    compute::ComputeContext m_ctx;
    QPlainTextEdit* m_text = nullptr;
};

}  // namespace kolv::gui::shell
