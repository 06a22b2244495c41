// Screenshots of the computation and result windows after runs on the sample project, and of the
// Print Submittal window (offscreen).
//   compute_screenshots OUTDIR
#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QWidget>
#include <cstdio>
#include <memory>

#include "gui/compute/cost_window.h"
#include "gui/compute/flow_lines_window.h"
#include "gui/compute/hydraulics_window.h"
#include "gui/compute/pipe_sizes_window.h"
#include "gui/compute/print_order_window.h"
#include "gui/compute/profile_view.h"
#include "gui/compute/report_commands_gui.h"
#include "gui/common/report_preview.h"
#include "gui/compute/verification_window.h"
#include "gui/submittal/submittal_dialog.h"
#include "render/document_painter.h"
#include "support/test_support.h"
#include "ui/recording_ui.h"

using namespace kolv;
using namespace kolv::gui::compute;

namespace {

QString g_dir;

void settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

void shot(QWidget* w, const char* name) {
    w->show();
    settle();
    QString path = g_dir + "/" + name + ".png";
    if (!w->grab().save(path)) std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    else std::printf("%s\n", qPrintable(path));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: compute_screenshots OUTDIR\n");
        return 2;
    }
    g_dir = argv[1];
    QDir().mkpath(g_dir);

    test::TempDir dir;
    ui::RecordingUi recorder;
    Session session;
    auto project = db::openProject(test::makeSample(dir), recorder);
    std::string system = "MAINST";
    ComputeContext ctx;
    ctx.project = [&] { return project.get(); };
    ctx.system = [&] { return system; };
    ctx.session = &session;
    ctx.ui = &recorder;
    ctx.reportFolder = [] { return std::string(); };
    ctx.scripted = true;

    VerificationWindow verification(ctx);
    verification.runVerification();
    shot(&verification, "verification");

    HydraulicsWindow hyd(ctx, &verification);
    hyd.resize(1280, 860);
    hyd.tabs()->setCurrentIndex(0);
    shot(&hyd, "hydraulics_options");
    hyd.compute();
    hyd.tabs()->setCurrentIndex(1);
    shot(&hyd, "hydraulics_messages");
    hyd.tabs()->setCurrentIndex(2);
    hyd.refreshProfile();
    shot(&hyd, "hydraulics_profile");
    hyd.profileView()->exportPng(g_dir + "/profile_longest_path.png", QSize(2200, 1250));
    hyd.profileView()->exportPdf(g_dir + "/profile_longest_path.pdf");
    hyd.setProfileStart("S-1");
    hyd.refreshProfile();
    hyd.profileView()->exportPng(g_dir + "/profile_from_S-1.png", QSize(2200, 1250));

    if (ReportPreviewDialog* tabs = hyd.printStormTabs()) {
        tabs->resize(1200, 900);
        shot(tabs, "report_preview_storm_tabs");
        render::renderPage(tabs->document(), 0, 110).save(g_dir + "/storm_tabs_page1.png");
        tabs->close();
    }
    if (ReportPreviewDialog* msgs = hyd.printMessages()) {
        shot(msgs, "report_preview_messages");
        msgs->close();
    }

    PrintOrderWindow order(ctx);
    shot(&order, "print_order");
    order.hide();

    CostWindow cost(ctx);
    cost.compute();
    shot(&cost, "cost");

    PipeSizesWindow sizes(ctx, &verification);
    sizes.compute();
    shot(&sizes, "pipe_sizes");

    FlowLinesWindow flow(ctx, &verification);
    flow.compute();
    shot(&flow, "flow_lines");

    if (ReportPreviewDialog* nodes = runReportCommand(ctx, reports::ReportCommand::Nodes, nullptr)) {
        shot(nodes, "report_preview_nodes");
        nodes->close();
    }
    {
        gui::submittal_window::SubmittalDialog submittal({"MAINST", "OAKAVE"}, "OAKAVE",
                                                     QString::fromStdString(dir.file("submittal.pdf")));
        shot(&submittal, "print_submittal");
    }
    for (const auto& m : recorder.messages) std::printf("message: %s | %s\n", m.title.c_str(), m.text.c_str());
    return 0;
}
