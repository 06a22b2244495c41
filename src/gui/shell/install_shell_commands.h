// The program-wide commands: File > Print for the window in front and the user guide.
#pragma once

#include <QObject>
#include <QPointer>
#include <string>
#include <vector>

class QAbstractItemModel;

namespace kolv::gui {
class MainWindow;
namespace compute {
class ComputeWindows;
}
}  // namespace kolv::gui

namespace kolv::gui::shell {

class UserGuideWindow;

/// The windows these commands keep; a child of the main window.
class ShellWindows : public QObject {
public:
    ShellWindows(MainWindow& main, compute::ComputeWindows& compute);

    /// F1: the user guide, in front.
    UserGuideWindow* showUserGuide();
    /// File > Print: prints what the active window shows. Returns the window that was asked
    /// to print (a preview, or the window whose Print button was pressed), nullptr when the
    /// window in front has nothing to print (the engineer is told).
    QWidget* printActive(QWidget* active);


private:
    MainWindow& m_main;
    compute::ComputeWindows& m_compute;
    QPointer<UserGuideWindow> m_guide;
};

/// The node list of the main window as text lines: a heading and one line per row, columns
/// as wide as their longest entry.
std::vector<std::string> tableLines(const QAbstractItemModel& table);

/// Registers Print (Ctrl+P) and User Guide (F1) on the main window.
ShellWindows* installShellCommands(MainWindow& window, compute::ComputeWindows& compute);

}  // namespace kolv::gui::shell
