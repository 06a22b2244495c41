// Painting of the diagram's symbols, reaches and labels.
#include "gui/diagram/diagram_items.h"

#include <QFontMetricsF>
#include <QPixmap>
#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <QtMath>
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <unordered_map>

#include "diagram/symbol_geometry.h"

namespace kolv::gui::diagram {

using kolv::diagram::Shape;

double RelationItem::s_margin = 20;
double ViewScale::unitsPerPixel = 1;
double ViewScale::maxUnitsPerPixel = 1;

namespace {

/// Takes the view's zoom out of the painter so that what follows is drawn in the view's pixels
/// (on a printer or a larger picture they grow with the page like everything else).
void paintInPixels(QPainter* painter) { painter->scale(ViewScale::unitsPerPixel, ViewScale::unitsPerPixel); }

const QFontMetricsF& metrics(bool bold) {
    static const QFontMetricsF plain(LabelItem::font(false)), strong(LabelItem::font(true));
    return bold ? strong : plain;
}

/// Width of one label line. Label text is plain ASCII (names, numbers, units), so it is summed
/// from each character's advance, kept once per character: shaping every line of ten thousand
/// labels costs more than the rest of the drawing. The sum leaves out kerning, which only
/// narrows a line, so the box is never too small for its text.
double lineWidth(const QString& line, bool bold) {
    static std::array<std::array<double, 128>, 2> advance = [] {
        std::array<std::array<double, 128>, 2> a{};
        for (auto& row : a) row.fill(-1);
        return a;
    }();
    auto& known = advance[bold ? 1 : 0];
    double w = 0;
    for (QChar c : line) {
        const char16_t u = c.unicode();
        if (u >= 128) return metrics(bold).horizontalAdvance(line);
        if (known[u] < 0) known[u] = metrics(bold).horizontalAdvance(c);
        w += known[u];
    }
    return w;
}

/// The outlines of one symbol look, made once and shared (a path is copied by reference).
struct SymbolPaths {
    QPainterPath path, outer, inner;
};

const SymbolPaths& symbolPaths(const kolv::diagram::EntityStyle& style) {
    struct Entry {
        Shape shape;
        double size, lineWidth;
        SymbolPaths paths;
    };
    static std::vector<std::unique_ptr<Entry>> known;
    for (const auto& e : known)
        if (e->shape == style.shape && e->size == style.size && e->lineWidth == style.lineWidth) return e->paths;
    auto e = std::make_unique<Entry>(Entry{style.shape, style.size, style.lineWidth,
                                           {symbolPath(style.shape, style.size),
                                            symbolPath(style.shape, style.size + style.lineWidth),
                                            symbolPath(style.shape, std::max(1.0, style.size - style.lineWidth))}});
    known.push_back(std::move(e));
    return known.back()->paths;
}

/// A symbol centred on the painter's origin, in pixels: the outline as a filled ring (no stroking
/// of thousands of symbols) and a manhole's lid; `cosmetic`: the lid one device pixel wide.
void drawSymbol(QPainter& p, const kolv::diagram::EntityStyle& style, const QPainterPath& outer,
                const QPainterPath& inner, bool cosmetic) {
    p.setPen(Qt::NoPen);
    p.setBrush(toColor(style.line));
    p.drawPath(outer);
    p.setBrush(toColor(style.fill));
    p.drawPath(inner);
    if (style.shape == Shape::Circle) {  // a manhole lid
        QPen lid(toColor(style.line), 1);
        lid.setCosmetic(cosmetic);
        p.setPen(lid);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(0, 0), style.size / 5, style.size / 5);
    }
}

/// True when the painter draws in the view's pixels (not a printer's or a picture's).
bool onScreen(const QPainter* painter) {
    const QTransform& t = painter->worldTransform();
    return std::abs(t.m11() * ViewScale::unitsPerPixel - 1) < 0.01 && std::abs(t.m12()) < 1e-9;
}

}  // namespace

