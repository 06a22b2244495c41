// The network diagram view: drawing from the core's reading of a system, gestures into diagram events.
#include "gui/diagram/diagram_view.h"

#include <QDate>
#include <QFileInfo>
#include <QGraphicsLineItem>
#include <QGraphicsScene>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QLocale>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <QtMath>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

#include "common/text.h"
#include "diagram/label_placement.h"
#include "diagram/labels.h"
#include "diagram/schematic_layout.h"
#include "gui/diagram/diagram_items.h"
#include "ui/error_trap.h"
#include "gui/common/qt_text.h"

namespace kolv::gui::diagram {

namespace kd = kolv::diagram;

namespace {

constexpr double kMaxScale = 40;        // pixels per diagram unit, closest zoom
constexpr double kPickPixels = 14;      // how near an end of a reach a press grabs it
constexpr double kZoomStep = 1.25;

/// The look of a reach drawn with the pipe of a pipe class (an unknown class: the redraw's).
const kd::RelationStyle& reachStyle(const kd::Palette& palette, int pipeClass) {
    const int cls = pipeClass >= 0 && pipeClass < static_cast<int>(std::size(kd::kPipeClasses)) ? pipeClass
                                                                                                 : kd::kRedrawPipeClass;
    return palette.relation(kd::kPipeClasses[static_cast<std::size_t>(cls)]);
}

}  // namespace

DiagramView::DiagramView(QWidget* parent) : QGraphicsView(parent), m_palette(kd::Palette::builtIn()) {
    setScene(makeScene());
    setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    setTransformationAnchor(AnchorUnderMouse);
    setResizeAnchor(AnchorViewCenter);
    setViewportUpdateMode(SmartViewportUpdate);
    setDragMode(NoDrag);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    setBackgroundBrush(QColor(250, 251, 252));
}

DiagramView::~DiagramView() {
    clearItems();
    dropDiscarded();
}

QRectF DiagramView::drawingArea(const kd::DiagramData& data) {
    if (data.empty()) return QRectF(-3000, -3000, kd::kNewDrawingSize + 6000, kd::kNewDrawingSize + 6000);
    const QRectF extent(QPointF(data.minX, data.minY), QPointF(data.maxX, data.maxY));
    // room to zoom out to half the fitted scale, to pan past the edges and to place beyond them
    const double room = std::max(extent.width(), extent.height()) + 3000;
    return extent.adjusted(-room, -room, room, room);
}

QGraphicsScene* DiagramView::makeScene() {
    auto* scene = new QGraphicsScene(this);
    scene->setSceneRect(drawingArea({}));
    // Found by a walk over the items, not a tree: a whole system is redrawn at every switch,
    // and building the tree for tens of thousands of new items costs more than the walks save.
    scene->setItemIndexMethod(QGraphicsScene::NoIndex);
    return scene;
}

void DiagramView::dropDiscarded() {
    for (LabelItem* l : m_discardedLabels) delete l;
    m_discardedLabels.clear();
    delete m_discardedScene;  // with all its items
    m_discardedScene = nullptr;
}

template <class F>
void DiagramView::guarded(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        if (m_ctx.ui) ui::reportException(*m_ctx.ui, e);
    }
    emit logChanged();
}

void DiagramView::setContext(DiagramContext ctx) {
    m_ctx = std::move(ctx);
    if (m_ctx.db && m_ctx.session && m_ctx.ui)
    {
        m_editor = std::make_unique<kd::DiagramEditor>(*m_ctx.db, *m_ctx.session, *m_ctx.ui, m_ctx.system);
        m_editor->offerSystem = m_ctx.offerSystem;
    } else
        m_editor.reset();
    clearItems();
}

void DiagramView::clearItems() {
    m_gesture = Gesture::None;
    m_rubber = nullptr;
    m_source = nullptr;
    m_stretched = nullptr;
    m_dragStart.clear();
    m_placer.reset();
    m_itemsPending = m_labelsPending = false;
    m_pendingData.reset();
    m_pendingSelection.reset();
    if (!m_order.empty() || m_network || !m_labels.empty()) {
        // The drawing of the system before is put aside whole, with the labels never shown,
        // and deleted once the new one is on the screen: on a large system deleting it takes
        // as long as drawing the new one. One at most waits; an older one goes now.
        dropDiscarded();
        for (LabelItem* l : m_labels)
            if (!l->scene()) m_discardedLabels.push_back(l);
        m_discardedScene = scene();
        setScene(makeScene());
    }
    m_order.clear();
    m_network = nullptr;
    m_entities.clear();
    m_relations.clear();
    m_labels.clear();
    m_background = QPixmap();
}

void DiagramView::loadPalette() {
    const std::string wanted = m_ctx.palettePath ? m_ctx.palettePath() : std::string();
    std::string path = kd::locatePalette(wanted);
    if (path.empty() && !m_paletteAsked && m_ctx.ui) {
        m_paletteAsked = true;  // asked once a session; afterwards the built-in look is used
        kd::reportMissingPalette(*m_ctx.ui);
        if (m_ctx.choosePalette) path = kd::locatePalette(m_ctx.choosePalette());
    }
    if (path.empty()) {
        m_palette = kd::Palette::builtIn();
        m_paletteLoaded.clear();
        return;
    }
    if (path == m_paletteLoaded) return;
    auto p = kd::Palette::load(path);
    m_palette = p ? *p : kd::Palette::builtIn();
    m_paletteLoaded = p ? path : std::string();
}

