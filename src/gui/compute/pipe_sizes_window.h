// The Compute Pipe Sizes window: pipe group, velocity or grade-line limit, minimum velocity, the selection list.
#pragma once

#include <QDialog>
#include <vector>

#include "gui/common/compute_context.h"
#include "sizing/pipe_sizing.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace kolv::gui::compute {

class ListingView;
class StaleBar;
class VerificationWindow;


class PipeSizesWindow : public QDialog {
public:
    PipeSizesWindow(ComputeContext ctx, VerificationWindow* verification, QWidget* parent = nullptr);

    sizing::SizingOptions options() const;
    /// Sizes the pipes of the current system into the list. True when results were written.
    bool compute();
    QDialog* printList();
    ListingView* listing() const { return m_list; }
    /// The bar marking the listing as older than the data; refresh() shows the stored run again.
    StaleBar* staleBar() const { return m_staleBar; }

    QComboBox* groups() const { return m_group; }
    QRadioButton* hglCriterion() const { return m_byHgl; }
    QRadioButton* velocityCriterion() const { return m_byVelocity; }
    QLabel* limitLabel() const { return m_limitLabel; }
    QLabel* minVelocityLabel() const { return m_minLabel; }
    QLineEdit* limitEdit() const { return m_limit; }
    QLineEdit* minVelocityEdit() const { return m_minVelocity; }
    QCheckBox* useMinVelocity() const { return m_useMin; }

private:
    void criterionChanged();

    ComputeContext m_ctx;
    VerificationWindow* m_verification = nullptr;
    bool m_metric = false;
    QComboBox* m_group = nullptr;
    QRadioButton *m_byVelocity = nullptr, *m_byHgl = nullptr;
    QLabel* m_limitLabel = nullptr;
    QLineEdit* m_limit = nullptr;
    double m_maxVelocity = 0, m_maxSlope = 0;
    QCheckBox* m_useMin = nullptr;
    QLabel* m_minLabel = nullptr;
    QLineEdit* m_minVelocity = nullptr;
    QCheckBox* m_notSmaller = nullptr;
    QCheckBox* m_verifyFirst = nullptr;
    ListingView* m_list = nullptr;
    StaleBar* m_staleBar = nullptr;
};

}  // namespace kolv::gui::compute
