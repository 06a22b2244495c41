// Verification results window: the findings of a network verification, listed while the run goes on, printable.
#pragma once

#include <QDialog>
#include <string>

#include "gui/common/compute_context.h"
#include "network/verification.h"

namespace kolv::gui::compute {

class ListingView;

/// Lists the lines of the last verification in the project's result colours, with Print and Close.
/// Each run starts with an empty list (no lines of an earlier run or another project stay) and
/// ends with the count of faults found under "Verification Complete.".
class VerificationWindow : public QDialog {
public:
    explicit VerificationWindow(ComputeContext ctx, QWidget* parent = nullptr);

    /// Verifies the current system, adding each line as it is found. Returns the result.
    bool runVerification();
    /// A computation that verifies first: the window is emptied and shown before it starts,
    /// the sink adds each line as it is found, and finishRun closes the list with the count.
    void beginRun();
    network::VerificationLineSink lineSink();
    void finishRun(const std::vector<std::string>& lines);
    ListingView* listing() const { return m_list; }
    /// Prints the list under "VERIFY NODES AND REACHES - " + system through a preview.
    QDialog* printList();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    ComputeContext m_ctx;
    ListingView* m_list = nullptr;
};

}  // namespace kolv::gui::compute