bool DiagramView::redraw(bool fit) {
    bool drawn = false;
    guarded([&] {
        if (!m_editor || m_ctx.system.empty()) {
            clearItems();
            setAutomatic(std::nullopt);
            return;
        }
        m_editor->setSystem(m_ctx.system);
        auto data = kd::loadDiagram(*m_ctx.db, m_ctx.system, m_ctx.engMet, *m_ctx.session, *m_ctx.ui);
        if (!data) {
            clearItems();
            return;
        }
        loadPalette();
        clearItems();
        m_northUp = data->northUp;
        scene()->setSceneRect(drawingArea(*data));
        setAutomatic(data->automaticLayout ? data : std::nullopt);
        if (!data->backgroundPicture.empty() && QFileInfo::exists(q(data->backgroundPicture)))
            m_background = QPixmap(q(data->backgroundPicture));

        // the fitted scale: labels are placed for it, and reaches keep room for their pen at half of it
        const QSize vp = viewport()->size().expandedTo(QSize(400, 300));
        const kd::FitView fv = kd::fitView(*data, vp.width(), vp.height());
        m_baseScale = fv.scale > 0 ? fv.scale : 0.1;

        // The first picture is painted straight from what was read; the items for finding,
        // choosing and dragging, and the labels, are made after it: on a large system they take
        // longer than the picture, and the engineer sees the system at once.
        NetworkItem::Sketch sketch;
        sketch.symbols.reserve(data->entities.size());
        std::unordered_map<std::string, QPointF> at;  // upper-case name -> position
        at.reserve(data->entities.size());
        for (const kd::Entity& e : data->entities) {
            sketch.symbols.push_back({QPointF(e.x, e.y), &m_palette.entity(e.className)});
            at.emplace(toUpper(e.name), QPointF(e.x, e.y));
        }
        sketch.reaches.reserve(data->relations.size());
        for (const kd::Relation& r : data->relations) {
            auto from = at.find(toUpper(r.from)), to = at.find(toUpper(r.to));
            if (from == at.end() || to == at.end() || from == to) continue;
            sketch.reaches.push_back({QLineF(from->second, to->second), &reachStyle(m_palette, r.pipeClass)});
        }
        network()->setSketch(std::move(sketch));
        m_pendingData = std::move(*data);
        m_itemsPending = true;
        // labels are placed for the smaller of the fit redraw and "Fit in Window", so both show them
        if (entityCount() > 0) m_baseScale = std::min(m_baseScale, std::min(fitAllScale(entityBounds()), kMaxScale));
        setBaseScale(m_baseScale);
        kd::DisplayOptions options;
        kd::readDisplayOptions(*m_ctx.db, m_labelSet, options, *m_ctx.ui);  // tells when the set is missing
        // The labels follow the first picture of the network: on a large system reading and
        // placing them takes as long again as drawing it, and the engineer sees the system at once.
        m_labelsPending = true;
        if (fit) {
            setTransform(QTransform::fromScale(fv.scale, fv.scale));
            // the origin at the top-left corner of the window
            centerOn(QPointF(fv.originX + vp.width() / 2.0 / fv.scale, fv.originY + vp.height() / 2.0 / fv.scale));
        }
        updateLabelVisibility();
        drawn = true;
    });
    viewport()->update();
    return drawn;
}

void DiagramView::makeItems(const kd::DiagramData& data) {
    m_entities.reserve(static_cast<qsizetype>(data.entities.size()));
    m_relations.reserve(static_cast<qsizetype>(data.relations.size()));
    m_order.reserve(data.entities.size() * 2 + data.relations.size() * 2);
    for (const kd::Entity& e : data.entities) addEntityItem(e);
    std::unordered_map<std::string, EntityItem*> byName;  // upper-case name -> item
    byName.reserve(data.entities.size());
    for (EntityItem* e : m_entities) byName.emplace(e->name().toUpper().toStdString(), e);
    auto named = [&](const std::string& n) {
        auto it = byName.find(toUpper(n));
        return it == byName.end() ? nullptr : it->second;
    };
    for (const kd::Relation& r : data.relations) {
        EntityItem* from = named(r.from);
        EntityItem* to = named(r.to);
        if (from && to && from != to) addRelationItem(q(r.name), from, to, r.pipeClass);
    }
}

void DiagramView::completeDrawing() {
    if (m_itemsPending) {
        m_itemsPending = false;
        guarded([&] {
            if (m_pendingData) makeItems(*m_pendingData);
        });
        m_pendingData.reset();
        if (m_network) m_network->setSketch({});
        if (m_pendingSelection) {
            const auto [name, bringIntoView] = *m_pendingSelection;
            m_pendingSelection.reset();
            selectEntity(name, bringIntoView);
        }
    }
    completeLabels();
}

