// The design review as a dock of the main window: the findings of the current system, worst first.
#pragma once

#include <QDockWidget>
#include <QHash>
#include <functional>

#include "review/design_review.h"

class QLabel;
class QTableWidget;

namespace kolv::gui::diagram {

class DesignReviewDock : public QDockWidget {
    Q_OBJECT
public:
    explicit DesignReviewDock(QWidget* parent = nullptr);

    /// Shows a review's findings.
    void showReview(const kolv::review::ReviewResult& result);
    QTableWidget* table() const { return m_table; }
    /// Worst severity per node (upper-case name), for the marks on the diagram.
    QHash<QString, int> worstByNode() const { return m_worst; }

    /// Asked to review the current system again (the Review button).
    std::function<void()> reviewRequested;

signals:
    /// A finding was clicked: its node (and reach, empty for a node finding).
    void findingChosen(const QString& node, const QString& reach);

private:
    QTableWidget* m_table;
    QLabel* m_summary;
    QHash<QString, int> m_worst;
};

}  // namespace kolv::gui::diagram
