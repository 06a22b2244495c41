// Start-up, about, version history and diagnosis log windows.
#pragma once

#include <QDialog>

#include "session/session.h"

class QPlainTextEdit;
class QTimer;

namespace kolv::gui {

/// The program's version text, "3.0.0".
QString versionText();

/// Shown at start-up: the version, Continue and Exit; a timer presses Continue by itself.
class StartupDialog : public QDialog {
    Q_OBJECT
public:
    /// `autoContinueMs` is the timer's interval.
    explicit StartupDialog(int autoContinueMs = 4000, QWidget* parent = nullptr);
    QTimer* timer() const { return m_timer; }

private:
    QTimer* m_timer;
};

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

class VersionHistoryDialog : public QDialog {
    Q_OBJECT
public:
    explicit VersionHistoryDialog(QWidget* parent = nullptr);
};

/// The diagnosis message log of the diagram and the editing panel: listed, cleared.
class DiagnosisLogDialog : public QDialog {
    Q_OBJECT
public:
    DiagnosisLogDialog(Session& session, QWidget* parent = nullptr);

private:
    void refill();
    Session& m_session;
    QPlainTextEdit* m_text;
};

}  // namespace kolv::gui
