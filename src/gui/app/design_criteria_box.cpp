// The design criteria fields: shown in project units, read through the core's strict number input.
#include "gui/app/design_criteria_box.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "review/design_criteria.h"
#include "ui/error_trap.h"

namespace kolv::gui {

DesignCriteriaBox::DesignCriteriaBox(db::Database& db, bool metric, ui::UiPort& ui, QWidget* parent)
    : QGroupBox("Design Criteria", parent), m_db(db), m_metric(metric), m_ui(ui) {
    auto* g = new QGridLayout(this);
    review::DesignCriteria c = review::DesignCriteria::defaults(metric);
    try {
        c = review::loadCriteria(m_db, m_metric);
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
    }
    int i = 0;
    for (const auto& info : review::describeCriteria(c, metric)) {
        auto* edit = new QLineEdit(QString::fromStdString(info.value));
        edit->setObjectName(QString::fromStdString(info.key));
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        edit->setMaximumWidth(100);
        edit->setToolTip(info.unit == "yes/no" ? "yes or no"
                         : (info.key == "min-cover" || info.key == "hgl-clearance")
                             ? "a value, or \"structure\" for each structure's own"
                             : "");
        const int row = i / 2, col = (i % 2) * 3;
        g->addWidget(new QLabel(QString::fromStdString(info.caption)), row, col, Qt::AlignRight);
        g->addWidget(edit, row, col + 1);
        g->addWidget(new QLabel(QString::fromStdString(info.unit)), row, col + 2);
        m_fields.emplace_back(info.key, edit);
        ++i;
    }
}

QLineEdit* DesignCriteriaBox::field(const std::string& key) const {
    for (const auto& [k, e] : m_fields)
        if (k == key) return e;
    return nullptr;
}

bool DesignCriteriaBox::save() {
    review::DesignCriteria c = review::loadCriteria(m_db, m_metric);
    for (const auto& [key, edit] : m_fields) {
        if (auto refusal = review::applyCriterion(c, key, edit->text().toStdString(), m_metric)) {
            m_ui.invalidData(*refusal);
            edit->setFocus();
            edit->selectAll();
            return false;
        }
    }
    if (auto refusal = review::validateCriteria(c)) {
        m_ui.invalidData(*refusal);
        return false;
    }
    review::saveCriteria(m_db, m_metric, c);
    return true;
}

}  // namespace kolv::gui
