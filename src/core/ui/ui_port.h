// The one way the core talks to the engineer: beeps, message boxes, questions, status and progress.
#pragma once

#include <string>

namespace kolv::ui {

enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class Answer { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

/// Implemented by the desktop program (Qt message boxes, status bar), the command-line
/// program (stderr, answers from flags) and the tests (recording fake).
class UiPort {
public:
    virtual ~UiPort() = default;

    virtual void beep() = 0;
    /// Modal message box; returns the button pressed. `defaultAnswer` is the button that
    /// Enter presses (No for the destructive questions).
    virtual Answer message(const std::string& title, const std::string& text, Icon icon = Icon::None,
                           Buttons buttons = Buttons::Ok, Answer defaultAnswer = Answer::Ok) = 0;
    /// Text in the status line ("" clears it).
    virtual void status(const std::string& text) = 0;
    /// Progress bar value 0..100.
    virtual void progress(int percent) = 0;
    /// Hourglass pointer on or off.
    virtual void busy(bool on) = 0;
    /// Lets the window system process pending events during a long command.
    virtual void processEvents() = 0;
    /// True once the engineer has asked a long command to stop (a Cancel button beside the
    /// progress display); asked after processEvents(). A port without such a button never stops.
    virtual bool cancelRequested() { return false; }

    /// Convenience: a plain OK message box.
    void inform(const std::string& title, const std::string& text, Icon icon = Icon::None) {
        message(title, text, icon, Buttons::Ok, Answer::Ok);
    }
    /// Convenience: beep, then "INVALID DATA" box with a critical icon.
    void invalidData(const std::string& text) {
        beep();
        message("INVALID DATA", text, Icon::Critical, Buttons::Ok, Answer::Ok);
    }
};

/// A port that shows nothing and answers every question with its default button.
class SilentUi : public UiPort {
public:
    void beep() override {}
    Answer message(const std::string&, const std::string&, Icon, Buttons, Answer def) override { return def; }
    void status(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}
    void processEvents() override {}
};

}  // namespace kolv::ui