EntityItem* DiagramView::entity(const QString& name) const {
    const_cast<DiagramView*>(this)->completeDrawing();
    return m_entities.value(name.toUpper(), nullptr);
}

RelationItem* DiagramView::relation(const QString& name) const {
    const_cast<DiagramView*>(this)->completeDrawing();
    return m_relations.value(name.toUpper(), nullptr);
}

int DiagramView::entityCount() const {
    if (m_itemsPending && m_pendingData) return static_cast<int>(m_pendingData->entities.size());
    return static_cast<int>(m_entities.size());
}

int DiagramView::relationCount() const {
    const_cast<DiagramView*>(this)->completeDrawing();
    return static_cast<int>(m_relations.size());
}

void DiagramView::addToScene(QGraphicsItem* item) {
    scene()->addItem(item);
    m_order.push_back(item);
}

NetworkItem* DiagramView::network() {
    if (!m_network) {
        m_network = new NetworkItem(scene()->sceneRect());
        scene()->addItem(m_network);
    }
    return m_network;
}

void DiagramView::deleteItems(const std::vector<QGraphicsItem*>& items) {
    std::unordered_set<QGraphicsItem*> inScene;
    for (QGraphicsItem* i : items) {
        if (m_network && i->type() == EntityItem::Type) m_network->forget(static_cast<EntityItem*>(i));
        if (m_network && i->type() == RelationItem::Type) m_network->forget(static_cast<RelationItem*>(i));
        if (i->scene()) inScene.insert(i);
        else delete i;  // a label never shown is not in the scene
    }
    if (inScene.empty()) return;
    for (auto it = m_order.rbegin(); it != m_order.rend(); ++it)
        if (inScene.count(*it)) delete *it;
    m_order.erase(std::remove_if(m_order.begin(), m_order.end(), [&](QGraphicsItem* i) { return inScene.count(i) > 0; }),
                  m_order.end());
}

EntityItem* DiagramView::addEntityItem(const kd::Entity& e) {
    auto* item = new EntityItem(q(e.name), q(e.className), e.outfall, m_palette.entity(e.className));
    item->setPos(e.x, e.y);
    addToScene(item);
    network()->add(item);
    m_entities.insert(item->name().toUpper(), item);
    return item;
}

RelationItem* DiagramView::addRelationItem(const QString& name, EntityItem* from, EntityItem* to, int pipeClass) {
    auto* item = new RelationItem(name, from, to, reachStyle(m_palette, pipeClass));
    addToScene(item);
    network()->add(item);
    m_relations.insert(name.toUpper(), item);
    return item;
}

void DiagramView::completeLabels() {
    if (!m_labelsPending) return;
    guarded([&] { buildLabels(); });
}

void DiagramView::paintEvent(QPaintEvent* e) {
    if (m_network) {
        std::vector<QRectF> areas;
        if (e->region().rectCount() > 1)
            for (const QRect& r : e->region()) areas.push_back(mapToScene(r).boundingRect());
        m_network->setPaintAreas(std::move(areas));
    }
    QGraphicsView::paintEvent(e);
    if (m_network) m_network->setPaintAreas({});
    ++m_framesPainted;
    // after the first picture: the items and labels, then the drawing before is deleted
    if ((m_itemsPending || m_labelsPending) && !m_completionScheduled) {
        m_completionScheduled = true;
        QTimer::singleShot(0, this, [this] {
            m_completionScheduled = false;
            completeDrawing();
        });
    }
    if (m_discardedScene || !m_discardedLabels.empty()) QTimer::singleShot(0, this, [this] { dropDiscarded(); });
}

void DiagramView::buildLabels() {
    m_labelsPending = false;
    deleteItems(std::vector<QGraphicsItem*>(m_labels.begin(), m_labels.end()));
    m_labels.clear();
    for (EntityItem* e : m_entities) e->setLabel(nullptr);
    for (RelationItem* r : m_relations) r->setLabel(nullptr);
    if (!m_ctx.db) return;

    m_labelsBuiltFor = {m_ctx.db->totalChanges(), m_labelSet};
    kd::LabelBuilder builder(*m_ctx.db, m_ctx.system, kd::displayOptionsOrEmpty(*m_ctx.db, m_labelSet));
    // in the order the items were drawn (the table order), so labels land in the same places every time
    std::vector<EntityItem*> entities;
    std::vector<RelationItem*> relations;
    for (QGraphicsItem* i : m_order) {
        if (i->type() == EntityItem::Type) entities.push_back(static_cast<EntityItem*>(i));
        else if (i->type() == RelationItem::Type) relations.push_back(static_cast<RelationItem*>(i));
    }
    for (EntityItem* e : entities) {
        const std::string text = e->isOutfall() ? builder.outfallLabel() : builder.nodeLabel(e->name().toStdString());
        QStringList lines = q(text).split('\r');
        auto* label = new LabelItem(lines, e->isOutfall() ? LabelItem::Kind::Outfall : LabelItem::Kind::Node);
        label->setPos(e->pos());  // put in the scene when first shown
        e->setLabel(label);
        m_labels.push_back(label);
    }
    for (RelationItem* r : relations) {
        const std::string text = builder.reachLabel(r->name().toStdString());
        if (text.empty()) continue;
        auto* label = new LabelItem(q(text).split('\r'), LabelItem::Kind::Reach);
        label->setPos(r->middle());
        r->setLabel(label);
        m_labels.push_back(label);
    }
    placeAllLabels();
}

