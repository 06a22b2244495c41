// Writing systems to GIS and CAD files through GDAL: nodes as points, reaches as lines, with their fields and last results.
#pragma once

#include <string>
#include <vector>

#include "db/database.h"
#include "exchange/landxml_export.h"

namespace kolv::exchange {

/// The vector formats the export writes.
enum class GisFormat { GeoPackage, Shapefile, GeoJson, Dxf };

/// "gpkg", "shp", "geojson" or "dxf" (any case); throws kolv::InputError naming the choices otherwise.
GisFormat gisFormatOf(const std::string& name);

/// Writes the systems (all when `systems` is empty):
///  - GeoPackage: one file with the layers "nodes" (points, the outfalls among them with KIND
///    "OUTFALL") and "reaches" (lines from the upstream to the downstream node);
///  - Shapefile: a folder at `path` (without its .shp) holding nodes.shp and reaches.shp;
///  - GeoJSON: two files, <path>_nodes.geojson and <path>_reaches.geojson (GeoJSON holds one layer);
///  - DXF: a plan, one drawing layer per structure group (nodes) and per pipe (reaches, "DITCH" for
///    ditches), each node and reach labelled with its name as text.
/// Every input field of the node and reach rows is written, and of the last storm tab the flows,
/// grade lines, times, velocities and flow conditions (prefixed R_), in the project's units.
/// Coordinates are the project's; nodes without coordinates get no geometry.
/// Throws kolv::InputError for an unknown system and kolv::Error when the file cannot be written.
ExportResult exportGis(db::Database& db, const std::vector<std::string>& systems, const std::string& path,
                       GisFormat format);

/// A profile of the run from `startNode` down to the outfall as DXF lines and text, for the drafter:
/// distance along the run across, elevation up (times `verticalScale`); the ground (rims), the pipe
/// inverts and crowns, the grade line of the last storm tab, a vertical at each structure, and the
/// names, pipes and inverts as text. Layers GROUND, PIPE, HGL, STRUCTURE and TEXT. Throws
/// kolv::InputError for an unknown system or node, or a run that never reaches the outfall.
ExportResult exportProfileDxf(db::Database& db, const std::string& system, const std::string& startNode,
                              const std::string& path, double verticalScale = 10.0);

}  // namespace kolv::exchange
