// The plan: the system's network diagram with its labels, on one fitted sheet, or, when its labels
// could not be read at that size, a key plan and a set of plan sheets at one scale.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "db/database.h"
#include "diagram/diagram_model.h"
#include "session/session.h"
#include "submittal/sheet.h"

namespace kolv::submittal {

/// One plan sheet of a plan set: a cell of the grid drawn over the key plan.
struct PlanCell {
    std::string name;  ///< "P-3"
    int column = 0, row = 0;
    double left = 0, top = 0, right = 0, bottom = 0;  ///< the cell (diagram units, y growing downwards)
};

/// The grid of plan sheets of a system: every cell the size of a sheet's drawing area at one
/// scale, less the overlap each sheet draws beyond its edges. Only the cells holding a node or
/// part of a reach are printed, named P-1, P-2, ... row by row from the top left.
struct PlanGrid {
    double scale = 0;    ///< pt per diagram unit of every plan sheet
    double ratio = 0;    ///< survey: feet per inch, or the metric ratio's denominator; 0 schematic
    double overlap = 0;  ///< diagram units drawn beyond each edge of a cell
    int columns = 0, rows = 0;
    double originX = 0, originY = 0;         ///< top-left corner of the grid (diagram units)
    double cellWidth = 0, cellHeight = 0;   ///< diagram units
    std::vector<PlanCell> cells;    ///< printed cells, in sheet order
    std::vector<int> printedAt;     ///< index into `cells` of column + row x columns, -1 when not printed
    /// Printed cell at a column and row, or -1 (also outside the grid).
    int at(int column, int row) const;
    /// True when the plan is a key plan and sheets; false when one fitted sheet reads well.
    bool split() const { return !cells.empty(); }
};

/// The plan set of a diagram on the sheets of `frame`, or an empty grid when the system fitted on
/// one sheet keeps its nodes far enough apart for their labels: half the nodes at least two
/// label lines (6 pt text) from their nearest neighbour. The sheets are drawn at the scale that
/// sets that median spacing to two and a half label lines (a survey plan at the next standard engineering
/// scale larger than that).
PlanGrid planGrid(const diagram::DiagramData& data, const SheetFrame& frame, bool metric);

/// Receives the plan's pages with their sheet titles, and the bookmark of a sheet just before it.
struct PlanSink {
    std::function<void(reports::Page&& page, const std::string& sheetTitle)> page;
    std::function<void(const std::string& title)> bookmark;
    /// Only the pages and bookmarks are wanted (the package being counted): the pages come blank.
    bool countOnly = false;
    /// When set, the network of a key plan goes here in pieces ahead of its page, to be drawn under
    /// it, so a system of many thousand nodes is never held as one page; without it the pieces
    /// are part of the page.
    std::function<void(reports::Page&& part)> ahead = {};
};

/// Draws the system's diagram (positions, reach lines, symbols of the palette and the labels of
/// display option set `displaySet`). The labels are placed as the diagram window places them at
/// its fitted zoom; those without room keep the node name alone. A system too crowded for one
/// sheet gets a key plan with the grid of sheets over it, then each sheet with its match lines.
void layoutPlan(db::Database& db, Session& session, const std::string& system, int engMet, int displaySet,
                const SheetFrame& frame, const PlanSink& sink);

}  // namespace kolv::submittal
