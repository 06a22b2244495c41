// The outfall and header window.
#include "gui/app/outfall_header_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/common/number_field.h"
#include "editing/rainfall_lists.h"
#include "ui/error_trap.h"
#include "gui/common/qt_text.h"

namespace kolv::gui {

namespace {

QLabel* rightLabel(const QString& t) {
    auto* l = new QLabel(t);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

QLineEdit* numberEdit() {
    auto* e = new QLineEdit;
    e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    e->setMinimumWidth(90);
    return e;
}

QLabel* unitLabel(const QString& t) {
    auto* l = new QLabel(t);
    l->setStyleSheet("color: #5f6368;");
    return l;
}

void selectText(QComboBox* c, const std::string& text) {
    int i = c->findText(q(text), Qt::MatchFixedString);
    if (i < 0 && !text.empty()) {
        c->addItem(q(text));
        i = c->count() - 1;
    }
    c->setCurrentIndex(i < 0 ? 0 : i);
}

}  // namespace

OutfallHeaderDialog::OutfallHeaderDialog(db::Database& db, std::string system,
                                         const std::vector<std::string>& structures, bool metric, ui::UiPort& ui,
                                         QWidget* parent)
    : QDialog(parent), m_db(db), m_system(std::move(system)), m_ui(ui) {
    setWindowTitle(q("SS Outfall & Header Details - " + m_system));
    const QString len = metric ? "m" : "ft";
    auto* v = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    v->addLayout(columns);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);

    auto* header = new QGroupBox("System Header");
    auto* hg = new QGridLayout(header);
    m_designedBy = new QLineEdit;
    m_checkedBy = new QLineEdit;
    m_designedBy->setMaxLength(30);
    m_checkedBy->setMaxLength(30);
    hg->addWidget(rightLabel("Designed By"), 0, 0);
    hg->addWidget(m_designedBy, 0, 1);
    hg->addWidget(rightLabel("Checked By"), 1, 0);
    hg->addWidget(m_checkedBy, 1, 1);
    for (int k = 0; k < 3; ++k) {
        m_areaC[k] = numberEdit();
        hg->addWidget(rightLabel(QString("Area %1 default C").arg(k + 1)), 2 + k, 0);
        hg->addWidget(m_areaC[k], 2 + k, 1);
    }
    left->addWidget(header);

    auto* storm = new QGroupBox("Rainfall");
    auto* sg = new QGridLayout(storm);
    m_idf = new QRadioButton("IDF Coefficients");
    m_table = new QRadioButton("User-Defined Time-Intensity Table");
    sg->addWidget(m_idf, 0, 0, 1, 2);
    sg->addWidget(m_table, 1, 0, 1, 2);
    m_firstCaption = rightLabel("Zone");
    m_first = new QComboBox;
    m_second = new QComboBox;
    m_first->setEditable(false);
    sg->addWidget(m_firstCaption, 2, 0);
    sg->addWidget(m_first, 2, 1);
    sg->addWidget(rightLabel("Frequency"), 3, 0);
    sg->addWidget(m_second, 3, 1);
    left->addWidget(storm);
    left->addStretch();

