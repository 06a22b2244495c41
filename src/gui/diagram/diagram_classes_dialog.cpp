// The diagram classes window.
#include "gui/diagram/diagram_classes_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "diagram/diagram_model.h"
#include "ui/error_trap.h"
#include "gui/common/qt_text.h"

namespace kolv::gui::diagram {

namespace kd = kolv::diagram;

namespace {

QTableWidget* table(const QStringList& headers) {
    auto* t = new QTableWidget(0, headers.size());
    t->setHorizontalHeaderLabels(headers);
    t->verticalHeader()->setVisible(false);
    t->horizontalHeader()->setStretchLastSection(true);
    t->setSelectionMode(QAbstractItemView::NoSelection);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return t;
}

}  // namespace

DiagramClassesDialog::DiagramClassesDialog(db::Database& db, int engMet, ui::UiPort& ui, QWidget* parent)
    : QDialog(parent), m_db(db), m_engMet(engMet), m_ui(ui) {
    setWindowTitle("Assign Structures & Pipe to Diagramming Classes");
    resize(760, 520);
    m_classes = kd::readDiagramClasses(db, engMet);
    auto* v = new QVBoxLayout(this);
    auto* h = new QHBoxLayout;
    v->addLayout(h, 1);

    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(engMet ? "Structures (metric)" : "Structures (English)"));
    m_structures = table({"Structure", "Diagram class"});
    for (const kd::StructureClass& s : m_classes.structures) {
        const int row = m_structures->rowCount();
        m_structures->insertRow(row);
        m_structures->setItem(row, 0, new QTableWidgetItem(q(s.structure)));
        auto* box = new QComboBox;
        box->addItem("");
        for (const char* c : kd::kStructureClassChoices) box->addItem(c);
        box->setCurrentText(q(s.className));
        m_structures->setCellWidget(row, 1, box);
    }
    m_structures->resizeColumnToContents(0);
    left->addWidget(m_structures);
    h->addLayout(left, 1);

    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel("Pipe classes: pipe of a reach drawn with each class"));
    m_pipes = table({"Pipe class", "Pipe"});
    for (std::size_t i = 0; i < kd::kPipeClasses.size(); ++i) {
        const int row = m_pipes->rowCount();
        m_pipes->insertRow(row);
        m_pipes->setItem(row, 0, new QTableWidgetItem(kd::kPipeClasses[i]));
        auto* box = new QComboBox;
        box->addItem("");
        for (const std::string& p : m_classes.pipes) box->addItem(q(p));
        box->setCurrentText(q(m_classes.pipeOfClass[i]));
        m_pipes->setCellWidget(row, 1, box);
    }
    m_pipes->resizeColumnToContents(0);
    right->addWidget(m_pipes);
    h->addLayout(right, 1);

    auto* bb = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Close);
    connect(bb->button(QDialogButtonBox::Save), &QPushButton::clicked, this, [this] {
        if (save()) accept();
    });
    connect(bb, &QDialogButtonBox::rejected, this, &QDialog::reject);
    v->addWidget(bb);
}

bool DiagramClassesDialog::save() {
    try {
        for (int r = 0; r < m_structures->rowCount(); ++r)
            m_classes.structures[static_cast<std::size_t>(r)].className =
                static_cast<QComboBox*>(m_structures->cellWidget(r, 1))->currentText().toStdString();
        for (int r = 0; r < m_pipes->rowCount(); ++r)
            m_classes.pipeOfClass[static_cast<std::size_t>(r)] =
                static_cast<QComboBox*>(m_pipes->cellWidget(r, 1))->currentText().toStdString();
        kd::saveDiagramClasses(m_db, m_engMet, m_classes);
        return true;
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
        return false;
    }
}

}  // namespace kolv::gui::diagram
