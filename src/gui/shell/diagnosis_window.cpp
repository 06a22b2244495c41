// The diagnosis message log: trace lines of the editing panel and the diagram, shown beside the work and printable.
#include "gui/shell/diagnosis_window.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/compute/report_preview.h"
#include "reports/text_report.h"

namespace kolv::gui::shell {

DiagnosisWindow::DiagnosisWindow(compute::ComputeContext ctx, QWidget* parent)
    : QDialog(parent), m_ctx(std::move(ctx)) {
    setWindowTitle(reports::kDiagnosisReportTitle);
    setObjectName("DiagnosisWindow");
    auto* v = new QVBoxLayout(this);
    m_text = new QPlainTextEdit;
    m_text->setReadOnly(true);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    v->addWidget(m_text, 1);
    auto* buttons = new QHBoxLayout;
    auto* refresh = new QPushButton("Refresh");
    refresh->setToolTip("Show the lines logged since the window was opened");
    auto* clear = new QPushButton("Clear Log");
    auto* print = new QPushButton("Print...");
    print->setObjectName("printButton");
    auto* close = new QPushButton("Close");
    buttons->addWidget(refresh);
    buttons->addWidget(clear);
    buttons->addStretch(1);
    buttons->addWidget(print);
    buttons->addWidget(close);
    v->addLayout(buttons);
    connect(refresh, &QPushButton::clicked, this, [this] { refill(); });
    connect(clear, &QPushButton::clicked, this, [this] {
        if (m_ctx.session) m_ctx.session->diagnosisLog.clear();
        refill();
    });
    connect(print, &QPushButton::clicked, this, [this] { printLog(); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    resize(720, 480);
}

void DiagnosisWindow::showEvent(QShowEvent* event) {
    refill();
    QDialog::showEvent(event);
}

void DiagnosisWindow::refill() {
    QStringList lines;
    if (m_ctx.session)
        for (const auto& l : m_ctx.session->diagnosisLog) lines << QString::fromStdString(l);
    m_text->setPlainText(lines.join('\n'));
    m_text->moveCursor(QTextCursor::End);
}

QDialog* DiagnosisWindow::printLog() {
    refill();
    std::vector<std::string> lines;
    if (m_ctx.session) lines = m_ctx.session->diagnosisLog;
    return compute::showTextReport(m_ctx, reports::kDiagnosisReportTitle, lines, this, reports::diagnosisLogOptions());
}

}  // namespace kolv::gui::shell
