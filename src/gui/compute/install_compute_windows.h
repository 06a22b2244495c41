// Puts the computation and result windows on the main window's commands.
#pragma once

#include <QObject>
#include <QPointer>
#include <vector>

#include "gui/common/compute_context.h"

namespace kolv::gui {
class MainWindow;
}

namespace kolv::gui::compute {

class CostWindow;
class FlowLinesWindow;
class HydraulicsWindow;
class PipeSizesWindow;
class PrintOrderWindow;
class StaleBar;
class VerificationWindow;

/// The windows of one main window. Each command opens its window modeless, or brings it to the
/// front (with the current system) when it is already open.
class ComputeWindows : public QObject {
public:
    explicit ComputeWindows(ComputeContext ctx, QObject* parent = nullptr);

    HydraulicsWindow* openHydraulics();
    PipeSizesWindow* openPipeSizes();
    FlowLinesWindow* openFlowLines();
    CostWindow* openCost();
    PrintOrderWindow* openPrintOrder();
    /// The results window of the verification, shown without running a verification.
    VerificationWindow* openVerification();

    const ComputeContext& context() const { return m_ctx; }
    /// Shows again what the open result windows read from the project (after a run or an edit).
    void refreshOpenWindows();
    /// An edit wrote records: the results shown are marked as older than the project.
    void markStale();
    /// Closes every window (the project they read is closing).
    void closeAll();
    /// The verification window when it exists (tests).
    VerificationWindow* verificationWindow() const;

private:
    VerificationWindow* verification();
    /// The stale bars of the open listing windows (sizes, flow lines, cost).
    std::vector<StaleBar*> listingBars() const;

    ComputeContext m_ctx;
    QPointer<VerificationWindow> m_verification;
    QPointer<HydraulicsWindow> m_hydraulics;
    QPointer<PipeSizesWindow> m_sizes;
    QPointer<FlowLinesWindow> m_flowLines;
    QPointer<CostWindow> m_cost;
    QPointer<PrintOrderWindow> m_printOrder;
};

/// Registers the handlers of the compute, verification, cost, print-order and report commands
/// on the main window (its guard and pending-edit flush run before them). Returns the windows'
/// owner, a child of the main window.
ComputeWindows* installComputeWindows(MainWindow& window);

}  // namespace kolv::gui::compute
