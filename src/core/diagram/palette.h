// The diagram palette: how each entity class and each pipe class is drawn, read from "KOLVLtV3.PLT".
//
// The palette file is plain text. Blank lines and lines starting with ';' or '#' are ignored.
// A section header names the class it describes, the settings follow as Key=Value lines:
//
//     [Entity: Curb Inlet]
//     Shape=Square        Circle, Square, Diamond, Triangle, InvertedTriangle, Hexagon, Trapezoid, Bar
//     Size=12             symbol width on the screen (pixels)
//     Fill=#FFFFFF        #RRGGBB
//     Line=#1F5FA8
//     LineWidth=1.5       outline width (pixels)
//
//     [Relation: 18 Inch Pipe]
//     Color=#3C4A5C
//     Width=2             pen width (pixels)
//     Style=Solid         Solid, Dash, Dot, DashDot
//
// Classes missing from the file are drawn with the built-in defaults.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ui/ui_port.h"

namespace kolv::diagram {

/// Name of the palette file.
inline constexpr const char* kPaletteFileName = "KOLVLtV3.PLT";
/// Filter of the palette file choice.
inline constexpr const char* kPaletteFilter = "KOLV Palette File (*.plt)|*.plt|All files (*.*)|*.*";

enum class Shape { Circle, Square, Diamond, Triangle, InvertedTriangle, Hexagon, Trapezoid, Bar };
enum class PenStyle { Solid, Dash, Dot, DashDot };

/// An sRGB colour.
struct Rgb {
    unsigned char r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

struct EntityStyle {
    std::string className;
    Shape shape = Shape::Square;
    double size = 12;       ///< pixels
    Rgb fill{255, 255, 255};
    Rgb line{31, 95, 168};
    double lineWidth = 1.5; ///< pixels
};

struct RelationStyle {
    std::string className;
    Rgb color{60, 74, 92};
    double width = 2;       ///< pixels
    PenStyle style = PenStyle::Solid;
};

class Palette {
public:
    /// The built-in palette (also what a missing class falls back to).
    static Palette builtIn();
    /// Reads a palette file's text; unknown keys and malformed lines are skipped, each noted
    /// in `problems` with its line number.
    static Palette parse(const std::string& text, std::vector<std::string>* problems = nullptr);
    /// Reads a palette file; nothing when it cannot be read.
    static std::optional<Palette> load(const std::string& path);
    /// The text of a palette file describing every class of this palette.
    std::string write() const;

    /// Style of an entity class (the defaults when the class is not in the palette).
    const EntityStyle& entity(const std::string& className) const;
    const RelationStyle& relation(const std::string& className) const;

    std::vector<EntityStyle> entities;
    std::vector<RelationStyle> relations;

private:
    EntityStyle m_defaultEntity;
    RelationStyle m_defaultRelation;
};

/// The palette file to use: the path named by the settings file when that file exists (found
/// without regard to case); "" when it is missing.
std::string locatePalette(const std::string& settingsPath);

/// The palette shipped with the program (in the installation's data folder).
std::string installedPalettePath();

/// Shows "Diagramming palette file 'KOLVLtV3.PLT' not found." titled "Missing File".
void reportMissingPalette(ui::UiPort& ui);

}  // namespace kolv::diagram
