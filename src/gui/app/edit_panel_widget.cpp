// The node / reach / outfall editing panel (EDIT_NR).
#include "gui/app/edit_panel_widget.h"

#include <QComboBox>
#include <algorithm>
#include <QEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/text.h"
#include "editing/rainfall_lists.h"
#include "ui/error_trap.h"
#include "gui/common/qt_text.h"

namespace kolv::gui {

namespace {

/// Colour of a value the computations may overwrite (its calculation switch is on).
const char* kCalcStyle = "QLineEdit, QComboBox { color: #1558b0; font-weight: 600; }";
/// A typed value that is refused: it is kept on display, marked, and nothing is written.
const char* kInvalidStyle = "QLineEdit { background: #ffe4e4; border: 2px solid #c62828; }";

QLabel* label(const QString& text, QWidget* buddy = nullptr) {
    auto* l = new QLabel(text);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (buddy) l->setBuddy(buddy);
    return l;
}

void setCombo(QComboBox* c, const std::string& text) {
    int i = c->findText(q(text), Qt::MatchFixedString);
    if (i < 0 && !text.empty()) {
        // a name the lists do not hold (another unit system, a deleted definition) still shows
        c->addItem(q(text));
        i = c->count() - 1;
    }
    c->setCurrentIndex(i < 0 ? 0 : i);
}

void fill(QComboBox* c, const std::vector<std::string>& items, bool withNone) {
    c->clear();
    if (withNone) c->addItem(QString());
    for (const auto& i : items) c->addItem(q(i));
}

}  // namespace

template <class F>
void EditPanelWidget::guarded(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        if (m_ui) ui::reportException(*m_ui, e);
    }
}

EditPanelWidget::EditPanelWidget(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    m_tabs = new QTabWidget;
    auto wrap = [](QWidget* page) {
        auto* area = new QScrollArea;
        area->setWidget(page);
        area->setWidgetResizable(true);
        area->setFrameShape(QFrame::NoFrame);
        return area;
    };
    m_tabs->addTab(wrap(buildNodePage()), "Node && Reach");
    m_tabs->addTab(wrap(buildOutfallPage()), "Outfall && Header");
    // a tab caption shows "&&" as "&"
    m_tabs->setTabText(0, "Node && Reach");
    m_tabs->setTabText(1, "Outfall && Header");
    layout->addWidget(m_tabs);
    setEnabledParts();
}

EditPanelWidget::~EditPanelWidget() = default;

QLineEdit* EditPanelWidget::numberField(Kind kind, int index) {
    auto* e = new QLineEdit;
    e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    e->setMaxLength(24);
    e->setMinimumWidth(90);
    watch(e, kind);
    connect(e, &QLineEdit::textEdited, this, [this, index, e](const QString& t) {
        if (!m_model) return;
        if (index >= 0) {
            m_model->logFieldChange(index, stdString(t));
            markField(e, m_model->checkField(index, stdString(t)));
            // a value typed where a calculation switch governs is the engineer's from now on
            if (int sw = m_model->valueTyped(index); sw > 0) {
                m_calc[static_cast<std::size_t>(sw - 1)]->setChecked(false);
                updateCalcColours();
            }
        } else {
            for (const char* f : {"OUT_OFF", "OUT_EL", "OUT_TW", "EXIT_LOSS_COEFF", "AREA1", "AREA2", "AREA3"})
                if (outfallField(f) == e) markField(e, m_model->checkOutfallField(f, stdString(t)));
        }
    });
    return e;
}

QLineEdit* EditPanelWidget::outfallField(const std::string& field) const {
    if (field == "OUT_OFF") return m_outOffset;
    if (field == "OUT_EL") return m_outElevation;
    if (field == "OUT_TW") return m_outTailwater;
    if (field == "EXIT_LOSS_COEFF") return m_outExitLoss;
    if (field == "AREA1") return m_outAreaC[0];
    if (field == "AREA2") return m_outAreaC[1];
    if (field == "AREA3") return m_outAreaC[2];
    return nullptr;
}

