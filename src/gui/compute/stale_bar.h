// The bar over a step's listing: shows the stored run of the step and says when the data changed after it.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "gui/common/compute_context.h"
#include "network/step_runs.h"

class QLabel;

namespace kolv::gui::compute {

class ListingView;

/// A yellow bar with a "Compute Again" button, hidden while the listing shown is the last run of
/// its step on the current system and the system's data is as that run left it. It also puts the
/// stored run into the listing when the window opens or when an undo brings back another one,
/// and keeps a window's own run (also a refused one, which stores nothing) in place otherwise.
class StaleBar : public QWidget {
public:
    StaleBar(ComputeContext ctx, network::DesignStep step, ListingView* listing, std::function<void()> computeAgain,
             QWidget* parent = nullptr);

    /// Shows the stored run when it is not the one last shown (opening, undo, another system),
    /// then shows or hides the bar. True when the listing was replaced.
    bool refresh();
    /// After the window's own run: what the listing now shows is what the step stored.
    void noteRun();
    /// True while the bar says the listing is older than the data.
    bool stale() const { return !isHidden(); }

private:
    void updateStale();

    ComputeContext m_ctx;
    network::DesignStep m_step;
    ListingView* m_listing;
    QLabel* m_text = nullptr;
    network::DesignStampCache m_stamps;
    const db::Project* m_shownProject = nullptr;
    std::string m_shownSystem;
    std::optional<network::StepRun> m_shown;  ///< the stored run last put in the listing
};

}  // namespace kolv::gui::compute
