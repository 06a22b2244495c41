// Opening and drawing the network diagram of synthetic systems of 1,000 and 10,000 nodes, offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include "bench_folder.h"
#include "db/database.h"
#include "db/seed_builder.h"
#include "diagram/labels.h"
#include "diagram/palette.h"
#include "gui/diagram/diagram_view.h"
#include "ui/ui_port.h"

namespace {

namespace fs = std::filesystem;
using namespace kolv;

kolv::bench::BenchFolder& folder() { return kolv::bench::processFolder("kolv-diagram-bench"); }

/// A system of n nodes on a square lattice inside the diagram limits: trunks along the rows, each
/// row's last node draining down the right-hand column to the outfall. Labels show the structure,
/// the inlet elevation and the pipe.
std::string makeProject(int n) {
    const fs::path path = folder().path() / ("diagram-" + std::to_string(n) + ".mdb");
    if (fs::exists(path)) return path.string();
    const fs::path seed = folder().path() / "seed.mdb";
    if (!fs::exists(seed)) db::buildSeed(seed.string(), std::string(KOLV_DATA_DIR) + "/seed");
    fs::copy_file(seed, path);
    auto db = db::Database::open(path.string());
    const int side = static_cast<int>(std::ceil(std::sqrt(n)));
    const double spacing = 9000.0 / side;  // diagram units
    db->begin();
    db->execute("INSERT INTO T16 (SYSTEM, OUT_NODE, STRUCT_NAME, XD, YD) VALUES ('BIG', 'OUT', 'OUTFALL', ?, ?)",
                {100 + side * spacing, 100 + side * spacing});
    auto name = [](int k) { return "N" + std::to_string(k); };
    auto node = db->prepare("INSERT INTO NODE (NAME, SYSTEM, STRUCT_NAME, XD, YD, INLET_ELEV) VALUES (?, 'BIG', 'CI5', ?, ?, ?)");
    auto reach = db->prepare("INSERT INTO REACH (NAME, SYSTEM, NODE1, NODE2, PIPE_NAME, LENGTH) VALUES (?, 'BIG', ?, ?, 'RCP18', ?)");
    for (int k = 0; k < n; ++k) {
        const int row = k / side, col = k % side;
        node.bindAll({name(k), 100 + col * spacing, 100 + row * spacing, 40.0 - 0.001 * k});
        node.step();
        node.reset();
        std::string to;
        if (col + 1 < side && k + 1 < n) to = name(k + 1);              // along the row
        else if (k + side < n) to = name(((row + 2) * side) - 1 < n ? (row + 2) * side - 1 : n - 1);
        else to = "OUT";
        if (to == name(k)) to = "OUT";
        reach.bindAll({name(k), name(k), to, spacing});
        reach.step();
        reach.reset();
    }
    db->commit();
    kolv::diagram::DisplayOptions o;
    for (const char* f : {"LVSINT3", "LVSINT4", "LVSINT22", "LVSINT23"}) o.on[f] = true;
    kolv::diagram::writeDisplayOptions(*db, 1, o);
    return path.string();
}

struct Fixture {
    std::unique_ptr<db::Database> db;
    Session session;
    ui::SilentUi ui;
    gui::diagram::DiagramView view;
    explicit Fixture(int n) : db(db::Database::open(makeProject(n))) {
        view.resize(1400, 900);
        gui::diagram::DiagramContext c;
        c.db = db.get();
        c.session = &session;
        c.ui = &ui;
        c.system = "BIG";
        c.palettePath = [] { return kolv::diagram::installedPalettePath(); };
        view.setContext(c);
    }
    void paint() {
        QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
        QPainter p(&image);
        view.render(&p);
    }
};

/// Reading the system, building the symbols, reaches and labels, placing the labels (a redraw
/// with everything its first picture leaves for later done at once).
void BM_OpenDiagram(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        f.view.redraw(true);
        f.view.completeDrawing();
        QApplication::processEvents();  // the scene settles its new items, as after any command
        benchmark::DoNotOptimize(f.view.entityCount());
    }
    state.counters["entities"] = f.view.entityCount();
}

/// Reading the system and painting its first picture, as the engineer waits for it (the items
/// and labels follow it).
void BM_OpenAndDraw(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        f.view.redraw(true);
        QApplication::processEvents();
        f.paint();
    }
}

/// One frame of the whole system (fitted) and one zoomed in on a corner (pan and zoom).
void BM_PaintFitted(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    f.view.redraw(true);
    f.view.completeDrawing();
    QApplication::processEvents();
    f.view.zoomFit();
    for (auto _ : state) f.paint();
    state.counters["labels"] = f.view.visibleLabelCount();
}

void BM_ZoomStepAndPaint(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    f.view.redraw(true);
    f.view.completeDrawing();
    QApplication::processEvents();
    f.view.zoomFit();
    for (int i = 0; i < 6; ++i) f.view.zoomIn();
    f.view.centerOn(QPointF(3000, 3000));
    bool in = true;
    for (auto _ : state) {
        in ? f.view.zoomIn() : f.view.zoomOut();
        in = !in;
        f.paint();
    }
    state.counters["labels"] = f.view.visibleLabelCount();
}

/// The window's own repaint (paint event through the scene index), shown offscreen, whole system
/// fitted and then one pan step of 40 pixels.
void BM_WindowRepaintPan(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    f.view.show();
    f.view.redraw(true);
    f.view.completeDrawing();
    QApplication::processEvents();
    f.view.zoomFit();
    if (state.range(1)) {
        for (int i = 0; i < 6; ++i) f.view.zoomIn();
        f.view.centerOn(QPointF(3000, 3000));
    }
    int dx = 40;
    for (auto _ : state) {
        f.view.horizontalScrollBar()->setValue(f.view.horizontalScrollBar()->value() + dx);
        dx = -dx;
        f.view.viewport()->repaint();
    }
}

BENCHMARK(BM_WindowRepaintPan)->Args({1000, 0})->Args({10000, 0})->Args({10000, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenDiagram)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAndDraw)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintFitted)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZoomStepAndPaint)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
