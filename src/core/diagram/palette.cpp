// Reading and writing the diagram palette file.
#include "diagram/palette.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/text.h"
#include "diagram/diagram_model.h"
#include "settings/settings_file.h"

namespace kolv::diagram {

namespace {

struct Named {
    Shape shape;
    const char* name;
};
constexpr Named kShapes[] = {{Shape::Circle, "Circle"},       {Shape::Square, "Square"},
                             {Shape::Diamond, "Diamond"},     {Shape::Triangle, "Triangle"},
                             {Shape::InvertedTriangle, "InvertedTriangle"}, {Shape::Hexagon, "Hexagon"},
                             {Shape::Trapezoid, "Trapezoid"}, {Shape::Bar, "Bar"}};
struct NamedPen {
    PenStyle style;
    const char* name;
};
constexpr NamedPen kPens[] = {
    {PenStyle::Solid, "Solid"}, {PenStyle::Dash, "Dash"}, {PenStyle::Dot, "Dot"}, {PenStyle::DashDot, "DashDot"}};

std::optional<Rgb> parseColour(const std::string& v) {
    if (v.size() != 7 || v[0] != '#') return std::nullopt;
    unsigned r = 0, g = 0, b = 0;
    for (std::size_t i = 1; i < 7; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(v[i]))) return std::nullopt;
    if (std::sscanf(v.c_str() + 1, "%2x%2x%2x", &r, &g, &b) != 3) return std::nullopt;
    return Rgb{static_cast<unsigned char>(r), static_cast<unsigned char>(g), static_cast<unsigned char>(b)};
}

std::string colourText(Rgb c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c.r, c.g, c.b);
    return buf;
}

std::optional<double> parsePositive(const std::string& v) {
    if (!isNumeric(v)) return std::nullopt;
    double d = leadingNumber(v);
    if (!(d > 0) || d > 200) return std::nullopt;
    return d;
}

std::string numberText(double d) {
    std::ostringstream s;
    s << d;
    return s.str();
}

}  // namespace

Palette Palette::builtIn() {
    Palette p;
    const Rgb ink{36, 52, 71};
    p.entities = {
        {"Curb Inlet", Shape::Square, 11, {255, 255, 255}, {31, 95, 168}, 1.6},
        {"Outfall", Shape::InvertedTriangle, 16, {214, 64, 52}, {120, 28, 22}, 1.4},
        {"Manhole", Shape::Circle, 13, {255, 255, 255}, ink, 1.8},
        {"Endwall - Straight", Shape::Bar, 14, {120, 120, 120}, {60, 60, 60}, 1.2},
        {"Endwall - Sloped", Shape::Trapezoid, 14, {150, 150, 150}, {60, 60, 60}, 1.2},
        {"Ditch Inlet", Shape::Diamond, 13, {222, 239, 214}, {46, 125, 50}, 1.6},
        {"Gutter Inlet", Shape::Hexagon, 13, {255, 243, 205}, {178, 120, 0}, 1.6},
        {kUnknownClass, Shape::Square, 12, {255, 220, 220}, {200, 0, 0}, 1.6},
    };
    // widths grow with the pipe class so a trunk reads thicker than a lateral
    const double widths[12] = {1.4, 1.6, 1.8, 2.2, 2.6, 3.0, 3.4, 3.8, 4.2, 4.6, 5.0, 5.4};
    for (std::size_t i = 0; i < kPipeClasses.size(); ++i)
        p.relations.push_back({kPipeClasses[i], {60, 74, 92}, widths[i], PenStyle::Solid});
    p.m_defaultEntity = p.entities.front();
    p.m_defaultEntity.className.clear();
    p.m_defaultRelation = p.relations[kRedrawPipeClass];
    p.m_defaultRelation.className.clear();
    return p;
}