void EditPanelWidget::markField(QLineEdit* e, const input::NumberCheck& check) {
    if (!e) return;
    auto it = std::find(m_invalid.begin(), m_invalid.end(), e);
    if (check.ok()) {
        if (it != m_invalid.end()) {
            m_invalid.erase(it);
            // the corrected value's message goes; another refused field's stays
            emit statusText(m_invalid.empty() ? QString() : m_invalid.front()->toolTip());
        }
        e->setToolTip(QString());
    } else {
        if (it == m_invalid.end()) m_invalid.push_back(e);
        e->setToolTip(q(check.error));
        emit statusText(q(check.error));
    }
    restyle(e);
}

void EditPanelWidget::markFault() {
    // the first refused value of each part, as the write found it
    if (!m_model) return;
    for (const auto& f : {m_model->nodeFault(), m_model->reachFault(), m_model->outfallFault()}) {
        if (f.empty()) continue;
        QLineEdit* e = f.index >= 0 ? field(f.index) : outfallField(f.field);
        input::NumberCheck refused;
        refused.error = f.message;
        markField(e, refused);
    }
}

void EditPanelWidget::restyle(QWidget* w) {
    QWidget* governed[editing::calc_switch::kCount] = {m_node[editing::panel_field::runoffC(0)], m_node[editing::panel_field::runoffC(1)],
                                                       m_node[editing::panel_field::runoffC(2)], m_pipe, m_elev1, m_elev2};
    std::string style;
    for (std::size_t k = 0; k < editing::calc_switch::kCount; ++k)
        if (governed[k] == w && m_calc[k] && m_calc[k]->isChecked()) style = kCalcStyle;
    if (std::find(m_invalid.begin(), m_invalid.end(), w) != m_invalid.end()) style += kInvalidStyle;
    w->setStyleSheet(q(style));
}

QLineEdit* EditPanelWidget::textField(Kind kind, int maxLength, int index) {
    auto* e = new QLineEdit;
    e->setMaxLength(maxLength);
    watch(e, kind);
    if (index >= 0) {
        connect(e, &QLineEdit::textEdited, this, [this, index](const QString& t) {
            if (m_model) m_model->logFieldChange(index, stdString(t));
        });
    }
    return e;
}

QToolButton* EditPanelWidget::calcButton(int number) {
    auto* b = new QToolButton;
    b->setText("Calc");
    b->setCheckable(true);
    b->setStyleSheet("QToolButton { padding: 2px 8px; } QToolButton:checked { background: #1558b0; color: white; "
                     "border: 1px solid #0f3f80; border-radius: 3px; }");
    b->setFocusPolicy(Qt::StrongFocus);
    b->setToolTip("On: the computations set this value (shown in blue). Off: the value typed is kept.");
    b->setAccessibleName(QString("Calculation switch %1").arg(number));
    watch(b, number <= 3 ? Kind::Node : Kind::Reach);
    connect(b, &QToolButton::clicked, this, [this, number, b] {
        if (!m_model) return;
        collect();
        guarded([&] { b->setChecked(m_model->toggleCalcSwitch(number)); });
        updateCalcColours();
    });
    m_calc[static_cast<std::size_t>(number - 1)] = b;
    return b;
}

void EditPanelWidget::watch(QWidget* w, Kind kind) {
    w->installEventFilter(this);
    m_watched.emplace_back(w, kind);
}

