// A seeded random walk of an engineer's actions through the real windows, offscreen: projects
// opened, closed and switched, nodes chosen, edited, placed, moved, linked and deleted, undo and
// history jumps, the design steps and cost, windows and docks, layout, zoom, labels, an import
// and a renumbering. After every action the project must be intact and every open view must
// show what the file holds.
//   test_gui_explore [SEED] [ACTIONS]     (scripts/explore.sh SEED ACTIONS)
// A failure prints the seed and the numbered actions that led to it.
#include <QApplication>
#include <QComboBox>
#include <QDockWidget>
#include <QFocusEvent>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "db/undo_history.h"
#include "gui/app/add_node_dialog.h"
#include "gui/compute/cost_window.h"
#include "gui/compute/flow_lines_window.h"
#include "gui/compute/hydraulics_window.h"
#include "gui/compute/pipe_sizes_window.h"
#include "gui/exchange/import_window.h"
#include "gui/app/project_file_dialogs.h"
#include "gui/app/outfall_header_dialog.h"
#include "gui/renumber/divide_combine_window.h"
#include "gui/renumber/renumber_window.h"
#include "gui/app/systems_dialog.h"
#include "gui/app/undo_controller.h"
#include "support/gui_fixture.h"
#include "support/test_support.h"
#include "view_check.h"

using namespace kolv;
using namespace kolv::gui;

namespace {

using test::type;

template <class W>
W* visible(MainWindow& w) {
    W* win = test::windowOf<W>(w);
    return win && win->isVisible() ? win : nullptr;
}

class Walk {
public:
    Walk(std::uint64_t seed, test::TempDir& dir) : m_rng(seed), m_seed(seed), m_dir(dir) {
        m_seedPath = test::makeSeed(dir);
        m_files = {test::makeSample(dir, "a.mdb"), test::makeSample(dir, "b.mdb"), test::makeEmptyProject(dir, "e.mdb")};
        auto o = test::mainWindowOptions(m_ui, dir);
        o.rememberGeometry = true;  // the layout file lives in the temporary folder
        m_program = std::make_unique<test::Program>(o);
        m_program->w().resize(1200, 800);
        m_program->w().show();
        // modal windows opened by an action are answered here, then closed
        m_modal.setInterval(0);
        QObject::connect(&m_modal, &QTimer::timeout, [this] { answerModal(); });
        m_modal.start();
        define();
    }

    /// Runs `count` actions; false (after printing the seed and the actions) at the first fault.
    bool run(int count) {
        int total = 0;
        for (const auto& a : m_actions) total += a.weight;
        for (int i = 1; i <= count; ++i) {
            int roll = pick(total);
            const Action* chosen = &m_actions.front();
            for (const auto& a : m_actions) {
                if (roll < a.weight) {
                    chosen = &a;
                    break;
                }
                roll -= a.weight;
            }
            const std::size_t messagesBefore = m_ui.messages.size();
            std::string what;
            try {
                what = chosen->run();
            } catch (const std::exception& e) {
                return fail(i, chosen->name + " " + what, std::string("exception: ") + e.what());
            }
            test::settle(3);
            std::printf("#%d %s %s\n", i, chosen->name.c_str(), what.c_str());
            ++m_done;
            for (std::size_t k = messagesBefore; k < m_ui.messages.size(); ++k)
                if (m_ui.messages[k].title == "ERROR TRAP")
                    return fail(i, chosen->name + " " + what, "ERROR TRAP: " + m_ui.messages[k].text);
            std::string mismatch;
            try {
                mismatch = test::viewMismatch(*m_program);
            } catch (const std::exception& e) {
                mismatch = std::string("reading the views: ") + e.what();
            }
            if (!mismatch.empty()) return fail(i, chosen->name + " " + what, mismatch);
            if (m_ui.messages.size() > 2000) m_ui.messages.clear();
        }
        return true;
    }
    int done() const { return m_done; }

private:
    struct Action {
        std::string name;
        int weight;
        std::function<std::string()> run;
    };

