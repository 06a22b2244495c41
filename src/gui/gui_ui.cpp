// The desktop program's user-interaction port.
#include "gui/gui_ui.h"

#include <QApplication>
#include <QFontMetrics>
#include <algorithm>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

namespace kolv::gui {

std::string lineBreaks(std::string text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

void GuiUi::beep() {
    if (m_recorder) {
        m_recorder->beep();
        return;
    }
    QApplication::beep();
}

namespace {

QMessageBox::StandardButton toButton(ui::Answer a) {
    switch (a) {
        case ui::Answer::Ok: return QMessageBox::Ok;
        case ui::Answer::Cancel: return QMessageBox::Cancel;
        case ui::Answer::Yes: return QMessageBox::Yes;
        case ui::Answer::No: return QMessageBox::No;
        case ui::Answer::Retry: return QMessageBox::Retry;
        case ui::Answer::Abort: return QMessageBox::Abort;
        case ui::Answer::Ignore: return QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

ui::Answer fromButton(int b) {
    switch (b) {
        case QMessageBox::Cancel: return ui::Answer::Cancel;
        case QMessageBox::Yes: return ui::Answer::Yes;
        case QMessageBox::No: return ui::Answer::No;
        case QMessageBox::Retry: return ui::Answer::Retry;
        case QMessageBox::Abort: return ui::Answer::Abort;
        case QMessageBox::Ignore: return ui::Answer::Ignore;
        default: return ui::Answer::Ok;
    }
}

QMessageBox::StandardButtons toButtons(ui::Buttons b) {
    switch (b) {
        case ui::Buttons::Ok: return QMessageBox::Ok;
        case ui::Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
        case ui::Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
        case ui::Buttons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case ui::Buttons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
        case ui::Buttons::AbortRetryIgnore: return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon toIcon(ui::Icon i) {
    switch (i) {
        case ui::Icon::Critical: return QMessageBox::Critical;
        case ui::Icon::Question: return QMessageBox::Question;
        case ui::Icon::Exclamation: return QMessageBox::Warning;
        case ui::Icon::Information: return QMessageBox::Information;
        case ui::Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

std::unique_ptr<QMessageBox> makeMessageBox(QWidget* parent, const std::string& title, const std::string& text,
                                            ui::Icon icon, ui::Buttons buttons, ui::Answer defaultAnswer) {
    auto box = std::make_unique<QMessageBox>(toIcon(icon), QString::fromStdString(title.empty() ? kAppTitle : title),
                                             QString::fromStdString(lineBreaks(text)), toButtons(buttons), parent);
    box->setDefaultButton(toButton(defaultAnswer));
    // keep each line of the message on one line (the texts break their own lines)
    int widest = 0;
    const QFontMetrics metrics(box->font());
    for (const QString& line : box->text().split('\n')) widest = std::max(widest, metrics.horizontalAdvance(line));
    box->setStyleSheet(QString("QLabel#qt_msgbox_label { min-width: %1px; }").arg(std::min(widest + 8, 900)));
    return box;
}

ui::Answer GuiUi::message(const std::string& title, const std::string& text, ui::Icon icon, ui::Buttons buttons,
                          ui::Answer defaultAnswer) {
    if (m_recorder) return m_recorder->message(title, text, icon, buttons, defaultAnswer);
    // a box must not appear under the wait cursor
    bool restore = m_busyDepth > 0;
    if (restore) QApplication::setOverrideCursor(Qt::ArrowCursor);
    auto box = makeMessageBox(m_parent, title, text, icon, buttons, defaultAnswer);
    int pressed = box->exec();
    if (restore) QApplication::restoreOverrideCursor();
    return fromButton(pressed);
}

void GuiUi::status(const std::string& text) {
    if (m_recorder) m_recorder->status(text);
    if (m_status) {
        m_status->showMessage(QString::fromStdString(text));
        m_status->repaint();
    }
}

void GuiUi::progress(int percent) {
    if (m_recorder) m_recorder->progress(percent);
    if (m_progress) {
        m_progress->setValue(percent);
        m_progress->setVisible(percent > 0 && percent < 100);
    }
}

void GuiUi::busy(bool on) {
    if (m_recorder) m_recorder->busy(on);
    if (on) {
        if (m_busyDepth++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (m_busyDepth > 0) {
        if (--m_busyDepth == 0) QApplication::restoreOverrideCursor();
    }
}

void GuiUi::processEvents() { QApplication::processEvents(); }

}  // namespace kolv::gui