Palette Palette::parse(const std::string& text, std::vector<std::string>* problems) {
    Palette p = builtIn();
    Palette out;
    out.m_defaultEntity = p.m_defaultEntity;
    out.m_defaultRelation = p.m_defaultRelation;
    auto note = [&](int line, const std::string& what) {
        if (problems) problems->push_back("line " + std::to_string(line) + ": " + what);
    };
    EntityStyle* entity = nullptr;
    RelationStyle* relation = nullptr;
    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    while (std::getline(in, raw)) {
        ++lineNo;
        std::string line = raw;
        std::replace(line.begin(), line.end(), '\r', ' ');
        std::replace(line.begin(), line.end(), '\t', ' ');
        line = trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[') {
            entity = nullptr;
            relation = nullptr;
            const auto close = line.find(']');
            const auto colon = line.find(':');
            if (close == std::string::npos || colon == std::string::npos || colon > close) {
                note(lineNo, "section header expected as [Entity: class] or [Relation: class]");
                continue;
            }
            const std::string kind = toLower(trim(line.substr(1, colon - 1)));
            const std::string cls = trim(line.substr(colon + 1, close - colon - 1));
            if (kind == "entity") {
                EntityStyle s = p.entity(cls);
                s.className = cls;
                out.entities.push_back(s);
                entity = &out.entities.back();
            } else if (kind == "relation") {
                RelationStyle s = p.relation(cls);
                s.className = cls;
                out.relations.push_back(s);
                relation = &out.relations.back();
            } else {
                note(lineNo, "unknown section kind '" + kind + "'");
            }
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos) {
            note(lineNo, "Key=Value expected");
            continue;
        }
        const std::string key = toLower(trim(line.substr(0, eq)));
        const std::string value = trim(line.substr(eq + 1));
        bool ok = false;
        if (entity) {
            if (key == "shape") {
                for (const auto& s : kShapes)
                    if (equalsIgnoreCase(value, s.name)) entity->shape = s.shape, ok = true;
            } else if (key == "size") {
                if (auto d = parsePositive(value)) entity->size = *d, ok = true;
            } else if (key == "fill") {
                if (auto c = parseColour(value)) entity->fill = *c, ok = true;
            } else if (key == "line") {
                if (auto c = parseColour(value)) entity->line = *c, ok = true;
            } else if (key == "linewidth") {
                if (auto d = parsePositive(value)) entity->lineWidth = *d, ok = true;
            }
        } else if (relation) {
            if (key == "color" || key == "colour") {
                if (auto c = parseColour(value)) relation->color = *c, ok = true;
            } else if (key == "width") {
                if (auto d = parsePositive(value)) relation->width = *d, ok = true;
            } else if (key == "style") {
                for (const auto& s : kPens)
                    if (equalsIgnoreCase(value, s.name)) relation->style = s.style, ok = true;
            }
        }
        if (!ok) note(lineNo, "'" + line + "' not understood");
    }
    // classes the file leaves out keep their built-in look
    for (const EntityStyle& s : p.entities) {
        bool found = false;
        for (const EntityStyle& o : out.entities) found = found || equalsIgnoreCase(o.className, s.className);
        if (!found) out.entities.push_back(s);
    }
    for (const RelationStyle& s : p.relations) {
        bool found = false;
        for (const RelationStyle& o : out.relations) found = found || equalsIgnoreCase(o.className, s.className);
        if (!found) out.relations.push_back(s);
    }
    return out;
}

std::optional<Palette> Palette::load(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return std::nullopt;
    std::ostringstream s;
    s << f.rdbuf();
    return parse(s.str());
}

std::string Palette::write() const {
    std::ostringstream o;
    o << "; KOLV Lt diagram palette\r\n";
    for (const EntityStyle& e : entities) {
        const char* shape = "Square";
        for (const auto& s : kShapes)
            if (s.shape == e.shape) shape = s.name;
        o << "\r\n[Entity: " << e.className << "]\r\nShape=" << shape << "\r\nSize=" << numberText(e.size)
          << "\r\nFill=" << colourText(e.fill) << "\r\nLine=" << colourText(e.line)
          << "\r\nLineWidth=" << numberText(e.lineWidth) << "\r\n";
    }
    for (const RelationStyle& r : relations) {
        const char* style = "Solid";
        for (const auto& s : kPens)
            if (s.style == r.style) style = s.name;
        o << "\r\n[Relation: " << r.className << "]\r\nColor=" << colourText(r.color)
          << "\r\nWidth=" << numberText(r.width) << "\r\nStyle=" << style << "\r\n";
    }
    return o.str();
}

const EntityStyle& Palette::entity(const std::string& className) const {
    for (const EntityStyle& e : entities)
        if (equalsIgnoreCase(e.className, className)) return e;
    return m_defaultEntity;
}

const RelationStyle& Palette::relation(const std::string& className) const {
    for (const RelationStyle& r : relations)
        if (equalsIgnoreCase(r.className, className)) return r;
    return m_defaultRelation;
}

std::string locatePalette(const std::string& settingsPath) {
    const std::string p = trim(settingsPath);
    if (p.empty()) return "";
    const std::string resolved = settings::resolvePathCase(p);
    std::error_code ec;
    if (std::filesystem::is_regular_file(resolved, ec)) return resolved;
    return "";
}

std::string installedPalettePath() {
    return settings::paletteFolder() + kPaletteFileName;
}

void reportMissingPalette(ui::UiPort& ui) {
    ui.message("Missing File", std::string("Diagramming palette file '") + kPaletteFileName + "' not found.",
               ui::Icon::Exclamation);
}

}  // namespace kolv::diagram
