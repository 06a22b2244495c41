// The project setup window.
#include "gui/app/project_setup_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "common/text.h"
#include "editing/survey_lengths.h"
#include "gui/app/design_criteria_box.h"
#include "common/vb_format.h"
#include "gui/common/number_field.h"
#include "ui/error_trap.h"
#include "gui/common/qt_text.h"

namespace kolv::gui {

ProjectSetupDialog::ProjectSetupDialog(db::Database& db, ui::UiPort& ui, QWidget* parent)
    : QDialog(parent), m_db(db), m_ui(ui) {
    setWindowTitle("Project Setup");
    try {
        m_setup = editing::openProjectSetup(m_db);  // repairs empty fields with their defaults
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
    }
    auto* v = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    v->addLayout(top);

    auto* ident = new QGroupBox("Project");
    auto* f = new QFormLayout(ident);
    f->setLabelAlignment(Qt::AlignRight);
    m_number = new QLineEdit(q(m_setup.number));
    m_description = new QLineEdit(q(m_setup.description));
    m_county = new QLineEdit(q(m_setup.county));
    m_stateRoad = new QLineEdit(q(m_setup.stateRoad));
    m_number->setMaxLength(30);
    m_description->setMaxLength(100);
    m_county->setMaxLength(30);
    m_stateRoad->setMaxLength(30);
    m_description->setMinimumWidth(380);
    f->addRow("Project Number", m_number);
    f->addRow("Description", m_description);
    f->addRow("County", m_county);
    f->addRow("State Road", m_stateRoad);
    top->addWidget(ident, 1);

    auto* right = new QVBoxLayout;
    top->addLayout(right);
    auto* units = new QGroupBox("Units");
    auto* uh = new QVBoxLayout(units);
    m_english = new QRadioButton("English (ft, ac, cfs)");
    m_metric = new QRadioButton("Metric (m, ha, m\xc2\xb3/s)");
    (m_setup.metric ? m_metric : m_english)->setChecked(true);
    uh->addWidget(m_english);
    uh->addWidget(m_metric);
    right->addWidget(units);
    auto* juris = new QGroupBox("French Drain Jurisdiction");
    auto* jv = new QVBoxLayout(juris);
    m_juris0 = new QRadioButton("State");
    m_juris1 = new QRadioButton("Local");
    (m_setup.frenchDrainJuris == 0 ? m_juris0 : m_juris1)->setChecked(true);
    jv->addWidget(m_juris0);
    jv->addWidget(m_juris1);
    right->addWidget(juris);
    auto* coordinates = new QGroupBox("Coordinates");
    auto* cv = new QVBoxLayout(coordinates);
    m_schematic = new QRadioButton("Schematic");
    m_survey = new QRadioButton("Survey (northing, easting)");
    m_schematic->setToolTip("Node positions only place the diagram; lengths are typed.");
    m_survey->setToolTip("Node positions are northings and eastings in the project's length unit: a reach whose "
                         "length is computed takes the plan distance between its nodes.");
    (m_setup.survey ? m_survey : m_schematic)->setChecked(true);
    m_coordinatesNote = new QLabel;
    m_coordinatesNote->setWordWrap(true);
    cv->addWidget(m_schematic);
    cv->addWidget(m_survey);
    cv->addWidget(m_coordinatesNote);
    right->addWidget(coordinates);

    auto* numbers = new QGroupBox("Node Numbers");
    auto* ng = new QGridLayout(numbers);
    m_usePrefix = new QCheckBox("Use prefix");
    m_usePrefix->setChecked(m_setup.usePrefix);
    m_prefix = new QLineEdit(q(m_setup.prefix));
    m_prefix->setMaxLength(6);
    m_nextNumber = new QLineEdit(q(m_setup.nextNumber));
    m_nextNumber->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ng->addWidget(m_usePrefix, 0, 0);
    ng->addWidget(new QLabel("Prefix"), 0, 1, Qt::AlignRight);
    ng->addWidget(m_prefix, 0, 2);
    ng->addWidget(new QLabel("Next Number"), 0, 3, Qt::AlignRight);
    ng->addWidget(m_nextNumber, 0, 4);
    v->addWidget(numbers);

    auto* junction = new QGroupBox("Default Junction Loss Coefficients");
    auto* jg = new QGridLayout(junction);
    auto* prev = new QPushButton("< Previous");
    auto* next = new QPushButton("Next >");
    m_current = new QLabel;
    m_current->setAlignment(Qt::AlignCenter);
    m_current->setStyleSheet("font-weight: 600;");
    m_line1 = new QLabel;
    m_line2 = new QLabel;
    m_coefficient = new QLineEdit;
    m_coefficient->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_coefficient->setMaximumWidth(110);
    jg->addWidget(prev, 0, 0);
    jg->addWidget(m_current, 0, 1);
    jg->addWidget(next, 0, 2);
    jg->addWidget(m_line1, 1, 0, 1, 3);
    jg->addWidget(m_line2, 2, 0, 1, 3);
    auto* kRow = new QHBoxLayout;
    kRow->addStretch();
    kRow->addWidget(new QLabel("Coefficient K"));
    kRow->addWidget(m_coefficient);
    jg->addLayout(kRow, 3, 0, 1, 3);
    v->addWidget(junction);

    m_criteria = new DesignCriteriaBox(m_db, m_setup.metric, m_ui);
    v->addWidget(m_criteria);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &ProjectSetupDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ProjectSetupDialog::reject);
    v->addWidget(buttons);

