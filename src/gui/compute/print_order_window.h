// The Storm Tab Print Order window: the system's results in a grid, two sorts, typed print positions.
#pragma once

#include <QDialog>
#include <string>

#include "gui/common/compute_context.h"
#include "gui/compute/t60_results_model.h"

class QTableView;

namespace kolv::gui::compute {

/// Shows the T60 rows of the current system (read as they come into view); the `SEQUENCER` column takes the print position of
/// each row. Closing the window writes the positions into the nodes, where the next hydraulics
/// run picks them up.
class PrintOrderWindow : public QDialog {
public:
    explicit PrintOrderWindow(ComputeContext ctx, QWidget* parent = nullptr);

    /// Re-reads the grid in an order: kOrderBySequencer or kOrderByFrom.
    void sortBy(const std::string& orderBy);
    /// Reads the rows again in the order shown (after a run rewrote them).
    void reload() { sortBy(m_order); }
    QTableView* grid() const { return m_grid; }
    T60ResultsModel* model() const { return m_model; }
    /// Writes the positions into the nodes (done on closing). Returns the nodes written.
    int writeNodes();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void positionTyped(int row, const std::string& text);

    ComputeContext m_ctx;
    std::string m_system;
    std::string m_order;
    QTableView* m_grid = nullptr;
    T60ResultsModel* m_model = nullptr;
};

}  // namespace kolv::gui::compute
