// The systems window: add, delete and rename storm sewer systems.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kolv::gui {

class MainWindow;

class SystemsDialog : public QDialog {
    Q_OBJECT
public:
    explicit SystemsDialog(MainWindow& main);

    /// Opens the window for the divide: captioned "Storm Sewer System Add", marked "DIVIDE";
    /// Add creates the receiving system, keeps the current system current and hands the new
    /// name to `onAdded`.
    void setDivideMode(std::function<void(const std::string&)> onAdded);
    bool divideMode() const { return static_cast<bool>(m_onDivideAdd); }

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
    QLabel* m_mode;
    QLabel* m_hint;
    QPushButton* m_delete;
    QPushButton* m_rename;
    std::function<void(const std::string&)> m_onDivideAdd;
};

}  // namespace kolv::gui
