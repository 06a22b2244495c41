// Puts the network diagram in the centre of the main window and its commands on the menus.
#pragma once

namespace kolv::gui {
class MainWindow;
}

namespace kolv::gui::diagram {

class DiagramPane;
class DiagnosisLogDock;

/// The diagram becomes the central widget, the node list moves into a dock beside it, the
/// diagnosis log gets a dock of its own (hidden), and the diagram commands (refresh, fit, zoom,
/// labels, classes, print, diagnosis window) get their handlers. Returns the pane.
DiagramPane* installDiagram(MainWindow& window);

/// The diagnosis log dock installed by installDiagram (nullptr before).
DiagnosisLogDock* diagnosisDock(MainWindow& window);

}  // namespace kolv::gui::diagram
