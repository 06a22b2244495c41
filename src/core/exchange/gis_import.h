// Importing nodes and reaches from a point and a line layer of any GDAL vector source, through an import setup.
#pragma once

#include <string>
#include <vector>

#include "db/database.h"
#include "exchange/system_import.h"
#include "ui/ui_port.h"

namespace kolv::exchange {

/// Headings of the columns the import adds to a layer's attributes: the point's coordinates, and
/// a line's end nodes found by position.
inline constexpr const char* kGisX = "X";
inline constexpr const char* kGisY = "Y";
inline constexpr const char* kGisStartNode = "Start node";
inline constexpr const char* kGisEndNode = "End node";

/// What the engineer asked for.
struct GisImportRequest {
    std::string nodeSource, nodeLayer;    ///< file or folder; layer name ("" = its first point layer)
    std::string reachSource, reachLayer;  ///< "" = no reaches; layer "" = the first line layer
    std::string setupName;                ///< column destinations (attribute names) and description links
    std::string reachSetupName;           ///< setup of the reach layer ("" = the same setup)
    std::string system;                   ///< destination system (must exist)
    std::string defaultStructure, defaultPipe;
    double tolerance = 0.5;  ///< largest distance from a line's end to its node (project length unit)
};

/// A layer read as the text import reads a file: attribute names as headings (then X and Y of a
/// point, or the nodes at a line's ends), one row per feature. `metresPerUnit`, when given, gets
/// the linear unit of the layer's projected coordinate system in metres (0 when the layer has no
/// projected system: geographic degrees, or none stated).
ImportFile readGisLayer(const std::string& source, const std::string& layer, bool points,
                        double* metresPerUnit = nullptr);

/// True when a projected unit of `metresPerUnit` metres is the project's length unit (either foot
/// for an English project, the metre for a metric one): its coordinates are then a survey.
bool surveyUnitMatches(double metresPerUnit, bool metric);

/// Imports the node layer, then the reach layer, in one transaction and one undo step
/// ("Import GIS"), each through the setup's destinations, links and side effects as the text
/// import writes them; a structure or pipe value that is the name of a definition of the
/// project's units links to it when the setup has no link for it. The point named like the
/// system's outfall gives the outfall its position and is not made a node. A reach whose setup names no From / To node column is joined to the nodes
/// by its end points: the nearest node point within the tolerance (the node layer's names, or the
/// project's nodes of the system); an end without one is logged and left unjoined. A source that
/// cannot be read is refused before any change (kolv::Error 53).
ImportResult importGis(db::Database& db, ui::UiPort& ui, const GisImportRequest& request);

}  // namespace kolv::exchange
