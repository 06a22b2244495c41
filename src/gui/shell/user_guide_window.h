// The user guide shipped with the program, shown beside the work (F1).
#pragma once

#include <QDialog>

class QTextBrowser;

namespace kolv::gui::shell {

/// A modeless window with the guide (a resource of the program), searchable and printable.
class UserGuideWindow : public QDialog {
public:
    explicit UserGuideWindow(QWidget* parent = nullptr);
    QTextBrowser* browser() const { return m_browser; }

private:
    QTextBrowser* m_browser = nullptr;
};

}  // namespace kolv::gui::shell