void DiagramView::refreshLabels() {
    if (m_labelsPending) return;  // they are read when they are drawn, from the project as it is then
    // Nothing written since and the same display option set: the labels shown are the project's
    // own, and rebuilding those of a large system on every move through the panel is wasted.
    if (m_ctx.db && !m_labels.empty() && m_labelsBuiltFor == std::make_pair(m_ctx.db->totalChanges(), m_labelSet)) return;
    guarded([&] { buildLabels(); });
}

void DiagramView::placeAllLabels() {
    std::vector<kd::LabelBox> boxes;
    boxes.reserve(m_labels.size() + m_entities.size());
    for (LabelItem* l : m_labels) {
        kd::LabelBox b{l->pos().x(), l->pos().y(), l->blockSize().width(), l->blockSize().height()};
        if (l->kind() != LabelItem::Kind::Reach) {
            b.clearance = 8;
            b.nameWidth = l->nameSize().width();  // a node's name goes first
            b.nameHeight = l->nameSize().height();
        }
        boxes.push_back(b);
    }
    std::vector<kd::LabelObstacleLine> lines;
    lines.reserve(m_relations.size());
    for (RelationItem* r : m_relations)
        lines.push_back({r->from()->pos().x(), r->from()->pos().y(), r->to()->pos().x(), r->to()->pos().y()});
    // placed step by step as the zoom first reaches each one (see updateLabelVisibility); every
    // name of a small system is shown with the whole system in the window
    m_placer = std::make_unique<kd::LabelPlacer>(std::move(boxes), m_baseScale, std::move(lines),
                                                 static_cast<std::size_t>(m_entities.size()) <= kd::kAllNamesUpTo);
    for (LabelItem* l : m_labels) l->setPlaces({}, {});
    updateLabelVisibility();
}

void DiagramView::placeLabelsThrough(double zoom) {
    if (!m_placer) return;
    const auto& steps = kd::labelZoomSteps();
    int needed = -1;
    while (needed + 1 < static_cast<int>(steps.size()) && zoom >= steps[static_cast<std::size_t>(needed + 1)] * 0.999)
        ++needed;
    if (needed <= m_placer->stepsDone()) return;
    m_placer->placeThrough(needed);
    const auto& places = m_placer->places();
    auto place = [&](double dx, double dy, int step) {
        LabelItem::Place p;
        if (step < 0) return p;
        p.offset = QPointF(dx, dy);
        p.step = step;
        p.unitsPerPixel = 1 / (m_baseScale * steps[static_cast<std::size_t>(step)]);
        return p;
    };
    for (std::size_t i = 0; i < m_labels.size() && i < places.size(); ++i) {
        const kd::LabelPlace& p = places[i];
        LabelItem* l = m_labels[i];
        if (l->wholePlace().step == p.step && l->namePlace().step == p.nameStep) continue;  // nothing new
        l->setPlaces(place(p.dx, p.dy, p.step), place(p.nameDx, p.nameDy, p.nameStep));
    }
}

void DiagramView::updateLabelVisibility() {
    if (transform().m11() > 0) ViewScale::unitsPerPixel = 1 / transform().m11();
    const double z = zoomLevel();
    placeLabelsThrough(z);
    const auto& steps = kd::labelZoomSteps();
    auto reached = [&](int step) { return step >= 0 && z >= steps[static_cast<std::size_t>(step)] * 0.999; };
    // a label joins the scene the first time it is shown: the many labels a large system hides
    // at a distant zoom cost the scene nothing
    for (LabelItem* l : m_labels) {
        const LabelItem::Shown shown = reached(l->wholePlace().step) ? LabelItem::Shown::Whole
                                       : reached(l->namePlace().step) ? LabelItem::Shown::Name
                                                                       : LabelItem::Shown::Nothing;
        if (shown != LabelItem::Shown::Nothing && !l->scene()) addToScene(l);
        l->setShown(shown);
    }
}

int DiagramView::visibleLabelCount() {
    completeDrawing();
    int n = 0;
    for (LabelItem* l : m_labels) n += l->scene() && l->shown() != LabelItem::Shown::Nothing ? 1 : 0;
    return n;
}

double DiagramView::zoomLevel() const { return m_baseScale > 0 ? transform().m11() / m_baseScale : 1; }

void DiagramView::scaleBy(double factor) {
    const double now = transform().m11();
    const double target = std::clamp(now * factor, m_baseScale * 0.5, kMaxScale);
    if (now <= 0 || target == now) return;
    scale(target / now, target / now);
    updateLabelVisibility();
}

void DiagramView::zoomIn() { scaleBy(kZoomStep); }
void DiagramView::zoomOut() { scaleBy(1 / kZoomStep); }