    bool fail(int step, const std::string& action, const std::string& why) {
        std::fflush(stdout);
        std::fprintf(stderr, "\nFAULT at action %d (%s): %s\nseed %llu; replay: scripts/explore.sh %llu %d\n", step,
                     action.c_str(), why.c_str(), static_cast<unsigned long long>(m_seed),
                     static_cast<unsigned long long>(m_seed), step);
        return false;
    }

    int pick(int n) { return n <= 0 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    double uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(m_rng); }

    MainWindow& w() { return m_program->w(); }
    db::Project* project() { return w().project(); }
    bool hasSystem() { return project() && !project()->currentSystem.empty(); }

    std::vector<std::string> nodes() {
        std::vector<std::string> out;
        for (int r = 0; r < w().nodeList()->rowCount(); ++r)
            if (!w().nodeList()->isOutfallRow(r)) out.push_back(w().nodeList()->text(r, 0).toStdString());
        return out;
    }
    std::vector<std::string> reaches() {
        std::vector<std::string> out;
        if (!hasSystem()) return out;
        auto rs = project()->db->prepare("SELECT NAME FROM REACH WHERE SYSTEM = ?");
        rs.bind(1, db::Value(project()->currentSystem));
        while (rs.step()) out.push_back(rs.column(0).toText());
        return out;
    }
    template <class T>
    const T& any(const std::vector<T>& v) { return v[static_cast<std::size_t>(pick(static_cast<int>(v.size())))]; }
    QPointF anywhere() { return {uniform(50, 9950), uniform(50, 9950)}; }

    void answerModal() {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (!dialog || !dialog->isVisible() || m_answering) return;
        m_answering = true;
        if (auto* add = dynamic_cast<AddNodeDialog*>(dialog)) {
            if (pick(5) == 0) add->reject();  // the engineer changes their mind
            else add->accept();               // the proposed name and structure
        } else if (auto* fresh = dynamic_cast<NewProjectDialog*>(dialog)) {
            fresh->newPath()->setText(QString::fromStdString(m_dir.file("new" + std::to_string(++m_created) + ".mdb")));
            fresh->seedPath()->setText(QString::fromStdString(m_seedPath));
            fresh->create();
        } else if (auto* renumber = dynamic_cast<RenumberWindow*>(dialog)) {
            renumber->moveAllToNewOrder();
            renumber->renumberFromOrder();
        } else if (auto* systems = dynamic_cast<SystemsDialog*>(dialog)) {
            const int k = pick(3);
            const int n = systems->list()->count();
            if (n > 0) systems->list()->setCurrentRow(pick(n));
            systems->nameField()->setText(QString("SYS%1").arg(++m_systemsMade));
            if (k == 0) systems->add();
            else if (k == 1) systems->rename();
            else systems->remove();
        } else if (auto* divide = dynamic_cast<DivideCombineWindow*>(dialog)) {
            if (pick(2) == 0) {
                const int n = divide->systemNodes()->count();
                for (int i = 0; i < n; ++i)
                    if (pick(3) == 0) divide->nodesToMove()->addItem(divide->systemNodes()->item(i)->text());
                divide->newSystemField()->setText(QString("PART%1").arg(++m_systemsMade));
                divide->divide();
            } else if (divide->fromList()->count() > 0 && divide->toList()->count() > 0) {
                divide->fromList()->setCurrentRow(pick(divide->fromList()->count()));
                divide->toList()->setCurrentRow(pick(divide->toList()->count()));
                divide->combine();
            }
        } else if (auto* outfall = dynamic_cast<OutfallHeaderDialog*>(dialog)) {
            outfall->accept();  // the header as shown, written back
        }
        if (dialog->isVisible()) dialog->reject();
        m_answering = false;
    }

