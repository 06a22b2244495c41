// Plan sheet drawn from the diagram model: reaches, palette symbols and placed labels.
#include "submittal/plan_sheet.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "common/text.h"
#include "common/units.h"
#include "common/vb_format.h"
#include "diagram/diagram_model.h"
#include "diagram/label_placement.h"
#include "diagram/labels.h"
#include "diagram/palette.h"
#include "diagram/symbol_geometry.h"
#include "ui/ui_port.h"

namespace kolv::submittal {

using reports::Align;
using reports::Font;
using reports::FontFamily;
using reports::Page;

namespace {

std::uint32_t rgb(const diagram::Rgb& c) {
    return (static_cast<std::uint32_t>(c.r) << 16) | (static_cast<std::uint32_t>(c.g) << 8) | c.b;
}

reports::Shape::Dash dashOf(diagram::PenStyle s) {
    switch (s) {
    case diagram::PenStyle::Solid: return reports::Shape::Dash::Solid;
    case diagram::PenStyle::Dash:
    case diagram::PenStyle::DashDot: return reports::Shape::Dash::Dashed;
    case diagram::PenStyle::Dot: return reports::Shape::Dash::Dotted;
    }
    return reports::Shape::Dash::Solid;
}

/// A north arrow 36 pt tall whose top-left corner is at (x, y): a half-filled arrowhead over a
/// shaft, and the letter N above it.
void drawNorthArrow(Page& page, double x, double y) {
    const Font letter{FontFamily::Sans, 10, true};
    const double cx = x + 9, tip = y + 14, base = y + 44;
    addText(page, x, y + reports::ascentPt(letter), 18, Align::Center, letter, "N");
    reports::Shape left;  // the filled half of the head
    left.points = {{cx, tip}, {cx - 7, tip + 20}, {cx, tip + 15}};
    left.closed = true;
    left.filled = true;
    left.fill = 0x000000;
    left.widthPt = 0.6;
    page.shapes.push_back(left);
    reports::Shape right;
    right.points = {{cx, tip}, {cx + 7, tip + 20}, {cx, tip + 15}};
    right.closed = true;
    right.widthPt = 0.6;
    page.shapes.push_back(right);
    addLine(page, cx, tip + 15, cx, base, 0.8);
}

/// A bar of a round length (1, 2 or 5 times a power of ten project units) about an inch and a
/// half long, in four alternating parts, from (x, baseline) to the right; `scale` is pt per unit.
void drawScaleBar(Page& page, double x, double baseline, double scale, const std::string& unit, const Font& font) {
    const double want = 108.0 / scale;  // units in about 1.5 in
    const double decade = std::pow(10.0, std::floor(std::log10(want)));
    double length = decade;
    for (double m : {2.0, 5.0, 10.0})
        if (m * decade <= want) length = m * decade;
    const double w = length * scale, h = 4;
    const double top = baseline - reports::lineHeightPt(font) - h - 2;
    for (int i = 0; i < 4; ++i) addRect(page, x + w * i / 4, top, w / 4, h, 0.5, 0, i % 2 == 0, 0x000000);
    addText(page, x - 10, baseline, 20, Align::Center, font, "0");
    addText(page, x + w - 40, baseline, 80, Align::Center, font, shortestText(length) + " " + unit);
}

/// The standard plan scale a survey plan is drawn at: the smallest of the engineer's scales
/// (1 in = 10, 20, 30, 40, 50, 60 ft times a power of ten) or of the metric ratios (1:100, 200,
/// 250, 500 times a power of ten) at least `unitsPerInch` (project units per inch of paper, as
/// fitted). Returns feet per inch, or the ratio's denominator for a metric project.
double planScale(double unitsPerInch, bool metric) {
    const double wanted = metric ? unitsPerInch / units::kMetersPerInch : unitsPerInch;
    const std::vector<double> steps = metric ? std::vector<double>{1, 2, 2.5, 5} : std::vector<double>{1, 2, 3, 4, 5, 6};
    for (double decade = metric ? 100 : 10; decade < 1e9; decade *= 10)
        for (double m : steps)
            if (m * decade >= wanted * (1 - 1e-9)) return m * decade;
    return wanted;
}

}  // namespace

void layoutPlan(db::Database& db, Session& session, const std::string& system, int engMet, int displaySet,
                const SheetFrame& frame, const BodySink& emit) {
    const Font titleFont{FontFamily::Sans, 12, true};
    const Font small{FontFamily::Sans, 7, false};
    Page page;
    addText(page, frame.left, frame.top + reports::ascentPt(titleFont), frame.bodyWidth(), Align::Left, titleFont,
            "DRAINAGE PLAN - SYSTEM " + system);
    ui::SilentUi silent;
    auto data = diagram::loadDiagram(db, system, engMet, session, silent);
    if (!data || data->empty()) {
        addText(page, frame.left, frame.top + 34, frame.bodyWidth(), Align::Left, Font{FontFamily::Sans, 9, false},
                "The system has no diagram positions to draw (coordinates missing or outside the diagram limits).");
        emit(std::move(page));
        return;
    }
    diagram::Palette palette = diagram::Palette::builtIn();
    if (auto loaded = diagram::Palette::load(diagram::installedPalettePath())) palette = *loaded;

    // fit the extent into the drawing area, keeping the diagram's proportions
    const double areaL = frame.left + 10, areaR = frame.right - 10, areaT = frame.top + 40, areaB = frame.bottom - 10;
    const double w = std::max(1.0, data->maxX - data->minX), h = std::max(1.0, data->maxY - data->minY);
    const double margin = 40;  // room for the labels of the outer nodes
    const double fit = std::min((areaR - areaL - 2 * margin) / w, (areaB - areaT - 2 * margin) / h);  // pt per unit
    const bool metric = engMet == 1;
    // a survey plan at the next standard scale smaller than the fit; a schematic one fitted
    const double ratio = data->northUp ? planScale(units::kPointsPerInch / fit, metric) : 0;
    const double s = data->northUp ? units::kPointsPerInch / (metric ? ratio * units::kMetersPerInch : ratio) : fit;
    const double ox = areaL + margin + ((areaR - areaL - 2 * margin) - w * s) / 2;
    const double oy = areaT + margin + ((areaB - areaT - 2 * margin) - h * s) / 2;
    auto X = [&](double x) { return ox + (x - data->minX) * s; };
    auto Y = [&](double y) { return oy + (y - data->minY) * s; };
    if (data->northUp) {
        // survey coordinates: a plan at a stated scale, with its north arrow and a scale bar
        const std::string unit = metric ? "m" : "ft";
        addText(page, frame.left, frame.top + 26, frame.bodyWidth(), Align::Left, small,
                "Plan in survey coordinates, north up; scale " +
                    (metric ? "1:" + vbFormat(ratio, "#,##0") : "1 in = " + vbFormat(ratio, "#,##0") + " ft") +
                    "; labels of display option set " + std::to_string(displaySet) + ".");
        drawNorthArrow(page, areaR - 24, areaT + 6);
        drawScaleBar(page, areaL, areaB - 4, s, unit, small);
    } else {
        addText(page, frame.left, frame.top + 26, frame.bodyWidth(), Align::Left, small,
                "Schematic network diagram in diagram coordinates (not to scale); labels of display option set " +
                    std::to_string(displaySet) + ".");
    }

    // symbols and arrows a little smaller than on the screen, and smaller again on a crowded sheet
    const double symbolScale = data->entities.size() > 2000 ? 0.25 : data->entities.size() > 300 ? 0.45 : 0.7;
    std::map<std::string, std::size_t> at;  // upper-case name -> entity
    for (std::size_t i = 0; i < data->entities.size(); ++i) at.emplace(toUpper(data->entities[i].name), i);
    for (const auto& r : data->relations) {
        auto a = at.find(toUpper(r.from)), b = at.find(toUpper(r.to));
        if (a == at.end() || b == at.end()) continue;
        int cls = std::clamp(r.pipeClass, 0, static_cast<int>(diagram::kPipeClasses.size()) - 1);
        const auto& style = palette.relation(diagram::kPipeClasses[static_cast<std::size_t>(cls)]);
        const auto& ea = data->entities[a->second];
        const auto& eb = data->entities[b->second];
        const double widthPt = std::max(0.5, style.width * 0.5);
        addLine(page, X(ea.x), Y(ea.y), X(eb.x), Y(eb.y), widthPt, rgb(style.color), dashOf(style.style));
        // the flow arrow of the window, at the symbols' scale
        auto head = diagram::flowArrow(X(ea.x), Y(ea.y), X(eb.x), Y(eb.y), widthPt / symbolScale, symbolScale);
        if (head.empty()) continue;
        reports::Shape arrow;
        arrow.points = std::move(head);
        arrow.closed = true;
        arrow.filled = true;
        arrow.fill = rgb(style.color);
        arrow.widthPt = 0;
        page.shapes.push_back(std::move(arrow));
    }
    for (const auto& e : data->entities) {
        const auto& style = palette.entity(e.className);
        reports::Shape sh;
        sh.points = diagram::symbolPolygon(style.shape, std::max(2.0, style.size * symbolScale), X(e.x), Y(e.y));
        sh.closed = true;
        sh.filled = true;
        sh.fill = rgb(style.fill);
        sh.color = rgb(style.line);
        sh.widthPt = std::max(0.3, style.lineWidth * 0.5);
        page.shapes.push_back(std::move(sh));
        if (style.shape == diagram::Shape::Circle) {  // a manhole's lid, as the window draws it
            reports::Shape lid;
            lid.points = diagram::symbolPolygon(style.shape, std::max(2.0, style.size * symbolScale) * 2 / 5, X(e.x), Y(e.y));
            lid.closed = true;
            lid.color = rgb(style.line);
            lid.widthPt = 0.4;
            page.shapes.push_back(std::move(lid));
        }
    }

    // Labels, as the window draws them at its fitted view: the same texts, placed by the same
    // placer (a node's name first; on a system small enough, every name), each on a white
    // ground, the name in bold and the colours of the window's labels; sizes in points here
    // where the window measures pixels.
    const bool crowded = data->entities.size() > 300;
    const Font label{FontFamily::Sans, crowded ? 4.5 : 6, false};
    const Font labelBold{FontFamily::Sans, label.sizePt, true};
    const double lh = reports::lineHeightPt(label);
    const double padX = 1.5, padY = 0.5;  // the text inside its white ground
    diagram::LabelBuilder builder(db, system, diagram::displayOptionsOrEmpty(db, displaySet));
    enum class Kind { Node, Outfall, Reach };
    struct Text {
        std::vector<std::string> lines;
        double x, y;
        Kind kind;
    };
    std::vector<Text> texts;
    std::vector<diagram::LabelBox> boxes;
    auto add = [&](const std::string& text, double x, double y, Kind kind, double clearance) {
        auto lines = diagram::labelLines(text);
        if (lines.empty()) return;
        const bool named = kind != Kind::Reach;
        double bw = 0;
        for (std::size_t i = 0; i < lines.size(); ++i)
            bw = std::max(bw, reports::textWidthPt(lines[i], i == 0 && named ? labelBold : label));
        diagram::LabelBox b{x, y, bw + 2 * padX, lines.size() * lh + 2 * padY, clearance};
        if (named) {
            b.nameWidth = reports::textWidthPt(lines.front(), labelBold) + 2 * padX;
            b.nameHeight = lh + 2 * padY;
        }
        boxes.push_back(b);
        texts.push_back({std::move(lines), x, y, kind});
    };
    for (const auto& e : data->entities)
        add(e.outfall ? builder.outfallLabel() : builder.nodeLabel(e.name), e.x, e.y,
            e.outfall ? Kind::Outfall : Kind::Node, palette.entity(e.className).size * symbolScale / 2 + 1);
    std::vector<diagram::LabelObstacleLine> lines;
    for (const auto& r : data->relations) {
        auto a = at.find(toUpper(r.from)), b = at.find(toUpper(r.to));
        if (a == at.end() || b == at.end()) continue;
        const auto& ea = data->entities[a->second];
        const auto& eb = data->entities[b->second];
        add(builder.reachLabel(r.name), (ea.x + eb.x) / 2, (ea.y + eb.y) / 2, Kind::Reach, 0);
        lines.push_back({ea.x, ea.y, eb.x, eb.y});
    }
    // placement works in diagram units measured from the origin; the sheet shifts by the extent
    for (auto& b : boxes) b.x -= data->minX, b.y -= data->minY;
    for (auto& l : lines) l.x1 -= data->minX, l.x2 -= data->minX, l.y1 -= data->minY, l.y2 -= data->minY;
    // only the first zoom step is wanted: the sheet is the fitted view
    diagram::LabelPlacer placer(boxes, s, std::move(lines), data->entities.size() <= diagram::kAllNamesUpTo);
    placer.placeThrough(0);
    const auto& places = placer.places();
    for (std::size_t i = 0; i < texts.size() && i < places.size(); ++i) {
        const Text& t = texts[i];
        const diagram::LabelPlace& p = places[i];
        const bool whole = p.step == 0, nameOnly = !whole && p.nameStep == 0;
        if (!whole && !nameOnly) continue;  // no room at the fitted view: the window shows none either
        const std::size_t count = whole ? t.lines.size() : 1;
        const double left = X(t.x) + (whole ? p.dx : p.nameDx), top = Y(t.y) + (whole ? p.dy : p.nameDy);
        const double w = whole ? boxes[i].width : boxes[i].nameWidth;
        addRect(page, left, top, w, static_cast<double>(count) * lh + 2 * padY, 0, 0, true, 0xFFFFFF);
        const std::uint32_t ink = t.kind == Kind::Reach ? 0x34547A : t.kind == Kind::Outfall ? 0x961E18 : 0x1E2228;
        for (std::size_t k = 0; k < count; ++k)
            addText(page, left + padX, top + padY + static_cast<double>(k) * lh + reports::ascentPt(label),
                    w - 2 * padX + 0.5, Align::Left, k == 0 && t.kind != Kind::Reach ? labelBold : label, t.lines[k],
                    k == 0 ? ink : 0x464C56);
    }
    emit(std::move(page));
}

}  // namespace kolv::submittal
