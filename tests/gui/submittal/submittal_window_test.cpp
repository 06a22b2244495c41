// File > Print Submittal...: the command on the File menu and the choices of its window.
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>

#include "gui/submittal/install_submittal.h"
#include "gui/submittal/submittal_dialog.h"
#include "support/gui_fixture.h"

using namespace kolv;
namespace sw = kolv::gui::submittal_window;

class SubmittalWindowTest : public QObject {
    Q_OBJECT
private slots:
    void commandSitsOnTheFileMenu();
    void windowOffersTheCurrentSystemAndReadsThePaper();
};

void SubmittalWindowTest::commandSitsOnTheFileMenu() {
    test::TempDir dir;
    ui::RecordingUi recorder;
    gui::MainWindow window(test::mainWindowOptions(recorder, dir));
    QAction* action = sw::installSubmittal(window);
    QMenu* file = nullptr;
    for (QAction* a : window.menuBar()->actions())
        if (a->menu() && a->text().remove('&') == "File") file = a->menu();
    QVERIFY(file);
    QVERIFY(file->actions().contains(action));
    // without a project it says so instead of opening the window
    action->trigger();
    QVERIFY(!recorder.messages.empty());
    QVERIFY(QString::fromStdString(recorder.messages.back().text).contains("Open a project"));
}

void SubmittalWindowTest::windowOffersTheCurrentSystemAndReadsThePaper() {
    sw::SubmittalDialog dialog({"MAINST", "OAKAVE"}, "OAKAVE", "/tmp/x-submittal.pdf");
    QCOMPARE(dialog.chosenSystems(), std::vector<std::string>{"OAKAVE"});
    QCOMPARE(dialog.paper(), submittal::Paper::Letter);
    auto* list = dialog.findChild<QListWidget*>("systemList");
    list->item(0)->setCheckState(Qt::Checked);
    QCOMPARE(dialog.chosenSystems(), (std::vector<std::string>{"MAINST", "OAKAVE"}));
    dialog.findChild<QComboBox*>("paperBox")->setCurrentText("A3");
    QCOMPARE(dialog.paper(), submittal::Paper::A3);
}

QTEST_MAIN(SubmittalWindowTest)
#include "submittal_window_test.moc"