bool EditPanelWidget::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && m_model) {
        // entering a field marks its record for rewriting, changed or not
        for (const auto& [w, kind] : m_watched) {
            if (w != watched) continue;
            if (kind == Kind::Node) m_model->enterNodeField();
            else if (kind == Kind::Reach) m_model->enterReachField();
            else m_model->enterOutfallField();
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QWidget* EditPanelWidget::buildNodePage() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);

    m_nodeBox = new QGroupBox("Node");
    auto* g = new QGridLayout(m_nodeBox);
    g->setColumnStretch(1, 1);
    auto unit = [this](const char* en, const char* si) {
        auto* l = new QLabel(en);
        l->setStyleSheet("color: #5f6368;");
        m_units.push_back({l, {en, si}});
        return l;
    };
    for (int i = 0; i < editing::kNodeFieldCount; ++i) m_node[static_cast<std::size_t>(i)] = nullptr;
    using namespace editing::panel_field;
    QLineEdit*& name = m_node[kNodeName];
    name = new QLineEdit;
    name->setReadOnly(true);
    name->setStyleSheet("font-weight: 600;");
    m_node[kStation] = textField(Kind::Node, 12, kStation);
    int row = 0;
    g->addWidget(label("Node Name", name), row, 0);
    g->addWidget(name, row++, 1);
    g->addWidget(label("Station", m_node[kStation]), row, 0);
    g->addWidget(m_node[kStation], row++, 1);
    struct Row {
        int index;
        const char* en;
        const char* si;
    };
    for (Row r : {Row{kOffset, "ft", "m"}, Row{kInletElev, "ft", "m"}, Row{kMinHgl, "ft", "m"}, Row{kJunctionLoss, "", ""}}) {
        auto* e = numberField(Kind::Node, r.index);
        m_node[static_cast<std::size_t>(r.index)] = e;
        g->addWidget(label(q(editing::fieldLabel(r.index)), e), row, 0);
        g->addWidget(e, row, 1);
        g->addWidget(unit(r.en, r.si), row++, 2);
    }
    m_structure = new QComboBox;
    watch(m_structure, Kind::Node);
    g->addWidget(label("Structure", m_structure), row, 0);
    g->addWidget(m_structure, row++, 1, 1, 2);
    for (Row r : {Row{kInitialTc, "min", "min"}, Row{kBaseFlow, "cfs", "m\xc2\xb3/s"}}) {
        auto* e = numberField(Kind::Node, r.index);
        m_node[static_cast<std::size_t>(r.index)] = e;
        g->addWidget(label(q(editing::fieldLabel(r.index)), e), row, 0);
        g->addWidget(e, row, 1);
        g->addWidget(unit(r.en, r.si), row++, 2);
    }
    v->addWidget(m_nodeBox);

    auto* areas = new QGroupBox("Drainage Areas");
    auto* a = new QGridLayout(areas);
    a->setColumnStretch(1, 1);
    a->setColumnStretch(4, 1);
    for (int k = 0; k < 3; ++k) {
        auto* area = numberField(Kind::Node, editing::panel_field::area(k));
        auto* c = numberField(Kind::Node, editing::panel_field::runoffC(k));
        m_node[static_cast<std::size_t>(editing::panel_field::area(k))] = area;
        m_node[static_cast<std::size_t>(editing::panel_field::runoffC(k))] = c;
        area->setMinimumWidth(70);
        c->setMinimumWidth(60);
        a->addWidget(label(q(editing::fieldLabel(editing::panel_field::area(k))), area), k, 0);
        a->addWidget(area, k, 1);
        a->addWidget(unit("ac", "ha"), k, 2);
        a->addWidget(label(q(editing::fieldLabel(editing::panel_field::runoffC(k))), c), k, 3);
        a->addWidget(c, k, 4);
        a->addWidget(calcButton(editing::calc_switch::kRunoffC1 + k), k, 5);
    }
    v->addWidget(areas);

    m_reachBox = new QGroupBox("Reach");
    auto* r = new QGridLayout(m_reachBox);
    r->setColumnStretch(1, 1);
    row = 0;
    m_fromTo = new QLabel;
    m_fromTo->setStyleSheet("font-weight: 600;");
    r->addWidget(label("From / To"), row, 0);
    r->addWidget(m_fromTo, row++, 1, 1, 3);
    m_pipe = new QComboBox;
    watch(m_pipe, Kind::Reach);
    r->addWidget(label("Pipe", m_pipe), row, 0);
    r->addWidget(m_pipe, row, 1, 1, 2);
    r->addWidget(calcButton(editing::calc_switch::kPipeSize), row++, 3);
    m_barrels = new QComboBox;
    for (int b = 1; b <= 10; ++b) m_barrels->addItem(QString::number(b));
    watch(m_barrels, Kind::Reach);
    r->addWidget(label("Barrels", m_barrels), row, 0);
    r->addWidget(m_barrels, row++, 1);
    m_length = numberField(Kind::Reach, editing::panel_field::kReachLength);
    r->addWidget(label("Length", m_length), row, 0);
    r->addWidget(m_length, row, 1);
    r->addWidget(unit("ft", "m"), row++, 2);
    m_elev1 = numberField(Kind::Reach, editing::panel_field::kInvertFrom);
    m_elev2 = numberField(Kind::Reach, editing::panel_field::kInvertTo);
    m_crown1 = new QLabel;
    m_crown2 = new QLabel;
    r->addWidget(label("Invert-From", m_elev1), row, 0);
    r->addWidget(m_elev1, row, 1);
    r->addWidget(unit("ft", "m"), row, 2);
    r->addWidget(calcButton(editing::calc_switch::kInvertFrom), row++, 3);
    r->addWidget(label("Crown-From"), row, 0);
    r->addWidget(m_crown1, row++, 1);
    r->addWidget(label("Invert-To", m_elev2), row, 0);
    r->addWidget(m_elev2, row, 1);
    r->addWidget(unit("ft", "m"), row, 2);
    r->addWidget(calcButton(editing::calc_switch::kInvertTo), row++, 3);
    r->addWidget(label("Crown-To"), row, 0);
    r->addWidget(m_crown2, row++, 1);
    m_slope = new QLabel;
    m_slope->setStyleSheet("font-weight: 600;");
    r->addWidget(m_slope, row++, 1, 1, 3);
    for (QLabel* l : {m_crown1, m_crown2}) l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    v->addWidget(m_reachBox);

    auto* addNode = new QToolButton;
    addNode->setText("Add Node...");
    addNode->setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(addNode, &QToolButton::clicked, this, &EditPanelWidget::addNodeRequested);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(addNode);
    v->addLayout(buttons);
    v->addStretch();

    for (QLineEdit* e : {m_length, m_elev1, m_elev2})
        connect(e, &QLineEdit::textChanged, this, [this] { if (!m_showing) updateDerived(); });
    connect(m_pipe, &QComboBox::currentTextChanged, this, [this] { if (!m_showing) updateDerived(); });
    connect(m_pipe, &QComboBox::activated, this, [this] {
        // a pipe chosen by hand is kept by the sizing step
        if (!m_model || m_showing) return;
        m_calc[static_cast<std::size_t>(m_model->pipeChosen() - 1)]->setChecked(false);
        updateCalcColours();
    });
    return page;
}

