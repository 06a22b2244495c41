// Screenshots of the sample project's diagram with two label sets, fitted and zoomed in, the
// command toolbar and its icons, the Design Review dock, the undo history, and of systems without
// coordinates, with survey coordinates and a small hand-drawn one (offscreen).
//   diagram_screenshots OUTDIR
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPainter>
#include <QPalette>
#include <QToolBar>
#include <QScrollBar>
#include <cstdio>
#include <fstream>
#include <functional>

#include "diagram/labels.h"
#include "diagram/palette.h"
#include "gui/diagram/design_review_dock.h"
#include "gui/diagram/diagram_classes_dialog.h"
#include "gui/diagram/diagram_items.h"
#include "gui/diagram/display_options_dialog.h"
#include "gui/diagram/diagram_pane.h"
#include "gui/diagram/diagram_view.h"
#include "gui/diagram/install_diagram.h"
#include "gui/app/main_window.h"
#include "gui/app/undo_controller.h"
#include "review/design_criteria.h"
#include "session/session.h"
#include "hydraulics/run_command.h"
#include "db/project.h"
#include "support/random_system.h"
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
        hydraulics::computeHydraulics(*w.project(), session, recorder, hydraulics::loadHydraulicsOptions(*w.project()->db, w.project()->metric),
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

    // The command toolbar twice its size, and every command icon at 64 px on one sheet.
    if (auto* bar = w.findChild<QToolBar*>("CommandsToolBar")) {
        const QPixmap tools = bar->grab();
        tools.scaled(tools.size() * 2, Qt::KeepAspectRatio, Qt::SmoothTransformation).save(g_dir + "/toolbar_x2.png");
        QPixmap sheet(72 * 12, 72 * 2);
        sheet.fill(Qt::white);
        QPainter painter(&sheet);
        int k = 0;
        for (QAction* a : bar->actions())
            if (!a->icon().isNull()) {
                painter.drawPixmap((k % 12) * 72 + 4, (k / 12) * 72 + 4, a->icon().pixmap(64, 64));
                ++k;
            }
        painter.end();
        sheet.save(g_dir + "/icons_64.png");
    }

    // The Design Review dock after a run held to 5 ft/s, with the marks it puts on the diagram.
    if (auto* dock = w.findChild<gui::diagram::DesignReviewDock*>()) {
        auto criteria = review::loadCriteria(*w.project());
        criteria.maxVelocityFtS = 5.0;
        review::saveCriteria(*w.project(), criteria);
        Session session;
        hydraulics::computeHydraulics(*w.project(), session, recorder, hydraulics::loadHydraulicsOptions(*w.project()->db, w.project()->metric),
                                      "MAINST");
        w.refreshAfterChange();
        dock->show();
        dock->raise();
        view->zoomFit();
        shot(&w, "review_dock");
        shot(pane, "review_marked_diagram");
        review::saveCriteria(*w.project(), review::DesignCriteria::defaults(false));
    }
    // The undo history list beside the diagram.
    if (UndoController* undo = w.undoController()) {
        if (!undo->historyAction()->isChecked()) undo->historyAction()->trigger();
        shot(&w, "undo_history");
    }

    // Projects of their own: a generated system of 10,000 nodes without coordinates (the
    // automatic layout), seven nodes drawn by hand with three-line labels, survey coordinates.
    auto project = [&](const char* file, const std::function<void(db::Project&)>& fill) {
        const std::string path = test::makeEmptyProject(dir, file);
        ui::SilentUi silent;
        auto p = db::openProject(path, silent);
        fill(*p);
        return path;
    };
    auto openAndFit = [&](const std::string& path) {
        if (!w.openProjectFile(path)) return false;
        settle();
        while (view->drawingPending()) QApplication::processEvents();
        view->zoomFit();
        settle();
        return true;
    };
    const std::string generated = project("generated.mdb", [](db::Project& p) {
        test::RandomSystemOptions shape;
        shape.system = "RANDOM1";
        shape.reaches = 10000;
        test::addRandomSystem(*p.db, shape);
        db::setCurrentSystem(p, "RANDOM1");
    });
    if (openAndFit(generated)) {
        std::printf("automatic layout: %d entities, extent %.0f x %.0f units\n", view->entityCount(),
                    view->scene()->itemsBoundingRect().width(), view->scene()->itemsBoundingRect().height());
        shot(&w, "diagram_auto_10000_fit");
        view->centerOn(view->entity("ROUT")->pos());
        for (int i = 0; i < 12; ++i) view->zoomIn();
        view->centerOn(view->entity("ROUT")->pos());
        shot(pane, "diagram_auto_10000_outfall");
    }
    auto seven = [](db::Project& p) {
        p.db->execute("INSERT INTO T16 (SYSTEM, OUT_NODE, STRUCT_NAME, XD, YD) VALUES ('S1', 'OUT', 'OUTFALL', 7200, 3100)");
        const struct {
            const char* name;
            double x, y;
            const char* to;
        } nodes[] = {{"I1", 1500, 1200, "M1"}, {"I2", 1400, 3000, "M1"}, {"I3", 2600, 4700, "M2"}, {"M1", 3300, 2300, "M2"},
                     {"M2", 5000, 3400, "M3"}, {"I4", 4900, 1300, "M3"}, {"M3", 6100, 3000, "OUT"}};
        for (const auto& n : nodes) {
            p.db->execute("INSERT INTO NODE (NAME, SYSTEM, STRUCT_NAME, XD, YD, INLET_ELEV, STATION, OFFSET) "
                          "VALUES (?, 'S1', 'CI5', ?, ?, 104.5, '12+40', 18)",
                          {std::string(n.name), n.x, n.y});
            p.db->execute("INSERT INTO REACH (NAME, SYSTEM, NODE1, NODE2, LENGTH) VALUES (?, 'S1', ?, ?, 240)",
                          {std::string(n.name), std::string(n.name), std::string(n.to)});
        }
        p.db->execute("UPDATE T27 SET LVSINT3 = -1, LVSINT4 = -1 WHERE RECNUM = 1");
        db::setCurrentSystem(p, "S1");
    };
    pane->labelSetBox()->setCurrentIndex(0);
    if (openAndFit(project("seven.mdb", seven))) {
        std::printf("seven nodes at fit: %d labels shown of %d entities\n", view->visibleLabelCount(), view->entityCount());
        shot(pane, "diagram_seven_fit");
        pane->labelSetBox()->setCurrentIndex(1);
        settle();
        shot(pane, "diagram_seven_fit_set2");
        pane->labelSetBox()->setCurrentIndex(0);
    }
    auto survey = [](db::Project& p) {
        // state-plane feet: a trunk along a street with two laterals
        p.db->execute("INSERT INTO T16 (SYSTEM, OUT_NODE, STRUCT_NAME, XD, YD) VALUES ('MAIN', 'OUT', 'OUTFALL', 2482260.5, 712010.2)");
        const struct {
            const char* name;
            double x, y;
            const char* to;
        } nodes[] = {{"S-1", 2481020.3, 712655.8, "S-2"}, {"S-2", 2481330.9, 712540.1, "S-3"},
                     {"S-3", 2481655.2, 712420.7, "S-4"}, {"S-4", 2481960.6, 712305.4, "OUT"},
                     {"S-5", 2481540.0, 712880.2, "S-3"}, {"S-6", 2481905.8, 712702.5, "S-4"}};
        for (const auto& n : nodes) {
            p.db->execute("INSERT INTO NODE (NAME, SYSTEM, STRUCT_NAME, XD, YD) VALUES (?, 'MAIN', 'MH5', ?, ?)",
                          {std::string(n.name), n.x, n.y});
            p.db->execute("INSERT INTO REACH (NAME, SYSTEM, NODE1, NODE2) VALUES (?, 'MAIN', ?, ?)",
                          {std::string(n.name), std::string(n.name), std::string(n.to)});
        }
        db::setCurrentSystem(p, "MAIN");
    };
    if (openAndFit(project("survey.mdb", survey))) {
        std::printf("survey coordinates: %d entities, %d labels shown\n", view->entityCount(), view->visibleLabelCount());
        shot(&w, "diagram_survey_fit");
    }
    for (const auto& m : recorder.messages) std::printf("message: %s | %s\n", m.title.c_str(), m.text.c_str());
    return 0;
}