QRectF DiagramView::entityBounds() const {
    QRectF r;
    if (m_itemsPending && m_pendingData) {
        for (const kd::Entity& e : m_pendingData->entities) r |= QRectF(QPointF(e.x, e.y), QSizeF(0.001, 0.001));
        return r.adjusted(-1, -1, 1, 1);
    }
    for (EntityItem* e : m_entities) r |= QRectF(e->pos(), QSizeF(0.001, 0.001));
    return r.adjusted(-1, -1, 1, 1);
}

double DiagramView::fitAllScale(const QRectF& bounds) const {
    // room around the outermost symbols for their labels (pixels)
    const QSize vp = viewport()->size().expandedTo(QSize(400, 300));
    const QSizeF room(vp.width() - 2 * 150.0, vp.height() - 2 * 70.0);
    return std::min(room.width() / bounds.width(), room.height() / bounds.height());
}

void DiagramView::setBaseScale(double scale) {
    m_baseScale = scale;
    RelationItem::setMargin(14 / (m_baseScale * 0.5));
    ViewScale::maxUnitsPerPixel = 1 / (m_baseScale * 0.5);
    if (m_placer) placeAllLabels();  // the zoom steps moved: placed again for them
}

void DiagramView::zoomFit() {
    if (entityCount() == 0) return;
    const QRectF r = entityBounds();
    const double fit = std::min(fitAllScale(r), kMaxScale);
    // A system drawn since its labels were placed (symbols placed in an empty system, a window
    // made smaller) may need a farther zoom than they were placed for: the labels follow it, so
    // the whole system in the window always shows them.
    if (fit < m_baseScale * 0.999) setBaseScale(fit);
    const double s = std::clamp(fit, m_baseScale * 0.5, kMaxScale);
    setTransform(QTransform::fromScale(s, s));
    centerOn(r.center());
    updateLabelVisibility();
}

void DiagramView::setTool(Tool tool, const QString& className, int pipeClass) {
    m_tool = tool;
    m_placeClass = className;
    m_pipeClass = pipeClass;
    viewport()->setCursor(tool == Tool::Select ? Qt::ArrowCursor : Qt::CrossCursor);
}

QPointF DiagramView::clampToDiagram(QPointF p) const {
    // whole units, within the drawing area
    const QRectF area = scene()->sceneRect();
    return QPointF(std::clamp(std::round(p.x()), std::ceil(area.left()), std::floor(area.right())),
                   std::clamp(std::round(p.y()), std::ceil(area.top()), std::floor(area.bottom())));
}

void DiagramView::setAutomatic(std::optional<kd::DiagramData> layout) {
    const bool was = m_automatic.has_value();
    m_automatic = std::move(layout);
    if (was || m_automatic) emit automaticLayoutChanged(m_automatic.has_value());
}

void DiagramView::keepAutomaticLayout() {
    if (!m_automatic || !m_ctx.db) return;
    bool kept = false;
    guarded([&] {
        kd::keepLayout(*m_ctx.db, *m_automatic);
        m_ctx.session->log("Automatic layout kept: " + std::to_string(m_automatic->entities.size()) + " positions");
        kept = true;
    });
    if (!kept) return;
    setAutomatic(std::nullopt);
    emit dataChanged();
}

bool DiagramView::placeEntity(const QString& className, QPointF at) {
    completeDrawing();  // the drawing's own items first, the new one after them
    EntityItem* item = nullptr;
    keepAutomaticLayout();  // a symbol placed among the others: they keep their places too
    guarded([&] {
        if (!m_editor) return;
        const QPointF p = clampToDiagram(at);
        const std::string cls = className.toStdString();
        std::string name;
        if (!m_editor->entityAddRequest("", cls, p.x(), storedY(p.y()),
                                        [&] { return m_ctx.chooseNode ? m_ctx.chooseNode(cls) : kd::NewNodeChoice{}; },
                                        name)) {
            // a system was just added for this first node: placed once the drawing shows that system
            if (m_ctx.system.empty() && !m_editor->system().empty())
                QTimer::singleShot(0, this, [this, className, at] {
                    if (!m_ctx.system.empty()) placeEntity(className, at);
                });
            return;
        }
        const bool outfall = equalsIgnoreCase(cls, kd::kOutfallClass);
        item = addEntityItem({name, cls, p.x(), p.y(), outfall});
        m_editor->entityAdded(name);
        buildLabels();
        scene()->clearSelection();
        item->setSelected(true);
    });
    if (!item) return false;
    emit dataChanged();
    // the new record is shown in the editing panel
    if (item->isOutfall()) emit outfallClicked(item->name());
    else emit nodeClicked(item->name());
    return true;
}

bool DiagramView::linkEntities(const QString& upstream, const QString& downstream, int pipeClass) {
    bool added = false;
    EntityItem* up = entity(upstream);
    EntityItem* down = entity(downstream);
    if (!up || !down || up == down) return false;
    guarded([&] {
        if (!m_editor) return;
        if (!m_editor->relationAddRequest("", up->text().toStdString(), down->text().toStdString(), pipeClass)) return;
        addRelationItem(up->name(), up, down, pipeClass);
        buildLabels();
        added = true;
    });
    if (added) {
        emit dataChanged();
        emit nodeClicked(up->name());
    }
    return added;
}

