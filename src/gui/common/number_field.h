// A line edit that takes a number: checked as it is typed, marked when refused, read strictly.
#pragma once

#include <QLineEdit>
#include <functional>
#include <optional>
#include <string_view>

#include "common/number_input.h"
#include "ui/ui_port.h"

namespace kolv::gui {

/// How a field's text is read and checked (the core's rule of the value).
using NumberChecker = std::function<input::NumberCheck(std::string_view text)>;

/// Has `edit` checked by `check` as it is typed: a refused text marks the field (red, the message
/// as its tooltip) and is passed to `status`; a corrected one clears the mark and passes an empty text.
void watchNumberField(QLineEdit* edit, NumberChecker check, std::function<void(const QString&)> status = {});

/// Checks the field again (its rule may follow another control) and marks it.
void recheckNumberField(QLineEdit* edit);

/// The check of the field's current text (an unwatched field reads as any number).
input::NumberCheck checkNumberField(const QLineEdit* edit);

/// The field's value; when refused, marks the field, shows the message ("INVALID DATA"), puts the
/// cursor in the field and returns nothing.
std::optional<double> readNumberField(QLineEdit* edit, ui::UiPort* ui);

/// True when the field holds a refused text.
bool numberFieldRefused(const QLineEdit* edit);

}  // namespace kolv::gui
