// The network diagram: the current system drawn on a QGraphicsScene, edited with the mouse.
// Every change the engineer makes on it goes through the core's diagram events first; the items
// follow only when the event was not cancelled.
#pragma once

#include <QGraphicsView>
#include <QHash>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "db/database.h"
#include "diagram/diagram_editor.h"
#include "diagram/diagram_model.h"
#include "diagram/label_placement.h"
#include "diagram/palette.h"
#include "session/session.h"
#include "ui/ui_port.h"

class QGraphicsLineItem;
class QGraphicsPixmapItem;

namespace kolv::gui::diagram {

class EntityItem;
class RelationItem;
class LabelItem;
class NetworkItem;

/// What the view needs from the program.
struct DiagramContext {
    db::Database* db = nullptr;
    Session* session = nullptr;
    ui::UiPort* ui = nullptr;
    std::string system;
    int engMet = 0;
    /// Palette path named by the settings file.
    std::function<std::string()> palettePath;
    /// Called when the palette is missing: the chosen file ("" when none); stores it in the settings.
    std::function<std::string()> choosePalette;
    /// The add-node dialog for a symbol of a class: name ("" cancels) and structure.
    std::function<kolv::diagram::NewNodeChoice(const std::string& className)> chooseNode;
    /// Adds a system when a node is placed before the project has one: its name, "" when none.
    std::function<std::string()> offerSystem;
};

class DiagramView : public QGraphicsView {
    Q_OBJECT
public:
    enum class Tool { Select, Place, Link };

    explicit DiagramView(QWidget* parent = nullptr);
    ~DiagramView() override;

    /// Binds the view to a project and system (nullptr db detaches and clears it).
    void setContext(DiagramContext ctx);
    const DiagramContext& context() const { return m_ctx; }
    kolv::diagram::DiagramEditor* editor() const { return m_editor.get(); }

    /// Display option set used for the labels (1..10).
    void setLabelSet(int set) { m_labelSet = set; }
    int labelSet() const { return m_labelSet; }

    /// Redraws the whole system from the project; `fit` applies the origin and scale of the fit
    /// redraw. False when nothing could be drawn (no system, coordinates out of limits).
    bool redraw(bool fit);
    /// Reads the labels again (after a computation or an edit) and places them.
    void refreshLabels();

    /// The system on display has no coordinates and is drawn with the automatic layout.
    bool automaticLayout() const { return m_automatic.has_value(); }
    /// Stores the automatic layout as the system's coordinates (one undo step).
    void keepAutomaticLayout();

    void setTool(Tool tool, const QString& className = {}, int pipeClass = kolv::diagram::kRedrawPipeClass);
    Tool tool() const { return m_tool; }

    // The view's own operations; the mouse and keyboard end in these.
    /// Places a symbol of a class at a diagram position (runs the add-node dialog). True when added.
    bool placeEntity(const QString& className, QPointF at);
    /// Draws a reach from one entity to another with the pipe of a pipe class.
    bool linkEntities(const QString& upstream, const QString& downstream, int pipeClass);
    /// Moves an entity to a diagram position (kept within the drawing area) and stores it.
    void moveEntity(const QString& name, QPointF to);
    /// Deletes an entity with the reaches in and out of it.
    void deleteEntity(const QString& name);
    /// Drags an end of a reach onto another entity. True when the reach now points there.
    bool stretchRelation(const QString& reach, kolv::diagram::ReachEnd end, const QString& target);
    /// A click on an entity or a reach: the record is shown in the editing panel.
    void clickEntity(const QString& name);
    void clickRelation(const QString& reach);
    /// Selects an entity (from the node list); optionally brings it into view.
    void selectEntity(const QString& name, bool bringIntoView);
    /// Lists the entities into the diagnosis log.
    void listEntities();

    void zoomIn();
    void zoomOut();
    /// Fits the whole system into the window.
    void zoomFit();
    /// Zoom relative to the fitted scale (1 = whole system in the window).
    double zoomLevel() const;

    // The items of a system newly drawn are made after its first picture; asking for one makes
    // them at once.
    EntityItem* entity(const QString& name) const;
    RelationItem* relation(const QString& name) const;
    /// Entities drawn (those of the first picture while the items are still to be made).
    int entityCount() const;
    int relationCount() const;
    /// Visible labels (for tests and the status of the screenshots); reads them if still due.
    int visibleLabelCount();
    /// The items or labels of the last redraw are still to be made (they follow its first picture).
    bool drawingPending() const { return m_itemsPending || m_labelsPending; }
    /// Makes the items and reads and places the labels now if they are still due.
    void completeDrawing();
    /// Pictures painted so far (for measurements).
    long framesPainted() const { return m_framesPainted; }
    const kolv::diagram::Palette& palette() const { return m_palette; }

    /// Marks of the design review: per node (upper-case name) its worst severity, 0 note,
    /// 1 warning, 2 error, drawn as a coloured ring around the node. Empty clears them.
    void setReviewMarks(QHash<QString, int> worstByNode);
    const QHash<QString, int>& reviewMarks() const { return m_reviewMarks; }