void DiagramView::moveEntity(const QString& name, QPointF to) {
    EntityItem* item = entity(name);
    if (!item) return;
    keepAutomaticLayout();  // a symbol moved among the others: they keep their places too
    const QPointF p = clampToDiagram(to);
    item->setPos(p);
    guarded([&] {
        if (m_editor) m_editor->entityMoved(item->text().toStdString(), p.x(), storedY(p.y()));
        placeAllLabels();
    });
    emit dataChanged();
}

void DiagramView::removeRelationItem(RelationItem* r) {
    std::vector<QGraphicsItem*> gone{r};
    if (r->label()) {
        m_labels.erase(std::remove(m_labels.begin(), m_labels.end(), r->label()), m_labels.end());
        gone.push_back(r->label());
    }
    r->from()->removeRelation(r);
    r->to()->removeRelation(r);
    m_relations.remove(r->name().toUpper());
    deleteItems(gone);
}

void DiagramView::deleteEntity(const QString& name) {
    EntityItem* item = entity(name);
    if (!item) return;
    guarded([&] {
        if (!m_editor) return;
        m_editor->entityDeleted(item->text().toStdString());
        const std::vector<RelationItem*> rels = item->relations();
        for (RelationItem* r : rels) removeRelationItem(r);
        std::vector<QGraphicsItem*> gone{item};
        if (item->label()) {
            m_labels.erase(std::remove(m_labels.begin(), m_labels.end(), item->label()), m_labels.end());
            gone.push_back(item->label());
        }
        m_entities.remove(item->name().toUpper());
        deleteItems(gone);
        placeAllLabels();
    });
    emit dataChanged();
}

bool DiagramView::stretchRelation(const QString& reach, kd::ReachEnd end, const QString& target) {
    RelationItem* r = relation(reach);
    if (!r) return false;
    EntityItem* t = entity(target);
    bool done = false;
    guarded([&] {
        if (!m_editor) return;
        // a reach can not end where it starts: refused before anything is written
        if (t && t == r->from()) return;
        if (!m_editor->beforeStretchRelation(r->name().toStdString(), end, t ? t->text().toStdString() : std::string()))
            return;
        if (!t) return;
        r->setTo(t);
        m_editor->afterStretchRelation(r->name().toStdString(), t->text().toStdString());
        placeAllLabels();
        done = true;
    });
    if (done) {
        emit dataChanged();
        emit nodeClicked(r->from()->name());
    }
    return done;
}

void DiagramView::clickEntity(const QString& name) {
    if (name.isEmpty() || !m_editor) return;
    EntityItem* item = entity(name);
    kd::ClickedEntity c;
    guarded([&] { c = m_editor->clickEntity(item ? item->text().toStdString() : name.toStdString()); });
    if (c.kind == kd::ClickedEntity::Kind::Node) emit nodeClicked(q(c.name));
    else if (c.kind == kd::ClickedEntity::Kind::Outfall) emit outfallClicked(q(c.name));
}

void DiagramView::clickRelation(const QString& reach) {
    if (!m_editor) return;
    std::string up;
    guarded([&] { up = m_editor->clickRelation(reach.toStdString()); });
    if (!up.empty()) emit nodeClicked(q(up));
}

void DiagramView::selectEntity(const QString& name, bool bringIntoView) {
    if (m_itemsPending) {  // marked when the items are made, right after the first picture
        m_pendingSelection = std::make_pair(name, bringIntoView);
        return;
    }
    EntityItem* item = entity(name);
    if (!item || (item->isSelected() && scene()->selectedItems().size() == 1)) {
        if (item && bringIntoView) ensureVisible(item, 80, 80);
        return;
    }
    scene()->clearSelection();
    item->setSelected(true);
    if (bringIntoView) ensureVisible(item, 80, 80);
}

void DiagramView::listEntities() {
    completeDrawing();  // each entity's text carries its label lines
    if (!m_editor) return;
    std::vector<std::string> texts;
    for (EntityItem* e : m_entities) texts.push_back(e->text().toStdString());
    std::sort(texts.begin(), texts.end());
    guarded([&] { m_editor->listEntities(texts); });
}

EntityItem* DiagramView::entityAt(const QPoint& viewPos) const {
    for (QGraphicsItem* i : items(viewPos))
        if (i->type() == EntityItem::Type) return static_cast<EntityItem*>(i);
    return nullptr;
}

