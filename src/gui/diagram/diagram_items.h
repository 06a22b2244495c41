// Items of the network diagram: node and outfall symbols, reaches with their flow arrow, labels.
// Items hold names and draw from their style; they never read the project.
#pragma once

#include <QGraphicsItem>
#include <QPixmap>
#include <QPen>
#include <QString>
#include <QStringList>
#include <vector>

#include "diagram/palette.h"

namespace kolv::gui::diagram {

class RelationItem;
class LabelItem;
class NetworkItem;

QColor toColor(kolv::diagram::Rgb c);

/// Symbols and labels keep their size on the screen at every zoom. They are drawn in pixels
/// (the painter's scale taken out) and indexed with rectangles in diagram units that hold them
/// at the farthest zoom they are shown at; hit-testing uses the current zoom.
struct ViewScale {
    static double unitsPerPixel;     ///< at the current zoom
    static double maxUnitsPerPixel;  ///< at the farthest zoom out
};
/// The outline of a symbol of `size` pixels centred on (0, 0).
QPainterPath symbolPath(kolv::diagram::Shape shape, double size);
/// A symbol look as drawn on the screen, made once per look and pixel ratio and kept.
const QPixmap& symbolPicture(const kolv::diagram::EntityStyle& style, double pixelRatio);
/// The pen of a reach look (width in view pixels, cosmetic).
QPen reachPen(const kolv::diagram::RelationStyle& style);
/// The arrow head at the middle of a reach drawn with a pen `penWidth` pixels wide, pointing
/// downstream and about 11 px long at `unitsPerPixel`; empty when the reach is too short on the
/// screen to carry one.
QPolygonF arrowHead(const QLineF& line, double penWidth, double unitsPerPixel);

/// A node or the outfall: a symbol of constant screen size at XD, YD.
class EntityItem : public QGraphicsItem {
public:
    enum { Type = UserType + 1 };
    EntityItem(QString name, QString className, bool outfall, const kolv::diagram::EntityStyle& style);
    int type() const override { return Type; }

    const QString& name() const { return m_name; }
    const QString& className() const { return m_class; }
    bool isOutfall() const { return m_outfall; }
    /// The entity's text: the name, then the label lines (carriage-return separated).
    QString text() const;

    void setLabel(LabelItem* label) { m_label = label; }
    LabelItem* label() const { return m_label; }
    void addRelation(RelationItem* r) { m_relations.push_back(r); }
    void removeRelation(RelationItem* r);
    const std::vector<RelationItem*>& relations() const { return m_relations; }
    double size() const { return m_style.size; }
    /// The layer that paints it (the item itself paints nothing; see NetworkItem).
    void setNetwork(NetworkItem* network) { m_network = network; }

    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter*, const QStyleOptionGraphicsItem*, QWidget*) override {}
    /// Draws the symbol centred on the painter's origin (diagram units).
    void draw(QPainter* painter) const;
    /// The symbol as drawn on the screen.
    const QPixmap& symbolPicture(double pixelRatio) const;

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;

private:
    mutable const QPixmap* m_picture = nullptr;  ///< the shared picture last used
    mutable double m_pictureRatio = 0;

    QString m_name, m_class;
    bool m_outfall;
    kolv::diagram::EntityStyle m_style;
    QPainterPath m_path;
    QPainterPath m_outer, m_inner;  // outline drawn as a filled ring: no stroking of thousands of symbols
    NetworkItem* m_network = nullptr;
    LabelItem* m_label = nullptr;
    std::vector<RelationItem*> m_relations;
};

/// A reach from its upstream to its downstream entity, with an arrow pointing downstream.
class RelationItem : public QGraphicsItem {
public:
    enum { Type = UserType + 2 };
    RelationItem(QString name, EntityItem* from, EntityItem* to, const kolv::diagram::RelationStyle& style);
    int type() const override { return Type; }

    const QString& name() const { return m_name; }
    EntityItem* from() const { return m_from; }
    EntityItem* to() const { return m_to; }
    void setTo(EntityItem* to);
    void setLabel(LabelItem* label) { m_label = label; }
    LabelItem* label() const { return m_label; }
    /// The ends moved: geometry and label follow.
    void adjust();
    QPointF middle() const;
    const QLineF& line() const { return m_line; }
    const QPen& pen() const { return m_pen; }
    void setNetwork(NetworkItem* network) { m_network = network; }

