// The renumbering and divide / combine windows driven on the sample project; questions answered by the port.
#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>

#include "db/database.h"
#include "gui/app/node_list_view.h"
#include "gui/renumber/divide_combine_window.h"
#include "gui/renumber/renumber_window.h"
#include "gui/app/systems_dialog.h"
#include "gui/app/undo_controller.h"
#include <QAction>
#include "support/gui_fixture.h"

using namespace kolv;
using namespace kolv::gui;

namespace {

QStringList texts(const QListWidget* l) {
    QStringList s;
    for (int i = 0; i < l->count(); ++i) s << l->item(i)->text();
    return s;
}

}  // namespace

class RenumberWindowsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TempDir> m_dir;
    ui::RecordingUi m_ui;
    std::string m_path;

    MainWindowOptions options() { return test::mainWindowOptions(m_ui, *m_dir); }
    std::string scalar(const std::string& sql) { return db::Database::open(m_path)->scalar(sql).toText(); }

private slots:
    void init() {
        m_dir = std::make_unique<test::TempDir>();
        m_ui = ui::RecordingUi{};
        m_path = test::makeSample(*m_dir);
    }

    void gridRenumberAndDivideCombineCarryToTheMainWindow() {
        MainWindow w(options());
        QVERIFY(w.openProjectFile(m_path));
        w.changeCurrentSystem("MAINST");
        m_ui.clear();
        RenumberWindow r(w);
        QCOMPARE(r.grid()->rowCount(), 23);
        QVERIFY(!(r.grid()->item(0, 8)->flags() & Qt::ItemIsEditable));  // the outfall has no reach
        QVERIFY(r.grid()->item(1, 7)->flags() & Qt::ItemIsEditable);
        QCOMPARE(r.currentOrder()->count(), 22);

        // a name of the other system is found by Check duplicates and refused by Renumber
        r.grid()->item(1, 7)->setText("S-31");
        r.checkDuplicates();
        QVERIFY(texts(r.results()).value(2).contains("S-31"));
        m_ui.answers = {ui::Answer::Yes};
        r.renumberFromGrid();
        QCOMPARE(scalar("SELECT COUNT(*) FROM NODE WHERE NAME = 'S-1'"), std::string("1"));

        r.grid()->item(1, 7)->setText("A-1");
        r.grid()->item(1, 8)->setText("P-1");
        m_ui.answers = {ui::Answer::Yes};
        r.renumberFromGrid();
        QCOMPARE(scalar("SELECT NAME FROM REACH WHERE NODE1 = 'A-1'"), std::string("P-1"));
        QVERIFY(texts(r.results()).contains("Section 2: Pass 2: Reach Name Change: P-1"));
        QCOMPARE(r.grid()->item(1, 3)->text(), QString("A-1"));  // the list was read again
        QCOMPARE(w.nodeList()->text(0, 0), QString("A-1"));

        // Edit > Undo takes the whole renumbering back in one step
        QCOMPARE(w.undoController()->undoAction()->text(), QString("&Undo Renumber Nodes"));
        QVERIFY(w.undoController()->undo());
        QCOMPARE(scalar("SELECT NAME FROM REACH WHERE NODE1 = 'S-1'"), std::string("S-1"));
        QCOMPARE(w.nodeList()->text(0, 0), QString("S-1"));

        // then divided into a new system, and combined back
        DivideCombineWindow d(w);
        QCOMPARE(d.actionButton()->text(), QString("Divide"));
        QCOMPARE(d.systemNodes()->count(), 22);
        const int listed = w.nodeList()->rowCount();

        SystemsDialog* add = d.openSystemAdd(false);
        QVERIFY(add->divideMode());
        add->nameField()->setText("ELM");
        add->add();
        QCOMPARE(d.newSystemField()->text(), QString("ELM"));
        QVERIFY(w.systemSelector()->findText("ELM", Qt::MatchExactly) >= 0);
        QCOMPARE(w.project()->currentSystem, std::string("MAINST"));  // the divided system stays current

        for (const char* n : {"S-9", "S-11"}) {
            auto found = d.systemNodes()->findItems(n, Qt::MatchExactly);
            QVERIFY(!found.isEmpty());
            emit d.systemNodes()->itemDoubleClicked(found.front());
        }
        d.runAction();  // two nodes are too few: refused
        emit d.systemNodes()->itemDoubleClicked(d.systemNodes()->findItems("S-10", Qt::MatchExactly).front());
        d.runAction();
        QCOMPARE(scalar("SELECT COUNT(*) FROM NODE WHERE SYSTEM = 'ELM'"), std::string("3"));
        QCOMPARE(d.systemNodes()->count(), 19);
        QCOMPARE(w.nodeList()->rowCount(), listed - 3);

        d.tabs()->setCurrentIndex(1);
        QCOMPARE(d.actionButton()->text(), QString("Combine"));
        d.runAction();  // nothing chosen: refused
        d.fromList()->findItems("ELM", Qt::MatchExactly).front()->setSelected(true);
        d.toList()->findItems("MAINST", Qt::MatchExactly).front()->setSelected(true);
        m_ui.answers = {ui::Answer::Yes};
        d.runAction();
        QVERIFY(w.systemSelector()->findText("ELM", Qt::MatchExactly) < 0);
        QVERIFY(!texts(d.fromList()).contains("ELM"));
        QCOMPARE(w.nodeList()->rowCount(), listed);
    }

    void orderListsAndSorting() {
        MainWindow w(options());
        QVERIFY(w.openProjectFile(m_path));
        w.changeCurrentSystem("OAKAVE");
        m_ui.clear();
        RenumberWindow r(w);
        // double-click one name across, then the incomplete list is refused
        emit r.currentOrder()->itemDoubleClicked(r.currentOrder()->item(0));
        QCOMPARE(texts(r.newOrder()), QStringList{"S-31"});
        r.prefixField()->setText("OA");
        r.startField()->setText("10");
        r.renumberFromOrder();
        QCOMPARE(m_ui.messages.size(), std::size_t(1));

        // new names from a file reach the grid; a name of another system is refused whole
        const QString map = QString::fromStdString(m_dir->file("map.csv"));
        QFile f(map);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("S-31,X-31,XR-31\nS-32,X-32\n");
        f.close();
        QVERIFY(r.loadMap(map));
        QCOMPARE(r.grid()->item(1, 8)->text(), QString("XR-31"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("S-33,Y\nS-1,Z\n");
        f.close();
        QVERIFY(!r.loadMap(map));
        QCOMPARE(r.grid()->item(3, 7)->text(), QString("S-33"));
        r.reload();

        r.sortKey(0)->setCurrentText("Node");
        r.sortGrid();
        QCOMPARE(r.grid()->item(r.grid()->rowCount() - 1, 3)->text(), QString("S-40"));
        QCOMPARE(r.grid()->item(0, 0)->text(), QString("1"));  // lines numbered again
        r.sortByColumn(5);  // station
        r.moveAllToNewOrder();
        QCOMPARE(r.currentOrder()->count(), 0);
        m_ui.answers = {ui::Answer::Yes};
        r.renumberFromOrder();
        QCOMPARE(scalar("SELECT COUNT(*) FROM NODE WHERE SYSTEM = 'OAKAVE' AND NAME LIKE 'OA%'"), std::string("10"));
        QVERIFY(w.nodeList()->text(0, 0).startsWith("OA"));
    }
};

QTEST_MAIN(RenumberWindowsTest)
#include "renumber_windows_test.moc"
