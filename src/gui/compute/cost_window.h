// The COMPUTE SYSTEM COST window: prices the current system and lists the cost by node, pipe and structure.
#pragma once

#include <QDialog>

#include "gui/common/compute_context.h"

class QCheckBox;

namespace kolv::gui::compute {

class ListingView;
class StaleBar;

class CostWindow : public QDialog {
public:
    explicit CostWindow(ComputeContext ctx, QWidget* parent = nullptr);

    /// Prices the current system into the list.
    void compute();
    /// Prints the list under "SYSTEM COST REPORT - " + system through a preview.
    QDialog* printList();
    ListingView* listing() const { return m_list; }
    QCheckBox* detailBox() const { return m_detail; }
    /// The bar marking the listing as older than the data; refresh() shows the stored run again.
    StaleBar* staleBar() const { return m_staleBar; }


private:
    ComputeContext m_ctx;
    ListingView* m_list = nullptr;
    QCheckBox* m_detail = nullptr;
    StaleBar* m_staleBar = nullptr;
};

}  // namespace kolv::gui::compute
