// The outfall and header window: the T16 record of the current system.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "db/database.h"
#include "editing/outfall_header.h"
#include "ui/ui_port.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace kolv::gui {

class OutfallHeaderDialog : public QDialog {
    Q_OBJECT
public:
    OutfallHeaderDialog(db::Database& db, std::string system, const std::vector<std::string>& structures, bool metric,
                        ui::UiPort& ui, QWidget* parent = nullptr);

    /// Save: writes every field; closes on success.
    void accept() override;

private:
    void onMethodChanged();
    void onFirstChanged();
    void onNodeTypeChanged();
    editing::OutfallHeader collect() const;

    db::Database& m_db;
    std::string m_system;
    ui::UiPort& m_ui;
    bool m_loading = false;
    QLineEdit *m_designedBy, *m_checkedBy, *m_baseline, *m_angle, *m_outNode, *m_station, *m_offset, *m_tailwater,
        *m_elevation, *m_exitLoss;
    QLineEdit* m_areaC[3];
    QRadioButton *m_idf, *m_table;
    QLabel *m_firstCaption, *m_elevationCaption, *m_topStatusCaption;
    QComboBox *m_first, *m_second, *m_nodeType, *m_topStatus, *m_bottomStatus, *m_structure;
    QCheckBox *m_autoRotate, *m_mirror;
};

}  // namespace kolv::gui
