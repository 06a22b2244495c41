// Verification results window: the findings of a network verification, listed while the run goes on, printable.
#include "gui/compute/verification_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/text.h"
#include "gui/common/listing_view.h"
#include "gui/common/report_preview.h"
#include "network/verification.h"
#include "ui/error_trap.h"

namespace kolv::gui::compute {

VerificationWindow::VerificationWindow(ComputeContext ctx, QWidget* parent) : QDialog(parent), m_ctx(std::move(ctx)) {
    setWindowTitle("Verify Node & Reach Data");
    setObjectName("VerificationWindow");
    auto* v = new QVBoxLayout(this);
    m_list = new ListingView;
    m_list->setObjectName("verificationList");
    if (db::Project* p = m_ctx.currentProject()) applyResultsColors(m_list, *p->db);
    v->addWidget(m_list, 1);
    auto* buttons = new QHBoxLayout;
    auto* verify = new QPushButton("Verify");
    verify->setObjectName("verifyButton");
    verify->setToolTip("Verify the nodes and reaches of the current system");
    auto* print = new QPushButton("Print");
    print->setObjectName("printButton");
    auto* close = new QPushButton("Close");
    buttons->addWidget(verify);
    buttons->addStretch(1);
    buttons->addWidget(print);
    buttons->addWidget(close);
    v->addLayout(buttons);
    connect(verify, &QPushButton::clicked, this, [this] { runVerification(); });
    connect(print, &QPushButton::clicked, this, [this] { printList(); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    resize(760, 460);
}

bool VerificationWindow::runVerification() {
    db::Project* project = m_ctx.currentProject();
    if (!project || !m_ctx.ui) return false;
    beginRun();
    try {
        auto result = network::verifySystem(*project->db, m_ctx.currentSystem(), *m_ctx.ui, lineSink());
        finishRun(result.lines);
        return result.ok;
    } catch (const std::exception& e) {
        ui::reportException(*m_ctx.ui, e);
        return false;
    }
}

void VerificationWindow::beginRun() {
    m_list->clearLines();
    if (db::Project* p = m_ctx.currentProject()) applyResultsColors(m_list, *p->db);
    show();
    raise();
    if (m_ctx.ui) m_ctx.ui->processEvents();
}

network::VerificationLineSink VerificationWindow::lineSink() {
    return [this](const std::string& line) {
        m_list->addLine(line);
        if (m_ctx.ui) m_ctx.ui->processEvents();
    };
}

void VerificationWindow::finishRun(const std::vector<std::string>& lines) {
    bool complete = false;
    const int faults = network::faultsListed(lines, complete);
    if (complete) m_list->addLine(network::faultCountLine(faults));
}

QDialog* VerificationWindow::printList() {
    return showTextReport(m_ctx, network::verificationTitle(m_ctx.currentSystem()), m_list->lines(), this);
}

void VerificationWindow::closeEvent(QCloseEvent* event) {
    m_list->clearLines();
    QDialog::closeEvent(event);
}

}  // namespace kolv::gui::compute