QColor toColor(kolv::diagram::Rgb c) { return QColor(c.r, c.g, c.b); }

QPainterPath symbolPath(Shape shape, double size) {
    // the outline the plan sheet draws too
    const kolv::diagram::SymbolOutline o = kolv::diagram::symbolOutline(shape, size);
    QPainterPath p;
    if (o.circle()) {
        p.addEllipse(QPointF(0, 0), o.radius, o.radius);
        return p;
    }
    QPolygonF poly;
    for (const auto& [x, y] : o.points) poly << QPointF(x, y);
    p.addPolygon(poly);
    p.closeSubpath();
    return p;
}

// ---- EntityItem

EntityItem::EntityItem(QString name, QString className, bool outfall, const kolv::diagram::EntityStyle& style)
    : m_name(std::move(name)), m_class(std::move(className)), m_outfall(outfall), m_style(style),
      m_path(symbolPaths(style).path),
      m_outer(symbolPaths(style).outer),
      m_inner(symbolPaths(style).inner) {
    setFlags(ItemIsSelectable | ItemIsMovable | ItemSendsGeometryChanges | ItemHasNoContents);
    setZValue(2);
    setCursor(Qt::PointingHandCursor);
}

QString EntityItem::text() const {
    if (!m_label || m_label->lines().size() <= 1) return m_name;
    return m_label->lines().join('\r');
}

void EntityItem::removeRelation(RelationItem* r) {
    m_relations.erase(std::remove(m_relations.begin(), m_relations.end(), r), m_relations.end());
}

QRectF EntityItem::boundingRect() const {
    const double m = m_style.lineWidth + 4;  // outline and selection ring
    const QRectF px = m_path.boundingRect().adjusted(-m, -m, m, m);
    const double u = ViewScale::maxUnitsPerPixel;
    return QRectF(px.topLeft() * u, px.size() * u);
}

QPainterPath EntityItem::shape() const {
    QPainterPath p;
    const double r = std::max(m_style.size / 2 + 3, 7.0) * ViewScale::unitsPerPixel;  // easy to hit even when small
    p.addEllipse(QPointF(0, 0), r, r);
    return p;
}

void EntityItem::draw(QPainter* painter) const {
    painter->setRenderHint(QPainter::Antialiasing);
    paintInPixels(painter);
    // on the screen one pixel is one device pixel: the cosmetic stroker is much quicker
    // (unchosen symbols on the screen are copies of one picture: see NetworkItem)
    const bool screen = std::abs(painter->worldTransform().m11() - 1) < 0.01 &&
                        std::abs(painter->worldTransform().m12()) < 1e-9;
    if (isSelected()) {
        QPen ring(QColor(255, 140, 0), 3);
        ring.setCosmetic(screen);
        painter->setPen(ring);
        painter->setBrush(QColor(255, 200, 80, 90));
        const double r = m_style.size / 2 + 4;
        painter->drawEllipse(QPointF(0, 0), r, r);
    }
    drawSymbol(*painter, m_style, m_outer, m_inner, screen);
}

const QPixmap& EntityItem::symbolPicture(double pixelRatio) const {
    if (m_picture && m_pictureRatio == pixelRatio) return *m_picture;
    m_pictureRatio = pixelRatio;
    return *(m_picture = &diagram::symbolPicture(m_style, pixelRatio));
}