    /// Room around the line for its pen and arrow (diagram units), set once per drawing.
    static void setMargin(double units) { s_margin = units; }

    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter*, const QStyleOptionGraphicsItem*, QWidget*) override {}
    /// Draws the reach in diagram units (on paper and in pictures).
    void draw(QPainter* painter) const;

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;

private:
    QString m_name;
    NetworkItem* m_network = nullptr;
    EntityItem* m_from;
    EntityItem* m_to;
    QPen m_pen;
    LabelItem* m_label = nullptr;
    QLineF m_line;
    static double s_margin;
};

/// Paints every reach and symbol of the drawing at once. The entity and reach items stay in the
/// scene for finding, selecting and dragging, but paint nothing themselves: a scene of tens of
/// thousands of items spends most of a repaint sorting and preparing them one by one, while
/// here the reaches go out as one batch of lines per pen and the symbols as copies of one
/// picture per look. On paper each item draws itself as before.
class NetworkItem : public QGraphicsItem {
public:
    enum { Type = UserType + 4 };
    /// `area`: the whole drawing area in diagram units.
    explicit NetworkItem(const QRectF& area);
    int type() const override { return Type; }

    /// What is drawn before the items are made: the symbols and reaches of a system read from
    /// the project, painted as the items would paint them (none chosen).
    struct Sketch {
        struct Symbol {
            QPointF pos;
            const kolv::diagram::EntityStyle* style;
        };
        struct Reach {
            QLineF line;
            const kolv::diagram::RelationStyle* style;
        };
        std::vector<Symbol> symbols;
        std::vector<Reach> reaches;
    };
    void setSketch(Sketch sketch);
    bool hasSketch() const { return !m_sketch.symbols.empty() || !m_sketch.reaches.empty(); }

    void add(EntityItem* e);
    void add(RelationItem* r);
    void forget(EntityItem* e);
    void forget(RelationItem* r);
    /// Repaints the part of the drawing around a rectangle of diagram units.
    void touch(const QRectF& rect);
    /// The parts of the diagram (diagram units) the repaint under way actually covers. A pan
    /// exposes two thin strips whose bounding box is the whole window: drawing only what lies
    /// near the strips keeps a pan as cheap as the strips. Empty: the exposed rectangle counts.
    void setPaintAreas(std::vector<QRectF> areas) { m_paintAreas = std::move(areas); }

    QRectF boundingRect() const override;
    QPainterPath shape() const override { return {}; }  // never hit: the items under it are
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    void paintOnScreen(QPainter* painter, const QRectF& exposed);
    void paintSketch(QPainter* painter, const QRectF& exposed);
    QRectF m_area;
    std::vector<QRectF> m_paintAreas;
    Sketch m_sketch;
    std::vector<EntityItem*> m_entities;
    std::vector<RelationItem*> m_relations;
};

/// Label text beside an entity or a reach: constant screen size, offset from its anchor in pixels.
/// A node's label may show its name alone while the whole label has no room.
class LabelItem : public QGraphicsItem {
public:
    enum { Type = UserType + 3 };
    enum class Kind { Node, Reach, Outfall };
    enum class Shown { Nothing, Name, Whole };
    LabelItem(const QStringList& lines, Kind kind);
    int type() const override { return Type; }

    const QStringList& lines() const { return m_lines; }
    Kind kind() const { return m_kind; }
    /// Size of the whole text block, and of the name line alone, in pixels.
    QSizeF blockSize() const { return m_size; }
    QSizeF nameSize() const { return m_nameSize; }

    /// Where a text block goes: offset of its top-left corner from the anchor (pixels), the first
    /// zoom step it is shown at (-1: not placed) and the diagram units per pixel there.
    struct Place {
        QPointF offset;
        int step = -1;
        double unitsPerPixel = 1;
    };
    void setPlaces(const Place& whole, const Place& name);
    const Place& wholePlace() const { return m_whole; }
    const Place& namePlace() const { return m_name; }
    void setShown(Shown shown);
    Shown shown() const { return m_shown; }

    static QFont font(bool bold);

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    QStringList m_lines;
    Kind m_kind;
    QSizeF m_size, m_nameSize;
    Place m_whole, m_name;
    Shown m_shown = Shown::Nothing;
};

}  // namespace kolv::gui::diagram
