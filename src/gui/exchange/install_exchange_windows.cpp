// Puts the import and export windows on the main window's commands.
#include "gui/exchange/install_exchange_windows.h"

#include <QPointer>

#include "common/text.h"
#include "gui/exchange/cad_gis_windows.h"
#include "gui/exchange/export_window.h"
#include "gui/exchange/import_window.h"
#include "gui/app/main_window.h"

namespace kolv::gui::exchange {

namespace {

template <class W>
void present(W* w) {
    w->show();
    w->raise();
    w->activateWindow();
}

}  // namespace

void installExchangeWindows(MainWindow& window) {
    compute::ComputeContext ctx;
    MainWindow* w = &window;
    ctx.project = [w] { return w->project(); };
    ctx.system = [w] { return w->project() ? trim(w->project()->currentSystem) : std::string(); };
    ctx.session = &window.session();
    ctx.ui = &window.ui();
    ctx.reportFolder = [w] { return w->settingsState().reportFolder; };
    ctx.scripted = window.ui().recorder() != nullptr;
    ctx.parent = &window;

    auto importWindow = std::make_shared<QPointer<ImportWindow>>();
    auto exportWindow = std::make_shared<QPointer<ExportWindow>>();
    window.setCommandHandler(Command::ImportStormSewer, [w, ctx, importWindow] {
        // The import reads and writes nodes: what the panel holds goes in first.
        w->flushPendingEdits();
        if (!*importWindow) {
            *importWindow = new ImportWindow(ctx, w);
            // systems, lists, panel, diagram and result windows all show the imported records
            (*importWindow)->setOnImported([w] { w->refreshAfterChange(); });
        }
        present(importWindow->data());
    });
    auto landXmlWindow = std::make_shared<QPointer<LandXmlImportWindow>>();
    auto cadGisWindow = std::make_shared<QPointer<CadGisExportWindow>>();
    window.setCommandHandler(Command::ImportLandXml, [w, ctx, landXmlWindow] {
        w->flushPendingEdits();
        if (!*landXmlWindow) {
            *landXmlWindow = new LandXmlImportWindow(ctx, w);
            // systems, lists, panel, diagram and result windows all show the imported records
            (*landXmlWindow)->setOnImported([w] { w->refreshAfterChange(); });
        }
        present(landXmlWindow->data());
    });
    auto gisWindow = std::make_shared<QPointer<GisImportWindow>>();
    window.setCommandHandler(Command::ImportGis, [w, ctx, gisWindow] {
        w->flushPendingEdits();
        if (!*gisWindow) {
            *gisWindow = new GisImportWindow(ctx, w);
            // systems, lists, panel, diagram and result windows all show the imported records
            (*gisWindow)->setOnImported([w] { w->refreshAfterChange(); });
        }
        present(gisWindow->data());
    });
    window.setCommandHandler(Command::ExportCadGis, [w, ctx, cadGisWindow] {
        w->flushPendingEdits();
        if (!*cadGisWindow) *cadGisWindow = new CadGisExportWindow(ctx, w);
        else (*cadGisWindow)->reload();
        present(cadGisWindow->data());
    });
    // what they read (setups, links, structures) belongs to the project that closes
    QObject::connect(&window, &MainWindow::projectClosing, &window,
                     [importWindow, exportWindow, landXmlWindow, gisWindow, cadGisWindow] {
        delete importWindow->data();
        delete exportWindow->data();
        delete landXmlWindow->data();
        delete gisWindow->data();
        delete cadGisWindow->data();
    });
    window.setCommandHandler(Command::ExportStructures, [w, ctx, exportWindow] {
        w->flushPendingEdits();
        if (!*exportWindow) *exportWindow = new ExportWindow(ctx, w);
        else (*exportWindow)->reload();
        present(exportWindow->data());
    });
}

}  // namespace kolv::gui::exchange
