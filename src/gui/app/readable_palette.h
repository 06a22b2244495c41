// Keeps the striped rows of lists and grids readable on any desktop palette, light or dark.
#pragma once

#include <QPalette>

class QObject;

namespace kolv::gui {

/// The palette with an alternate-row colour that belongs to it. A dark palette that sets its
/// base and text colours but leaves the light palette's stripe colour gives light text on light
/// stripes; the stripe is then made from the palette's own base, moved a little towards its text.
/// A palette whose stripe is already close to its base is returned as it is.
QPalette withReadableAlternateRows(const QPalette& palette);

/// Applies withReadableAlternateRows() to the application palette now and after every change of
/// it (a switch to a dark desktop theme), for as long as `owner` lives.
void keepAlternateRowsReadable(QObject* owner);

}  // namespace kolv::gui
