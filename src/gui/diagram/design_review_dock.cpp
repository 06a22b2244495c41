// The design review dock: a table of findings, a summary line and a button to review again.
#include "gui/diagram/design_review_dock.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kolv::gui::diagram {

namespace {
/// The colour of a severity, shared with the marks on the diagram.
QColor severityColour(int severity) {
    switch (severity) {
    case 2: return QColor(200, 30, 30);
    case 1: return QColor(230, 140, 0);
    default: return QColor(40, 100, 200);
    }
}
}  // namespace

DesignReviewDock::DesignReviewDock(QWidget* parent) : QDockWidget("Design Review", parent) {
    setObjectName("DesignReviewDock");
    auto* w = new QWidget;
    auto* v = new QVBoxLayout(w);
    v->setContentsMargins(4, 4, 4, 4);
    m_table = new QTableWidget(0, 8);
    m_table->setHorizontalHeaderLabels({"Severity", "Node", "Reach", "Quantity", "Value", "Limit", "Unit", "Rule"});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    v->addWidget(m_table, 1);
    auto* h = new QHBoxLayout;
    m_summary = new QLabel("No review yet.");
    auto* again = new QPushButton("Review");
    again->setObjectName("reviewButton");
    h->addWidget(m_summary, 1);
    h->addWidget(again);
    v->addLayout(h);
    setWidget(w);
    connect(again, &QPushButton::clicked, this, [this] {
        if (reviewRequested) reviewRequested();
    });
    connect(m_table, &QTableWidget::cellClicked, this, [this](int row, int) {
        emit findingChosen(m_table->item(row, 1)->text(), m_table->item(row, 2)->text());
    });
}

void DesignReviewDock::showReview(const kolv::review::ReviewResult& r) {
    m_table->setRowCount(0);
    m_table->setRowCount(static_cast<int>(r.findings.size()));
    m_worst.clear();
    int row = 0;
    const auto text = [](std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); };
    for (const auto& f : r.findings) {
        const int s = static_cast<int>(f.severity);
        const QStringList cells = {review::severityName(f.severity), text(f.node),
                                   text(f.reach), text(f.quantity),
                                   QString::number(f.value, 'f', 3), QString::number(f.limit, 'f', 3),
                                   text(f.unit), text(f.rule)};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c == 4 || c == 5) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (c == 0) item->setForeground(severityColour(s));
            m_table->setItem(row, c, item);
        }
        ++row;
        const QString key = text(f.node).toUpper();
        if (!key.isEmpty()) m_worst[key] = std::max(m_worst.value(key, -1), s);
    }
    m_table->resizeColumnsToContents();
    m_summary->setText(QString("System %1: %2 errors, %3 warnings, %4 notes%5")
                           .arg(QString::fromStdString(r.system))
                           .arg(r.count(review::Severity::Error))
                           .arg(r.count(review::Severity::Warning))
                           .arg(r.count(review::Severity::Note))
                           .arg(r.hasResults ? "." : " (no results of Step 2 or 4 yet: the network alone)."));
}

}  // namespace kolv::gui::diagram
