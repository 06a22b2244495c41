// Text between the core (UTF-8 std::string) and the windows (QString), one spelling for every window.
#pragma once

#include <QString>
#include <string>

namespace kolv::gui {

/// A core text as a window shows it (the core's strings are UTF-8).
inline QString q(const std::string& text) { return QString::fromStdString(text); }

/// A text typed into a window as the core takes it.
inline std::string stdString(const QString& text) { return text.toStdString(); }

}  // namespace kolv::gui
