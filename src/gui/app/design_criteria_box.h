// The design criteria of the project as a group of fields in the project setup window.
#pragma once

#include <QGroupBox>
#include <vector>

#include "db/database.h"
#include "ui/ui_port.h"

class QLineEdit;

namespace kolv::gui {

class DesignCriteriaBox : public QGroupBox {
    Q_OBJECT
public:
    DesignCriteriaBox(db::Database& db, bool metric, ui::UiPort& ui, QWidget* parent = nullptr);

    /// Reads every field strictly and stores the criteria (one undo step). False, with the
    /// refusal shown and the field focused, when a value is refused; nothing is stored then.
    bool save();
    /// The field of a criterion by its key ("max-velocity"), for tests.
    QLineEdit* field(const std::string& key) const;

private:
    db::Database& m_db;
    bool m_metric;
    ui::UiPort& m_ui;
    std::vector<std::pair<std::string, QLineEdit*>> m_fields;
};

}  // namespace kolv::gui