    auto* out = new QGroupBox("Outfall");
    auto* og = new QGridLayout(out);
    og->setColumnStretch(1, 1);
    int row = 0;
    m_outNode = new QLineEdit;
    m_outNode->setMaxLength(8);
    og->addWidget(rightLabel("Outfall Node"), row, 0);
    og->addWidget(m_outNode, row++, 1);
    m_structure = new QComboBox;
    m_structure->addItem(QString());
    for (const auto& s : structures) m_structure->addItem(q(s));
    og->addWidget(rightLabel("Structure"), row, 0);
    og->addWidget(m_structure, row++, 1, 1, 2);
    m_nodeType = new QComboBox;
    for (const auto& n : editing::nodeTypeNames()) m_nodeType->addItem(q(n));
    og->addWidget(rightLabel("Node Type"), row, 0);
    og->addWidget(m_nodeType, row++, 1, 1, 2);
    m_baseline = new QLineEdit;
    m_baseline->setMaxLength(8);
    og->addWidget(rightLabel("Baseline"), row, 0);
    og->addWidget(m_baseline, row++, 1);
    m_station = new QLineEdit;
    m_station->setMaxLength(12);
    og->addWidget(rightLabel("Station"), row, 0);
    og->addWidget(m_station, row++, 1);
    m_offset = numberEdit();
    m_elevation = numberEdit();
    m_tailwater = numberEdit();
    m_exitLoss = numberEdit();
    m_angle = numberEdit();
    const auto watch = [this](QLineEdit* e, const char* field) {
        watchNumberField(e, [this, field](std::string_view t) {
            return editing::checkOutfallHeaderField(m_db, field, t);
        });
    };
    watch(m_offset, "OUT_OFF");
    watch(m_elevation, "OUT_EL");
    watch(m_tailwater, "OUT_TW");
    watch(m_exitLoss, "EXIT_LOSS_COEFF");
    watch(m_angle, "ANGLE");
    for (int k = 0; k < 3; ++k) watch(m_areaC[k], k == 0 ? "AREA1" : k == 1 ? "AREA2" : "AREA3");
    og->addWidget(rightLabel("Offset"), row, 0);
    og->addWidget(m_offset, row, 1);
    og->addWidget(unitLabel(len), row++, 2);
    m_elevationCaption = rightLabel("Inlet/Top El.");
    og->addWidget(m_elevationCaption, row, 0);
    og->addWidget(m_elevation, row, 1);
    og->addWidget(unitLabel(len), row++, 2);
    og->addWidget(rightLabel("Tailwater El."), row, 0);
    og->addWidget(m_tailwater, row, 1);
    og->addWidget(unitLabel(len), row++, 2);
    og->addWidget(rightLabel("Exit Loss Coef"), row, 0);
    og->addWidget(m_exitLoss, row++, 1);
    og->addWidget(rightLabel("Angle"), row, 0);
    og->addWidget(m_angle, row, 1);
    og->addWidget(unitLabel("deg"), row++, 2);
    m_autoRotate = new QCheckBox("Auto Rotate");
    m_mirror = new QCheckBox("Mirror");
    auto* checks = new QHBoxLayout;
    checks->addWidget(m_autoRotate);
    checks->addWidget(m_mirror);
    checks->addStretch();
    og->addLayout(checks, row++, 1, 1, 2);
    m_topStatusCaption = rightLabel("Top Status");
    m_topStatus = new QComboBox;
    m_bottomStatus = new QComboBox;
    for (const auto& n : editing::statusNames()) {
        m_topStatus->addItem(q(n));
        m_bottomStatus->addItem(q(n));
    }
    og->addWidget(m_topStatusCaption, row, 0);
    og->addWidget(m_topStatus, row++, 1, 1, 2);
    og->addWidget(rightLabel("Bottom Status"), row, 0);
    og->addWidget(m_bottomStatus, row++, 1, 1, 2);
    right->addWidget(out);
    right->addStretch();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &OutfallHeaderDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &OutfallHeaderDialog::reject);
    v->addWidget(buttons);

    connect(m_idf, &QRadioButton::toggled, this, [this] { if (!m_loading) onMethodChanged(); });
    connect(m_first, &QComboBox::currentTextChanged, this, [this] { if (!m_loading) onFirstChanged(); });
    connect(m_nodeType, &QComboBox::currentIndexChanged, this, [this] { onNodeTypeChanged(); });

