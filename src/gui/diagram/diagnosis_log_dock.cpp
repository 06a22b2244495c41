// The diagnosis message log dock.
#include "gui/diagram/diagnosis_log_dock.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace kolv::gui::diagram {

DiagnosisLogDock::DiagnosisLogDock(Session& session, QWidget* parent)
    : QDockWidget("Diagnosis Message Log", parent), m_session(session) {
    setObjectName("DiagnosisLogDock");
    auto* w = new QWidget;
    auto* v = new QVBoxLayout(w);
    v->setContentsMargins(4, 4, 4, 4);
    m_list = new QListWidget;
    m_list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_list->setUniformItemSizes(true);
    v->addWidget(m_list, 1);
    auto* h = new QHBoxLayout;
    auto* entities = new QPushButton("List Entities");
    auto* clear = new QPushButton("Clear");
    auto* printButton = new QPushButton("Print...");
    h->addWidget(entities);
    h->addWidget(clear);
    h->addStretch();
    h->addWidget(printButton);
    v->addLayout(h);
    setWidget(w);
    connect(entities, &QPushButton::clicked, this, [this] {
        if (listEntities) listEntities();
        refresh();
    });
    connect(clear, &QPushButton::clicked, this, [this] {
        m_session.diagnosisLog.clear();
        refresh();
    });
    connect(printButton, &QPushButton::clicked, this, [this] {
        if (print) print(m_session.diagnosisLog);
    });
}

void DiagnosisLogDock::refresh() {
    const auto& log = m_session.diagnosisLog;
    if (log.size() < m_shown || m_list->count() != static_cast<int>(m_shown)) {
        m_list->clear();
        m_shown = 0;
    }
    if (!isVisible() && log.size() > m_shown + 5000) return;  // filled when shown
    for (; m_shown < log.size(); ++m_shown) m_list->addItem(QString::fromStdString(log[m_shown]).replace('\r', " | "));
    m_list->scrollToBottom();
}

void DiagnosisLogDock::showEvent(QShowEvent* e) {
    QDockWidget::showEvent(e);
    refresh();
}

}  // namespace kolv::gui::diagram
