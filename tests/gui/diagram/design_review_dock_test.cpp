// The Design Review dock on the main window: filled after a design step, a click selects the node,
// the diagram rings the nodes with findings.
#include <QDockWidget>
#include <QPushButton>
#include <QTableWidget>
#include <fstream>

#include "diagram/palette.h"
#include "gui/diagram/design_review_dock.h"
#include "gui/diagram/diagram_items.h"
#include "gui/diagram/diagram_pane.h"
#include "gui/diagram/diagram_view.h"
#include "gui/diagram/install_diagram.h"
#include "gui/app/edit_panel_widget.h"
#include "gui/app/design_criteria_box.h"
#include "gui/app/project_setup_dialog.h"
#include "gui/app/undo_controller.h"
#include "hydraulics/run_command.h"
#include "hydraulics/hydraulics_options.h"
#include "review/design_criteria.h"
#include "review/design_review.h"
#include "support/gui_fixture.h"

using namespace kolv;
using namespace kolv::gui;
using namespace kolv::gui::diagram;

class DesignReviewDockTest : public QObject {
    Q_OBJECT

private slots:
    void reviewFollowsTheDesignSelectsWhatIsClickedAndItsCriteriaAreTyped() {
        test::TempDir dir;
        ui::RecordingUi recorder;
        MainWindowOptions o = test::mainWindowOptions(recorder, dir);
        std::ofstream(o.settingsPath) << "[KOLV]\r\nDIAGRAMPALETTE=" << kolv::diagram::installedPalettePath()
                                      << "\r\nREPORTFILEPATH=\r\n";
        MainWindow w(o);
        DiagramPane* pane = installDiagram(w);
        w.resize(1500, 950);
        w.show();
        QVERIFY(w.openProjectFile(test::makeSample(dir)));
        QApplication::processEvents();
        auto* dock = w.findChild<DesignReviewDock*>();
        QVERIFY(dock);

        // A stricter velocity limit than the sample was designed to, then Step 4: errors appear.
        auto criteria = review::loadCriteria(*w.project());
        criteria.maxVelocityFtS = 5.0;
        review::saveCriteria(*w.project(), criteria);
        {
            Session session;
            hydraulics::computeHydraulics(*w.project(), session, recorder,
                                          hydraulics::loadHydraulicsOptions(*w.project()->db, w.project()->metric), "MAINST");
        }
        w.refreshAfterChange();
        dock->show();
        dock->raise();
        QApplication::processEvents();
        QTableWidget* table = dock->table();
        QVERIFY(table->rowCount() > 0);
        QCOMPARE(table->item(0, 0)->text(), QString("error"));  // worst first
        const QString node = table->item(0, 1)->text();

        DiagramView* view = pane->view();
        QCOMPARE(view->reviewMarks().value(node.toUpper(), -1), 2);

        // A click on a finding shows its node in the panel and on the diagram.
        table->setCurrentCell(0, 1);
        emit table->cellClicked(0, 1);
        QApplication::processEvents();
        QCOMPARE(w.panel()->field(editing::panel_field::kNodeName)->text(), node);
        QVERIFY(view->entity(node)->isSelected());

        // Criteria back to the defaults and reviewed again on demand: the marks follow.
        review::saveCriteria(*w.project(), review::DesignCriteria::defaults(false));
        dock->findChild<QPushButton*>("reviewButton")->click();
        QApplication::processEvents();
        QVERIFY(view->reviewMarks().value(node.toUpper(), -1) < 2);

        // The criteria are typed in the project setup, read strictly and undone as one step.
        {
            ProjectSetupDialog d(*w.project()->db, w.ui(), &w);
            DesignCriteriaBox* box = d.criteria();
            QCOMPARE(box->field("max-velocity")->text(), QString("15.0"));
            box->field("max-velocity")->setText("1,5");
            recorder.clear();
            d.accept();
            QVERIFY(d.isVisible() || d.result() != QDialog::Accepted);
            QCOMPARE(recorder.texts().size(), 1u);
            QCOMPARE(review::loadCriteria(*w.project()).maxVelocityFtS, 15.0);
            box->field("max-velocity")->setText("12");
            d.accept();
        }
        QCOMPARE(review::loadCriteria(*w.project()).maxVelocityFtS, 12.0);
        QVERIFY(w.undoController()->undo());
        QCOMPARE(review::loadCriteria(*w.project()).maxVelocityFtS, 15.0);
    }
};

QTEST_MAIN(DesignReviewDockTest)
#include "design_review_dock_test.moc"
