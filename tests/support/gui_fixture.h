// Shared set-up of the GUI tests: main window options that keep the settings file in a
// temporary folder, the sample project opened with a recording port for the windows that take
// a computation context, and typing into a field as the engineer does. Header-only; only the
// GUI tests include it.
#pragma once

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <QWidget>
#include <memory>
#include <string>
#include <utility>

#include "gui/common/compute_context.h"
#include "gui/app/main_window.h"
#include "session/session.h"
#include "support/test_support.h"
#include "ui/recording_ui.h"

namespace kolv::test {

/// Enters the field, clears it and types `text` key by key, as the engineer does.
inline void type(QLineEdit* e, const QString& text) {
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(e, &in);
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Delete);
    QTest::keyClicks(e, text);
}

/// The panel's calculation switch `n` (the toggles beside the fields), or null.
inline QToolButton* calcSwitch(QWidget* panel, int n) {
    for (auto* b : panel->findChildren<QToolButton*>())
        if (b->accessibleName() == QString("Calculation switch %1").arg(n)) return b;
    return nullptr;
}

/// Shows the window and lets it lay itself out; with KOLV_SHOTS=DIR set, saves it there as NAME.png.
inline void shot(QWidget* w, const char* name) {
    const QByteArray dir = qgetenv("KOLV_SHOTS");
    w->show();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    if (!dir.isEmpty()) w->grab().save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
}

/// Main window options for a test: every message goes to `recorder`, no geometry is restored
/// or saved, and the settings file lives in `dir`.
inline gui::MainWindowOptions mainWindowOptions(ui::RecordingUi& recorder, const TempDir& dir) {
    gui::MainWindowOptions o;
    o.recorder = &recorder;
    o.rememberGeometry = false;
    o.settingsPath = dir.file("KOLVLtV3.INI");
    return o;
}

/// A copy of the sample project opened for one test, with a recording port and `system` current.
struct SampleProjectFixture {
    TempDir dir;
    std::string path;
    ui::RecordingUi ui;
    Session session;
    std::unique_ptr<db::Project> project;
    std::string system;

    explicit SampleProjectFixture(std::string currentSystem = "MAINST")
        : path(makeSample(dir)), system(std::move(currentSystem)) {
        reopen();
    }
    /// Opens the file again, as a restart of the program does.
    void reopen() {
        project.reset();
        project = db::openProject(path, ui);
        ui.clear();
    }
    /// The context the main window would hand to a window, answering through the port.
    gui::compute::ComputeContext ctx() {
        gui::compute::ComputeContext c;
        c.project = [this] { return project.get(); };
        c.system = [this] { return system; };
        c.session = &session;
        c.ui = &ui;
        c.reportFolder = [] { return std::string(); };
        c.scripted = true;
        return c;
    }
    db::Database& db() { return *project->db; }
    bool said(const std::string& text) const {
        for (const auto& m : ui.messages)
            if (m.text == text) return true;
        return false;
    }
};

}  // namespace kolv::test