QWidget* EditPanelWidget::buildOutfallPage() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    auto unit = [this](const char* en, const char* si) {
        auto* l = new QLabel(en);
        l->setStyleSheet("color: #5f6368;");
        m_units.push_back({l, {en, si}});
        return l;
    };

    m_outfallBox = new QGroupBox("Outfall");
    auto* g = new QGridLayout(m_outfallBox);
    g->setColumnStretch(1, 1);
    int row = 0;
    m_outNode = new QLabel;
    m_outNode->setStyleSheet("font-weight: 600;");
    g->addWidget(label("Outfall Node"), row, 0);
    g->addWidget(m_outNode, row++, 1);
    m_outStructure = new QComboBox;
    watch(m_outStructure, Kind::Outfall);
    g->addWidget(label("Structure", m_outStructure), row, 0);
    g->addWidget(m_outStructure, row++, 1, 1, 2);
    m_outStation = textField(Kind::Outfall, 12);
    g->addWidget(label("Station", m_outStation), row, 0);
    g->addWidget(m_outStation, row++, 1);
    m_outOffset = numberField(Kind::Outfall);
    m_outElevation = numberField(Kind::Outfall);
    m_outTailwater = numberField(Kind::Outfall);
    m_outExitLoss = numberField(Kind::Outfall);
    for (auto [text, e, en, si] : {std::tuple{"Offset", m_outOffset, "ft", "m"},
                                   std::tuple{"Outfall Elev", m_outElevation, "ft", "m"},
                                   std::tuple{"Tailwater Elev", m_outTailwater, "ft", "m"},
                                   std::tuple{"Exit Loss Coef", m_outExitLoss, "", ""}}) {
        g->addWidget(label(text, e), row, 0);
        g->addWidget(e, row, 1);
        g->addWidget(unit(en, si), row++, 2);
    }
    v->addWidget(m_outfallBox);

    auto* header = new QGroupBox("System Header");
    auto* h = new QGridLayout(header);
    h->setColumnStretch(1, 1);
    row = 0;
    m_designedBy = textField(Kind::Outfall, 30);
    m_checkedBy = textField(Kind::Outfall, 30);
    h->addWidget(label("Designed By", m_designedBy), row, 0);
    h->addWidget(m_designedBy, row++, 1);
    h->addWidget(label("Checked By", m_checkedBy), row, 0);
    h->addWidget(m_checkedBy, row++, 1);
    for (int k = 0; k < 3; ++k) {
        m_outAreaC[static_cast<std::size_t>(k)] = numberField(Kind::Outfall);
        h->addWidget(label(QString("Default Area %1-C").arg(k + 1), m_outAreaC[static_cast<std::size_t>(k)]), row, 0);
        h->addWidget(m_outAreaC[static_cast<std::size_t>(k)], row++, 1);
    }
    v->addWidget(header);

    auto* storm = new QGroupBox("Design Storm");
    auto* sg = new QGridLayout(storm);
    sg->setColumnStretch(1, 1);
    m_zoneOption = new QRadioButton("IDF Coefficients");
    m_locationOption = new QRadioButton("Time-Intensity Table");
    watch(m_zoneOption, Kind::Outfall);
    watch(m_locationOption, Kind::Outfall);
    auto* opts = new QHBoxLayout;
    opts->addWidget(m_zoneOption);
    opts->addWidget(m_locationOption);
    opts->addStretch();
    sg->addLayout(opts, 0, 0, 1, 2);
    m_rainCaption = label("Zone");
    m_zone = new QComboBox;
    m_location = new QComboBox;
    m_freq = new QComboBox;
    m_frequency = new QComboBox;
    for (QComboBox* c : {m_zone, m_location, m_freq, m_frequency}) watch(c, Kind::Outfall);
    auto* first = new QHBoxLayout;
    first->addWidget(m_zone, 1);
    first->addWidget(m_location, 1);
    auto* second = new QHBoxLayout;
    second->addWidget(m_freq, 1);
    second->addWidget(m_frequency, 1);
    sg->addWidget(m_rainCaption, 1, 0);
    sg->addLayout(first, 1, 1);
    sg->addWidget(label("Frequency"), 2, 0);
    sg->addLayout(second, 2, 1);
    sg->addWidget(unit("years", "years"), 2, 2);
    v->addWidget(storm);
    connect(m_zoneOption, &QRadioButton::toggled, this, [this] { if (!m_showing) onMethodChanged(); });
    connect(m_location, &QComboBox::currentTextChanged, this, [this] { if (!m_showing) onLocationChanged(); });

    auto* back = new QGroupBox("Diagram Background");
    auto* bl = new QHBoxLayout(back);
    m_background = new QLineEdit;
    m_background->setReadOnly(true);
    m_background->setPlaceholderText("No picture");
    m_backgroundButton = new QToolButton;
    m_backgroundButton->setText("Choose...");
    m_backgroundButton->setFocusPolicy(Qt::StrongFocus);
    watch(m_backgroundButton, Kind::Outfall);
    connect(m_backgroundButton, &QToolButton::clicked, this, &EditPanelWidget::chooseBackground);
    bl->addWidget(m_background, 1);
    bl->addWidget(m_backgroundButton);
    v->addWidget(back);
    v->addStretch();
    return page;
}

