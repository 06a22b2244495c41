// The node / reach / outfall editing panel (EDIT_NR), docked in the main window.
#pragma once

#include <QWidget>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "editing/edit_panel.h"
#include "ui/ui_port.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTabWidget;
class QToolButton;
class QGroupBox;

namespace kolv::gui {

class EditPanelWidget : public QWidget {
    Q_OBJECT
public:
    explicit EditPanelWidget(QWidget* parent = nullptr);
    ~EditPanelWidget() override;

    /// Binds the panel to an open project (nullptr detaches it and disables the panel).
    void attach(db::Database* db, Session* session, ui::UiPort* ui, const std::string& system, bool metric);
    /// Structure and pipe names of the project's unit system.
    void setLists(const std::vector<std::string>& structures, const std::vector<std::string>& pipes);
    /// Shows the first node of a new current system, its reach and the outfall.
    void showSystem(const std::string& system);
    /// Flushes pending edits, then shows a node with its outgoing reach. False when a typed
    /// value is refused: the panel keeps it on display, marked, for correction.
    bool selectNode(const std::string& name);
    /// Flushes pending edits, then shows the outfall and header.
    bool selectOutfall();
    /// Copies the widgets into the records and writes the pending ones; false when a typed
    /// value was refused (it stays pending and marked).
    bool flush();
    /// Shows the records again as they are in the file (after undo, redo or a computation).
    void reshow();
    /// The field widgets whose text is refused now.
    const std::vector<QLineEdit*>& invalidFields() const { return m_invalid; }
    /// Fills the widgets from the records.
    void showModel();

    editing::EditPanel* model() const { return m_model.get(); }
    /// Text field by its `editing::panel_field` index, for tests and screenshots.
    QLineEdit* field(int index) const;
    QTabWidget* tabs() const { return m_tabs; }
    QLineEdit* outfallTailwater() const { return m_outTailwater; }

signals:
    void addNodeRequested();
    void recordWritten();
    /// attach() replaced the panel's model (another project, unit system or none).
    void modelAttached();
    void statusText(const QString& text);
    void backgroundPictureChosen(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Kind { Node, Reach, Outfall };
    QWidget* buildNodePage();
    QWidget* buildOutfallPage();
    QLineEdit* numberField(Kind kind, int index = -1);
    QLineEdit* textField(Kind kind, int maxLength, int index = -1);
    QToolButton* calcButton(int number);
    void watch(QWidget* w, Kind kind);
    void collect();
    void updateDerived();
    void updateCalcColours();
    void markField(QLineEdit* e, const input::NumberCheck& check);
    void markFault();
    void restyle(QWidget* w);
    QLineEdit* outfallField(const std::string& field) const;
    std::vector<QLineEdit*> m_invalid;
    void fillRainfallLists();
    void onMethodChanged();
    void onLocationChanged();
    void chooseBackground();
    void setEnabledParts();

    std::unique_ptr<editing::EditPanel> m_model;
    db::Database* m_db = nullptr;
    ui::UiPort* m_ui = nullptr;
    template <class F> void guarded(F&& f);
    bool m_metric = false;
    bool m_showing = false;
    std::vector<std::pair<QWidget*, Kind>> m_watched;

    QTabWidget* m_tabs = nullptr;
    QGroupBox* m_nodeBox = nullptr;
    QGroupBox* m_reachBox = nullptr;
    QGroupBox* m_outfallBox = nullptr;
    std::array<QLineEdit*, editing::kNodeFieldCount> m_node{};
    QComboBox* m_structure = nullptr;
    std::array<QToolButton*, 6> m_calc{};
    QLineEdit* m_length = nullptr;
    QLineEdit* m_elev1 = nullptr;
    QLineEdit* m_elev2 = nullptr;
    QComboBox* m_pipe = nullptr;
    QComboBox* m_barrels = nullptr;
    QLabel* m_fromTo = nullptr;
    QLabel* m_crown1 = nullptr;
    QLabel* m_crown2 = nullptr;
    QLabel* m_slope = nullptr;
    std::vector<QLabel*> m_unitLabels;
    std::vector<std::pair<QLabel*, std::pair<const char*, const char*>>> m_units;

    QLabel* m_outNode = nullptr;
    QLineEdit* m_outStation = nullptr;
    QLineEdit* m_outOffset = nullptr;
    QLineEdit* m_outElevation = nullptr;
    QLineEdit* m_outTailwater = nullptr;
    QLineEdit* m_outExitLoss = nullptr;
    std::array<QLineEdit*, 3> m_outAreaC{};
    QLineEdit* m_designedBy = nullptr;
    QLineEdit* m_checkedBy = nullptr;
    QComboBox* m_outStructure = nullptr;
    QRadioButton* m_zoneOption = nullptr;
    QRadioButton* m_locationOption = nullptr;
    QLabel* m_rainCaption = nullptr;
    QComboBox* m_zone = nullptr;
    QComboBox* m_freq = nullptr;
    QComboBox* m_location = nullptr;
    QComboBox* m_frequency = nullptr;
    QLineEdit* m_background = nullptr;
    QToolButton* m_backgroundButton = nullptr;
};

}  // namespace kolv::gui
