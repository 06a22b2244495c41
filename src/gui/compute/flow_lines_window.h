// The Set Flow Lines window: minimum slope or velocity, matching, large pipes, rounding; the listing of elevations.
#pragma once

#include <QDialog>

#include "flowline/flow_lines.h"
#include "gui/common/compute_context.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace kolv::gui::compute {

class ListingView;
class StaleBar;
class VerificationWindow;

class FlowLinesWindow : public QDialog {
public:
    FlowLinesWindow(ComputeContext ctx, VerificationWindow* verification, QWidget* parent = nullptr);

    /// The options as the controls hold them (numbers typed are read as their leading number).
    flowline::FlowLineOptions options() const;
    /// Sets the controls from options (the defaults at opening).
    void setOptions(const flowline::FlowLineOptions& o);
    /// Runs the flow lines of the current system into the list. True when it ran.
    bool compute();
    QDialog* printList();
    ListingView* listing() const { return m_list; }
    /// The bar marking the listing as older than the data; refresh() shows the stored run again.
    StaleBar* staleBar() const { return m_staleBar; }

    QLabel* valueLabel() const { return m_valueLabel; }
    QRadioButton* varyMode() const { return m_vary; }
    QRadioButton* fixedMode() const { return m_fixed; }
    QSpinBox* decimals() const { return m_decimals; }
    QLineEdit* valueEdit() const { return m_value; }

private:
    void modeChanged();

    ComputeContext m_ctx;
    VerificationWindow* m_verification = nullptr;
    bool m_metric = false;
    double m_slopePercent = 0.0;  ///< kept while the value field shows the velocity
    double m_velocity = 0.0;      ///< kept while the value field shows the slope
    QRadioButton *m_fixed = nullptr, *m_vary = nullptr;
    QLabel *m_valueLabel = nullptr, *m_valueUnit = nullptr;
    QLineEdit* m_value = nullptr;
    QLineEdit* m_slopeInVary = nullptr;
    QLabel* m_slopeInVaryLabel = nullptr;
    QRadioButton *m_matchFlow = nullptr, *m_matchCrown = nullptr;
    QCheckBox* m_except = nullptr;
    QLineEdit* m_sizeLimit = nullptr;
    QSpinBox* m_decimals = nullptr;
    QCheckBox* m_verifyFirst = nullptr;
    ListingView* m_list = nullptr;
    StaleBar* m_staleBar = nullptr;
};

}  // namespace kolv::gui::compute