void EditPanelWidget::attach(db::Database* db, Session* session, ui::UiPort* ui, const std::string& system,
                             bool metric) {
    m_db = db;
    m_ui = ui;
    m_metric = metric;
    m_model.reset();
    if (db && session) m_model = std::make_unique<editing::EditPanel>(*db, *session, system);
    for (auto& [l, u] : m_units) l->setText(metric ? u.second : u.first);
    fillRainfallLists();
    showModel();
    emit modelAttached();
}

void EditPanelWidget::setLists(const std::vector<std::string>& structures, const std::vector<std::string>& pipes) {
    m_showing = true;
    fill(m_structure, structures, true);
    fill(m_outStructure, structures, true);
    fill(m_pipe, pipes, true);
    m_showing = false;
    showModel();
}

void EditPanelWidget::fillRainfallLists() {
    m_showing = true;
    m_zone->clear();
    m_location->clear();
    m_freq->clear();
    if (m_db) {
        guarded([&] {
            for (const auto& z : editing::idfZones(*m_db)) m_zone->addItem(q(z));
            for (const auto& l : editing::timeIntensityLocations(*m_db)) m_location->addItem(q(l));
        });
    }
    for (const auto& f : editing::idfFrequencies()) m_freq->addItem(q(f));
    m_showing = false;
}

