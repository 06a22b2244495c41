// kolv: the desktop program. Start-up window, then the main window with no project open.
//   kolv [FILE.mdb] [--no-splash] [--screenshot DIR] [--help] [--version]
#include <csignal>
#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstring>
#include <QDir>
#include <QMessageBox>
#include <QStringList>
#include <QTabWidget>
#include <QTimer>
#include <cmath>

#include "gui/app/add_node_dialog.h"
#include "gui/compute/install_compute_windows.h"
#include "gui/diagram/install_diagram.h"
#include "gui/editors/install_editor_windows.h"
#include "gui/exchange/install_exchange_windows.h"
#include "gui/app/edit_panel_widget.h"
#include "gui/app/info_dialogs.h"
#include "gui/app/main_window.h"
#include "gui/app/outfall_header_dialog.h"
#include "gui/app/project_file_dialogs.h"
#include "gui/app/project_setup_dialog.h"
#include "gui/renumber/divide_combine_window.h"
#include "gui/renumber/install_renumber_windows.h"
#include "gui/renumber/renumber_window.h"
#include "gui/app/special_table_dialog.h"
#include "gui/app/systems_dialog.h"
#include "gui/shell/install_shell_commands.h"
#include "gui/submittal/install_submittal.h"
#include "editing/edit_panel.h"
#include "editing/next_node_name.h"
#include "editing/special_table_edit.h"
#include <functional>

