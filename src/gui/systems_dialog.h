// The systems window: add, delete and rename storm sewer systems.
#pragma once

#include <QDialog>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace kolv::gui {

class MainWindow;

class SystemsDialog : public QDialog {
    Q_OBJECT
public:
    explicit SystemsDialog(MainWindow& main);

    QListWidget* list() const { return m_list; }
    QLineEdit* nameField() const { return m_name; }
    void add();
    void remove();
    void rename();

private:
    void refill(const QString& select);
    MainWindow& m_main;
    QListWidget* m_list;
    QLineEdit* m_name;
};

}  // namespace kolv::gui