void EditPanelWidget::showSystem(const std::string& system) {
    if (!m_model) return;
    guarded([&] {
        m_model->setSystem(system);
        m_model->showSystemStart();
    });
    showModel();
    if (m_model->state != editing::PanelState::Node && m_model->outfall.exists) m_tabs->setCurrentIndex(1);
    else m_tabs->setCurrentIndex(0);
}

bool EditPanelWidget::selectNode(const std::string& name) {
    if (!m_model) return false;
    collect();
    bool moved = false;
    guarded([&] { moved = m_model->selectNode(name); });
    // a refused value: correct it, or discard the record's changes and go on
    if (!moved && m_ui && m_model->resolveRefusedEdit(*m_ui)) guarded([&] { moved = m_model->selectNode(name); });
    emit statusText(q(m_model->lastStatus));
    if (!moved) {
        markFault();
        return false;
    }
    showModel();
    m_tabs->setCurrentIndex(0);
    emit recordWritten();
    return true;
}

bool EditPanelWidget::selectOutfall() {
    if (!m_model) return false;
    collect();
    bool moved = false;
    guarded([&] { moved = m_model->selectOutfall(); });
    if (!moved && m_ui && m_model->resolveRefusedEdit(*m_ui)) guarded([&] { moved = m_model->selectOutfall(); });
    emit statusText(q(m_model->lastStatus));
    if (!moved) {
        if (!m_model->lastStatus.empty()) emit statusText(q(m_model->lastStatus));
        markFault();
        return false;
    }
    showModel();
    m_tabs->setCurrentIndex(1);
    emit recordWritten();
    return true;
}

bool EditPanelWidget::flush() {
    if (!m_model) return true;
    collect();
    bool written = false;
    guarded([&] { written = m_model->flushPendingEdits(); });
    if (!m_model->lastStatus.empty()) emit statusText(q(m_model->lastStatus));
    if (!written) markFault();
    emit recordWritten();
    return written;
}

void EditPanelWidget::reshow() {
    if (!m_model) return;
    editing::EditPanel& m = *m_model;
    guarded([&] {
        if (m.state == editing::PanelState::Outfall) {
            if (!m.displayOutfall()) m.clearOutfall();
            return;
        }
        const std::string name = m.node.name();
        if (m.state == editing::PanelState::Node && m.displayNode(name)) {
            if (!m.displayReach(m.node.name())) m.clearReach();
        } else {
            m.showSystemStart();
        }
        if (!m.displayOutfall()) m.clearOutfall();
    });
    showModel();
}

