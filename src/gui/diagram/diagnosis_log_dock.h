// The diagnosis message log as a dock of the main window: list, list entities, clear, print.
#pragma once

#include <QDockWidget>
#include <functional>

#include "session/session.h"

class QListWidget;

namespace kolv::gui::diagram {

class DiagnosisLogDock : public QDockWidget {
    Q_OBJECT
public:
    explicit DiagnosisLogDock(Session& session, QWidget* parent = nullptr);

    /// Shows the log's lines (call after anything may have logged).
    void refresh();
    QListWidget* list() const { return m_list; }

    /// Asked to list the diagram's entities into the log.
    std::function<void()> listEntities;
    /// Prints the lines as a text report titled "DIAGNOSIS MESSAGE LOG".
    std::function<void(const std::vector<std::string>&)> print;

protected:
    void showEvent(QShowEvent* e) override;

private:
    Session& m_session;
    QListWidget* m_list;
    std::size_t m_shown = 0;
};

}  // namespace kolv::gui::diagram
