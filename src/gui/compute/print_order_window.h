// The Storm Tab Print Order window: the system's results in a grid, two sorts, typed print positions.
#pragma once

#include <QDialog>
#include <string>

#include "gui/compute/compute_context.h"

class QTableWidget;

namespace kolv::gui::compute {

/// Shows the T60 rows of the current system; the `SEQUENCER` column takes the print position of
/// each row. Closing the window writes the positions into the nodes, where the next hydraulics
/// run picks them up.
class PrintOrderWindow : public QDialog {
public:
    explicit PrintOrderWindow(ComputeContext ctx, QWidget* parent = nullptr);

    /// Re-reads the grid in an order: kOrderBySequencer or kOrderByFrom.
    void sortBy(const std::string& orderBy);
    /// Reads the rows again in the order shown (after a run rewrote them).
    void reload() { sortBy(m_order); }
    QTableWidget* grid() const { return m_grid; }
    /// Writes the positions into the nodes (done on closing). Returns the nodes written.
    int writeNodes();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void cellEdited(int row, int column);

    ComputeContext m_ctx;
    std::string m_system;
    std::string m_order;
    QTableWidget* m_grid = nullptr;
    int m_sequencerColumn = -1;
    int m_fromColumn = -1;
    bool m_filling = false;
};

}  // namespace kolv::gui::compute