void EditPanelWidget::collect() {
    if (!m_model || m_showing) return;
    auto& n = m_model->node;
    for (int i = 1; i < editing::kNodeFieldCount; ++i)
        n.text[static_cast<std::size_t>(i)] = stdString(m_node[static_cast<std::size_t>(i)]->text());
    n.structure = stdString(m_structure->currentText());
    auto& r = m_model->reach;
    r.pipe = stdString(m_pipe->currentText());
    r.length = stdString(m_length->text());
    r.elev1 = stdString(m_elev1->text());
    r.elev2 = stdString(m_elev2->text());
    r.barrels = m_barrels->currentIndex() < 0 ? 1 : m_barrels->currentIndex() + 1;
    auto& o = m_model->outfall;
    o.station = stdString(m_outStation->text());
    o.offset = stdString(m_outOffset->text());
    o.elevation = stdString(m_outElevation->text());
    o.tailwater = stdString(m_outTailwater->text());
    o.exitLoss = stdString(m_outExitLoss->text());
    for (std::size_t k = 0; k < 3; ++k) o.areaC[k] = stdString(m_outAreaC[k]->text());
    o.designedBy = stdString(m_designedBy->text());
    o.checkedBy = stdString(m_checkedBy->text());
    o.structure = stdString(m_outStructure->currentText());
    o.zone = stdString(m_zone->currentText());
    o.freq = stdString(m_freq->currentText());
    o.location = stdString(m_location->currentText());
    o.frequency = stdString(m_frequency->currentText());
    o.backgroundPicture = stdString(m_background->text());
    o.intensityMethod = m_zoneOption->isChecked() ? 0 : 1;
}

void EditPanelWidget::showModel() {
    // values shown from the file are valid: earlier marks go
    std::vector<QLineEdit*> marked;
    marked.swap(m_invalid);
    for (QLineEdit* e : marked) {
        e->setToolTip(QString());
        restyle(e);
    }
    m_showing = true;
    if (m_model) {
        const auto& n = m_model->node;
        for (int i = 0; i < editing::kNodeFieldCount; ++i)
            m_node[static_cast<std::size_t>(i)]->setText(q(n.text[static_cast<std::size_t>(i)]));
        setCombo(m_structure, n.structure);
        const auto& r = m_model->reach;
        m_fromTo->setText(r.exists ? q(r.node1 + "  \xe2\x86\x92  " + (r.node2.empty() ? "(none)" : r.node2))
                                   : QString("No outgoing reach"));
        setCombo(m_pipe, r.pipe);
        m_barrels->setCurrentIndex(std::clamp(r.barrels, 1, 10) - 1);
        m_length->setText(q(r.length));
        m_elev1->setText(q(r.elev1));
        m_elev2->setText(q(r.elev2));
        for (std::size_t k = 0; k < 3; ++k) {
            m_calc[k]->setChecked(n.calc[k]);
            m_calc[k + 3]->setChecked(r.calc[k]);
        }
        const auto& o = m_model->outfall;
        m_outNode->setText(o.exists ? q(o.outNode) : QString("(no outfall)"));
        m_outStation->setText(q(o.station));
        m_outOffset->setText(q(o.offset));
        m_outElevation->setText(q(o.elevation));
        m_outTailwater->setText(q(o.tailwater));
        m_outExitLoss->setText(q(o.exitLoss));
        for (std::size_t k = 0; k < 3; ++k) m_outAreaC[k]->setText(q(o.areaC[k]));
        m_designedBy->setText(q(o.designedBy));
        m_checkedBy->setText(q(o.checkedBy));
        setCombo(m_outStructure, o.structure);
        (o.intensityMethod == 0 ? m_zoneOption : m_locationOption)->setChecked(true);
        setCombo(m_zone, o.zone);
        setCombo(m_freq, o.freq);
        setCombo(m_location, o.location);
        m_showing = false;
        onLocationChanged();
        m_showing = true;
        setCombo(m_frequency, o.frequency);
        m_background->setText(q(o.backgroundPicture));
        onMethodChanged();
    } else {
        // no project: nothing of the last record stays on display
        for (QLineEdit* e : findChildren<QLineEdit*>()) e->clear();
        for (QComboBox* c : findChildren<QComboBox*>())
            if (c->isEditable()) c->clearEditText();
            else c->setCurrentIndex(-1);
        m_fromTo->clear();
    }
    m_showing = false;
    updateDerived();
    updateCalcColours();
    setEnabledParts();
}

