// The notice a program shows while it waits for a project file another program has locked.
#pragma once

#include <string>

namespace kolv::db {

/// "'path' is locked by another program; waiting up to 5 s for it to finish . . ."
std::string busyNoticeText(const std::string& path);

}  // namespace kolv::db
