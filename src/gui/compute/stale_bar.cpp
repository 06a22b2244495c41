// The bar over a step's listing: shows the stored run of the step and says when the data changed after it.
#include "gui/compute/stale_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "gui/common/listing_view.h"
#include "ui/error_trap.h"

namespace kolv::gui::compute {

namespace {
bool sameRun(const std::optional<network::StepRun>& a, const std::optional<network::StepRun>& b) {
    if (a.has_value() != b.has_value()) return false;
    return !a || (a->stamp == b->stamp && a->lines == b->lines);
}
}  // namespace

StaleBar::StaleBar(ComputeContext ctx, network::DesignStep step, ListingView* listing,
                   std::function<void()> computeAgain, QWidget* parent)
    : QWidget(parent), m_ctx(std::move(ctx)), m_step(step), m_listing(listing) {
    setObjectName("staleBar");
    setAttribute(Qt::WA_StyledBackground);
    // dark text on the pale yellow whatever the palette, so a dark theme keeps it readable
    setStyleSheet("#staleBar { background: #fff4ce; border: 1px solid #e0c060; } #staleBar QLabel { color: #3a3000; }");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 4, 8, 4);
    m_text = new QLabel;
    m_text->setObjectName("staleText");
    m_text->setWordWrap(true);
    auto* again = new QPushButton("Compute Again");
    again->setObjectName("computeAgainButton");
    row->addWidget(m_text, 1);
    row->addWidget(again);
    connect(again, &QPushButton::clicked, this, [computeAgain] { computeAgain(); });
    hide();
}

bool StaleBar::refresh() {
    db::Project* p = m_ctx.currentProject();
    const std::string system = m_ctx.currentSystem();
    std::optional<network::StepRun> stored;
    try {
        if (p && !system.empty()) stored = network::lastStepRun(*p->db, m_step, system);
    } catch (const std::exception& e) {
        if (m_ctx.ui) ui::reportException(*m_ctx.ui, e);
    }
    const bool sameSource = p == m_shownProject && system == m_shownSystem;
    bool replaced = false;
    if (!sameSource || !sameRun(stored, m_shown)) {
        m_listing->clearLines();
        if (stored) {
            m_listing->addLines(stored->lines);
            m_listing->showTop();
        }
        replaced = true;
    }
    m_shownProject = p;
    m_shownSystem = system;
    m_shown = std::move(stored);
    updateStale();
    return replaced;
}

void StaleBar::noteRun() {
    db::Project* p = m_ctx.currentProject();
    m_shownProject = p;
    m_shownSystem = m_ctx.currentSystem();
    m_shown.reset();
    try {
        if (p) m_shown = network::lastStepRun(*p->db, m_step, m_shownSystem);
    } catch (const std::exception& e) {
        if (m_ctx.ui) ui::reportException(*m_ctx.ui, e);
    }
    updateStale();
}

void StaleBar::updateStale() {
    db::Project* p = m_ctx.currentProject();
    bool changed = false;
    if (p && m_shown && p == m_shownProject && m_ctx.currentSystem() == m_shownSystem) {
        try {
            changed = m_stamps.stamp(*p->db, m_shownSystem) != m_shown->stamp;
        } catch (const std::exception& e) {
            if (m_ctx.ui) ui::reportException(*m_ctx.ui, e);
        }
    }
    if (changed)
        m_text->setText(QString::fromStdString(
            "The data of system " + m_shownSystem +
            " changed after this run (an edit, an undo or another step): the listing shows the run as it was."));
    setVisible(changed);
}

}  // namespace kolv::gui::compute