void DiagramView::mousePressEvent(QMouseEvent* e) {
    completeDrawing();
    m_pressPos = e->pos();
    if (e->button() == Qt::MiddleButton) {
        m_gesture = Gesture::Pan;
        viewport()->setCursor(Qt::ClosedHandCursor);
        return;
    }
    if (e->button() != Qt::LeftButton) return;
    const QPointF at = mapToScene(e->pos());
    EntityItem* hitEntity = entityAt(e->pos());

    if (m_tool == Tool::Place) {
        if (!hitEntity) placeEntity(m_placeClass, at);
        return;
    }
    if (m_tool == Tool::Link) {
        if (!hitEntity) {
            m_gesture = Gesture::Pan;
            return;
        }
        m_gesture = Gesture::Link;  // dragging out a reach changes nothing until it is dropped
        m_source = hitEntity;
        m_rubber = scene()->addLine(QLineF(hitEntity->pos(), at), QPen(QColor(255, 120, 0), 2, Qt::DashLine));
        m_rubber->setZValue(10);
        return;
    }
    if (hitEntity) {
        QGraphicsView::mousePressEvent(e);
        m_gesture = Gesture::Drag;
        m_source = hitEntity;
        m_dragStart.clear();
        for (QGraphicsItem* i : scene()->selectedItems())
            if (i->type() == EntityItem::Type) m_dragStart.insert(static_cast<EntityItem*>(i), i->pos());
        m_dragStart.insert(hitEntity, hitEntity->pos());
        return;
    }
    RelationItem* hitRelation = nullptr;
    for (QGraphicsItem* i : items(e->pos()))
        if (i->type() == RelationItem::Type) {
            hitRelation = static_cast<RelationItem*>(i);
            break;
        }
    if (hitRelation) {
        const QPointF down = mapFromScene(hitRelation->to()->pos());
        const QPointF up = mapFromScene(hitRelation->from()->pos());
        const double dDown = QLineF(down, e->position()).length();
        const double dUp = QLineF(up, e->position()).length();
        if (dDown <= kPickPixels + hitRelation->to()->size() && dDown <= dUp) {
            m_gesture = Gesture::Stretch;
            m_stretched = hitRelation;
            m_rubber = scene()->addLine(QLineF(hitRelation->from()->pos(), at), QPen(QColor(255, 120, 0), 2, Qt::DashLine));
            m_rubber->setZValue(10);
            return;
        }
        if (dUp <= kPickPixels + hitRelation->from()->size()) {
            stretchRelation(hitRelation->name(), kd::ReachEnd::Upstream, QString());
            return;
        }
        scene()->clearSelection();
        hitRelation->setSelected(true);
        clickRelation(hitRelation->name());
        return;
    }
    scene()->clearSelection();
    m_gesture = Gesture::Pan;
    viewport()->setCursor(Qt::ClosedHandCursor);
}

void DiagramView::mouseMoveEvent(QMouseEvent* e) {
    const QPointF at = mapToScene(e->pos());
    emit pointerText(q(kd::pointerText(at.x(), storedY(at.y()))));
    switch (m_gesture) {
        case Gesture::Pan: {
            const QPoint d = e->pos() - m_pressPos;
            m_pressPos = e->pos();
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() - d.x());
            verticalScrollBar()->setValue(verticalScrollBar()->value() - d.y());
            return;
        }
        case Gesture::Link:
        case Gesture::Stretch:
            if (m_rubber) m_rubber->setLine(QLineF(m_rubber->line().p1(), at));
            return;
        case Gesture::Drag: QGraphicsView::mouseMoveEvent(e); return;
        case Gesture::None: QGraphicsView::mouseMoveEvent(e); return;
    }
}

void DiagramView::mouseReleaseEvent(QMouseEvent* e) {
    const Gesture g = m_gesture;
    m_gesture = Gesture::None;
    if (m_rubber) {
        scene()->removeItem(m_rubber);
        delete m_rubber;
        m_rubber = nullptr;
    }
    viewport()->setCursor(m_tool == Tool::Select ? Qt::ArrowCursor : Qt::CrossCursor);
    switch (g) {
        case Gesture::Link: {
            EntityItem* target = entityAt(e->pos());
            if (target && m_source && target != m_source) linkEntities(m_source->name(), target->name(), m_pipeClass);
            break;
        }
        case Gesture::Stretch: {
            EntityItem* target = entityAt(e->pos());
            if (target && m_stretched && target != m_stretched->to() && target != m_stretched->from())
                stretchRelation(m_stretched->name(), kd::ReachEnd::Downstream, target->name());
            break;
        }
        case Gesture::Drag: {
            QGraphicsView::mouseReleaseEvent(e);
            const auto starts = m_dragStart;
            m_dragStart.clear();
            bool moved = false;
            for (auto it = starts.begin(); it != starts.end(); ++it)
                if (QLineF(it.key()->pos(), it.value()).length() * transform().m11() >= 1) {
                    moved = true;
                    moveEntity(it.key()->name(), it.key()->pos());
                }
            if (!moved && m_source) clickEntity(m_source->name());
            break;
        }
        default: QGraphicsView::mouseReleaseEvent(e); break;
    }
    m_source = nullptr;
    m_stretched = nullptr;
}

void DiagramView::mouseDoubleClickEvent(QMouseEvent* e) { e->accept(); }

void DiagramView::keyPressEvent(QKeyEvent* e) {
    completeDrawing();
    if (e->key() == Qt::Key_Delete || e->key() == Qt::Key_Backspace) {
        QStringList names;
        for (QGraphicsItem* i : scene()->selectedItems())
            if (i->type() == EntityItem::Type) names << static_cast<EntityItem*>(i)->name();
        for (const QString& n : names) deleteEntity(n);
        return;
    }
    if (e->key() == Qt::Key_Escape) {
        setTool(Tool::Select);
        scene()->clearSelection();
        return;
    }
    QGraphicsView::keyPressEvent(e);
}

