// The computation and result windows driven on the sample project, offscreen; message boxes answered by the port.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QRadioButton>
#include <QSpinBox>
#include <QClipboard>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "common/text.h"
#include "db/record_set.h"
#include "gui/common/number_field.h"
#include "gui/compute/cost_window.h"
#include "gui/compute/install_compute_windows.h"
#include "gui/compute/flow_lines_window.h"
#include "gui/compute/hydraulics_window.h"
#include "gui/common/listing_view.h"
#include "gui/compute/pipe_sizes_window.h"
#include "gui/compute/results_grid.h"
#include "editing/print_order.h"
#include "gui/compute/print_order_window.h"
#include "gui/compute/t60_results_model.h"
#include "gui/compute/profile_view.h"
#include "gui/compute/report_commands_gui.h"
#include "gui/common/report_preview.h"
#include "gui/compute/verification_window.h"
#include "hydraulics/hydraulics_options.h"
#include "reports/document.h"
#include "review/check_storms.h"
#include "review/design_review.h"
#include "support/gui_fixture.h"

using namespace kolv;
using namespace kolv::gui::compute;

namespace {

/// The sample project opened for one test, with a recording port and the system MAINST current.
using Fixture = test::SampleProjectFixture;

bool hasLine(const std::vector<std::string>& lines, const std::string& prefix) {
    for (const auto& l : lines)
        if (l.rfind(prefix, 0) == 0) return true;
    return false;
}

/// Every text of a laid-out document, for looking up titles and values.
std::string documentText(const reports::Document& doc) {
    std::string all;
    for (const auto& page : reports::pageLines(doc))
        for (const auto& line : page) all += line + "\n";
    return all;
}

int countRows(db::Database& db, const std::string& table, const std::string& system) {
    return static_cast<int>(db.scalar("SELECT COUNT(*) FROM " + table + " WHERE SYSTEM = ?", {db::Value(system)}).toInt());
}

/// A port that notes how many lines the verification list held each time the window system ran.
class ListWatchingUi : public ui::RecordingUi {
public:
    ListingView* list = nullptr;
    std::vector<std::size_t> seen;
    void processEvents() override {
        if (list) seen.push_back(list->lines().size());
    }
};

int countColour(const QImage& image, QColor c) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == c) ++n;
    return n;
}

}  // namespace

class ComputeWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void previewsShowWhatCannotBeProducedAndWriteTheirPdf() {
        Fixture f;
        reports::ReportRequest request{"NOSUCH.RPT", "{T60.SYSTEM} = 'MAINST'", ""};
        auto* preview = showTemplateReport(f.ctx(), request, nullptr);
        QVERIFY(preview);
        QCOMPARE(preview->pageCount(), 0);
        auto* data = preview->findChild<QLabel*>("reportData");
        QVERIFY(data && !data->isHidden());
        QVERIFY(data->text().contains("NOSUCH.RPT") && data->text().contains("Not produced"));
        preview->close();
        // a list report previews and writes its PDF
        ReportPreviewDialog* d = showTextReport(f.ctx(), "TITLE", {"one", "two"}, nullptr);
        QVERIFY(d && d->pageCount() == 1);
        const std::string pdf = f.dir.file("list.pdf");
        QVERIFY(d->savePdf(pdf));
        QCOMPARE(test::readAll(pdf).substr(0, 4), std::string("%PDF"));
        // a folder that does not exist: the error goes through the port, nothing is thrown
        f.ui.clear();
        QVERIFY(!d->savePdf(f.dir.file("no/such/folder/list.pdf")));
        QVERIFY(!f.ui.messages.empty());
        d->close();
    }

    // The storm tab's columns first, From and To kept in view, values as printed, the other columns
    // chosen and kept, copy and CSV of what is shown; the messages with stops and warnings first;
    // the results written, shown and printed.
    void hydraulicsRunWritesResultsAndTheGridReadsLikeTheStormTab() {
        QTemporaryDir config;
        qputenv("KOLV_CONFIG_DIR", config.path().toUtf8());
        Fixture f;
        VerificationWindow verification(f.ctx());
        HydraulicsWindow w(f.ctx(), &verification);
        QVERIFY(w.compute());
        ResultsGrid* grid = w.results();
        auto* model = static_cast<T60ResultsModel*>(grid->view()->model());
        QVERIFY(model->column("Q") < model->column("FD_EXFIL_CFS"));  // the storm tab's columns first
        // From and To stay in the frozen part; the scrolling part starts after them
        QVERIFY(!grid->frozenView()->isColumnHidden(0) && !grid->frozenView()->isColumnHidden(1));
        QVERIFY(grid->frozenView()->isColumnHidden(2));
        QVERIFY(grid->view()->isColumnHidden(0) && !grid->view()->isColumnHidden(model->column("Q")));
        QVERIFY(grid->view()->isColumnHidden(model->column("FD_EXFIL_CFS")));  // behind the chooser
        // numbers with the printed tab's decimals
        const int hgl = model->column("HGL_UP");
        for (int r = 0; r < model->rowCount(); ++r) {
            const QString t = model->data(model->index(r, hgl)).toString();
            QVERIFY2(t.isEmpty() || t.section('.', 1).size() == 2, qPrintable(t));
        }
        // a column chosen stays chosen for the next window
        grid->setFieldShown("FD_EXFIL_CFS", true);
        {
            HydraulicsWindow again(f.ctx(), nullptr);
            again.loadOptions();
            auto* m2 = static_cast<T60ResultsModel*>(again.results()->view()->model());
            QVERIFY(!again.results()->view()->isColumnHidden(m2->column("FD_EXFIL_CFS")));
        }
        grid->setFieldShown("FD_EXFIL_CFS", false);
        // copy and CSV hold the headings and the shown columns of every row
        grid->view()->clearSelection();
        grid->copy();
        const QString copied = QApplication::clipboard()->text();
        QVERIFY(copied.startsWith("From Node\tTo Node\t"));
        QCOMPARE(copied.count('\n'), model->rowCount() + 1);
        const QString csv = config.filePath("results.csv");
        QVERIFY(grid->exportCsv(csv));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(file.readLine()).startsWith("From Node,To Node,"));
        // stops and warnings above the progress, which is folded but whole
        QTreeWidget* groups = w.messageGroups();
        QTreeWidgetItem* progress = groups->topLevelItem(groups->topLevelItemCount() - 1);
        QVERIFY(progress->text(0).startsWith("Progress of the run"));
        QVERIFY(!progress->isExpanded());
        QVERIFY(progress->childCount() >= 4);
        qunsetenv("KOLV_CONFIG_DIR");

        QVERIFY(!w.messages()->lines().empty());
        // one row per node of the system written, all shown in the grid
        const int nodes = countRows(f.db(), "NODE", "MAINST");
        QCOMPARE(w.resultsGrid()->model()->rowCount(), nodes);
        // the pass gauge followed the loop: at least the four passes every run makes
        QVERIFY(w.passGauge()->value() >= 4);
        QCOMPARE(w.tabs()->currentIndex(), 1);

        // the messages print under their title
        ReportPreviewDialog* print = w.printMessages();
        QVERIFY(print);
        QVERIFY(documentText(print->document()).find("HYDRAULIC CALCULATIONS MESSAGES - MAINST") != std::string::npos);
        print->close();

        // the storm tab report runs through the engine from T60
        ReportPreviewDialog* tabs = w.printStormTabs();
        QVERIFY2(tabs, f.ui.messages.empty() ? "" : f.ui.messages.back().text.c_str());
        QVERIFY(tabs->pageCount() >= 1);
        tabs->close();

        // the full-flow run writes its results the same way
        QVERIFY(w.computeFull());
        QCOMPARE(countRows(f.db(), "T60", "MAINST"), nodes);

        // the print order of the results is typed into the nodes
        PrintOrderWindow order(f.ctx());
        T60ResultsModel* m = order.model();
        QCOMPARE(m->rowCount(), countRows(f.db(), "T60", "MAINST"));
        const int fromCol = m->column("FROM"), seqCol = m->column("SEQUENCER");
        QCOMPARE(m->headerData(seqCol, Qt::Horizontal).toString(), QString("Print Position"));
        QVERIFY(m->flags(m->index(0, seqCol)) & Qt::ItemIsEditable);
        QVERIFY(!(m->flags(m->index(0, fromCol)) & Qt::ItemIsEditable));  // the results stay as the run wrote them
        auto rowOf = [&](const QString& node) {
            for (int r = 0; r < m->rowCount(); ++r)
                if (m->index(r, fromCol).data().toString() == node) return r;
            return -1;
        };
        QVERIFY(m->setData(m->index(rowOf("S-2"), seqCol), "999"));
        // a position that is no number is refused with a message and leaves the row without one
        f.ui.clear();
        const int other = rowOf("S-3");
        QVERIFY(other >= 0);
        m->setData(m->index(other, seqCol), "ninth");
        QVERIFY(!f.ui.messages.empty());
        QCOMPARE(m->index(other, seqCol).data().toString(), QString());
        order.sortBy(editing::kOrderBySequencer);
        QCOMPARE(m->index(m->rowCount() - 1, fromCol).data().toString(), QString("S-2"));
        order.sortBy(editing::kOrderByFrom);
        QVERIFY(m->index(0, fromCol).data().toString() <= m->index(1, fromCol).data().toString());
        order.close();
        db::RecordSet stored(f.db(), "NODE");
        QVERIFY(stored.findFirst("NAME = ?", {db::Value("S-2")}));
        QCOMPARE(stored.integer("SEQUENCER"), 999L);
    }

    void optionsPersistAtEachChangeAndSurviveARestart() {
        Fixture f;
        {
            HydraulicsWindow w(f.ctx(), nullptr);
            w.maxPassesEdit()->setText("250");
            w.hglDifferenceEdit()->setText(".001");
            auto* exitLoss = qobject_cast<QCheckBox*>(w.control("LVSINT4"));
            auto* method2 = qobject_cast<QRadioButton*>(w.control("LVSINT2"));
            QVERIFY(exitLoss && method2);
            exitLoss->setChecked(!exitLoss->isChecked());
            method2->setChecked(true);
            QCOMPARE(hydraulics::loadHydraulicsOptions(f.db(), false).maxPasses, 250L);  // stored at once
        }
        bool exitWas = hydraulics::loadHydraulicsOptions(f.db(), false).exitLoss;
        f.reopen();
        HydraulicsWindow again(f.ctx(), nullptr);
        QCOMPARE(again.maxPassesEdit()->text(), QString("250"));
        QCOMPARE(again.hglDifferenceEdit()->text(), QString("0.001"));
        QCOMPARE(qobject_cast<QCheckBox*>(again.control("LVSINT4"))->isChecked(), exitWas);
        QVERIFY(qobject_cast<QRadioButton*>(again.control("LVSINT2"))->isChecked());
    }

    // The ranges and texts are the core's; here one refused number and one refused text show
    // that the window marks the field, stops the run and keeps the text for correction.
    void typedOptionsAreReadWholeAndWithinTheirRangesAndPresetsApply() {
        Fixture f;
        HydraulicsWindow w(f.ctx(), nullptr);
        int before = countRows(f.db(), "T60", "MAINST");
        const std::pair<QLineEdit*, const char*> cases[] = {
            {w.maxPassesEdit(), "12ft"},    // not read as 12
            {w.minVelocityEdit(), "6.01"},  // above the 6 ft/s travel-time minimum of an English project
        };
        for (const auto& [edit, text] : cases) {
            const QString good = edit->text();
            edit->setText(text);
            QVERIFY2(gui::numberFieldRefused(edit), text);
            const std::string status = f.ui.statuses.back();
            QVERIFY(!status.empty());
            QVERIFY(!w.compute());
            QCOMPARE(f.ui.messages.back().text, status);  // the run stops with the same words
            QCOMPARE(edit->text(), QString(text));        // kept for the engineer to correct
            edit->setText(good);
            QVERIFY(!gui::numberFieldRefused(edit));
            QCOMPARE(f.ui.statuses.back(), std::string());  // the message goes with the fault
        }
        QCOMPARE(countRows(f.db(), "T60", "MAINST"), before);  // nothing was run
        // a refused text is never stored as an option
        QCOMPARE(hydraulics::loadHydraulicsOptions(f.db(), false).maxPasses, 50L);
        // the presets set the tolerances and the minor losses
        w.maxPassesEdit()->setText("1000");
        w.applyPreset(false);
        QCOMPARE(w.maxPassesEdit()->text(), QString("50"));
        QVERIFY(!qobject_cast<QCheckBox*>(w.control("LVSINT5"))->isChecked());
        w.applyPreset(true);
        QVERIFY(qobject_cast<QCheckBox*>(w.control("LVSINT5"))->isChecked());
        QVERIFY(hydraulics::loadHydraulicsOptions(f.db(), false).junctionLosses);
    }

    void verificationListsAndPrints() {
        Fixture f;
        ListWatchingUi watching;
        ComputeContext c = f.ctx();
        c.ui = &watching;
        VerificationWindow w(c);
        watching.list = w.listing();
        QVERIFY(w.runVerification());
        QCOMPARE(w.listing()->lines().back(), std::string("No faults found."));
        QDialog* print = w.printList();
        auto* preview = dynamic_cast<ReportPreviewDialog*>(print);
        QVERIFY(preview);
        QVERIFY(documentText(preview->document()).find("Verification Complete.") != std::string::npos);
        preview->close();
        // two faults: a reach without length and a reach into a node that does not exist
        f.db().execute("UPDATE REACH SET LENGTH = 0 WHERE NAME = ?", {db::Value("S-3")});
        f.db().execute("UPDATE REACH SET NODE2 = ? WHERE NAME = ?", {db::Value("S-99"), db::Value("S-6")});
        watching.seen.clear();
        QVERIFY(!w.runVerification());
        const auto& lines = w.listing()->lines();
        QCOMPARE(lines.back(), std::string("2 faults found."));
        // the window system ran after each line, so the list grew in view
        for (std::size_t k = 1; k + 1 < lines.size(); ++k)
            QVERIFY(std::find(watching.seen.begin(), watching.seen.end(), k) != watching.seen.end());
        QVERIFY(std::is_sorted(watching.seen.begin(), watching.seen.end()));
        // a system without nodes: the message box, no completion line
        f.system = "NOSUCH";
        QVERIFY(!w.runVerification());
        QVERIFY(watching.messages.back().text.find("'NOSUCH'") != std::string::npos);
        // closing empties the list
        w.close();
        QVERIFY(w.listing()->lines().empty());
    }

    void costListsTotalsAndStoresQuantities() {
        Fixture f;
        // the listing takes its colours from the project setup
        f.db().execute("UPDATE T0 SET RESULTS_BACKCOLOR = ?, RESULTS_FORECOLOR = ?",
                       {db::Value(static_cast<std::int64_t>(0x00FF0000)), db::Value(static_cast<std::int64_t>(0x0000FFFF))});
        CostWindow w(f.ctx());
        QCOMPARE(w.listing()->palette().color(QPalette::Base), QColor(0, 0, 255));
        QCOMPARE(w.listing()->palette().color(QPalette::Text), QColor(255, 255, 0));
        w.compute();
        QVERIFY(hasLine(w.listing()->lines(), "Node     Inlet"));
        auto* preview = dynamic_cast<ReportPreviewDialog*>(w.printList());
        QVERIFY(preview && preview->pageCount() >= 1);
        preview->close();
        // without the detail only the subtotals and totals
        w.detailBox()->setChecked(false);
        w.compute();
        QVERIFY(!hasLine(w.listing()->lines(), "Node     Inlet"));
        QVERIFY(hasLine(w.listing()->lines(), "GRAND TOTAL FOR SYSTEM:"));
    }

    void flowLinesAndPipeSizesFollowTheirModesAndStoreTheirChoices() {
        Fixture f;
        FlowLinesWindow w(f.ctx(), nullptr);
        QCOMPARE(w.valueLabel()->text(), QString("Minimum pipe slope ="));
        w.varyMode()->setChecked(true);
        QCOMPARE(w.valueLabel()->text(), QString("Minimum velocity ="));
        QCOMPARE(w.valueEdit()->text(), QString("2.500"));
        w.decimals()->setValue(2);
        QVERIFY(w.compute());
        QCOMPARE(w.listing()->lines().back(), std::string("Complete."));
        // every computed end is stored with two decimals at most
        db::RecordSet reaches(f.db(), "REACH", "SYSTEM = ?", {db::Value("MAINST")});
        int computed = 0;
        for (reaches.moveFirst(); !reaches.eof(); reaches.moveNext()) {
            if (!reaches.flag("CALC_FROM_ELEV") || reaches.integer("REACH_TYPE") == 2) continue;
            double e = reaches.number("ELEV1");
            QVERIFY2(std::fabs(e * 100 - std::round(e * 100)) < 1e-4, std::to_string(e).c_str());
            ++computed;
        }
        QVERIFY(computed > 0);
        // a slope that is no number is refused before anything runs
        w.fixedMode()->setChecked(true);
        w.valueEdit()->setText("0.5%");  // once read as 0.5
        QVERIFY(!w.compute());
        QVERIFY(f.said("Minimum pipe slope: '0.5%' is not a number."));

        // pipe sizes: the limit follows the criterion, and the chosen pipes belong to the group
        PipeSizesWindow sizes(f.ctx(), nullptr);
        QVERIFY(sizes.groups()->count() > 0);
        QCOMPARE(sizes.minVelocityEdit()->text(), QString("2.000"));
        sizes.hglCriterion()->setChecked(true);
        QCOMPARE(sizes.limitLabel()->text(), QString("Max. HGL Slope (%)"));
        sizes.velocityCriterion()->setChecked(true);
        sizes.limitEdit()->setText("0");
        QVERIFY(!sizes.compute());
        QVERIFY(f.said("Max. Velocity must be greater than 0 and less than or equal to 50 ft/s."));
        sizes.limitEdit()->setText("10");
        sizes.minVelocityEdit()->setText("0");
        sizes.useMinVelocity()->setChecked(false);  // doing without the minimum is allowed
        QVERIFY(sizes.compute());
        const int group = sizes.groups()->currentData().toInt();
        db::RecordSet t7(f.db(), "T7"), sized(f.db(), "REACH", "SYSTEM = ?", {db::Value("MAINST")});
        for (sized.moveFirst(); !sized.eof(); sized.moveNext()) {
            if (!sized.flag("CALC_PIPESIZE") || sized.integer("REACH_TYPE") == 2) continue;
            QVERIFY(t7.findFirst("NAME = ?", {db::Value(trim(sized.text("PIPE_NAME")))}));
            QCOMPARE(static_cast<int>(t7.integer("GROUPP")), group);
        }
    }

    void mainWindowCommandsOpenTheWindowsAfterTheGuard() {
        test::TempDir dir;
        ui::RecordingUi recorder;
        gui::MainWindow w(test::mainWindowOptions(recorder, dir));
        installComputeWindows(w);
        QVERIFY(w.openProjectFile(test::makeSample(dir)));
        // no current system: the guard refuses and no window opens
        w.changeCurrentSystem("");
        recorder.clear();
        w.runCommand(gui::Command::ComputeStormTabs);
        QCOMPARE(recorder.messages.size(), std::size_t(1));
        QVERIFY(!w.findChild<QDialog*>("HydraulicsWindow"));
        // with a system the window opens on it
        w.changeCurrentSystem("MAINST");
        w.runCommand(gui::Command::ComputeStormTabs);
        auto* hyd = w.findChild<HydraulicsWindow*>("HydraulicsWindow");
        QVERIFY(hyd && hyd->isVisible());
        QVERIFY(hyd->compute());  // the run refreshes the main window's open windows
        // (the other design steps' commands are followed through their windows in the lifecycle test)
        w.runCommand(gui::Command::StormTabPrintOrder);
        QVERIFY(w.findChild<QDialog*>("PrintOrderWindow"));
        w.runCommand(gui::Command::VerifyData);
        QVERIFY(w.findChild<QDialog*>("VerificationWindow"));
        recorder.clear();
        w.runCommand(gui::Command::PrintReachDetails);
        QVERIFY(!recorder.messages.empty());
        QVERIFY(recorder.messages[0].text.find("Selection formula: {REACH.SYSTEM} = 'MAINST'") != std::string::npos);
        QCOMPARE(reportDataText({"IDF.RPT", "", ""}, ""),
                 std::string("Report name: IDF.RPT\rReport path: n/a\rSelection formula: n/a\rSort field: n/a"));
        // then the preview, fitting the screen with every button in view (the preview has no meta
        // object of its own, so it is told from the other dialogs by its C++ type)
        ReportPreviewDialog* preview = nullptr;
        for (auto* d : w.findChildren<QDialog*>())
            if (auto* p = dynamic_cast<ReportPreviewDialog*>(d)) preview = p;
        QVERIFY(preview && preview->pageCount() >= 1);
        preview->show();
        QApplication::processEvents();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(preview->width() <= screen.width() && preview->height() <= screen.height(),
                 qPrintable(QString("%1 x %2").arg(preview->width()).arg(preview->height())));
        for (auto* b : preview->findChildren<QPushButton*>())
            QVERIFY(b->isVisible() && b->mapTo(preview, QPoint(b->width(), b->height())).x() <= preview->width());
    }

    void metricProjectLabelsAndLimits() {
        Fixture f;
        f.db().execute("UPDATE T0 SET ENGLISH_METRIC = -1");
        f.reopen();
        HydraulicsWindow h(f.ctx(), nullptr);
        QCOMPARE(h.minVelocityLabel()->text(), QString("Min. Velocity (m/s)"));
        QCOMPARE(h.minVelocityEdit()->text(), QString("2.000"));  // three decimals in meters
        h.minVelocityEdit()->setText("2.001");
        QVERIFY(!h.compute());
        // the window's own check, in the run's words with the metric limit
        QVERIFY(f.ui.messages.back().text.find("2 m/s") != std::string::npos);
        PipeSizesWindow sizes(f.ctx(), nullptr);
        QCOMPARE(sizes.limitLabel()->text(), QString("Max. Velocity (m/s)"));
        QCOMPARE(sizes.minVelocityEdit()->text(), QString("0.610"));  // 2.0 / 3.2808 = 0.6096 m/s
        FlowLinesWindow flow(f.ctx(), nullptr);
        flow.varyMode()->setChecked(true);
        QCOMPARE(flow.valueEdit()->text(), QString("0.762"));  // 2.5 ft/s in m/s
    }

    void profileDrawsCheckStormsExportsAndRefusesZeroFields() {
        Fixture f;
        HydraulicsWindow w(f.ctx(), nullptr);
        QVERIFY(w.compute());
        w.refreshProfile();
        ProfileView* view = w.profileView();
        QVERIFY(view->hasProfile());
        // the longest path is drawn, down to the outfall
        QCOMPARE(QString::fromStdString(view->profile().path.back()), QString("OUT-1"));
        QVERIFY(f.ui.messages.empty());
        QImage image(1400, 800, QImage::Format_ARGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            QVERIFY(ProfileView::paintProfile(painter, QRectF(0, 0, 1400, 800), view->profile(), "T", 0) >= 1);
        }
        // the grade line (water blue) and the ground (earth brown) are on the drawing
        QVERIFY(countColour(image, QColor(0, 90, 200)) > 200);
        QVERIFY(countColour(image, QColor(139, 90, 43)) > 200);
        QString png = QString::fromStdString(f.dir.file("profile.png"));
        QString pdf = QString::fromStdString(f.dir.file("profile.pdf"));
        QVERIFY(view->exportPng(png, QSize(1100, 620)));
        QVERIFY(view->exportPdf(pdf));
        QCOMPARE(test::readAll(pdf.toStdString()).substr(0, 4), std::string("%PDF"));
        QCOMPARE(QImage(png).size(), QSize(1100, 620));
        // unchecking a check storm removes its grade line
        const auto options = hydraulics::runOptionsFrom(hydraulics::loadHydraulicsOptions(f.db(), false));
        QCOMPARE(review::runScenario(*f.project, f.session, f.ui, "MAINST", options, {"25-year", "25", 1.0}), 0);
        QCOMPARE(review::runScenario(*f.project, f.session, f.ui, "MAINST", options, {"3-year x 1.15", "", 1.15}), 0);
        auto strict = review::loadCriteria(*f.project);
        strict.maxVelocityFtS = 5.0;  // the faster pipes are marked on the profile
        review::saveCriteria(*f.project, strict);
        w.refreshProfile();
        const auto lines = [&w] {
            QStringList names;
            for (const auto& l : w.profileView()->profile().scenarioHgl) names << QString::fromStdString(l.name);
            return names;
        };
        QCOMPARE(lines(), QStringList({"25-year", "3-year x 1.15"}));
        const QList<QAction*> entries = w.scenarioMenu()->actions();
        entries[0]->setChecked(false);
        QCOMPARE(lines(), QStringList({"3-year x 1.15"}));
        // the choice holds over a refresh and comes back when checked again
        w.refreshProfile();
        QCOMPARE(lines(), QStringList({"3-year x 1.15"}));
        entries[0]->setChecked(true);
        QCOMPARE(lines(), QStringList({"25-year", "3-year x 1.15"}));
        // drawn with both check storms and the review's marks
        QVERIFY(!w.profileView()->profile().reviewMarks.empty());
        QVERIFY(w.profileView()->exportPng(QString::fromStdString(f.dir.file("storms.png")), QSize(1600, 900)));
        // the status filter redraws without the proposed structures (the sample's inlets are proposed)
        std::size_t structures = view->profile().structures.size();
        for (auto* box : w.findChildren<QCheckBox*>())
            if (box->text() == "Proposed") box->setChecked(false);
        QVERIFY(view->profile().structures.size() < structures);
        // a start node whose results hold a zero is refused and the drawing cleared
        w.setProfileStart("S-1");
        w.refreshProfile();
        QVERIFY(view->hasProfile());
        f.db().execute("UPDATE T60 SET Q = 0 WHERE \"FROM\" = ?", {db::Value("S-1")});
        w.refreshProfile();
        QVERIFY(!view->hasProfile());
        QVERIFY(f.said("Node S-1 contains zero in the following fields:\rFlow (Q) = 0.0000"));
    }

};

QTEST_MAIN(ComputeWindowsTest)
#include "compute_windows_test.moc"
