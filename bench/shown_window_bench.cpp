// The desktop program as the engineer waits for it: a shown main window on a real display (xcb,
// e.g. under Xvfb), each action timed until its picture has reached the display server.
//
//     Xvfb :99 -screen 0 1600x1000x24 &
//     DISPLAY=:99 QT_QPA_PLATFORM=xcb build/bench/bench_shown_window
//
// A picture counts once the diagram's viewport has painted it and the server has answered a
// request sent after it (so it has put the window's pixels on its screen).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QtGui/qguiapplication_platform.h>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>
#include <xcb/xcb.h>

#include "bench_folder.h"
#include "db/project_file.h"
#include "db/seed_builder.h"
#include "gui/diagram/diagram_items.h"
#include "gui/diagram/diagram_view.h"
#include "gui/diagram/install_diagram.h"
#include "gui/app/edit_panel_widget.h"
#include "gui/app/main_window.h"
#include "gui/app/node_list_view.h"
#include "support/random_system.h"
#include "ui/recording_ui.h"

namespace {

namespace fs = std::filesystem;
using namespace kolv;

kolv::bench::BenchFolder& folder() { return kolv::bench::processFolder("kolv-shown-bench"); }

/// Places a generated system inside the square from 100 to 9900: each branch beside the next,
/// each node one step upstream of the node it drains to, the outfall at the right.
void layOut(db::Database& db, const std::string& system) {
    std::unordered_map<std::string, std::vector<std::string>> upstream;
    db::Statement reaches = db.prepare("SELECT NODE1, NODE2 FROM REACH WHERE SYSTEM = ?");
    reaches.bind(1, system);
    while (reaches.step()) upstream[reaches.column(1).toText()].push_back(reaches.column(0).toText());
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
        if (up == upstream.end()) ++lines;
        else
            for (const std::string& u : up->second) stack.push_back({u, depth + 1});
    }
    const double dx = 9800.0 / std::max(1, deepest), dy = 9800.0 / std::max(1, lines);
    db::Transaction tx(db);
    db::Statement place = db.prepare("UPDATE NODE SET XD = ?, YD = ? WHERE SYSTEM = ? AND NAME = ?");
    for (const auto& [node, p] : at) {
        place.bindAll({9900 - p.first * dx, 100 + p.second * dy, system, node});
        place.step();
        place.reset();
    }
    db.execute("UPDATE T16 SET XD = 9900, YD = 100 WHERE SYSTEM = ?", {system});
    tx.commit();
}

/// Two generated systems of n nodes each, as `kolv-random-project` writes them (without
/// coordinates: `stored` = false), or placed on the diagram.
std::string makeProject(int n, bool stored) {
    const fs::path path = folder().path() / ("shown-" + std::to_string(n) + (stored ? "-xy" : "") + ".mdb");
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
        if (stored) layOut(*project->db, shape.system);
    }
    db::setCurrentSystem(*project, "RANDOM1");
    return path.string();
}

/// A round trip to the display server: every request sent before it, the window's last
/// picture included, has been carried out when it returns.
void roundTrip() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) return;
    xcb_connection_t* c = x11->connection();
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

struct Window {
    ui::RecordingUi recorder;
    std::unique_ptr<gui::MainWindow> w;
    gui::diagram::DiagramView* view = nullptr;
    explicit Window(const std::string& path = {}) {
        gui::MainWindowOptions o;
        o.recorder = &recorder;
        o.rememberGeometry = false;
        o.settingsPath = (folder().path() / "KOLVLtV3.INI").string();
        w = std::make_unique<gui::MainWindow>(o);
        gui::diagram::installDiagram(*w);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        w->setGeometry(screen.adjusted(0, 0, 0, -40));
        w->show();
        QTest::qWaitForWindowExposed(w.get());
        view = w->findChild<gui::diagram::DiagramView*>();
        if (!path.empty()) {
            w->openProjectFile(path);
            settle();
        }
        // the pointer rests over the diagram, as the engineer's hand does
        QTest::mouseMove(view->viewport(), view->viewport()->rect().center());
        settle();
    }
    /// Until everything due has been done and shown.
    void settle() {
        for (int i = 0; i < 3; ++i) {
            QApplication::processEvents();
            while (view->drawingPending()) QApplication::processEvents();
        }
        roundTrip();
    }
    /// Until the viewport has painted a new picture and the server has shown it; false when no
    /// picture came within the limit.
    bool waitForFrame(long before, int limitMs = 20000) {
        QElapsedTimer guard;
        guard.start();
        while (view->framesPainted() == before && guard.elapsed() < limitMs) QApplication::processEvents();
        roundTrip();
        return view->framesPainted() != before;
    }
};

bool shownPlatform(benchmark::State& state) {
    if (QGuiApplication::platformName() == "xcb") return true;
    state.SkipWithError("needs a display: run with QT_QPA_PLATFORM=xcb (e.g. under Xvfb)");
    return false;
}

