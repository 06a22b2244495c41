// The Compute Hydraulics window: run options, the storm tabulation run with its gauges, messages, results, reports and profile.
#pragma once

#include <QDialog>
#include <array>
#include <map>
#include <string>

#include "gui/common/compute_context.h"
#include "hydraulics/profile_model.h"
#include "hydraulics/hydraulics_options.h"
#include "hydraulics/run.h"
#include "reports/report_commands.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableView;
class QTableWidget;
class QTreeWidget;

namespace kolv::gui::compute {

class ListingView;
class T60ResultsModel;
class ResultsGrid;
class ProfileView;
class ReportPreviewDialog;
class StaleBar;
class VerificationWindow;

/// Holds the options of the hydraulics run (each change stored at once in the program setup),
/// starts the run ("Compute") or the full-flow run ("FULL") for the current system, shows the pass
/// gauges, the message list, the system's results and the profile, and prints the reports.
class HydraulicsWindow : public QDialog {
public:
    HydraulicsWindow(ComputeContext ctx, VerificationWindow* verification, QWidget* parent = nullptr);

    /// Reads the options of the program setup into the controls (at opening).
    void loadOptions();
    const hydraulics::HydraulicsOptions& options() const { return m_opts; }

    /// The compute command (button index 1). True when results were written.
    bool compute();
    /// The "FULL" command (button index 0): every pipe flowing full, single backwater pass.
    bool computeFull();
    /// The Verify Data command: verifies the current system into the results window.
    void verifyData();

    /// Report commands; nullptr when the report could not be made (the reason was shown).
    ReportPreviewDialog* printStormTabs();
    ReportPreviewDialog* printZeriTabs();
    ReportPreviewDialog* printDitches();
    ReportPreviewDialog* printMessages();

    /// Shows the stored results and the profile again (an edit, undo or another window's run
    /// changed them); the messages of the last run are marked when the project changed after it.
    void refreshResults();

    /// Draws the profile from the chosen node down to the outfall (the Refresh command). `quiet`
    /// (a redraw after a change) clears the drawing without a message when a value is missing.
    void refreshProfile(bool quiet = false);
    /// Shows the stored messages of the current system when they are not the ones on display
    /// (opening, undo, another system), and the bar when the data changed after that run.
    void updateStale();
    /// The bar saying the run shown is older than the project, with its Compute Again button.
    StaleBar* staleBar() const { return m_staleBar; }
    /// Chooses the node at the top of the profile.
    void setProfileStart(const std::string& node);

    QTabWidget* tabs() const { return m_tabs; }
    ListingView* messages() const { return m_messages; }
    QTableView* resultsGrid() const { return m_results; }
    ResultsGrid* results() const { return m_resultsGrid; }
    QTreeWidget* messageGroups() const { return m_messageGroups; }
    ProfileView* profileView() const { return m_profile; }
    /// The check storms the profile may draw, one checkable entry each (all checked at first).
    QMenu* scenarioMenu() const { return m_scenarioMenu; }
    /// Option controls by their T27 field name ("LVSINT9", "LVSSGL3", ...) for the tests.
    QWidget* control(const std::string& field) const;
    QLineEdit* maxPassesEdit() const { return m_maxPasses; }
    QLineEdit* hglDifferenceEdit() const { return m_hglDif; }
    QLineEdit* fixedTcEdit() const { return m_fixedTc; }
    QLineEdit* minVelocityEdit() const { return m_minVelocity; }
    QLabel* minVelocityLabel() const { return m_minVelocityLabel; }
    QProgressBar* passGauge() const { return m_passGauge; }
    QProgressBar* hglGauge() const { return m_hglGauge; }
    /// Presets: "Setup: Include Minor Losses" (true) and "ZERI Setup: No minor losses" (false).
    void applyPreset(bool minorLosses);

private:
    QWidget* buildOptionsTab();
    QWidget* buildMessagesTab();
    QWidget* buildProfileTab();
    void connectOption(QAbstractButton* button, hydraulics::HydraulicsOption which);
    void connectText(QLineEdit* edit, hydraulics::HydraulicsOption which);
    void readControls();
    /// Checks every typed option; the first refused one is shown ("INVALID DATA") and false returned.
    bool typedValuesAccepted();
    /// The run's messages grouped: stops, warnings, then the progress folded away.
    void showMessageGroups();
    void storeOption(hydraulics::HydraulicsOption which);
    void showOptions(const hydraulics::HydraulicsOptions& o);
    void afterRun(int status, const std::vector<std::string>& lines);
    void fillResults();
    void fillProfileNodes();
    /// Lists the system's scenarios in the menu, keeping the engineer's choice of the ones shown.
    void fillScenarioMenu(const std::vector<std::string>& names);
    /// After a run: the messages on display are the run the project now keeps.
    void noteRun();
    hydraulics::RunHooks hooks();
    reports::LayoutOptions layoutOptions() const;
    ReportPreviewDialog* printReport(reports::ReportCommand command);
    void setRunning(bool running);
    bool metric() const;

    ComputeContext m_ctx;
    VerificationWindow* m_verification = nullptr;
    hydraulics::HydraulicsOptions m_opts;
    bool m_loading = false;
    std::map<std::string, QWidget*> m_controls;

    QTabWidget* m_tabs = nullptr;
    QLabel* m_systemLabel = nullptr;
    QRadioButton *m_lengthQuantity = nullptr, *m_lengthHyd = nullptr;
    QRadioButton *m_methodDown = nullptr, *m_methodUp = nullptr;
    QRadioButton *m_tcComputed = nullptr, *m_tcFixed = nullptr;
    QRadioButton *m_jumpToCrown = nullptr, *m_downstreamHgl = nullptr;
    QCheckBox *m_exitLoss = nullptr, *m_junctionLoss = nullptr, *m_minVelocityOn = nullptr;
    QCheckBox *m_deepWell = nullptr, *m_frenchDrain = nullptr, *m_noNegative = nullptr;
    QCheckBox *m_verifyFirst = nullptr, *m_inletWarning = nullptr;
    QLineEdit *m_maxPasses = nullptr, *m_hglDif = nullptr, *m_fixedTc = nullptr, *m_minVelocity = nullptr;
    QLineEdit* m_minPhysVelocity = nullptr;
    QLabel* m_minVelocityLabel = nullptr;
    QComboBox *m_layout = nullptr, *m_ditchPage = nullptr;
    QProgressBar *m_passGauge = nullptr, *m_hglGauge = nullptr;
    QLabel *m_passText = nullptr, *m_hglText = nullptr;
    QPushButton *m_computeButton = nullptr, *m_fullButton = nullptr;
    ListingView* m_messages = nullptr;
    QTableView* m_results = nullptr;
    ResultsGrid* m_resultsGrid = nullptr;
    QTreeWidget* m_messageGroups = nullptr;
    T60ResultsModel* m_resultsModel = nullptr;

    // profile tab
    ProfileView* m_profile = nullptr;
    QComboBox* m_profileStart = nullptr;
    QComboBox* m_exaggeration = nullptr;
    QRadioButton *m_profileMetric = nullptr, *m_profileEnglish = nullptr;
    std::array<QCheckBox*, 6> m_status{};
    QMenu* m_scenarioMenu = nullptr;
    std::vector<std::string> m_scenarioNames;    ///< as listed in the menu
    std::vector<std::string> m_hiddenScenarios;  ///< unchecked by the engineer
    hydraulics::ProfileModel m_profileModel;

    StaleBar* m_staleBar = nullptr;
};

}  // namespace kolv::gui::compute
