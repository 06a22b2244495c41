// Puts the import and export windows on the main window's commands.
#pragma once

namespace kolv::gui {
class MainWindow;
}

namespace kolv::gui::exchange {

/// Registers "Import Storm Sewer", "Export Drainage Structure Data", and the LandXML import and
/// the CAD / GIS / SWMM export on the main window.
void installExchangeWindows(MainWindow& window);

}  // namespace kolv::gui::exchange
