// The user guide shipped with the program, shown beside the work (F1).
#include "gui/shell/user_guide_window.h"

#include <QHBoxLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace kolv::gui::shell {

UserGuideWindow::UserGuideWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle("KOLV Lt User Guide");
    setObjectName("UserGuideWindow");
    auto* v = new QVBoxLayout(this);
    m_browser = new QTextBrowser;
    m_browser->setOpenExternalLinks(false);
    m_browser->setSource(QUrl("qrc:/help/user_guide.html"));
    v->addWidget(m_browser, 1);
    auto* buttons = new QHBoxLayout;
    auto* print = new QPushButton("Print...");
    print->setObjectName("printButton");
    auto* close = new QPushButton("Close");
    buttons->addStretch(1);
    buttons->addWidget(print);
    buttons->addWidget(close);
    v->addLayout(buttons);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(print, &QPushButton::clicked, this, [this] {
        QPrinter printer(QPrinter::HighResolution);
        QPrintDialog dialog(&printer, this);
        if (dialog.exec() == QDialog::Accepted) m_browser->print(&printer);
    });
    resize(760, 680);
}

}  // namespace kolv::gui::shell
