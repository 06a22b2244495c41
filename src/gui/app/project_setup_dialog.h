// The project setup window: identification, unit system, node numbering, junction coefficients.
#pragma once

#include <QDialog>

#include "db/database.h"
#include "editing/project_setup.h"
#include "ui/ui_port.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace kolv::gui {

class DesignCriteriaBox;

class ProjectSetupDialog : public QDialog {
    Q_OBJECT
public:
    ProjectSetupDialog(db::Database& db, ui::UiPort& ui, QWidget* parent = nullptr);

    void accept() override;
    /// Shows junction configuration n (1..14).
    void showJunction(int n);
    QLabel* junctionCurrent() const { return m_current; }
    DesignCriteriaBox* criteria() const { return m_criteria; }

signals:
    void unitSystemChanged(bool metric);
    /// The kind of coordinates changed (reach lengths may have been measured).
    void coordinatesChanged(bool survey);

private:
    void storeCoefficient();

    db::Database& m_db;
    ui::UiPort& m_ui;
    editing::ProjectSetup m_setup;
    int m_junction = 1;
    QLineEdit *m_number, *m_description, *m_county, *m_stateRoad, *m_prefix, *m_nextNumber, *m_coefficient;
    QRadioButton *m_english, *m_metric, *m_juris0, *m_juris1, *m_schematic, *m_survey;
    QCheckBox* m_usePrefix;
    QLabel *m_current, *m_line1, *m_line2, *m_coordinatesNote;
    DesignCriteriaBox* m_criteria;
};

}  // namespace kolv::gui
