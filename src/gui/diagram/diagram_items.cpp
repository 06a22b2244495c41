// Painting of the diagram's symbols, reaches and labels.
#include "gui/diagram/diagram_items.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <QtMath>
#include <algorithm>
#include <array>

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

}  // namespace

QColor toColor(kolv::diagram::Rgb c) { return QColor(c.r, c.g, c.b); }

QPainterPath symbolPath(Shape shape, double size) {
    const double h = size / 2;
    QPainterPath p;
    auto polygon = [&](std::initializer_list<QPointF> pts) {
        p.addPolygon(QPolygonF(QList<QPointF>(pts)));
        p.closeSubpath();
    };
    switch (shape) {
        case Shape::Circle: p.addEllipse(QPointF(0, 0), h, h); break;
        case Shape::Square: p.addRect(-h, -h, size, size); break;
        case Shape::Diamond: polygon({{0, -h * 1.2}, {h * 1.2, 0}, {0, h * 1.2}, {-h * 1.2, 0}}); break;
        case Shape::Triangle: polygon({{0, -h * 1.15}, {h * 1.1, h * 0.85}, {-h * 1.1, h * 0.85}}); break;
        case Shape::InvertedTriangle: polygon({{-h * 1.1, -h * 0.85}, {h * 1.1, -h * 0.85}, {0, h * 1.15}}); break;
        case Shape::Hexagon: {
            QPolygonF poly;
            for (int i = 0; i < 6; ++i) poly << QPointF(h * std::cos(M_PI / 3 * i), h * std::sin(M_PI / 3 * i));
            p.addPolygon(poly);
            p.closeSubpath();
            break;
        }
        case Shape::Trapezoid: polygon({{-h, h * 0.6}, {h, h * 0.6}, {h * 0.55, -h * 0.6}, {-h * 0.55, -h * 0.6}}); break;
        case Shape::Bar: p.addRect(-h, -h * 0.35, size, size * 0.35); break;
    }
    return p;
}

// ---- EntityItem

EntityItem::EntityItem(QString name, QString className, bool outfall, const kolv::diagram::EntityStyle& style)
    : m_name(std::move(name)), m_class(std::move(className)), m_outfall(outfall), m_style(style),
      m_path(symbolPath(style.shape, style.size)),
      m_outer(symbolPath(style.shape, style.size + style.lineWidth)),
      m_inner(symbolPath(style.shape, std::max(1.0, style.size - style.lineWidth))) {
    setFlags(ItemIsSelectable | ItemIsMovable | ItemSendsGeometryChanges);
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

void EntityItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    painter->setRenderHint(QPainter::Antialiasing);
    paintInPixels(painter);
    // on the screen one pixel is one device pixel: the cosmetic stroker is much quicker
    const bool screen = std::abs(painter->worldTransform().m11() - 1) < 0.01;
    if (isSelected()) {
        QPen ring(QColor(255, 140, 0), 3);
        ring.setCosmetic(screen);
        painter->setPen(ring);
        painter->setBrush(QColor(255, 200, 80, 90));
        const double r = m_style.size / 2 + 4;
        painter->drawEllipse(QPointF(0, 0), r, r);
    }
    painter->setPen(Qt::NoPen);
    painter->setBrush(toColor(m_style.line));
    painter->drawPath(m_outer);
    painter->setBrush(toColor(m_style.fill));
    painter->drawPath(m_inner);
    if (m_style.shape == Shape::Circle) {  // a manhole lid
        QPen lid(toColor(m_style.line), 1);
        lid.setCosmetic(screen);
        painter->setPen(lid);
        painter->setBrush(Qt::NoBrush);
        painter->drawEllipse(QPointF(0, 0), m_style.size / 5, m_style.size / 5);
    }
}

QVariant EntityItem::itemChange(GraphicsItemChange change, const QVariant& value) {
    if (change == ItemPositionHasChanged) {
        for (RelationItem* r : m_relations) r->adjust();
        if (m_label) m_label->setPos(pos());
    }
    return QGraphicsItem::itemChange(change, value);
}

// ---- RelationItem

