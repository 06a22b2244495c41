// The shared "ERROR TRAP" message for run-time faults inside a command.
#pragma once

#include <exception>
#include <string>

#include "ui/ui_port.h"

namespace kolv::ui {

/// Text of the error-trap message for an error number, with its cause lines.
std::string errorTrapText(int code);

/// Shows the error-trap message box (beep, title "ERROR TRAP", critical icon).
void showErrorTrap(UiPort& ui, int code);

/// Reports an exception caught at a command boundary: a kolv::Error shows the error trap
/// by its code, a std::bad_alloc as code 7, anything else as code 0 with its text.
/// Returns the code shown.
int reportException(UiPort& ui, const std::exception& e);

}  // namespace kolv::ui
