// The display options window.
#include "gui/diagram/display_options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "diagram/labels.h"
#include "ui/error_trap.h"

namespace kolv::gui::diagram {

namespace kd = kolv::diagram;

DisplayOptionsDialog::DisplayOptionsDialog(db::Database& db, int set, ui::UiPort& ui, QWidget* parent)
    : QDialog(parent), m_db(db), m_ui(ui) {
    setWindowTitle("Diagram Display Options");
    auto* v = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel("Display option set:"));
    m_set = new QComboBox;
    for (int i = 1; i <= kd::kDisplaySetCount; ++i) m_set->addItem(QString::number(i));
    top->addWidget(m_set);
    top->addStretch();
    v->addLayout(top);

    auto* groups = new QHBoxLayout;
    auto group = [&](const char* title, kd::LabelItem::Object object) {
        auto* box = new QGroupBox(title);
        auto* g = new QVBoxLayout(box);
        g->setSpacing(2);
        for (const kd::LabelItem& item : kd::labelItems()) {
            if (item.object != object) continue;
            auto* c = new QCheckBox(QString(item.caption) + (item.fromResults ? "  *" : ""));
            if (item.fromResults) c->setToolTip("Shown after the hydraulics have been computed");
            g->addWidget(c);
            m_items[item.field] = c;
        }
        g->addStretch();
        auto* buttons = new QHBoxLayout;
        auto* all = new QPushButton("All");
        auto* none = new QPushButton("None");
        buttons->addWidget(all);
        buttons->addWidget(none);
        g->addLayout(buttons);
        auto setAll = [this, object](bool on) {
            for (const kd::LabelItem& item : kd::labelItems())
                if (item.object == object) m_items[item.field]->setChecked(on);
        };
        connect(all, &QPushButton::clicked, this, [setAll] { setAll(true); });
        connect(none, &QPushButton::clicked, this, [setAll] { setAll(false); });
        groups->addWidget(box);
    };
    group("Node labels", kd::LabelItem::Object::Node);
    group("Reach labels", kd::LabelItem::Object::Reach);
    group("Outfall label", kd::LabelItem::Object::Outfall);
    v->addLayout(groups);
    v->addWidget(new QLabel("* from the hydraulic results: shown only where they exist"));
    auto* bb = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(bb, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(bb, &QDialogButtonBox::rejected, this, &QDialog::reject);
    v->addWidget(bb);

    m_set->setCurrentIndex(std::clamp(set, 1, kd::kDisplaySetCount) - 1);
    load(chosenSet());
    connect(m_set, &QComboBox::currentIndexChanged, this, [this] { load(chosenSet()); });
}

int DisplayOptionsDialog::chosenSet() const { return m_set->currentIndex() + 1; }

QCheckBox* DisplayOptionsDialog::item(const std::string& field) const {
    auto it = m_items.find(field);
    return it == m_items.end() ? nullptr : it->second;
}

void DisplayOptionsDialog::load(int set) {
    try {
        const kd::DisplayOptions o = kd::displayOptionsOrEmpty(m_db, set);
        for (auto& [field, box] : m_items) box->setChecked(o.isOn(field));
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
    }
}

void DisplayOptionsDialog::accept() {
    try {
        kd::DisplayOptions o;
        for (auto& [field, box] : m_items) o.on[field] = box->isChecked();
        kd::writeDisplayOptions(m_db, chosenSet(), o);
        QDialog::accept();
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
    }
}

}  // namespace kolv::gui::diagram
