// Icons of the main window's commands: the desktop theme's where it has one, else the program's own drawings.
#pragma once

#include <QIcon>

#include "gui/app/commands.h"

namespace kolv::gui {

/// The icon of a command: the freedesktop theme icon when the desktop theme has it, else the
/// program's own drawing (":/icons/NAME.svg"). A null icon for commands without one.
QIcon commandIcon(Command id);

/// A freedesktop theme icon with one of the program's drawings as fallback.
QIcon themedIcon(const char* themeName, const char* ownName);

}  // namespace kolv::gui
