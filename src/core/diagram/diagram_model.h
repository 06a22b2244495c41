// What the network diagram shows of one storm sewer system: entities, relations, limits and the fit rule.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "db/database.h"
#include "session/session.h"
#include "ui/ui_port.h"

namespace kolv::diagram {

/// Entity classes a node or the outfall can be drawn as.
inline constexpr std::array<const char*, 7> kEntityClasses = {
    "Curb Inlet", "Outfall", "Manhole", "Endwall - Straight", "Endwall - Sloped", "Ditch Inlet", "Gutter Inlet"};
/// Class of a node without a structure, or whose structure is not defined.
inline constexpr const char* kDefaultEntityClass = "Curb Inlet";
inline constexpr const char* kOutfallClass = "Outfall";
/// Class of an outfall whose structure has no definition.
inline constexpr const char* kUnknownClass = "???";

/// The twelve pipe classes, numbered 0..11; class n takes its pipe from T0 PIPE_CLASS_n.
inline constexpr std::array<const char*, 12> kPipeClasses = {
    "12 Inch Pipe", "15 Inch Pipe", "18 Inch Pipe", "24 Inch Pipe", "30 Inch Pipe", "36 Inch Pipe",
    "42 Inch Pipe", "48 Inch Pipe", "54 Inch Pipe", "60 Inch Pipe", "66 Inch Pipe", "72 Inch Pipe"};
/// Class every reach is drawn with when the whole system is redrawn.
inline constexpr int kRedrawPipeClass = 2;  // "18 Inch Pipe"

/// Coordinates (XD, YD) are any finite numbers: diagram units of a schematic, or survey
/// northings and eastings. A system with nothing drawn yet is offered this square from the
/// origin to place its first symbols in.
inline constexpr double kNewDrawingSize = 10000.0;

/// The node name an entity's text stands for: the text up to the first carriage return
/// (label lines follow it), trimmed.
std::string entityNodeName(const std::string& text);

/// Index 0..11 of a pipe class by its name; -1 when unknown.
int pipeClassIndex(const std::string& className);

/// Status-line text of the pointer position: "xy: 1234,567".
std::string pointerText(double x, double y);

struct Entity {
    std::string name;       ///< node name (NODE NAME, or T16 OUT_NODE for the outfall)
    std::string className;  ///< entity class
    double x = 0, y = 0;    ///< XD, YD (diagram units)
    bool outfall = false;
};

struct Relation {
    std::string name;   ///< reach NAME
    std::string from;   ///< NODE1
    std::string to;     ///< NODE2
    int pipeClass = kRedrawPipeClass;
};

/// Everything the view needs to draw a system, read once (no queries while drawing).
struct DiagramData {
    std::string system;
    std::vector<Entity> entities;  ///< the nodes in table order, then the outfall
    std::vector<Relation> relations;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;  ///< extent of the entities (diagram units)
    std::string backgroundPicture;  ///< T16 BACKGROUND_PICTURE: picture drawn behind the system
    /// The system has no coordinates: the positions are the automatic schematic layout's, not
    /// stored in the project until the engineer keeps them.
    bool automaticLayout = false;
    /// The project's coordinates are survey coordinates: the entities' y holds the northing
    /// negated, so that a drawing whose y grows down the page (the window, the plan sheet) shows
    /// north up. storedY() turns a drawn y back into the YD to store.
    bool northUp = false;
    bool empty() const { return entities.empty(); }
};

/// YD of a position drawn at y (and the drawn y of a stored YD: the mapping is its own inverse).
inline double storedY(const DiagramData& data, double y) { return data.northUp ? -y : y; }

/// Sets the extent (minX .. maxY) from the entities' positions.
void setExtent(DiagramData& data);

/// Reads the system's nodes, outfall and reaches; logs the outfall's class lookup. Any finite
/// coordinates are drawn as they are (a coordinate that is not a finite number counts as none).
/// A system none of whose entities has coordinates gets the automatic schematic layout.
std::optional<DiagramData> loadDiagram(db::Database& db, const std::string& system, int engMet, Session& session,
                                       ui::UiPort& ui);

/// The view of the fit redraw: top-left corner and scale (window pixels per diagram unit).
struct FitView {
    double originX = 0, originY = 0;
    double scale = 1;
};

/// Origin (smallest XD - 50, smallest YD - 50) and the smaller of window width / (extent across
/// + 100) and window height / (extent down + 100): the whole system with a margin of 50 units,
/// wherever its coordinates lie.
FitView fitView(const DiagramData& data, double windowWidth, double windowHeight);

}  // namespace kolv::diagram
