// Automatic schematic layout of a system that has no coordinates: a tree growing upstream from
// the outfall, and keeping it as the system's coordinates.
#pragma once

#include <string>
#include <vector>

#include "db/database.h"
#include "diagram/diagram_model.h"

namespace kolv::diagram {

/// Distances of the layout (diagram units).
struct LayoutSpacing {
    double level = 300;  ///< least distance between a node and the node it drains to (across)
    double row = 100;    ///< between neighbouring branches (down)
    double margin = 100; ///< of the top-left node from the origin
};

/// True when the drawing has entities and none of them has a position: every XD and YD is
/// empty or 0.
bool lacksCoordinates(const DiagramData& data);

struct LayoutPoint {
    double x = 0, y = 0;
};

/// A position for each entity of `data` (same order). The outfall stands at the right and each
/// node one level left of the node its reach drains to, so every reach points right; sibling
/// branches are stacked downwards and packed level by level, so that no two symbols share a
/// place. The levels stand further apart in a system with many more branches than levels. Nodes that do not drain to the outfall (a reach to a missing node, no reach, a loop)
/// start trees of their own below it. The same data always gives the same layout.
std::vector<LayoutPoint> schematicLayout(const DiagramData& data, const LayoutSpacing& spacing = {});

/// Places the entities of `data` by the schematic layout and sets the extent.
void applySchematicLayout(DiagramData& data, const LayoutSpacing& spacing = {});

/// Stores the positions of `data` as the system's coordinates (node XD, YD and the outfall's
/// in T16) as one undo step, "Keep Automatic Layout".
void keepLayout(db::Database& db, const DiagramData& data);

}  // namespace kolv::diagram