const QPixmap& symbolPicture(const kolv::diagram::EntityStyle& style, double pixelRatio) {
    // one picture per look, shared by every symbol of a class; the pictures never move
    struct Entry {
        kolv::diagram::EntityStyle style;
        double ratio;
        QPixmap picture;
    };
    static std::vector<std::unique_ptr<Entry>> pictures;
    auto same = [](const kolv::diagram::EntityStyle& a, const kolv::diagram::EntityStyle& b) {
        return a.shape == b.shape && a.size == b.size && a.lineWidth == b.lineWidth && a.fill.r == b.fill.r &&
               a.fill.g == b.fill.g && a.fill.b == b.fill.b && a.line.r == b.line.r && a.line.g == b.line.g &&
               a.line.b == b.line.b;
    };
    for (const auto& e : pictures)
        if (e->ratio == pixelRatio && same(e->style, style)) return e->picture;
    const SymbolPaths& paths = symbolPaths(style);
    const QPainterPath& outer = paths.outer;
    const QPainterPath& inner = paths.inner;
    // room for the outline and the lid, in whole pixels with the symbol in the middle
    const int side = 2 * static_cast<int>(std::ceil(outer.boundingRect().united(paths.path.boundingRect()).width() / 2 + 1));
    QPixmap picture(QSize(side, side) * pixelRatio);
    picture.setDevicePixelRatio(pixelRatio);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(side / 2.0, side / 2.0);
    drawSymbol(p, style, outer, inner, true);
    p.end();
    pictures.push_back(std::make_unique<Entry>(Entry{style, pixelRatio, std::move(picture)}));
    return pictures.back()->picture;
}

QVariant EntityItem::itemChange(GraphicsItemChange change, const QVariant& value) {
    if (change == ItemPositionChange && m_network) m_network->touch(sceneBoundingRect());  // where it was
    if (change == ItemPositionHasChanged) {
        for (RelationItem* r : m_relations) r->adjust();
        if (m_label) m_label->setPos(pos());
        if (m_network) m_network->touch(sceneBoundingRect());
    }
    if (change == ItemSelectedHasChanged && m_network) m_network->touch(sceneBoundingRect());
    return QGraphicsItem::itemChange(change, value);
}

// ---- RelationItem

RelationItem::RelationItem(QString name, EntityItem* from, EntityItem* to, const kolv::diagram::RelationStyle& style)
    : m_name(std::move(name)), m_from(from), m_to(to) {
    m_pen = reachPen(style);
    setFlags(ItemIsSelectable | ItemHasNoContents);
    setZValue(1);
    from->addRelation(this);
    to->addRelation(this);
    adjust();
}

void RelationItem::setTo(EntityItem* to) {
    m_to->removeRelation(this);
    m_to = to;
    m_to->addRelation(this);
    adjust();
}

void RelationItem::adjust() {
    if (m_network) m_network->touch(boundingRect());
    prepareGeometryChange();
    m_line = QLineF(m_from->pos(), m_to->pos());
    if (m_label) m_label->setPos(middle());
    if (m_network) m_network->touch(boundingRect());
}

QVariant RelationItem::itemChange(GraphicsItemChange change, const QVariant& value) {
    if (change == ItemSelectedHasChanged && m_network) m_network->touch(boundingRect());
    return QGraphicsItem::itemChange(change, value);
}

QPen reachPen(const kolv::diagram::RelationStyle& style) {
    QPen pen(toColor(style.color), style.width);
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::RoundCap);
    switch (style.style) {
        case kolv::diagram::PenStyle::Solid: break;
        case kolv::diagram::PenStyle::Dash: pen.setStyle(Qt::DashLine); break;
        case kolv::diagram::PenStyle::Dot: pen.setStyle(Qt::DotLine); break;
        case kolv::diagram::PenStyle::DashDot: pen.setStyle(Qt::DashDotLine); break;
    }
    return pen;
}

QPolygonF arrowHead(const QLineF& line, double penWidth, double unitsPerPixel) {
    // the arrow the plan sheet draws too, sized in view pixels
    QPolygonF head;
    for (const auto& [x, y] :
         kolv::diagram::flowArrow(line.x1(), line.y1(), line.x2(), line.y2(), penWidth, unitsPerPixel))
        head << QPointF(x, y);
    return head;
}

QPointF RelationItem::middle() const { return (m_line.p1() + m_line.p2()) / 2; }

QRectF RelationItem::boundingRect() const {
    return QRectF(m_line.p1(), m_line.p2()).normalized().adjusted(-s_margin, -s_margin, s_margin, s_margin);
}

