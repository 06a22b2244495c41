// The import's help text for the engineer: how a file is split into rows and columns.
#pragma once

#include <string>

namespace kolv::exchange {

/// Plain text, one paragraph per line, shown by the import window's Help button and printed by
/// the command line's import help.
const std::string& importHelpText();

}  // namespace kolv::exchange
