// A user-interaction port that records every call and answers questions from a queue (tests, scripted runs).
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "ui/ui_port.h"

namespace kolv::ui {

struct RecordedMessage {
    std::string title;
    std::string text;
    Icon icon;
    Buttons buttons;
    Answer defaultAnswer;
};

class RecordingUi : public UiPort {
public:
    std::vector<RecordedMessage> messages;
    std::vector<std::string> statuses;
    std::vector<int> progressValues;
    int beeps = 0;
    int busyDepth = 0;
    /// Answers given to questions in order; when empty the default button is answered.
    std::deque<Answer> answers;

    void beep() override { ++beeps; }
    Answer message(const std::string& title, const std::string& text, Icon icon, Buttons buttons,
                   Answer defaultAnswer) override {
        messages.push_back({title, text, icon, buttons, defaultAnswer});
        if (!answers.empty()) {
            Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return defaultAnswer;
    }
    void status(const std::string& text) override { statuses.push_back(text); }
    void progress(int p) override { progressValues.push_back(p); }
    void busy(bool on) override { busyDepth += on ? 1 : -1; }
    void processEvents() override {}

    /// Texts of all message boxes, in order.
    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (const auto& m : messages) t.push_back(m.text);
        return t;
    }
    void clear() {
        messages.clear();
        statuses.clear();
        progressValues.clear();
        beeps = 0;
    }
};

}  // namespace kolv::ui