QPainterPath RelationItem::shape() const {
    // a band a few pixels wide around the line
    QPainterPathStroker stroker;
    stroker.setWidth(9 * ViewScale::unitsPerPixel);
    QPainterPath p(m_line.p1());
    p.lineTo(m_line.p2());
    return stroker.createStroke(p);
}

void RelationItem::draw(QPainter* painter) const {
    painter->setRenderHint(QPainter::Antialiasing);
    QPen pen = m_pen;
    if (isSelected()) pen.setColor(QColor(255, 120, 0));
    // the palette's width in view pixels: on the screen a cosmetic pen (quick), on paper in units
    const bool screen = std::abs(painter->worldTransform().m11() * ViewScale::unitsPerPixel - 1) < 0.01;
    pen.setCosmetic(screen);
    if (!screen) pen.setWidthF(m_pen.widthF() * ViewScale::unitsPerPixel);
    painter->setPen(pen);
    painter->drawLine(m_line);
    const QPolygonF head = arrowHead(m_line, m_pen.widthF(), ViewScale::unitsPerPixel);
    if (head.isEmpty()) return;
    painter->setPen(Qt::NoPen);
    painter->setBrush(pen.color());
    painter->drawPolygon(head);
}

// ---- NetworkItem

NetworkItem::NetworkItem(const QRectF& area) : m_area(area) {
    setFlag(ItemUsesExtendedStyleOption);  // the exposed rectangle: only what is in it is drawn
    setAcceptedMouseButtons(Qt::NoButton);
    setZValue(1.5);  // where the reaches and symbols would stand; labels above
}

void NetworkItem::setSketch(Sketch sketch) {
    m_sketch = std::move(sketch);
    update();
}

void NetworkItem::add(EntityItem* e) {
    m_entities.push_back(e);
    e->setNetwork(this);
    touch(e->sceneBoundingRect());
}

void NetworkItem::add(RelationItem* r) {
    m_relations.push_back(r);
    r->setNetwork(this);
    touch(r->boundingRect());
}

void NetworkItem::forget(EntityItem* e) {
    touch(e->sceneBoundingRect());
    e->setNetwork(nullptr);
    m_entities.erase(std::remove(m_entities.begin(), m_entities.end(), e), m_entities.end());
}

void NetworkItem::forget(RelationItem* r) {
    touch(r->boundingRect());
    r->setNetwork(nullptr);
    m_relations.erase(std::remove(m_relations.begin(), m_relations.end(), r), m_relations.end());
}

void NetworkItem::touch(const QRectF& rect) { update(rect); }

QRectF NetworkItem::boundingRect() const { return m_area; }

void NetworkItem::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget*) {
    if (hasSketch()) {
        paintSketch(painter, option ? option->exposedRect : m_area);
        return;
    }
    if (onScreen(painter)) {
        paintOnScreen(painter, option ? option->exposedRect : m_area);
        return;
    }
    // paper and pictures: each item as it always drew, reaches under symbols
    for (const RelationItem* r : m_relations) {
        if (!r->isVisible()) continue;
        painter->save();
        r->draw(painter);
        painter->restore();
    }
    for (const EntityItem* e : m_entities) {
        if (!e->isVisible()) continue;
        painter->save();
        painter->translate(e->pos());
        e->draw(painter);
        painter->restore();
    }
}