void EditPanelWidget::setEnabledParts() {
    const bool on = m_model != nullptr;
    const bool node = on && m_model->node.rowid != 0;
    for (auto* b : m_nodeBox->parentWidget()->findChildren<QGroupBox*>()) b->setEnabled(node);
    m_outfallBox->parentWidget()->setEnabled(on && m_model->outfall.exists);
    m_tabs->setEnabled(on);
}

void EditPanelWidget::updateDerived() {
    if (!m_model) {
        m_slope->clear();
        m_crown1->clear();
        m_crown2->clear();
        return;
    }
    if (!m_showing) {
        m_model->reach.pipe = stdString(m_pipe->currentText());
        m_model->reach.length = stdString(m_length->text());
        m_model->reach.elev1 = stdString(m_elev1->text());
        m_model->reach.elev2 = stdString(m_elev2->text());
    }
    guarded([&] {
        m_slope->setText(q(m_model->pipeSlopeText()));
        const char* u = m_metric ? " m" : " ft";
        m_crown1->setText(q(m_model->crownFromText() + u));
        m_crown2->setText(q(m_model->crownToText() + u));
    });
}

void EditPanelWidget::updateCalcColours() {
    QWidget* governed[editing::calc_switch::kCount] = {m_node[editing::panel_field::runoffC(0)], m_node[editing::panel_field::runoffC(1)],
                                                       m_node[editing::panel_field::runoffC(2)], m_pipe, m_elev1, m_elev2};
    for (std::size_t k = 0; k < 6; ++k) restyle(governed[k]);
}

void EditPanelWidget::onMethodChanged() {
    const bool zone = m_zoneOption->isChecked();
    m_rainCaption->setText(zone ? "Zone" : "Location");
    m_zone->setVisible(zone);
    m_freq->setVisible(zone);
    m_location->setVisible(!zone);
    m_frequency->setVisible(!zone);
}

void EditPanelWidget::onLocationChanged() {
    if (!m_db) return;
    const bool was = m_showing;
    m_showing = true;
    m_frequency->clear();
    guarded([&] {
        for (const auto& f : editing::timeIntensityFrequencies(*m_db, stdString(m_location->currentText())))
            m_frequency->addItem(q(f));
    });
    m_showing = was;
}

void EditPanelWidget::chooseBackground() {
    if (!m_model) return;
    QString path = QFileDialog::getOpenFileName(
        this, "Background Picture", QString(),
        "JPEG Images (*.jpg);;GIF Images (*.gif);;Bitmaps (*.bmp);;Metafiles (*.wmf);;All files (*.*)");
    if (path.isEmpty()) return;
    m_background->setText(path);
    m_model->enterOutfallField();  // the next outfall update writes the picture
    emit backgroundPictureChosen(path);
}

QLineEdit* EditPanelWidget::field(int index) const {
    if (index >= 0 && index < editing::kNodeFieldCount) return m_node[static_cast<std::size_t>(index)];
    if (index == editing::panel_field::kReachLength) return m_length;
    if (index == editing::panel_field::kInvertFrom) return m_elev1;
    if (index == editing::panel_field::kInvertTo) return m_elev2;
    return nullptr;
}

}  // namespace kolv::gui
