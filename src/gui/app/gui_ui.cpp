// The desktop program's user-interaction port.
#include "gui/app/gui_ui.h"
#include "gui/common/run_input.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <algorithm>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

namespace kolv::gui {

namespace {

/// Drops what the engineer types, clicks or drops into the program while a computation runs,
/// and keeps its windows open: every way of editing (panel, diagram, menus, shortcuts, undo)
/// starts from such input. A modal box the run shows gets its input as usual.
class InputGuard : public QObject {
public:
    bool eventFilter(QObject* target, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::Drop:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::TouchBegin:
        case QEvent::Close:
            break;
        default:
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(target);
        // Input reaches a widget through its window first; it is judged there. A shortcut goes
        // to the action it triggers (Edit > Undo among them), which is no widget.
        if (!widget && event->type() != QEvent::Shortcut) return false;
        // the run's own stop button (marked with kInputDuringRun) stays usable
        for (auto* w = widget; w; w = w->parentWidget())
            if (w->property(kInputDuringRun).toBool()) return false;
        if (QWidget* modal = QApplication::activeModalWidget())
            if (widget && (widget == modal || modal->isAncestorOf(widget))) return false;
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();  // taken by the widget: no shortcut fires
            return true;
        }
        event->ignore();
        return true;
    }
};

/// Holds input back while any computation runs; installed once however many runs are nested.
void holdInput(bool on) {
    static InputGuard guard;
    static int runs = 0;
    if (!qApp) return;
    if (on && runs++ == 0) qApp->installEventFilter(&guard);
    if (!on && runs > 0 && --runs == 0) qApp->removeEventFilter(&guard);
}

}  // namespace

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
        if (m_busyDepth++ == 0) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            holdInput(true);
        }
    } else if (m_busyDepth > 0) {
        if (--m_busyDepth == 0) {
            holdInput(false);
            QApplication::restoreOverrideCursor();
        }
    }
}

void GuiUi::processEvents() { QApplication::processEvents(); }

}  // namespace kolv::gui