namespace {

/// The part of the drawing a repaint covers, widened by what symbols and arrow heads reach past
/// their point (40 px).
struct PaintArea {
    struct Box {
        double left, right, top, bottom;
    };
    std::vector<Box> boxes;
    /// The exposed rectangle, or the areas the repaint covers when they are known (all within it).
    PaintArea(const QRectF& exposed, const std::vector<QRectF>& areas) {
        const double margin = 40 * ViewScale::unitsPerPixel;
        auto add = [&](const QRectF& r) {
            boxes.push_back({r.left() - margin, r.right() + margin, r.top() - margin, r.bottom() + margin});
        };
        if (areas.empty()) add(exposed);
        for (const QRectF& r : areas) add(r);
    }
    bool holds(QPointF p) const {
        for (const Box& b : boxes)
            if (p.x() >= b.left && p.x() <= b.right && p.y() >= b.top && p.y() <= b.bottom) return true;
        return false;
    }
    bool touches(const QLineF& l) const {
        for (const Box& b : boxes)
            if (std::max(l.x1(), l.x2()) >= b.left && std::min(l.x1(), l.x2()) <= b.right &&
                std::max(l.y1(), l.y2()) >= b.top && std::min(l.y1(), l.y2()) <= b.bottom)
                return true;
        return false;
    }
};

/// Reaches on the screen: one batch of lines and one of arrow heads per pen.
class ReachBatches {
public:
    void add(const QLineF& line, const QPen& pen) {
        if (!m_last || m_last->pen != pen) {
            m_last = nullptr;
            for (Batch& b : m_batches)
                if (b.pen == pen) m_last = &b;
            if (!m_last) m_last = &m_batches.emplace_back(Batch{pen, {}, {}});
        }
        m_last->lines.push_back(line);
        const QPolygonF head = arrowHead(line, pen.widthF(), ViewScale::unitsPerPixel);
        if (!head.isEmpty()) m_last->arrows.addPolygon(head);
    }
    void paint(QPainter* painter) {
        for (Batch& b : m_batches) {
            b.pen.setCosmetic(true);
            b.pen.setCapStyle(Qt::FlatCap);  // the ends lie under the symbols; round ends cost 8 times as much
            painter->setPen(b.pen);
            painter->drawLines(b.lines.data(), static_cast<int>(b.lines.size()));
            if (b.arrows.isEmpty()) continue;
            painter->setPen(Qt::NoPen);
            painter->setBrush(b.pen.color());
            painter->drawPath(b.arrows);
        }
    }

private:
    struct Batch {
        QPen pen;
        std::vector<QLineF> lines;
        QPainterPath arrows;
    };
    std::vector<Batch> m_batches;
    Batch* m_last = nullptr;
};

/// Symbols on the screen: each a copy of its look's picture, placed in device pixels (the
/// painter's transform is taken out while they are drawn).
class SymbolCopies {
public:
    explicit SymbolCopies(QPainter* painter)
        : m_painter(painter), m_world(painter->worldTransform()),
          m_ratio(painter->device() ? painter->device()->devicePixelRatioF() : 1.0) {
        painter->save();
        painter->resetTransform();
    }
    ~SymbolCopies() { m_painter->restore(); }
    SymbolCopies(const SymbolCopies&) = delete;
    SymbolCopies& operator=(const SymbolCopies&) = delete;
    double ratio() const { return m_ratio; }
    void draw(QPointF at, const QPixmap& picture) {
        const QSizeF logical = picture.deviceIndependentSize();
        m_painter->drawPixmap(m_world.map(at) - QPointF(logical.width() / 2, logical.height() / 2), picture);
    }

private:
    QPainter* m_painter;
    QTransform m_world;
    double m_ratio;
};

}  // namespace

void NetworkItem::paintSketch(QPainter* painter, const QRectF& exposed) {
    const PaintArea area(exposed, m_paintAreas);
    painter->setRenderHint(QPainter::Antialiasing);
    ReachBatches reaches;
    for (const Sketch::Reach& r : m_sketch.reaches)
        if (area.touches(r.line)) reaches.add(r.line, reachPen(*r.style));
    reaches.paint(painter);
    SymbolCopies symbols(painter);
    for (const Sketch::Symbol& s : m_sketch.symbols)
        if (area.holds(s.pos)) symbols.draw(s.pos, symbolPicture(*s.style, symbols.ratio()));
}

