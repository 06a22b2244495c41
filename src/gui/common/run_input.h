// Input while a computation runs: held back from every window but the run's own stop button.
#pragma once

namespace kolv::gui {

/// Property of a widget that takes input while a computation runs (a run's Cancel button).
inline constexpr const char* kInputDuringRun = "kolvInputDuringRun";

}  // namespace kolv::gui
