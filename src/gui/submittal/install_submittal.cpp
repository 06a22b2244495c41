// File > Print Submittal...: the dialog, the computation of each system, the PDF written with progress.
#include "gui/submittal/install_submittal.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>

#include "common/error.h"
#include "gui/app/main_window.h"
#include "gui/submittal/submittal_dialog.h"
#include "kolv_version.h"
#include "render/submittal_pdf.h"
#include "submittal/submittal.h"

namespace kolv::gui::submittal_window {

namespace {

void printSubmittal(MainWindow& window) {
    db::Project* project = window.project();
    if (!project) {
        window.ui().message("Print Submittal", "Open a project first.", ui::Icon::Information, ui::Buttons::Ok,
                            ui::Answer::Ok);
        return;
    }
    if (!window.flushPendingEdits()) return;
    const auto systems = kolv::submittal::projectSystems(*project->db);
    QFileInfo info(QString::fromStdString(project->path));
    QString suggested = QDir(info.absolutePath()).filePath(info.completeBaseName() + "-submittal.pdf");
    SubmittalDialog dialog(systems, project->currentSystem, suggested, &window);
    if (dialog.exec() != QDialog::Accepted) return;
    kolv::submittal::SubmittalOptions opt;
    opt.systems = dialog.chosenSystems();
    opt.paper = dialog.paper();
    opt.programVersion = KOLV_VERSION;
    opt.reportFolder = window.settingsState().reportFolder;
    QProgressDialog progress("Computing the systems . . .", QString(), 0, 0, &window);
    progress.setWindowTitle("Print Submittal");
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    try {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        kolv::submittal::SubmittalComposer composer(*project, window.session(), window.ui(), opt);
        composer.prepare();
        progress.setLabelText("Writing the sheets . . .");
        progress.setMaximum(composer.pageCount());
        render::writeSubmittalPdf(composer, dialog.file(), [&](int done, int) {
            progress.setValue(done);
            QApplication::processEvents();
        });
        QApplication::restoreOverrideCursor();
        window.refreshAfterChange();  // the computations wrote the results of each system
        std::string text = "The submittal package was written to " + dialog.file().toStdString() + " (" +
                           std::to_string(composer.pageCount()) + " pages).";
        for (const auto& s : composer.failedSystems())
            text += "\r\rThe storm tabulation of system " + s +
                    " could not be computed; its sheets list the messages instead of the results.";
        window.ui().message("Print Submittal", text, ui::Icon::Information, ui::Buttons::Ok, ui::Answer::Ok);
    } catch (const std::exception& e) {
        QApplication::restoreOverrideCursor();
        window.ui().message("Print Submittal", e.what(), ui::Icon::Critical, ui::Buttons::Ok, ui::Answer::Ok);
    }
}

}  // namespace

QAction* installSubmittal(MainWindow& window) {
    QMenu* file = nullptr;
    for (QAction* a : window.menuBar()->actions())
        if (a->menu() && a->text().remove('&') == "File") file = a->menu();
    auto* action = new QAction("Print &Submittal...", &window);
    action->setObjectName("printSubmittalAction");
    action->setStatusTip("Print the submittal package of systems to one PDF");
    if (file) {
        QAction* before = window.action(Command::PrintActive);
        if (before && file->actions().contains(before)) file->insertAction(before, action);
        else file->addAction(action);
    }
    QObject::connect(action, &QAction::triggered, &window, [&window] { printSubmittal(window); });
    return action;
}

}  // namespace kolv::gui::submittal_window
