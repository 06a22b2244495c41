// Screenshots of the sample project's diagram with two label sets, fitted and zoomed in (offscreen).
//   diagram_screenshots OUTDIR
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPalette>
#include <QToolBar>
#include <QScrollBar>
#include <cstdio>
#include <fstream>

#include "diagram/labels.h"
#include "diagram/palette.h"
#include "gui/diagram/diagram_classes_dialog.h"
#include "gui/diagram/diagram_items.h"
#include "gui/diagram/display_options_dialog.h"
#include "gui/diagram/diagram_pane.h"
#include "gui/diagram/diagram_view.h"
#include "gui/diagram/install_diagram.h"
#include "gui/main_window.h"
#include "hydraulics/run_command.h"
#include "support/test_support.h"
#include "ui/recording_ui.h"

using namespace kolv;
using namespace kolv::gui;

namespace {

QString g_dir;

void settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

void shot(QWidget* w, const char* name) {
    settle();
    const QString path = g_dir + "/" + name + ".png";
    if (!w->grab().save(path)) std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    else std::printf("%s\n", qPrintable(path));
}

kolv::diagram::DisplayOptions set(std::initializer_list<const char*> fields) {
    kolv::diagram::DisplayOptions o;
    for (const char* f : fields) o.on[f] = true;
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: diagram_screenshots OUTDIR\n");
        return 2;
    }
    g_dir = argv[1];
    QDir().mkpath(g_dir);

    test::TempDir dir;
    const std::string ini = dir.file("KOLVLtV3.INI");
    std::ofstream(ini) << "[KOLV]\r\nDIAGRAMPALETTE=" << kolv::diagram::installedPalettePath() << "\r\nREPORTFILEPATH=\r\n";
    const std::string sample = test::makeSample(dir);
    {
        // label sets of the screenshots: 5 the design data, 6 the hydraulic results
        auto db = db::Database::open(sample);
        kolv::diagram::writeDisplayOptions(*db, 5, set({"LVSINT3", "LVSINT4", "LVSINT12", "LVSINT22", "LVSINT23",
                                                        "LVSINT28", "LVSSGL11", "LVSSGL13"}));
        kolv::diagram::writeDisplayOptions(*db, 6, set({"LVSINT19", "LVSINT20", "LVSSGL2", "LVSSGL6", "LVSSGL13",
                                                        "LVSSGL17"}));
    }

    ui::RecordingUi recorder;
    MainWindowOptions o;
    o.recorder = &recorder;
    o.rememberGeometry = false;
    o.settingsPath = ini;
    MainWindow w(o);
    gui::diagram::DiagramPane* pane = gui::diagram::installDiagram(w);
    w.resize(1600, 1000);
    w.show();
    settle();
    if (!w.openProjectFile(sample)) return 1;
    settle();
    {
        Session session;
        hydraulics::computeHydraulics(*w.project(), session, recorder, hydraulics::loadHydraulicsOptions(*w.project()->db),
                                      "MAINST");
    }
    gui::diagram::DiagramView* view = pane->view();

    auto zoomAt = [&](const char* node, int steps) {
        view->zoomFit();
        for (int i = 0; i < steps; ++i) view->zoomIn();
        view->centerOn(view->entity(node)->pos());
        settle();
    };
    pane->labelSetBox()->setCurrentIndex(4);  // set 5
    shot(&w, "diagram_open");
    w.runCommand(Command::RefreshDiagramFit);
    std::printf("fit: zoom %.2f, %d of %d entities labelled\n", view->zoomLevel(), view->visibleLabelCount(),
                view->entityCount());
    shot(&w, "diagram_set5_fit");
    view->zoomFit();
    std::printf("zoom fit: zoom %.2f, %d labels shown\n", view->zoomLevel(), view->visibleLabelCount());
    shot(pane, "diagram_set5_zoomfit");
    zoomAt("S-7", 4);
    view->selectEntity("S-7", false);  // the chosen node with its ring, over the reaches
    settle();
    std::printf("zoomed: zoom %.2f, %d labels shown\n", view->zoomLevel(), view->visibleLabelCount());
    shot(pane, "diagram_set5_zoom");

    pane->labelSetBox()->setCurrentIndex(5);  // set 6
    view->zoomFit();
    shot(pane, "diagram_set6_fit");
    zoomAt("S-13", 5);
    shot(pane, "diagram_set6_zoom");
    {
        gui::diagram::DisplayOptionsDialog options(*w.project()->db, 5, recorder, &w);
        options.show();
        shot(&options, "diagram_display_options");
        gui::diagram::DiagramClassesDialog classes(*w.project()->db, 0, recorder, &w);
        classes.show();
        shot(&classes, "diagram_classes");
    }
    // the tool icons on a light and on a dark desktop palette
    shot(pane->toolBar(), "diagram_tools_light");
    {
        QPalette dark;
        dark.setColor(QPalette::Window, QColor(37, 37, 38));
        dark.setColor(QPalette::WindowText, QColor(220, 220, 220));
        dark.setColor(QPalette::Base, QColor(30, 30, 30));
        dark.setColor(QPalette::Text, QColor(220, 220, 220));
        dark.setColor(QPalette::Button, QColor(45, 45, 48));
        dark.setColor(QPalette::ButtonText, QColor(220, 220, 220));
        const QPalette light = QApplication::palette();
        QApplication::setPalette(dark);
        shot(pane->toolBar(), "diagram_tools_dark");
        shot(&w, "main_dark");
        QApplication::setPalette(light);
    }
    pane->exportPng(g_dir + "/diagram_export.png");
    pane->exportPdf(g_dir + "/diagram_export.pdf");
    for (const auto& m : recorder.messages) std::printf("message: %s | %s\n", m.title.c_str(), m.text.c_str());
    return 0;
}