    /// Renders what the window shows, with the heading "{system}" and the date, onto a page.
    void renderPage(QPainter& painter, const QRectF& page);

signals:
    void nodeClicked(const QString& name);
    void outfallClicked(const QString& name);
    void pointerText(const QString& text);
    /// The project was changed by an edit on the diagram.
    void dataChanged();
    void logChanged();
    /// The drawing now shows the automatic layout (true) or stored coordinates (false).
    void automaticLayoutChanged(bool automatic);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void drawBackground(QPainter* painter, const QRectF& rect) override;
    void drawForeground(QPainter* painter, const QRectF& rect) override;

private:
    template <class F>
    void guarded(F&& f);
    void clearItems();
    EntityItem* addEntityItem(const kolv::diagram::Entity& e);
    /// The layer painting every reach and symbol, made with the first of them.
    NetworkItem* network();
    QGraphicsScene* makeScene();
    /// The scene's area for a drawing: its extent with room around it to pan and place into.
    static QRectF drawingArea(const kolv::diagram::DiagramData& data);
    void setAutomatic(std::optional<kolv::diagram::DiagramData> layout);
    void makeItems(const kolv::diagram::DiagramData& data);
    void completeLabels();
    void dropDiscarded();
    RelationItem* addRelationItem(const QString& name, EntityItem* from, EntityItem* to, int pipeClass);
    void buildLabels();
    void placeAllLabels();
    /// Places the labels of every zoom step up to `zoom` (a multiple of the base scale) not placed yet.
    void placeLabelsThrough(double zoom);
    void updateLabelVisibility();
    void computeBaseScale();
    /// The scale the labels are placed for (zoom 1): the whole system in the window.
    void setBaseScale(double scale);
    void loadPalette();
    void scaleBy(double factor);
    QRectF entityBounds() const;
    double fitAllScale(const QRectF& bounds) const;
    EntityItem* entityAt(const QPoint& viewPos) const;
    QPointF clampToDiagram(QPointF p) const;
    void removeRelationItem(RelationItem* r);

    DiagramContext m_ctx;
    std::unique_ptr<kolv::diagram::DiagramEditor> m_editor;
    kolv::diagram::Palette m_palette;
    std::string m_paletteLoaded;     // path the palette came from ("" = built-in)
    bool m_paletteAsked = false;     // the engineer was asked once this session
    int m_labelSet = 1;
    std::pair<long long, int> m_labelsBuiltFor{-1, -1};  ///< changes count of the project and set the labels were read at
    Tool m_tool = Tool::Select;
    QString m_placeClass;
    int m_pipeClass = kolv::diagram::kRedrawPipeClass;

    QHash<QString, EntityItem*> m_entities;      // upper-case name -> item
    QHash<QString, int> m_reviewMarks;           // upper-case name -> worst severity of its findings
    QHash<QString, RelationItem*> m_relations;   // upper-case reach name -> item
    std::vector<LabelItem*> m_labels;
    std::unique_ptr<kolv::diagram::LabelPlacer> m_placer;  ///< places of m_labels, one zoom step at a time
    /// Every item in the order it was added: deleting from the last keeps the scene's own
    /// bookkeeping linear for large systems.
    std::vector<QGraphicsItem*> m_order;
    NetworkItem* m_network = nullptr;  // owned by the scene
    QGraphicsScene* m_discardedScene = nullptr;  ///< the drawing before, deleted after the next picture
    std::vector<LabelItem*> m_discardedLabels;    ///< its labels that were never shown
    bool m_itemsPending = false;
    /// YD of a scene y (the scene's y grows down; a survey's northing grows up).
    double storedY(double sceneY) const { return m_northUp ? -sceneY : sceneY; }
    bool m_northUp = false;  ///< survey coordinates: the scene's y is the northing negated
    std::optional<kolv::diagram::DiagramData> m_pendingData;  ///< what the items are made from
    std::optional<std::pair<QString, bool>> m_pendingSelection;  ///< chosen before the items were made
    bool m_labelsPending = false;
    bool m_completionScheduled = false;
    long m_framesPainted = 0;
    void addToScene(QGraphicsItem* item);
    void deleteItems(const std::vector<QGraphicsItem*>& items);
    double m_baseScale = 1;  // pixels per diagram unit with the whole system fitted
    QPixmap m_background;
    std::optional<kolv::diagram::DiagramData> m_automatic;  ///< the automatic layout shown, not stored

    // mouse gestures
    enum class Gesture { None, Pan, Link, Stretch, Drag };
    Gesture m_gesture = Gesture::None;
    QPoint m_pressPos;
    EntityItem* m_source = nullptr;
    RelationItem* m_stretched = nullptr;
    QGraphicsLineItem* m_rubber = nullptr;
    QHash<EntityItem*, QPointF> m_dragStart;
};

}  // namespace kolv::gui::diagram