    try {
        auto h = editing::loadOutfallHeader(m_db, m_system);
        if (!h) h = editing::OutfallHeader{};
        m_loading = true;
        m_designedBy->setText(q(h->designedBy));
        m_checkedBy->setText(q(h->checkedBy));
        for (int k = 0; k < 3; ++k) m_areaC[k]->setText(q(h->areaC[static_cast<std::size_t>(k)]));
        (h->intensityMethod == 0 ? m_idf : m_table)->setChecked(true);
        m_loading = false;
        onMethodChanged();
        m_loading = true;
        selectText(m_first, h->rainfall1);
        m_loading = false;
        onFirstChanged();
        selectText(m_second, h->rainfall2);
        m_baseline->setText(q(h->baseline));
        m_angle->setText(q(h->angle));
        m_autoRotate->setChecked(h->autoRotate);
        m_mirror->setChecked(h->mirror);
        m_nodeType->setCurrentIndex(h->nodeType);
        m_topStatus->setCurrentIndex(h->topStatus);
        m_bottomStatus->setCurrentIndex(h->bottomStatus);
        m_outNode->setText(q(h->outNode));
        m_station->setText(q(h->station));
        m_offset->setText(q(h->offset));
        m_tailwater->setText(q(h->tailwater));
        m_elevation->setText(q(h->elevation));
        m_exitLoss->setText(q(h->exitLoss));
        selectText(m_structure, h->structure);
        onNodeTypeChanged();
    } catch (const std::exception& e) {
        m_loading = false;
        ui::reportException(m_ui, e);
    }
}

void OutfallHeaderDialog::onMethodChanged() {
    const int method = m_idf->isChecked() ? 0 : 1;
    m_firstCaption->setText(q(editing::rainfallCaption(method)));
    m_loading = true;
    m_first->clear();
    try {
        for (const auto& s : method == 0 ? editing::idfZones(m_db) : editing::timeIntensityLocations(m_db))
            m_first->addItem(q(s));
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
    }
    m_loading = false;
    onFirstChanged();
}

void OutfallHeaderDialog::onFirstChanged() {
    m_second->clear();
    try {
        const std::string first = m_first->currentText().toStdString();
        for (const auto& s : m_idf->isChecked() ? editing::idfFrequenciesOfZone(m_db, first)
                                               : editing::timeIntensityFrequencies(m_db, first))
            m_second->addItem(q(s));
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
    }
}

void OutfallHeaderDialog::onNodeTypeChanged() {
    m_elevationCaption->setText(q(editing::elevationCaption(m_nodeType->currentIndex())));
    m_topStatusCaption->setText(q(editing::topStatusCaption(m_nodeType->currentIndex())));
}

editing::OutfallHeader OutfallHeaderDialog::collect() const {
    editing::OutfallHeader h;
    auto t = [](const QLineEdit* e) { return e->text().toStdString(); };
    h.designedBy = t(m_designedBy);
    h.checkedBy = t(m_checkedBy);
    for (int k = 0; k < 3; ++k) h.areaC[static_cast<std::size_t>(k)] = t(m_areaC[k]);
    h.intensityMethod = m_idf->isChecked() ? 0 : 1;
    h.rainfall1 = m_first->currentText().toStdString();
    h.rainfall2 = m_second->currentText().toStdString();
    h.baseline = t(m_baseline);
    h.angle = t(m_angle);
    h.autoRotate = m_autoRotate->isChecked();
    h.mirror = m_mirror->isChecked();
    h.nodeType = m_nodeType->currentIndex();
    h.topStatus = m_topStatus->currentIndex();
    h.bottomStatus = m_bottomStatus->currentIndex();
    h.outNode = t(m_outNode);
    h.station = t(m_station);
    h.offset = t(m_offset);
    h.tailwater = t(m_tailwater);
    h.elevation = t(m_elevation);
    h.exitLoss = t(m_exitLoss);
    h.structure = m_structure->currentText().toStdString();
    return h;
}

void OutfallHeaderDialog::accept() {
    try {
        if (!editing::saveOutfallHeader(m_db, m_system, collect(), m_ui)) return;
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
        return;
    }
    QDialog::accept();
}

}  // namespace kolv::gui