namespace {

void settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

bool save(QWidget* w, const QString& dir, const QString& name) {
    w->show();
    settle();
    bool ok = w->grab().save(dir + "/" + name + ".png");
    return ok;
}

/// Grabs every window of the program to PNG files (offscreen runs, documentation).
int screenshots(const QString& dir, const QString& project) {
    using namespace kolv::gui;
    QDir().mkpath(dir);
    kolv::ui::RecordingUi recorder;
    StartupDialog startup(0);
    save(&startup, dir, "startup");
    startup.close();

    MainWindowOptions options;
    options.recorder = &recorder;
    options.rememberGeometry = false;
    MainWindow w(options);
    w.resize(1360, 860);
    save(&w, dir, "main_no_project");
    if (project.isEmpty() || !w.openProjectFile(project.toStdString())) return 2;
    save(&w, dir, "main_project");
    save(w.panel(), dir, "panel_node");
    w.panel()->selectOutfall();
    save(&w, dir, "main_outfall");
    save(w.panel(), dir, "panel_outfall");
    auto* p = w.project();

    { SystemsDialog d(w); save(&d, dir, "dialog_systems"); d.close(); }
    {
        OutfallHeaderDialog d(*p->db, p->currentSystem, w.structureNames(), p->metric, w.ui(), &w);
        save(&d, dir, "dialog_outfall_header");
        d.close();
    }
    { ProjectSetupDialog d(*p->db, w.ui(), &w); d.showJunction(7); save(&d, dir, "dialog_project_setup"); d.close(); }
    { NewProjectDialog d(w.ui(), &w); save(&d, dir, "dialog_new_project"); d.close(); }
    { RebuildDialog d(p->path, w.ui(), &w); save(&d, dir, "dialog_rebuild"); d.close(); }
    {
        kolv::settings::SettingsFile file(QDir::tempPath().toStdString() + "/kolv-shot.ini");
        SetupFilesDialog d(file, w.settingsState(), &w);
        save(&d, dir, "dialog_setup_files");
        d.close();
    }
    {
        AddNodeDialog d(*p->db, p->currentSystem, kolv::editing::structuresForClass(*p->db, p->engMet(), ""), w.ui(), &w);
        save(&d, dir, "dialog_add_node");
        d.close();
    }
    { SpecialTableDialog d(*p->db, p->currentSystem, w.ui(), &w); save(&d, dir, "dialog_special_table"); d.close(); }
    { RenumberWindow d(w); save(&d, dir, "dialog_renumber"); d.close(); }
    { DivideCombineWindow d(w); save(&d, dir, "dialog_divide_combine"); d.close(); }
    { AboutDialog d(&w); save(&d, dir, "dialog_about"); d.close(); }
    { VersionHistoryDialog d(&w); save(&d, dir, "dialog_version_history"); d.close(); }
    { DiagnosisLogDialog d(w.session(), &w); save(&d, dir, "dialog_diagnosis_log"); d.close(); }
    kolv::gui::editor_windows::installEditorWindows(w);
    kolv::gui::editor_windows::screenshotEditorWindows(w, dir);
    // message boxes exactly as the port shows them
    auto shoot = [&](const QString& name, std::function<void()> ask) {
        recorder.clear();
        ask();
        if (recorder.messages.empty()) return;
        const auto& m = recorder.messages.back();
        auto box = kolv::gui::makeMessageBox(&w, m.title, m.text, m.icon, m.buttons, m.defaultAnswer);
        save(box.get(), dir, name);
        box->close();
    };
    shoot("message_special_table_edit", [&] { kolv::editing::confirmSpecialTableEdit(w.ui()); });
    shoot("message_missing_project", [&] {
        w.settingsState().recentFiles[0] = "/NO/SUCH/PROJECT.MDB";
        w.openRecent(1);
    });
    shoot("message_compute_guard", [&] { kolv::editing::computeGuard("", w.ui()); });
    return 0;
}

void describeProgram() {
    QCoreApplication::setApplicationName("KOLV Lt v3");
    QCoreApplication::setOrganizationName("KOLV");
    QCoreApplication::setApplicationVersion(kolv::gui::versionText());
}

struct CommandLine {
    QString project, shotDir;
    bool splash = true;
    bool supportTools = false;
};

/// The options of the program. --help and --version print and end the program (exit code 0);
/// an unknown option prints the reason and the usage and ends it with exit code 1.
CommandLine parseCommandLine(const QCoreApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "KOLV Lt: storm sewer design by the Rational Method (desktop program).\n"
        "Opens the project FILE.mdb when one is given; kolv-cli runs the design steps without windows.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("FILE.mdb", "Project to open at start-up.", "[FILE.mdb]");
    QCommandLineOption projectOption("project", "Project to open at start-up (the same as FILE.mdb).", "FILE");
    QCommandLineOption noSplash("no-splash", "Start without the start-up window.");
    QCommandLineOption screenshot("screenshot", "Save a picture of every window into DIR and quit.", "DIR");
    QCommandLineOption support("support-tools",
                               "Show Help > Support Tools (table editing and diagnosis for technical support).");
    parser.addOption(projectOption);
    parser.addOption(noSplash);
    parser.addOption(support);
    parser.addOption(screenshot);
    parser.process(app);
    CommandLine c;
    c.project = parser.value(projectOption);
    if (!parser.positionalArguments().isEmpty()) c.project = parser.positionalArguments().front();
    c.shotDir = parser.value(screenshot);
    c.splash = !parser.isSet(noSplash);
    c.supportTools = parser.isSet(support);
    return c;
}

/// True when the program is only asked to describe itself: that needs no display.
bool onlyDescribe(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        for (const char* o : {"-h", "--help", "-?", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], o) == 0) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // A file that reaches the size limit (ulimit -f) fails its write with EFBIG, reported like a
    // full disk, instead of ending the program and losing the session.
    std::signal(SIGXFSZ, SIG_IGN);
    if (onlyDescribe(argc, argv)) {
        // usage and version are printed in a terminal without a display too
        QCoreApplication core(argc, argv);
        describeProgram();
        parseCommandLine(core);  // prints and exits
        return 0;
    }
    QApplication app(argc, argv);
    describeProgram();
    const CommandLine cl = parseCommandLine(app);
    const QString project = cl.project, shotDir = cl.shotDir;
    const bool splash = cl.splash;
    if (!shotDir.isEmpty()) return screenshots(shotDir, project);

    kolv::gui::MainWindowOptions windowOptions;
    windowOptions.supportTools = cl.supportTools;
    kolv::gui::MainWindow window(windowOptions);  // reads the settings file
    auto* computeWindows = kolv::gui::compute::installComputeWindows(window);
    kolv::gui::shell::installShellCommands(window, *computeWindows);
    kolv::gui::installRenumberWindows(window);
    kolv::gui::editor_windows::installEditorWindows(window);
    kolv::gui::exchange::installExchangeWindows(window);
    kolv::gui::diagram::installDiagram(window);
    kolv::gui::submittal_window::installSubmittal(window);
    window.restoreLayout();  // every dock exists now; a layout that does not fit them is ignored
    if (splash) {
        kolv::gui::StartupDialog startup(4000);
        if (startup.exec() != QDialog::Accepted) return 0;  // Exit ends the program at once
    }
    window.show();
    if (!project.isEmpty()) window.openProjectFile(project.toStdString());
    return app.exec();
}