void NetworkItem::paintOnScreen(QPainter* painter, const QRectF& exposed) {
    const PaintArea area(exposed, m_paintAreas);
    painter->setRenderHint(QPainter::Antialiasing);
    ReachBatches reaches;
    for (const RelationItem* r : m_relations) {
        if (!area.touches(r->line()) || !r->isVisible()) continue;
        QPen pen = r->pen();
        if (r->isSelected()) pen.setColor(QColor(255, 120, 0));
        reaches.add(r->line(), pen);
    }
    reaches.paint(painter);

    std::vector<const EntityItem*> selected;
    {
        SymbolCopies symbols(painter);
        for (const EntityItem* e : m_entities) {
            if (!area.holds(e->pos()) || !e->isVisible()) continue;
            if (e->isSelected())
                selected.push_back(e);
            else
                symbols.draw(e->pos(), e->symbolPicture(symbols.ratio()));
        }
    }
    // the chosen ones on top, with their ring
    for (const EntityItem* e : selected) {
        painter->save();
        painter->translate(e->pos());
        e->draw(painter);
        painter->restore();
    }
}

// ---- LabelItem

QFont LabelItem::font(bool bold) {
    QFont f("DejaVu Sans");
    f.setPixelSize(11);
    f.setBold(bold);
    return f;
}

LabelItem::LabelItem(const QStringList& lines, Kind kind) : m_lines(lines), m_kind(kind) {
    setAcceptedMouseButtons(Qt::NoButton);
    setVisible(false);  // until it has a place at the zoom shown
    setZValue(3);
    const QFontMetricsF& plain = metrics(false);
    double w = 0;
    for (int i = 0; i < m_lines.size(); ++i)
        w = std::max(w, lineWidth(m_lines[i], i == 0 && m_kind != Kind::Reach));
    const double h = plain.height() * m_lines.size();
    m_size = QSizeF(w + 6, h + 2);
    m_nameSize = m_lines.isEmpty() ? QSizeF()
                                   : QSizeF(lineWidth(m_lines[0], m_kind != Kind::Reach) + 6, plain.height() + 2);
}

void LabelItem::setPlaces(const Place& whole, const Place& name) {
    prepareGeometryChange();
    m_whole = whole;
    m_name = name;
}

void LabelItem::setShown(Shown shown) {
    if (shown == m_shown) return;
    prepareGeometryChange();
    m_shown = shown;
    setVisible(shown != Shown::Nothing);
}

QRectF LabelItem::boundingRect() const {
    const bool nameOnly = m_shown == Shown::Name;
    const Place& p = nameOnly ? m_name : m_whole;
    const QSizeF size = nameOnly ? m_nameSize : m_size;
    return QRectF(p.offset * p.unitsPerPixel, size * p.unitsPerPixel);
}

void LabelItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    if (m_shown == Shown::Nothing) return;
    const bool nameOnly = m_shown == Shown::Name;
    const QRectF block(nameOnly ? m_name.offset : m_whole.offset, nameOnly ? m_nameSize : m_size);
    painter->setRenderHint(QPainter::TextAntialiasing);
    paintInPixels(painter);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(255, 255, 255, 215));
    painter->drawRoundedRect(block, 2, 2);
    const QFontMetricsF& fm = metrics(false);
    double y = block.top() + 1 + fm.ascent();
    const QColor ink = m_kind == Kind::Reach ? QColor(52, 84, 122) : m_kind == Kind::Outfall ? QColor(150, 30, 24)
                                                                                              : QColor(30, 34, 40);
    const int count = nameOnly ? std::min<int>(1, static_cast<int>(m_lines.size())) : static_cast<int>(m_lines.size());
    for (int i = 0; i < count; ++i) {
        const bool bold = i == 0 && m_kind != Kind::Reach;
        painter->setFont(font(bold));
        painter->setPen(i == 0 ? ink : QColor(70, 76, 86));
        painter->drawText(QPointF(block.left() + 3, y), m_lines[i]);
        y += fm.height();
    }
}

}  // namespace kolv::gui::diagram