    /// A value of the field's own kind, a little away from the one shown.
    QString nearValue(const QString& shown) {
        bool ok = false;
        const double v = shown.toDouble(&ok);
        if (!ok) return shown;
        return QString::number(v * uniform(0.9, 1.1) + uniform(-0.5, 0.5), 'f', 2);
    }

    std::string computeStep(Command c) {
        w().runCommand(c);
        std::string what = "opened";
        if (c == Command::ComputePipeSizes) {
            if (auto* s = visible<compute::PipeSizesWindow>(w())) what = s->compute() ? "computed" : "refused";
        } else if (c == Command::SetFlowLines) {
            if (auto* s = visible<compute::FlowLinesWindow>(w())) what = s->compute() ? "computed" : "refused";
        } else if (c == Command::ComputeStormTabs) {
            if (auto* s = visible<compute::HydraulicsWindow>(w())) what = s->compute() ? "computed" : "refused";
        } else if (c == Command::CostAnalysis) {
            if (auto* s = visible<compute::CostWindow>(w())) {
                s->compute();
                what = "computed";
            }
        }
        return what;
    }

    void define() {
        m_actions = {
            {"open", 6, [this] {
                 const std::string& f = any(m_files);
                 return f + (w().openProjectFile(f) ? "" : " refused");
             }},
            {"close", 2, [this] { w().runCommand(Command::CloseProject); return std::string(); }},
            {"new-project", 1, [this] { w().runCommand(Command::NewProject); return std::string(); }},
            {"system", 5, [this] {
                 const int n = w().systemSelector()->count();
                 if (n == 0) return std::string("none");
                 const int i = pick(n);
                 w().systemSelector()->setCurrentIndex(i);
                 return w().systemSelector()->itemText(i).toStdString();
             }},
            {"select", 25, [this] {
                 const int n = w().nodeList()->rowCount();
                 if (n == 0) return std::string("none");
                 const int r = pick(n);
                 w().nodeList()->selectRow(r);
                 return w().nodeList()->text(r, 0).toStdString();
             }},
            {"edit-valid", 18, [this] {
                 if (!w().panel()->model() || !w().panel()->field(kolv::editing::panel_field::kStation)->isEnabled()) return std::string("no node");
                 const int i = 1 + pick(13);
                 QLineEdit* e = w().panel()->field(i);
                 const QString v = nearValue(e->text());
                 type(e, v);
                 if (pick(2) == 0) w().flushPendingEdits();
                 return "field " + std::to_string(i) + " = " + v.toStdString();
             }},
            {"edit-invalid", 6, [this] {
                 if (!w().panel()->model() || !w().panel()->field(kolv::editing::panel_field::kStation)->isEnabled()) return std::string("no node");
                 static const char* bad[] = {"abc", "1e", "-5", "1e12", "99999999", "0,3", "5e8", "--"};
                 const int i = 1 + pick(13);
                 const char* v = bad[pick(8)];
                 type(w().panel()->field(i), v);
                 return "field " + std::to_string(i) + " = " + v;
             }},
            {"fix-fields", 8, [this] {
                 const editing::EditPanel* m = w().panel()->model();
                 if (!m) return std::string("none");
                 int fixed = 0;
                 for (int i = 0; i < editing::kNodeFieldCount; ++i) {
                     QLineEdit* e = w().panel()->field(i);
                     const auto& bad = w().panel()->invalidFields();
                     if (std::find(bad.begin(), bad.end(), e) == bad.end()) continue;
                     type(e, QString::fromStdString(m->node.text[static_cast<std::size_t>(i)]));
                     ++fixed;
                 }
                 w().flushPendingEdits();
                 return std::to_string(fixed);
             }},
            {"place", 6, [this] {
                 if (!m_program->view()->editor() || !hasSystem()) return std::string("no diagram");
                 static const char* classes[] = {"Manhole", "Curb Inlet", "Outfall"};
                 const char* c = classes[pick(3)];
                 const bool placed = m_program->view()->placeEntity(c, anywhere());
                 return std::string(c) + (placed ? " placed" : " not placed");
             }},
            {"move", 6, [this] {
                 auto n = nodes();
                 if (n.empty() || !m_program->view()->editor()) return std::string("none");
                 const std::string& name = any(n);
                 m_program->view()->moveEntity(QString::fromStdString(name), anywhere());
                 return name;
             }},
            {"delete", 3, [this] {
                 auto n = nodes();
                 if (n.empty() || !m_program->view()->editor()) return std::string("none");
                 const std::string& name = any(n);
                 m_program->view()->deleteEntity(QString::fromStdString(name));
                 return name;
             }},
            {"link", 5, [this] {
                 auto n = nodes();
                 if (n.size() < 2 || !m_program->view()->editor()) return std::string("none");
                 const std::string& a = any(n);
                 const std::string& b = any(n);
                 const bool linked = m_program->view()->linkEntities(QString::fromStdString(a), QString::fromStdString(b), 1 + pick(3));
                 return a + " -> " + b + (linked ? "" : " refused");
             }},
            {"retarget", 4, [this] {
                 auto r = reaches();
                 auto n = nodes();
                 if (r.empty() || n.empty() || !m_program->view()->editor()) return std::string("none");
                 const std::string& reach = any(r);
                 const std::string& target = any(n);
                 const auto end = pick(2) == 0 ? kolv::diagram::ReachEnd::Upstream : kolv::diagram::ReachEnd::Downstream;
                 const bool done = m_program->view()->stretchRelation(QString::fromStdString(reach), end, QString::fromStdString(target));
                 return reach + " to " + target + (done ? "" : " refused");
             }},
            {"undo", 8, [this] { return std::string(w().undoController()->undo() ? "done" : "nothing"); }},
            {"redo", 5, [this] { return std::string(w().undoController()->redo() ? "done" : "nothing"); }},
            {"history-jump", 3, [this] {
                 const int n = w().undoController()->historyList()->count();
                 if (n == 0) return std::string("none");
                 const int row = pick(n);
                 w().undoController()->jumpTo(row);
                 return std::to_string(row);
             }},
            {"step2", 2, [this] { return computeStep(Command::ComputePipeSizes); }},
            {"step3", 2, [this] { return computeStep(Command::SetFlowLines); }},
            {"step4", 2, [this] { return computeStep(Command::ComputeStormTabs); }},
            {"cost", 1, [this] { return computeStep(Command::CostAnalysis); }},
            {"window", 6, [this] {
                 static const Command windows[] = {
                     Command::VerifyData,       Command::StormTabPrintOrder, Command::StructureDefinitions,
                     Command::PipeDefinitions,  Command::IdfCoefficients,    Command::TimeIntensityTables,
                     Command::ExportStructures, Command::Systems,            Command::OutfallHeader,
                     Command::ProjectSetup,     Command::About,              Command::DiagramClasses,
                     Command::DiagnosisWindow,  Command::DivideCombine,      Command::SpecialTableEdit};
                 const Command c = windows[pick(static_cast<int>(std::size(windows)))];
                 if (QAction* a = w().action(c); a && !a->isEnabled()) return std::string("disabled");
                 w().runCommand(c);
                 return std::to_string(static_cast<int>(c));
             }},
            {"close-windows", 4, [this] {
                 int closed = 0;
                 for (QWidget* top : QApplication::topLevelWidgets())
                     if (top != &w() && top->isVisible() && !top->isModal()) {
                         top->close();
                         ++closed;
                     }
                 return std::to_string(closed);
             }},
            {"dock", 3, [this] {
                 auto docks = w().findChildren<QDockWidget*>(Qt::FindDirectChildrenOnly);
                 if (docks.isEmpty()) return std::string("none");
                 QDockWidget* d = docks[pick(static_cast<int>(docks.size()))];
                 d->setVisible(!d->isVisible());
                 return d->objectName().toStdString();
             }},
            {"layout", 2, [this] {
                 w().saveLayout();
                 return std::string(w().restoreLayout() ? "restored" : "ignored");
             }},
            {"zoom", 5, [this] {
                 const int k = pick(3);
                 w().runCommand(k == 0 ? Command::ZoomIn : k == 1 ? Command::ZoomOut : Command::ZoomFit);
                 return std::to_string(k);
             }},
            {"pan", 4, [this] {
                 auto* v = m_program->view();
                 v->horizontalScrollBar()->setValue(v->horizontalScrollBar()->minimum() + pick(1 + v->horizontalScrollBar()->maximum() - v->horizontalScrollBar()->minimum()));
                 v->verticalScrollBar()->setValue(v->verticalScrollBar()->minimum() + pick(1 + v->verticalScrollBar()->maximum() - v->verticalScrollBar()->minimum()));
                 return std::string();
             }},
            {"labels", 3, [this] {
                 const int i = pick(10);
                 m_program->diagram->labelSetBox()->setCurrentIndex(i);
                 return std::to_string(i + 1);
             }},
            {"refresh", 2, [this] {
                 w().runCommand(pick(2) == 0 ? Command::RefreshDiagram : Command::RefreshDiagramFit);
                 return std::string();
             }},
            {"import", 2, [this] {
                 if (!hasSystem()) return std::string("no system");
                 w().runCommand(Command::ImportStormSewer);
                 auto* win = visible<kolv::gui::exchange::ImportWindow>(w());
                 if (!win) return std::string("no window");
                 const std::string file = m_dir.file("import.txt");
                 const std::string name = "IM" + std::to_string(++m_imported);
                 std::ofstream(file) << "NAME\tTOP\n" << name << "\t" << 40 + pick(20) << ".5\n";
                 win->setFilePath(file);
                 win->setSeparator(kolv::exchange::Separator::Tab);
                 if (!win->readFile()) return std::string("unread");
                 win->setDestination(0, kolv::exchange::Destination::NodeName);
                 win->setDestination(1, kolv::exchange::Destination::NodeInletElev);
                 win->showPage(3);
                 win->systemBox()->setCurrentText(QString::fromStdString(project()->currentSystem));
                 const auto r = win->runImport();
                 return name + " created " + std::to_string(r.nodesCreated);
             }},
            {"renumber", 1, [this] { w().runCommand(Command::Renumber); return std::string(); }},
            {"systems", 2, [this] { w().runCommand(Command::Systems); return std::string(); }},
            {"divide-combine", 1, [this] { w().runCommand(Command::DivideCombine); return std::string(); }},
            {"outfall-header", 1, [this] { w().runCommand(Command::OutfallHeader); return std::string(); }},
        };
    }

    std::mt19937_64 m_rng;
    std::uint64_t m_seed;
    test::TempDir& m_dir;
    ui::RecordingUi m_ui;
    std::unique_ptr<test::Program> m_program;
    std::vector<std::string> m_files;
    std::string m_seedPath;
    std::vector<Action> m_actions;
    QTimer m_modal;
    bool m_answering = false;
    int m_created = 0, m_imported = 0, m_done = 0, m_systemsMade = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion("explore");
    std::uint64_t seed = 20261207;
    int count = 2000;
    if (argc > 1) seed = std::strtoull(argv[1], nullptr, 10);
    if (argc > 2) count = std::atoi(argv[2]);
    test::TempDir dir;
    qputenv("KOLV_CONFIG_DIR", dir.file("config").c_str());
    std::printf("exploration: seed %llu, %d actions\n", static_cast<unsigned long long>(seed), count);
    Walk walk(seed, dir);
    const bool ok = walk.run(count);
    std::printf("exploration: %d actions run, %d faults\n", walk.done(), ok ? 0 : 1);
    return ok ? 0 : 1;
}