void DiagramView::contextMenuEvent(QContextMenuEvent* e) {
    completeDrawing();
    EntityItem* item = entityAt(e->pos());
    RelationItem* reach = nullptr;
    if (!item)
        for (QGraphicsItem* i : items(e->pos()))
            if (i->type() == RelationItem::Type) reach = static_cast<RelationItem*>(i);
    QMenu menu(this);
    if (item) {
        const QString name = item->name();
        menu.addAction(QString("Show '%1'").arg(name), this, [this, name] { clickEntity(name); });
        menu.addAction(QString("Delete '%1' and its reaches").arg(name), this, [this, name] { deleteEntity(name); });
    } else if (reach) {
        const QString name = reach->name();
        menu.addAction(QString("Show reach '%1'").arg(name), this, [this, name] { clickRelation(name); });
    }
    menu.addAction("Fit in Window", this, &DiagramView::zoomFit);
    menu.exec(e->globalPos());
}

void DiagramView::wheelEvent(QWheelEvent* e) {
    const double steps = e->angleDelta().y() / 120.0;
    if (steps != 0) scaleBy(std::pow(1.2, steps));
    e->accept();
}

void DiagramView::resizeEvent(QResizeEvent* e) { QGraphicsView::resizeEvent(e); }

void DiagramView::setReviewMarks(QHash<QString, int> worstByNode) {
    m_reviewMarks = std::move(worstByNode);
    viewport()->update();
}

void DiagramView::drawForeground(QPainter* painter, const QRectF& rect) {
    if (m_reviewMarks.isEmpty()) return;
    // A ring around each node with findings, in the colour of the worst: red error, orange
    // warning, blue note; a fixed width on screen whatever the zoom.
    const double px = 1.0 / std::max(1e-9, transform().m11());
    painter->save();
    painter->setBrush(Qt::NoBrush);
    for (auto it = m_reviewMarks.constBegin(); it != m_reviewMarks.constEnd(); ++it) {
        const EntityItem* item = m_entities.value(it.key(), nullptr);
        if (!item) continue;
        const QPointF at = item->scenePos();  // the symbol's centre
        const double r = 13 * px;
        if (!rect.adjusted(-r, -r, r, r).contains(at)) continue;
        const QColor colour = it.value() >= 2 ? QColor(200, 30, 30) : it.value() == 1 ? QColor(230, 140, 0)
                                                                                      : QColor(40, 100, 200);
        painter->setPen(QPen(colour, 3 * px));
        painter->drawEllipse(at, r, r);
    }
    painter->restore();
}

void DiagramView::drawBackground(QPainter* painter, const QRectF& rect) {
    painter->fillRect(rect, QColor(236, 239, 243));  // outside the drawing area
    const QRectF limits = sceneRect();
    painter->fillRect(rect & limits, QColor(252, 252, 250));
    if (!m_background.isNull()) painter->drawPixmap(QPointF(0, 0), m_background);  // one pixel per diagram unit
    // a faint 100-unit grid, drawn only when its lines are far enough apart to help
    const double s = transform().m11();
    for (double spacing : {100.0, 500.0}) {
        if (spacing * s < 14) continue;
        QPen pen(spacing == 500 ? QColor(220, 224, 230) : QColor(238, 240, 243));
        pen.setCosmetic(true);
        painter->setPen(pen);
        const QRectF r = rect & limits;
        for (double x = std::ceil(r.left() / spacing) * spacing; x <= r.right(); x += spacing)
            painter->drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
        for (double y = std::ceil(r.top() / spacing) * spacing; y <= r.bottom(); y += spacing)
            painter->drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    }
}

void DiagramView::renderPage(QPainter& painter, const QRectF& page) {
    completeDrawing();
    const double unit = page.height() / 100;  // heading sizes follow the page
    QFont heading("DejaVu Sans");
    heading.setPixelSize(static_cast<int>(unit * 2.4));
    heading.setBold(true);
    painter.setFont(heading);
    painter.setPen(Qt::black);
    const QRectF head(page.left() + unit, page.top(), page.width() - 2 * unit, unit * 4);
    painter.drawText(head, Qt::AlignHCenter | Qt::AlignVCenter, "{" + q(m_ctx.system) + "}");
    QFont small = heading;
    small.setBold(false);
    small.setPixelSize(static_cast<int>(unit * 1.6));
    painter.setFont(small);
    painter.drawText(head, Qt::AlignRight | Qt::AlignVCenter,
                     QLocale::c().toString(QDate::currentDate(), "MMM d, yyyy"));  // "mmm d, yyyy"
    const QRectF body(page.left(), head.bottom() + unit, page.width(), page.height() - head.height() - unit);
    painter.setPen(QPen(QColor(120, 120, 120), 0));
    painter.drawRect(body);
    render(&painter, body.adjusted(1, 1, -1, -1), viewport()->rect(), Qt::KeepAspectRatio);
}

}  // namespace kolv::gui::diagram
