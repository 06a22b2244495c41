// The structure and pipe definitions windows: list, fields, Add, Delete, Print, Close.
#include "gui/editors/definitions_window.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "common/number_input.h"
#include "common/text.h"
#include "gui/common/report_preview.h"
#include "reports/report_commands.h"
#include "ui/error_trap.h"
#include "gui/common/qt_text.h"

namespace kolv::gui::editor_windows {

namespace {

bool same(double a, double b) { return std::fabs(a - b) <= 1e-12 * std::max({1.0, std::fabs(a), std::fabs(b)}); }

bool sameStructure(const editing::StructureDefinition& a, const editing::StructureDefinition& b) {
    return a.group == b.group && same(a.costLt, b.costLt) && same(a.costGt, b.costGt) &&
           same(a.minPipeCover, b.minPipeCover) && same(a.maxInletHydCapacity, b.maxInletHydCapacity) &&
           same(a.hglClear, b.hglClear) && a.diagramClass == b.diagramClass;
}

bool samePipe(const editing::PipeDefinition& a, const editing::PipeDefinition& b) {
    return same(a.height, b.height) && same(a.width, b.width) && same(a.area, b.area) &&
           same(a.thickness, b.thickness) && a.description == b.description && a.group == b.group &&
           same(a.n, b.n) && same(a.cost, b.cost) && same(a.columnOrder, b.columnOrder) &&
           a.columnIdentifier == b.columnIdentifier;
}

}  // namespace

DefinitionsWindow::DefinitionsWindow(EditorContext ctx, editing::DefinitionKind kind, QWidget* parent)
    : QDialog(parent), m_ctx(std::move(ctx)), m_kind(kind) {
    const bool structure = kind == editing::DefinitionKind::Structure;
    setWindowTitle(structure ? "Structure Definitions" : "Pipe Definitions");
    if (structure) {
        m_fieldInfo = {{"COST_LT", "Cost < 10'", true, false},
                   {"COST_GT", "Cost > 10'", true, false},
                   {"MIN_PIPE_COVER", "Min. pipe cover", true, true},
                   {"MAX_INLET_HYD_CAPACITY", "Max. inlet hydraulic capacity", true, false},
                   {"HGL_CLEAR", "HGL clearance", true, true},
                   {"DIAGRAM_CLASS_NAME", "Diagram class", false, false}};
    } else {
        m_fieldInfo = {{"HEIGHT", "Height", true, true},
                   {"WIDTH", "Width", true, true},
                   {"AREA", "Area", true, false},
                   {"THICKNESS", "Wall thickness", true, true},
                   {"DS_DESC", "Description", false, false},
                   {"GROUPP", "Group", true, false},
                   {"N", "Manning's n", true, false},
                   {"COST", "Cost per length", true, false},
                   {"COLUMN_ORDER", "Column order", true, false},
                   {"COLUMN_IDENTIFIER", "Column identifier", false, false}};
    }
    build();
    resize(sizeHint().width(), std::max(sizeHint().height(), 440));
    db::Project* p = m_ctx.project();
    refillList("");
    if (p && m_list->count() > 0) m_list->setCurrentRow(0);
}

void DefinitionsWindow::build() {
    const bool structure = m_kind == editing::DefinitionKind::Structure;
    db::Project* p = m_ctx.project();
    const bool metric = p && p->metric;
    auto* top = new QHBoxLayout(this);

    auto* listBox = new QGroupBox(structure ? "Structures" : "Pipes");
    auto* lv = new QVBoxLayout(listBox);
    m_list = new QListWidget;
    m_list->setMinimumWidth(150);
    lv->addWidget(m_list);
    top->addWidget(listBox);

    auto* right = new QVBoxLayout;
    auto* fieldsBox = new QGroupBox(structure ? "Structure" : "Pipe");
    auto* form = new QGridLayout(fieldsBox);
    int row = 0;
    m_name = new QLineEdit;
    m_name->setMaxLength(20);
    m_name->setPlaceholderText("up to 8 characters");
    form->addWidget(new QLabel("Name"), row, 0);
    form->addWidget(m_name, row, 1);
    if (!structure) {
        auto* samples = new QHBoxLayout;
        for (const char* sample : {"18RCP", "18CMP"}) {
            auto* b = new QPushButton(sample);
            b->setToolTip(QString("Put the sample name %1 into the name field").arg(sample));
            connect(b, &QPushButton::clicked, this, [this, sample] { m_name->setText(sample); });
            samples->addWidget(b);
        }
        ++row;
        samples->addStretch();
        form->addLayout(samples, row, 1, 1, 2);
    }
    ++row;
    if (structure) {
        m_group = new QComboBox;
        for (const auto& g : editing::structureGroups()) m_group->addItem(q(g));
        form->addWidget(new QLabel("Group"), row, 0);
        form->addWidget(m_group, row, 1);
        ++row;
    }
    const std::string lengthUnit = editing::lengthUnitLabel(metric);
    for (const auto& fi : m_fieldInfo) {
        auto* edit = new QLineEdit;
        edit->setMinimumWidth(fi.numeric ? 110 : 200);
        if (fi.numeric) edit->setAlignment(Qt::AlignRight);
        m_fields[fi.field] = edit;
        form->addWidget(new QLabel(q(fi.caption)), row, 0);
        form->addWidget(edit, row, 1);
        if (fi.length) form->addWidget(new QLabel(q(lengthUnit)), row, 2);
        ++row;
    }
    if (!structure) {
        m_unit = new QLabel(q(lengthUnit));
        m_unit->setStyleSheet("font-weight: bold;");
        auto* unitRow = new QHBoxLayout;
        unitRow->addWidget(new QLabel("Lengths in"));
        unitRow->addWidget(m_unit);
        unitRow->addStretch();
        form->addLayout(unitRow, row, 0, 1, 3);
        ++row;
        auto* hint = new QLabel("Round pipe: the area is checked against \u03c0 d\u00b2 / 4;\n"
                                "n is expected between 0.008 and 0.035.");
        hint->setStyleSheet("color: #5f6368;");
        form->addWidget(hint, row, 0, 1, 3);
    }
    form->setColumnStretch(1, 1);
    right->addWidget(fieldsBox);

    auto* buttons = new QHBoxLayout;
    auto* addButton = new QPushButton("&Add");
    auto* deleteButton = new QPushButton("&Delete");
    auto* printButton = new QPushButton("&Print");
    auto* closeButton = new QPushButton("Close");
    for (auto* b : {addButton, deleteButton, printButton}) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    right->addStretch();
    right->addLayout(buttons);
    top->addLayout(right, 1);

    connect(addButton, &QPushButton::clicked, this, &DefinitionsWindow::add);
    connect(deleteButton, &QPushButton::clicked, this, [this] { removeCurrent(); });
    connect(printButton, &QPushButton::clicked, this, [this] { print(); });
    connect(closeButton, &QPushButton::clicked, this, &DefinitionsWindow::accept);
    connect(m_list, &QListWidget::currentTextChanged, this, [this](const QString& t) {
        if (m_switching || t.isEmpty()) return;
        if (!showDefinition(t.toStdString())) {
            // the definition on display has a refused value: keep it selected
            m_switching = true;
            auto found = m_list->findItems(q(m_current), Qt::MatchFixedString);
            if (!found.isEmpty()) m_list->setCurrentItem(found.front());
            m_switching = false;
        }
    });
}

QLineEdit* DefinitionsWindow::field(const std::string& dbField) const {
    auto it = m_fields.find(dbField);
    return it == m_fields.end() ? nullptr : it->second;
}

void DefinitionsWindow::refillList(const std::string& select) {
    m_switching = true;
    m_list->clear();
    if (db::Project* p = m_ctx.project()) {
        for (const auto& n : editing::definitionNames(*p->db, m_kind, p->engMet())) m_list->addItem(q(n));
    }
    if (!select.empty()) {
        auto found = m_list->findItems(q(select), Qt::MatchFixedString);
        if (!found.isEmpty()) m_list->setCurrentItem(found.front());
    }
    m_switching = false;
}

void DefinitionsWindow::fill() {
    db::Project* p = m_ctx.project();
    m_name->setText(q(m_current));
    m_shown.clear();
    if (!p || m_current.empty()) {
        for (auto& [f, e] : m_fields) e->clear();
        return;
    }
    if (m_kind == editing::DefinitionKind::Structure) {
        auto d = editing::readStructure(*p->db, m_current);
        if (!d) return;
        m_group->setCurrentIndex(d->group >= 0 && d->group < m_group->count() ? d->group : -1);
        field("COST_LT")->setText(q(editing::fieldText(d->costLt)));
        field("COST_GT")->setText(q(editing::fieldText(d->costGt)));
        field("MIN_PIPE_COVER")->setText(q(editing::fieldText(d->minPipeCover)));
        field("MAX_INLET_HYD_CAPACITY")->setText(q(editing::fieldText(d->maxInletHydCapacity)));
        field("HGL_CLEAR")->setText(q(editing::fieldText(d->hglClear)));
        field("DIAGRAM_CLASS_NAME")->setText(q(d->diagramClass));
        m_shown = {{"COST_LT", {field("COST_LT")->text(), d->costLt}},
                   {"COST_GT", {field("COST_GT")->text(), d->costGt}},
                   {"MIN_PIPE_COVER", {field("MIN_PIPE_COVER")->text(), d->minPipeCover}},
                   {"MAX_INLET_HYD_CAPACITY", {field("MAX_INLET_HYD_CAPACITY")->text(), d->maxInletHydCapacity}},
                   {"HGL_CLEAR", {field("HGL_CLEAR")->text(), d->hglClear}}};
    } else {
        auto d = editing::readPipe(*p->db, m_current);
        if (!d) return;
        field("HEIGHT")->setText(q(editing::fieldText(d->height)));
        field("WIDTH")->setText(q(editing::fieldText(d->width)));
        field("AREA")->setText(q(editing::fieldText(d->area)));
        field("THICKNESS")->setText(q(editing::fieldText(d->thickness)));
        field("DS_DESC")->setText(q(d->description));
        field("GROUPP")->setText(QString::number(d->group));
        field("N")->setText(q(editing::fieldText(d->n)));
        field("COST")->setText(q(editing::fieldText(d->cost)));
        // a Single field: the shortest text of its float
        field("COLUMN_ORDER")->setText(QString::number(static_cast<float>(d->columnOrder)));
        field("COLUMN_IDENTIFIER")->setText(q(d->columnIdentifier));
        m_shown = {{"HEIGHT", {field("HEIGHT")->text(), d->height}},
                   {"WIDTH", {field("WIDTH")->text(), d->width}},
                   {"AREA", {field("AREA")->text(), d->area}},
                   {"THICKNESS", {field("THICKNESS")->text(), d->thickness}},
                   {"GROUPP", {field("GROUPP")->text(), double(d->group)}},
                   {"N", {field("N")->text(), d->n}},
                   {"COST", {field("COST")->text(), d->cost}},
                   {"COLUMN_ORDER", {field("COLUMN_ORDER")->text(), d->columnOrder}}};
    }
}

bool DefinitionsWindow::gather(editing::StructureDefinition& s, editing::PipeDefinition& p) {
    const bool structure = m_kind == editing::DefinitionKind::Structure;
    const char* table = structure ? "T6" : "T7";
    std::map<std::string, double> numbers;
    for (const auto& info : m_fieldInfo) {
        if (!info.numeric) continue;
        // only what the engineer typed is read: a stored value (a new pipe's n of 0, say) that
        // the checks would refuse stays as it is until it is changed
        if (auto it = m_shown.find(info.field); it != m_shown.end() && it->second.first == field(info.field)->text()) {
            numbers[info.field] = it->second.second;
            continue;
        }
        const auto check = input::checkField(table, info.field, field(info.field)->text().toStdString(), info.caption);
        if (!check.ok()) {
            m_ctx.ui().invalidData(check.error);
            field(info.field)->setFocus();
            field(info.field)->selectAll();
            return false;
        }
        numbers[info.field] = *check.value;
    }
    if (structure) {
        s.name = m_current;
        s.group = std::max(0, m_group->currentIndex());
        s.costLt = numbers["COST_LT"];
        s.costGt = numbers["COST_GT"];
        s.minPipeCover = numbers["MIN_PIPE_COVER"];
        s.maxInletHydCapacity = numbers["MAX_INLET_HYD_CAPACITY"];
        s.hglClear = numbers["HGL_CLEAR"];
        s.diagramClass = trim(field("DIAGRAM_CLASS_NAME")->text().toStdString());
    } else {
        if (numbers["GROUPP"] != std::floor(numbers["GROUPP"])) {
            m_ctx.ui().invalidData("Group must be a whole number.");
            return false;
        }
        p.name = m_current;
        p.height = numbers["HEIGHT"];
        p.width = numbers["WIDTH"];
        p.area = numbers["AREA"];
        p.thickness = numbers["THICKNESS"];
        p.description = field("DS_DESC")->text().toStdString();
        p.group = static_cast<int>(numbers["GROUPP"]);
        p.n = numbers["N"];
        p.cost = numbers["COST"];
        p.columnOrder = static_cast<float>(numbers["COLUMN_ORDER"]);
        p.columnIdentifier = trim(field("COLUMN_IDENTIFIER")->text().toStdString());
    }
    return true;
}

bool DefinitionsWindow::saveCurrent() {
    db::Project* p = m_ctx.project();
    if (!p || m_current.empty()) return true;
    try {
        editing::StructureDefinition s;
        editing::PipeDefinition pipe;
        if (!gather(s, pipe)) return false;
        if (m_kind == editing::DefinitionKind::Structure) {
            auto stored = editing::readStructure(*p->db, m_current);
            if (!stored || sameStructure(*stored, s)) return true;
            editing::saveStructure(*p->db, s, p->engMet());
            fill();
        } else {
            auto stored = editing::readPipe(*p->db, m_current);
            if (!stored || samePipe(*stored, pipe)) return true;
            if (editing::reviewPipe(pipe, editing::lengthUnitLabel(p->metric), m_ctx.ui()))
                field("AREA")->setText(q(editing::fieldText(pipe.area)));
            editing::savePipe(*p->db, pipe, p->engMet());
            fill();  // what is stored now is what the fields show
        }
    } catch (const std::exception& e) {
        ui::reportException(m_ctx.ui(), e);
        return false;
    }
    return true;
}

bool DefinitionsWindow::showDefinition(const std::string& name) {
    if (name == m_current) return true;
    if (!saveCurrent()) return false;
    m_current = trim(name);
    fill();
    return true;
}

bool DefinitionsWindow::addNamed(const std::string& typed) {
    db::Project* p = m_ctx.project();
    if (!p || !saveCurrent()) return false;
    try {
        const std::string name = editing::addDefinition(*p->db, m_kind, typed, p->engMet(), m_ctx.ui());
        if (name.empty()) return false;
        m_current = name;
        refillList(name);
        fill();
        return true;
    } catch (const std::exception& e) {
        ui::reportException(m_ctx.ui(), e);
        return false;
    }
}

void DefinitionsWindow::add() {
    if (!saveCurrent()) return;
    const bool structure = m_kind == editing::DefinitionKind::Structure;
    if (m_ctx.base.scripted) {
        addNamed(m_name->text().toStdString());
        return;
    }
    bool ok = false;
    const QString typed = QInputDialog::getText(
        this, structure ? "Add a New Structure Definition" : "Add a New Pipe Definition",
        structure ? "Enter new structure name." : "Enter new pipe name.", QLineEdit::Normal,
        m_name->text() == q(m_current) ? QString() : m_name->text(), &ok);
    if (ok) addNamed(typed.toStdString());
}

bool DefinitionsWindow::removeCurrent() {
    db::Project* p = m_ctx.project();
    if (!p || m_current.empty()) return false;
    try {
        if (!editing::deleteDefinition(*p->db, m_kind, m_current, m_ctx.ui())) return false;
    } catch (const std::exception& e) {
        ui::reportException(m_ctx.ui(), e);
        return false;
    }
    const int row = m_list->currentRow();
    m_current.clear();
    refillList("");
    if (m_list->count() > 0) m_list->setCurrentRow(std::min(row, m_list->count() - 1));
    else fill();
    return true;
}

compute::ReportPreviewDialog* DefinitionsWindow::print() {
    db::Project* p = m_ctx.project();
    if (!p || !saveCurrent()) return nullptr;
    const auto command = m_kind == editing::DefinitionKind::Structure ? reports::ReportCommand::Structures
                                                                      : reports::ReportCommand::Pipes;
    return compute::showTemplateReport(m_ctx.base, reports::reportRequest(command, "", p->metric), this);
}

void DefinitionsWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && m_list->hasFocus()) {
        removeCurrent();
        return;
    }
    QDialog::keyPressEvent(event);
}

void DefinitionsWindow::done(int result) {
    if (!saveCurrent()) return;  // a refused value stays on display to be corrected
    if (m_ctx.definitionsChanged) m_ctx.definitionsChanged();
    QDialog::done(result);
}

}  // namespace kolv::gui::editor_windows