/// Opening a project until the diagram's first picture is on the screen (range(2) = 0), or until
/// its items and labels are made and shown too (1). range(1): coordinates stored.
void BM_ShownOpen(benchmark::State& state) {
    if (!shownPlatform(state)) return;
    const std::string path = makeProject(static_cast<int>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<Window>();
        const long frames = window->view->framesPainted();
        state.ResumeTiming();
        window->w->openProjectFile(path);
        window->waitForFrame(frames);
        if (state.range(2)) window->settle();
        state.PauseTiming();
        window.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

/// One step of zoom in or out (the keys of the diagram), until its picture is shown.
void BM_ShownZoom(benchmark::State& state) {
    if (!shownPlatform(state)) return;
    Window window(makeProject(static_cast<int>(state.range(0)), state.range(1) != 0));
    bool in = true;
    for (auto _ : state) {
        const long frames = window.view->framesPainted();
        if (in) window.view->zoomIn();
        else window.view->zoomOut();
        in = !in;
        window.waitForFrame(frames);
    }
    state.counters["labels"] = window.view->visibleLabelCount();
}

/// Dragging the diagram 40 px with the middle button, until the moved picture is shown.
void BM_ShownPan(benchmark::State& state) {
    if (!shownPlatform(state)) return;
    Window window(makeProject(static_cast<int>(state.range(0)), state.range(1) != 0));
    window.view->zoomIn();
    window.view->zoomIn();
    window.settle();
    QWidget* port = window.view->viewport();
    const QPoint centre = port->rect().center();
    int sign = 1;
    for (auto _ : state) {
        const long frames = window.view->framesPainted();
        QTest::mousePress(port, Qt::MiddleButton, {}, centre);
        QMouseEvent move(QEvent::MouseMove, QPointF(centre + QPoint(40 * sign, 25 * sign)),
                         port->mapToGlobal(QPointF(centre + QPoint(40 * sign, 25 * sign))), Qt::NoButton,
                         Qt::MiddleButton, Qt::NoModifier);
        QApplication::sendEvent(port, &move);
        QTest::mouseRelease(port, Qt::MiddleButton, {}, centre + QPoint(40 * sign, 25 * sign));
        sign = -sign;
        window.waitForFrame(frames);
    }
}

/// A click on a node's symbol: the panel shows the node and the diagram marks it.
void BM_ShownClickNode(benchmark::State& state) {
    if (!shownPlatform(state)) return;
    Window window(makeProject(static_cast<int>(state.range(0)), state.range(1) != 0));
    window.view->zoomIn();
    window.view->zoomIn();
    window.settle();
    QWidget* port = window.view->viewport();
    // clear of the edges: a node chosen within 80 px of one is brought into view, which would
    // move the others away from where they are clicked
    const QRect inside = port->rect().adjusted(100, 100, -100, -100);
    // Where a symbol of this entity is the first thing under the pointer: a click there chooses
    // it (a label or another symbol lying over it would take the click instead).
    auto clickPoint = [&](QGraphicsItem* entity) -> std::optional<QPoint> {
        const QPoint at = window.view->mapFromScene(entity->scenePos());
        if (!inside.contains(at) || window.view->itemAt(at) != entity) return std::nullopt;
        return at;
    };
    std::vector<QGraphicsItem*> targets;
    for (QGraphicsItem* i : window.view->items(port->rect()))
        if (i->type() == gui::diagram::EntityItem::Type && clickPoint(i)) targets.push_back(i);
    if (targets.size() < 2) {
        state.SkipWithError("fewer than two symbols in sight");
        return;
    }
    std::size_t k = 0;
    long unanswered = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::optional<QPoint> at;
        for (std::size_t tries = 0; !at && tries < targets.size(); ++tries) at = clickPoint(targets[k++ % targets.size()]);
        if (!at) {
            state.SkipWithError("the symbols moved out of reach");
            break;
        }
        const long frames = window.view->framesPainted();
        state.ResumeTiming();
        QTest::mouseClick(port, Qt::LeftButton, {}, *at);
        if (!window.waitForFrame(frames, 5000)) ++unanswered;
    }
    state.counters["targets"] = static_cast<double>(targets.size());
    // a click that brought no new picture: the benchmark's own fault, which would spoil the figure
    state.counters["unanswered"] = static_cast<double>(unanswered);
}

/// Choosing the other system in the tool bar until its first picture is shown (range(2) = 0),
/// or until its items and labels are made and shown too (1).
void BM_ShownSwitchSystem(benchmark::State& state) {
    if (!shownPlatform(state)) return;
    Window window(makeProject(static_cast<int>(state.range(0)), state.range(1) != 0));
    QComboBox* systems = window.w->systemSelector();
    for (auto _ : state) {
        const long frames = window.view->framesPainted();
        systems->setCurrentIndex(systems->currentIndex() == 0 ? 1 : 0);
        window.waitForFrame(frames);
        if (state.range(2)) window.settle();
        state.PauseTiming();
        window.settle();
        state.ResumeTiming();
    }
}

void sizes(benchmark::internal::Benchmark* b) {
    for (int n : {1000, 10000})
        for (int stored : {0, 1}) b->Args({n, stored});
}
void sizesUntil(benchmark::internal::Benchmark* b) {
    for (int n : {1000, 10000})
        for (int stored : {0, 1})
            for (int until : {0, 1}) b->Args({n, stored, until});
}

BENCHMARK(BM_ShownOpen)->Apply(sizesUntil)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ShownZoom)->Apply(sizes)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_ShownPan)->Apply(sizes)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_ShownClickNode)->Apply(sizes)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_ShownSwitchSystem)->Apply(sizesUntil)->Unit(benchmark::kMillisecond)->Iterations(6);

}  // namespace

int main(int argc, char** argv) {
    // the platform the environment names (xcb on a display); the benchmarks skip themselves elsewhere
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