RelationItem::RelationItem(QString name, EntityItem* from, EntityItem* to, const kolv::diagram::RelationStyle& style)
    : m_name(std::move(name)), m_from(from), m_to(to) {
    m_pen = QPen(toColor(style.color), style.width);
    m_pen.setCosmetic(true);
    m_pen.setCapStyle(Qt::RoundCap);
    switch (style.style) {
        case kolv::diagram::PenStyle::Solid: break;
        case kolv::diagram::PenStyle::Dash: m_pen.setStyle(Qt::DashLine); break;
        case kolv::diagram::PenStyle::Dot: m_pen.setStyle(Qt::DotLine); break;
        case kolv::diagram::PenStyle::DashDot: m_pen.setStyle(Qt::DashDotLine); break;
    }
    setFlags(ItemIsSelectable);
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
    prepareGeometryChange();
    m_line = QLineF(m_from->pos(), m_to->pos());
    if (m_label) m_label->setPos(middle());
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

void RelationItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    painter->setRenderHint(QPainter::Antialiasing);
    QPen pen = m_pen;
    if (isSelected()) pen.setColor(QColor(255, 120, 0));
    // the palette's width in view pixels: on the screen a cosmetic pen (quick), on paper in units
    const bool screen = std::abs(painter->worldTransform().m11() * ViewScale::unitsPerPixel - 1) < 0.01;
    pen.setCosmetic(screen);
    if (!screen) pen.setWidthF(m_pen.widthF() * ViewScale::unitsPerPixel);
    painter->setPen(pen);
    painter->drawLine(m_line);
    // arrow head at the middle, pointing downstream, about 11 px long on the screen
    const double scale = 1 / ViewScale::unitsPerPixel;  // view pixels per diagram unit
    const double lengthPx = m_line.length() * scale;
    if (lengthPx < 24) return;
    const double a = 11 / scale, w = (4.5 + m_pen.widthF() / 2) / scale;
    const QPointF dir = (m_line.p2() - m_line.p1()) / m_line.length();
    const QPointF normal(-dir.y(), dir.x());
    const QPointF tip = middle() + dir * (a / 2);
    QPolygonF head;
    head << tip << tip - dir * a + normal * w << tip - dir * a - normal * w;
    painter->setPen(Qt::NoPen);
    painter->setBrush(pen.color());
    painter->drawPolygon(head);
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
    setZValue(3);
    const QFontMetricsF& plain = metrics(false);
    double w = 0;
    for (int i = 0; i < m_lines.size(); ++i)
        w = std::max(w, lineWidth(m_lines[i], i == 0 && m_kind != Kind::Reach));
    const double h = plain.height() * m_lines.size();
    m_block = QRectF(0, 0, w + 6, h + 2);
}

void LabelItem::setOffset(QPointF offset) {
    prepareGeometryChange();
    m_block.moveTopLeft(offset);
}

void LabelItem::setStep(int step, double unitsPerPixel) {
    prepareGeometryChange();
    m_step = step;
    m_unitsPerPixel = unitsPerPixel;
}

QRectF LabelItem::boundingRect() const {
    return QRectF(m_block.topLeft() * m_unitsPerPixel, m_block.size() * m_unitsPerPixel);
}

void LabelItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    painter->setRenderHint(QPainter::TextAntialiasing);
    paintInPixels(painter);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(255, 255, 255, 215));
    painter->drawRoundedRect(m_block, 2, 2);
    const QFontMetricsF& fm = metrics(false);
    double y = m_block.top() + 1 + fm.ascent();
    const QColor ink = m_kind == Kind::Reach ? QColor(52, 84, 122) : m_kind == Kind::Outfall ? QColor(150, 30, 24)
                                                                                              : QColor(30, 34, 40);
    for (int i = 0; i < m_lines.size(); ++i) {
        const bool bold = i == 0 && m_kind != Kind::Reach;
        painter->setFont(font(bold));
        painter->setPen(i == 0 ? ink : QColor(70, 76, 86));
        painter->drawText(QPointF(m_block.left() + 3, y), m_lines[i]);
        y += fm.height();
    }
}

}  // namespace kolv::gui::diagram
