// The desktop program's user-interaction port: message boxes, status line, progress bar, wait cursor.
#pragma once

#include <memory>
#include <string>

#include "ui/recording_ui.h"
#include "ui/ui_port.h"

class QWidget;
class QMessageBox;
class QStatusBar;
class QProgressBar;

namespace kolv::gui {

/// Application name shown as the title of message boxes that have none of their own.
inline constexpr const char* kAppTitle = "KOLV Lt v3";

/// Shows the core's messages as QMessageBox with the exact title, text, icon and default
/// button ("\r" in a core text is a line break). When a recorder is attached (GUI tests,
/// screenshot runs) the messages go to it and are answered from its queue instead of a box.
class GuiUi : public ui::UiPort {
public:
    explicit GuiUi(QWidget* parent = nullptr) : m_parent(parent) {}

    void setParent(QWidget* parent) { m_parent = parent; }
    void setStatusWidgets(QStatusBar* status, QProgressBar* progress) {
        m_status = status;
        m_progress = progress;
    }
    /// Messages are recorded and answered by `recorder` while it is set.
    void setRecorder(ui::RecordingUi* recorder) { m_recorder = recorder; }
    ui::RecordingUi* recorder() const { return m_recorder; }

    void beep() override;
    ui::Answer message(const std::string& title, const std::string& text, ui::Icon icon, ui::Buttons buttons,
                       ui::Answer defaultAnswer) override;
    void status(const std::string& text) override;
    void progress(int percent) override;
    void busy(bool on) override;
    void processEvents() override;

private:
    QWidget* m_parent = nullptr;
    QStatusBar* m_status = nullptr;
    QProgressBar* m_progress = nullptr;
    ui::RecordingUi* m_recorder = nullptr;
    int m_busyDepth = 0;
};

/// The message box the port shows: exact title (the program's name when empty), text with
/// line breaks, icon, buttons and default button, each line of the text kept on one line.
std::unique_ptr<QMessageBox> makeMessageBox(QWidget* parent, const std::string& title, const std::string& text,
                                            ui::Icon icon, ui::Buttons buttons, ui::Answer defaultAnswer);

/// A core text for a Qt label or box: "\r\n" and "\r" become line breaks.
std::string lineBreaks(std::string text);

}  // namespace kolv::gui