    connect(prev, &QPushButton::clicked, this, [this] { showJunction(m_junction == 1 ? 14 : m_junction - 1); });
    connect(next, &QPushButton::clicked, this, [this] { showJunction(m_junction == 14 ? 1 : m_junction + 1); });
    watchNumberField(m_coefficient, [](std::string_view t) { return editing::checkJunctionCoefficient(t); });
    // leaving the field stores an accepted value; a refused one stays marked until corrected
    connect(m_coefficient, &QLineEdit::editingFinished, this, [this] {
        if (m_coefficient->isModified() && !numberFieldRefused(m_coefficient)) storeCoefficient();
    });
    connect(m_metric, &QRadioButton::toggled, this, [this](bool metric) {
        // the unit system takes effect at once, without OK, once the engineer has confirmed it
        if (!editing::confirmUnitSystemChange(metric, m_ui)) {
            const QSignalBlocker b1(m_metric), b2(m_english);
            (metric ? m_english : m_metric)->setChecked(true);
            return;
        }
        try {
            editing::setUnitSystem(m_db, metric);
            emit unitSystemChanged(metric);
        } catch (const std::exception& e) {
            ui::reportException(m_ui, e);
        }
    });
    connect(m_juris1, &QRadioButton::toggled, this, [this](bool local) {
        try {
            editing::setFrenchDrainJurisdiction(m_db, local ? 1 : 0);
        } catch (const std::exception& e) {
            ui::reportException(m_ui, e);
        }
    });
    connect(m_survey, &QRadioButton::toggled, this, [this](bool survey) {
        // takes effect at once, as one undo step, like the unit system
        try {
            const int measured = editing::setSurveyCoordinates(m_db, survey);
            m_coordinatesNote->setText(survey ? QString("%1 computed lengths measured.").arg(measured) : QString());
            emit coordinatesChanged(survey);
        } catch (const std::exception& e) {
            ui::reportException(m_ui, e);
        }
    });
    showJunction(1);
}

void ProjectSetupDialog::storeCoefficient() {
    const std::optional<double> typed = readNumberField(m_coefficient, &m_ui);
    if (!typed) return;  // the refused text stays for the engineer to correct
    const double k = *typed;
    m_coefficient->setModified(false);
    m_setup.jc[static_cast<std::size_t>(m_junction - 1)] = k;
    try {
        editing::setJunctionCoefficient(m_db, m_junction, k);
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
    }
}

void ProjectSetupDialog::showJunction(int n) {
    if (m_coefficient->isModified()) {
        storeCoefficient();
        if (numberFieldRefused(m_coefficient)) return;
    }
    m_junction = n;
    auto lines = editing::junctionDescription(n);
    m_current->setText(q(editing::junctionCurrentText(n)));
    m_line1->setText(q(lines[0]));
    m_line2->setText(q(lines[1]));
    m_coefficient->setText(q(shortestText(m_setup.jc[static_cast<std::size_t>(n - 1)])));
    m_coefficient->setModified(false);
}

void ProjectSetupDialog::accept() {
    if (m_coefficient->isModified()) {
        storeCoefficient();
        if (numberFieldRefused(m_coefficient)) return;
    }
    editing::ProjectSetup s = m_setup;
    s.number = m_number->text().toStdString();
    s.description = m_description->text().toStdString();
    s.county = m_county->text().toStdString();
    s.stateRoad = m_stateRoad->text().toStdString();
    s.usePrefix = m_usePrefix->isChecked();
    s.prefix = m_prefix->text().toStdString();
    s.nextNumber = m_nextNumber->text().toStdString();
    try {
        if (!m_criteria->save()) return;
        if (!editing::saveProjectSetup(m_db, s, m_ui)) return;
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
        return;
    }
    QDialog::accept();
}

}  // namespace kolv::gui
