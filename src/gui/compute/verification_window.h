// Verification results window: the findings of a network verification, listed while the run goes on, printable.
#pragma once

#include <QDialog>
#include <string>

#include "gui/compute/compute_context.h"

namespace kolv::gui::compute {

class ListingView;

/// Lists the lines of the last verification in the project's result colours, with Print and Close.
/// A later run adds its lines while the window stays open; a closed window starts empty.
class VerificationWindow : public QDialog {
public:
    explicit VerificationWindow(ComputeContext ctx, QWidget* parent = nullptr);

    /// Verifies the current system, adding each line as it is found. Returns the result.
    bool runVerification();
    /// Adds lines produced by another run (a computation that verified first).
    void addLines(const std::vector<std::string>& lines);
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
