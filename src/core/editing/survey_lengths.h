// Survey coordinates: whether a project's node positions are measured, and reach lengths taken from them.
#pragma once

#include <optional>
#include <string>

#include "db/database.h"

namespace kolv::editing {

/// True when the project's coordinates are survey coordinates (northing and easting in the
/// project's length unit). Projects start schematic: positions only place the diagram.
bool surveyCoordinates(db::Database& db);

/// Records the kind of coordinates, as one undo step ("Survey Coordinates" or "Schematic
/// Coordinates"; folded into the caller's step when one is open). Turning survey on measures
/// the computed lengths of every system at once. Returns the number of lengths changed.
int setSurveyCoordinates(db::Database& db, bool survey);

/// Plan distance between two positions (project length unit), or nothing when either end has
/// no position (both coordinates 0) or the ends coincide.
std::optional<double> planLength(double x1, double y1, double x2, double y2);

/// In a survey project, sets LENGTH of the reaches of `system` whose CALC_PIPEL is on to the plan
/// distance between their two nodes (the outfall at its T16 position), rounded to 0.01; only the
/// reaches that start or end at `node` when one is given. Reaches with an end without a position
/// keep their length. Writes nothing in a schematic project. Returns the number of lengths changed.
int updateReachLengths(db::Database& db, const std::string& system, const std::string& node = "");

/// updateReachLengths for every system of the project.
int updateAllReachLengths(db::Database& db);

}  // namespace kolv::editing
