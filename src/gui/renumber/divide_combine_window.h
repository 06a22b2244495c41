// The divide / combine window: move chosen nodes into another system, or a whole system into another.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace kolv::gui {

class MainWindow;
class SystemsDialog;

class DivideCombineWindow : public QDialog {
    Q_OBJECT
public:
    explicit DivideCombineWindow(MainWindow& main);

    /// Fills both tabs from the project (after an action, or another system chosen).
    void refill();
    /// The action button: divide or combine after the chosen tab.
    void runAction();
    void divide();
    void combine();
    /// Opens the system add window in its divide mode; the new system becomes the receiver.
    /// Returns the window (shown modal unless `modal` is false, for tests).
    SystemsDialog* openSystemAdd(bool modal = true);

    QTabWidget* tabs() const { return m_tabs; }
    QListWidget* systemNodes() const { return m_nodes; }
    QListWidget* nodesToMove() const { return m_toMove; }
    QLineEdit* newSystemField() const { return m_newSystem; }
    QListWidget* fromList() const { return m_from; }
    QListWidget* toList() const { return m_to; }
    QPushButton* actionButton() const { return m_action; }

private:
    void tabChosen(int index);

    MainWindow& m_main;
    QTabWidget* m_tabs;
    QLabel* m_divideCaption;
    QListWidget* m_nodes;
    QListWidget* m_toMove;
    QLineEdit* m_newSystem;
    QListWidget* m_from;
    QListWidget* m_to;
    QPushButton* m_action;
};

}  // namespace kolv::gui
