// The busy pointer of a long command, restored on every way out of it.
#pragma once

#include "ui/ui_port.h"

namespace kolv::ui {

/// Shows the busy pointer while it lives; the pointer comes back on return and on an exception alike.
class BusyPointer {
public:
    explicit BusyPointer(UiPort& ui) : m_ui(ui) { m_ui.busy(true); }
    ~BusyPointer() { m_ui.busy(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    UiPort& m_ui;
};

}  // namespace kolv::ui
