// Puts the computation and result windows on the main window's commands.
#include "gui/compute/install_compute_windows.h"

#include "common/text.h"
#include "gui/compute/cost_window.h"
#include "gui/compute/flow_lines_window.h"
#include "gui/compute/hydraulics_window.h"
#include "gui/compute/pipe_sizes_window.h"
#include "gui/compute/print_order_window.h"
#include "gui/compute/report_commands_gui.h"
#include "gui/compute/stale_bar.h"
#include "gui/compute/verification_window.h"
#include "gui/app/main_window.h"

namespace kolv::gui::compute {

namespace {

/// Shows a window modeless; the hourglass only while a new one is built.
template <class W>
void present(W* w) {
    w->show();
    w->raise();
    w->activateWindow();
}

}  // namespace

ComputeWindows::ComputeWindows(ComputeContext ctx, QObject* parent) : QObject(parent), m_ctx(std::move(ctx)) {}

VerificationWindow* ComputeWindows::verification() {
    if (!m_verification) m_verification = new VerificationWindow(m_ctx, m_ctx.parent);
    return m_verification;
}

VerificationWindow* ComputeWindows::openVerification() {
    VerificationWindow* w = verification();
    present(w);
    return w;
}

HydraulicsWindow* ComputeWindows::openHydraulics() {
    if (!m_hydraulics) {
        if (m_ctx.ui) m_ctx.ui->busy(true);
        m_hydraulics = new HydraulicsWindow(m_ctx, verification(), m_ctx.parent);
        if (m_ctx.ui) m_ctx.ui->busy(false);
    } else {
        m_hydraulics->loadOptions();  // the system may have changed since it was opened
    }
    present(m_hydraulics.data());
    return m_hydraulics;
}

PipeSizesWindow* ComputeWindows::openPipeSizes() {
    if (m_sizes && m_sizes->isVisible()) {
        present(m_sizes.data());
        return m_sizes;
    }
    delete m_sizes;
    if (m_ctx.ui) m_ctx.ui->busy(true);
    m_sizes = new PipeSizesWindow(m_ctx, verification(), m_ctx.parent);
    if (m_ctx.ui) m_ctx.ui->busy(false);
    present(m_sizes.data());
    return m_sizes;
}

FlowLinesWindow* ComputeWindows::openFlowLines() {
    if (m_flowLines && m_flowLines->isVisible()) {
        present(m_flowLines.data());
        return m_flowLines;
    }
    delete m_flowLines;
    if (m_ctx.ui) m_ctx.ui->busy(true);
    m_flowLines = new FlowLinesWindow(m_ctx, verification(), m_ctx.parent);
    if (m_ctx.ui) m_ctx.ui->busy(false);
    present(m_flowLines.data());
    return m_flowLines;
}

CostWindow* ComputeWindows::openCost() {
    if (m_cost && m_cost->isVisible()) {
        present(m_cost.data());
        return m_cost;
    }
    delete m_cost;
    m_cost = new CostWindow(m_ctx, m_ctx.parent);
    present(m_cost.data());
    return m_cost;
}

VerificationWindow* ComputeWindows::verificationWindow() const { return m_verification; }

void ComputeWindows::markStale() {
    if (m_hydraulics) m_hydraulics->updateStale();
    for (StaleBar* bar : listingBars()) bar->refresh();
}

std::vector<StaleBar*> ComputeWindows::listingBars() const {
    std::vector<StaleBar*> bars;
    if (m_sizes) bars.push_back(m_sizes->staleBar());
    if (m_flowLines) bars.push_back(m_flowLines->staleBar());
    if (m_cost) bars.push_back(m_cost->staleBar());
    return bars;
}

void ComputeWindows::closeAll() {
    // what they show belongs to the project that closes; the next command builds them afresh
    delete m_hydraulics;
    delete m_sizes;
    delete m_flowLines;
    delete m_cost;
    delete m_printOrder;
    delete m_verification;
}

void ComputeWindows::refreshOpenWindows() {
    if (m_hydraulics && m_hydraulics->isVisible()) m_hydraulics->refreshResults();
    for (StaleBar* bar : listingBars()) bar->refresh();  // an undo may bring back an earlier run
    if (m_printOrder && m_printOrder->isVisible()) m_printOrder->reload();
}

PrintOrderWindow* ComputeWindows::openPrintOrder() {
    if (m_printOrder && m_printOrder->isVisible()) {
        present(m_printOrder.data());
        return m_printOrder;
    }
    delete m_printOrder;
    m_printOrder = new PrintOrderWindow(m_ctx, m_ctx.parent);
    present(m_printOrder.data());
    return m_printOrder;
}

ComputeWindows* installComputeWindows(MainWindow& window) {
    ComputeContext ctx;
    MainWindow* w = &window;
    ctx.project = [w] { return w->project(); };
    ctx.system = [w] { return w->project() ? trim(w->project()->currentSystem) : std::string(); };
    ctx.session = &window.session();
    ctx.ui = &window.ui();
    ctx.reportFolder = [w] { return w->settingsState().reportFolder; };
    ctx.scripted = window.ui().recorder() != nullptr;
    ctx.parent = &window;
    // after a run: the node list, the panel and the other result windows show the new values
    ctx.changed = [w] {
        w->refreshAfterChange();
        w->notifySaved();
    };
    auto* windows = new ComputeWindows(ctx, &window);
    QObject::connect(&window, &MainWindow::projectDataChanged, windows, [windows] { windows->refreshOpenWindows(); });
    QObject::connect(&window, &MainWindow::projectClosing, windows, [windows] { windows->closeAll(); });
    QObject::connect(&window, &MainWindow::projectEdited, windows, [windows] { windows->markStale(); });

    window.setCommandHandler(Command::ComputeStormTabs, [windows] { windows->openHydraulics(); });
    window.setCommandHandler(Command::ComputePipeSizes, [windows] { windows->openPipeSizes(); });
    window.setCommandHandler(Command::SetFlowLines, [windows] { windows->openFlowLines(); });
    window.setCommandHandler(Command::CostAnalysis, [windows] { windows->openCost(); });
    window.setCommandHandler(Command::StormTabPrintOrder, [windows] { windows->openPrintOrder(); });
    window.setCommandHandler(Command::VerifyData, [windows] { windows->openVerification(); });

    const std::pair<Command, reports::ReportCommand> reportsOfMenu[] = {
        {Command::PrintTcWorksheets, reports::ReportCommand::TimesOfConcentration},
        {Command::PrintStructureDetails, reports::ReportCommand::Structures},
        {Command::PrintPipeDetails, reports::ReportCommand::Pipes},
        {Command::PrintNodeDetails, reports::ReportCommand::Nodes},
        {Command::PrintReachDetails, reports::ReportCommand::Reaches},
        {Command::IdfReport, reports::ReportCommand::IdfData},
        {Command::TimeIntensityReport, reports::ReportCommand::TimeIntensity},
    };
    for (const auto& [command, report] : reportsOfMenu) {
        reports::ReportCommand r = report;
        window.setCommandHandler(command, [windows, r] { runReportCommand(windows->context(), r, windows->context().parent); });
    }
    return windows;
}

}  // namespace kolv::gui::compute
