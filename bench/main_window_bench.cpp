// The desktop program on large systems, offscreen: opening a project, switching systems and
// choosing a node, with and without the diagram catching up.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench_folder.h"
#include "db/project_file.h"
#include "db/seed_builder.h"
#include "gui/diagram/diagram_view.h"
#include "gui/diagram/install_diagram.h"
#include "gui/app/main_window.h"
#include "gui/app/node_list_view.h"
#include "support/random_system.h"
#include "ui/recording_ui.h"

namespace {

namespace fs = std::filesystem;
using namespace kolv;

kolv::bench::BenchFolder& folder() { return kolv::bench::processFolder("kolv-window-bench"); }

/// Places a generated system as an engineer's drawing would show it: each branch beside the
/// next, each node one step upstream of the node it drains to, the outfall at the right.
void layOut(db::Database& db, const std::string& system) {
    std::unordered_map<std::string, std::vector<std::string>> upstream;
    std::unordered_map<std::string, bool> drains;
    db::Statement reaches = db.prepare("SELECT NODE1, NODE2 FROM REACH WHERE SYSTEM = ?");
    reaches.bind(1, system);
    while (reaches.step()) {
        upstream[reaches.column(1).toText()].push_back(reaches.column(0).toText());
        drains[reaches.column(0).toText()] = true;
    }
    const std::string outfall = db.scalar("SELECT OUT_NODE FROM T16 WHERE SYSTEM = ?", {system}).toText();
    std::unordered_map<std::string, std::pair<int, int>> at;  // depth, branch line
    int lines = 0, deepest = 0;
    std::vector<std::pair<std::string, int>> stack{{outfall, 0}};
    while (!stack.empty()) {
        auto [node, depth] = stack.back();
        stack.pop_back();
        const auto up = upstream.find(node);
        at[node] = {depth, lines};
        deepest = std::max(deepest, depth);
        if (up == upstream.end()) ++lines;  // a branch ends: the next starts on a new line
        else
            for (const std::string& u : up->second) stack.push_back({u, depth + 1});
    }
    const double dx = 9800.0 / std::max(1, deepest), dy = 9800.0 / std::max(1, lines);
    db.begin();
    db::Statement place = db.prepare("UPDATE NODE SET XD = ?, YD = ? WHERE SYSTEM = ? AND NAME = ?");
    for (const auto& [node, p] : at) {
        place.bindAll({9900 - p.first * dx, 100 + p.second * dy, system, node});
        place.step();
        place.reset();
    }
    db.execute("UPDATE T16 SET XD = 9900, YD = 100 WHERE SYSTEM = ?", {system});
    db.commit();
}

/// Two generated systems of n reaches each, laid out on the diagram.
std::string makeProject(int n) {
    const fs::path path = folder().path() / ("window-" + std::to_string(n) + ".mdb");
    if (fs::exists(path)) return path.string();
    db::buildSeed(path.string(), std::string(KOLV_DATA_DIR) + "/seed");
    ui::SilentUi silent;
    auto project = db::openProject(path.string(), silent);
    for (int s = 0; s < 2; ++s) {
        test::RandomSystemOptions shape;
        shape.system = "RANDOM" + std::to_string(s + 1);
        shape.prefix = std::string(1, static_cast<char>('A' + s));
        shape.reaches = static_cast<std::size_t>(n);
        shape.seed += static_cast<std::uint32_t>(s);
        test::addRandomSystem(*project->db, shape);
    }
    for (int s = 0; s < 2; ++s) layOut(*project->db, "RANDOM" + std::to_string(s + 1));
    db::setCurrentSystem(*project, "RANDOM1");
    return path.string();
}

struct Window {
    ui::RecordingUi recorder;
    std::unique_ptr<gui::MainWindow> w;
    Window() {
        gui::MainWindowOptions o;
        o.recorder = &recorder;
        o.rememberGeometry = false;
        o.settingsPath = (folder().path() / "KOLVLtV3.INI").string();
        w = std::make_unique<gui::MainWindow>(o);
        gui::diagram::installDiagram(*w);
        w->resize(1360, 860);
        w->show();
    }
};

/// Opening the project until the main window, node list, panel and the diagram's first picture
/// are shown (range(1) = 0), or until the diagram's labels are read, placed and painted too (1).
void BM_OpenProject(benchmark::State& state) {
    const std::string path = makeProject(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<Window>();
        QApplication::processEvents();
        auto* view = window->w->findChild<gui::diagram::DiagramView*>();
        const long frames = view->framesPainted();
        state.ResumeTiming();
        window->w->openProjectFile(path);
        while (view->framesPainted() == frames) QApplication::processEvents();
        if (state.range(1)) {
            while (view->drawingPending()) QApplication::processEvents();
            QApplication::processEvents();
        }
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}

/// Choosing the other system in the tool bar, timed until: the node list and panel are filled
/// (range(1) = 0); the diagram's first picture of it is painted (1); its labels are read,
/// placed and painted too (2).
void BM_SwitchSystem(benchmark::State& state) {
    Window window;
    window.w->openProjectFile(makeProject(static_cast<int>(state.range(0))));
    QApplication::processEvents();
    QComboBox* systems = window.w->systemSelector();
    auto* view = window.w->findChild<gui::diagram::DiagramView*>();
    const int until = static_cast<int>(state.range(1));  // 0 list and panel, 1 first picture, 2 labels too
    for (auto _ : state) {
        const long frames = view->framesPainted();
        systems->setCurrentIndex(systems->currentIndex() == 0 ? 1 : 0);
        if (until == 0) {
            state.PauseTiming();
            QApplication::processEvents();
            while (view->drawingPending()) QApplication::processEvents();
            QApplication::processEvents();
            state.ResumeTiming();
            continue;
        }
        while (view->framesPainted() == frames) QApplication::processEvents();
        if (until == 1) state.PauseTiming();
        while (view->drawingPending()) QApplication::processEvents();
        QApplication::processEvents();  // the picture with the labels
        if (until == 1) state.ResumeTiming();
    }
    state.counters["listed"] = window.w->nodeList()->rowCount();
    state.counters["drawn"] = view->entityCount();
    state.counters["labels"] = view->visibleLabelCount();
}

/// Choosing a node in the list: the panel shows it and the diagram marks it.
void BM_SelectNode(benchmark::State& state) {
    Window window;
    window.w->openProjectFile(makeProject(static_cast<int>(state.range(0))));
    QApplication::processEvents();
    gui::NodeListView* list = window.w->nodeList();
    int row = 0;
    for (auto _ : state) {
        row = (row + 7919) % list->rowCount();
        list->selectRow(row);
        QApplication::processEvents();
    }
}

/// The pointer moving over the 10,000-node diagram, and finding what lies under it as a click
/// does (range(1) = 1): what the scene's walk over its items costs.
void BM_PointerOverDiagram(benchmark::State& state) {
    Window window;
    window.w->openProjectFile(makeProject(static_cast<int>(state.range(0))));
    auto* view = window.w->findChild<gui::diagram::DiagramView*>();
    QApplication::processEvents();
    view->completeDrawing();
    QApplication::processEvents();
    QWidget* port = view->viewport();
    int step = 0;
    for (auto _ : state) {
        step = (step + 37) % std::max(1, port->width() - 20);
        const QPointF at(10 + step, port->height() / 2.0);
        if (state.range(1)) {
            benchmark::DoNotOptimize(view->items(at.toPoint()));
            continue;
        }
        QMouseEvent move(QEvent::MouseMove, at, port->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(port, &move);
    }
    state.counters["drawn"] = view->entityCount();
    state.counters["items"] = static_cast<double>(view->scene()->items().size());
}

BENCHMARK(BM_OpenProject)->Args({1000, 0})->Args({10000, 0})->Args({10000, 1})->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SwitchSystem)->Args({10000, 0})->Args({10000, 1})->Args({10000, 2})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectNode)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PointerOverDiagram)->Args({10000, 0})->Args({10000, 1})->Unit(benchmark::kMillisecond);

}  // namespace
