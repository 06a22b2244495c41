// Where each diagram label goes beside its symbol so that labels do not cover each other or
// the symbols, and from which zoom on each one has room to be shown.
#pragma once

#include <cstddef>
#include <vector>

namespace kolv::diagram {

/// One label to place: its anchor in diagram units and its size on the screen.
struct LabelBox {
    double x = 0, y = 0;       ///< anchor: the node, or the middle of the reach (diagram units)
    double width = 0;          ///< text block (pixels)
    double height = 0;         ///< text block (pixels)
    double clearance = 0;      ///< half the symbol size at the anchor (pixels); 0 for reaches
    /// The first line alone (pixels): a node's name, which is placed ahead of every whole label
    /// and shown by itself while the whole label has no room; 0 for a label without one.
    double nameWidth = 0, nameHeight = 0;
};

/// A reach drawn on the diagram, which labels keep off (diagram units).
struct LabelObstacleLine {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

/// Whether the segment from (x1, y1) to (x2, y2) crosses or lies in the box from (left, top) to
/// (right, bottom), y growing downwards (Liang-Barsky clipping against each edge in turn).
bool segmentMeetsBox(double x1, double y1, double x2, double y2, double left, double top, double right, double bottom);

/// The chosen place: offset of the text block's top-left corner from the anchor (pixels) and
/// the first zoom step at which it is shown (index into the zoom steps; -1 = no label).
struct LabelPlace {
    double dx = 0, dy = 0;
    int step = -1;
    /// The same for the name alone, shown from `nameStep` until `step` (-1: never alone).
    double nameDx = 0, nameDy = 0;
    int nameStep = -1;
};

/// Systems of up to this many nodes have every name placed at the first zoom step, so that the
/// whole system in view (the window's fitted view, the plan sheet) names every structure.
inline constexpr std::size_t kAllNamesUpTo = 200;

/// Zoom steps, as multiples of the base scale: 1, 1.5, 2.25, ... (ten steps).
const std::vector<double>& labelZoomSteps();

/// Places labels greedily in their order: at each zoom step (scale = basePixelsPerUnit x step),
/// each whole label not yet placed takes the first of twelve positions around its anchor that
/// overlaps neither a placed label or name, nor a symbol, nor a reach line. Labels already placed
/// keep their position at the larger steps, where they take less room. A label with no room even
/// at the last step is shown from the last step on, at its first position.
/// With `namesAtFirstStep` (a small system), the names go first at each step, each whole label
/// then taking the room left (and replacing its own name), and a name with no free position at
/// the first step is shown there anyway, where it covers least: every name is readable when the
/// whole system is in the window.
std::vector<LabelPlace> placeLabels(const std::vector<LabelBox>& boxes, double basePixelsPerUnit,
                                    const std::vector<LabelObstacleLine>& lines = {}, bool namesAtFirstStep = false);

/// The same placement one zoom step at a time, as the view comes closer: a large system shows
/// its first picture after the first step alone, and each later step is placed when the zoom
/// first reaches it. The places of the steps done are those `placeLabels` gives.
class LabelPlacer {
public:
    LabelPlacer(std::vector<LabelBox> boxes, double basePixelsPerUnit, std::vector<LabelObstacleLine> lines = {},
                bool namesAtFirstStep = false);
    /// Places every step up to `step` not placed yet; the last step also places the labels left over.
    void placeThrough(int step);
    /// Last step placed (-1 before the first).
    int stepsDone() const { return m_done; }
    /// Places so far; a label not placed yet has step -1.
    const std::vector<LabelPlace>& places() const { return m_places; }

private:
    void placeStep(int step);

    std::vector<LabelBox> m_boxes;
    double m_base;
    std::vector<LabelObstacleLine> m_lines;
    std::vector<LabelPlace> m_places;
    std::size_t m_unplaced;
    double m_cellPixels = 1;
    int m_done = -1;
    bool m_namesAtFirstStep = false;
};

}  // namespace kolv::diagram
