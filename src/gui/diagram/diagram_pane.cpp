// The diagram pane: toolbox, label set, export and printing around the view.
#include "gui/diagram/diagram_pane.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "diagram/diagram_model.h"
#include "gui/diagram/diagram_items.h"

namespace kolv::gui::diagram {

namespace kd = kolv::diagram;

namespace {

/// A light plate under a tool's drawing: the diagram's colours (dark lines, as on paper) stay
/// legible on a dark desktop palette as on a light one.
void drawPlate(QPainter& p) {
    p.save();
    p.setPen(QPen(QColor(128, 134, 142), 1.0));
    p.setBrush(QColor(250, 250, 248));
    p.drawRoundedRect(QRectF(0.5, 0.5, 23, 23), 4, 4);
    p.restore();
}

QIcon symbolIcon(const kd::EntityStyle& style) {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    drawPlate(p);
    p.translate(12, 12);
    p.setPen(QPen(toColor(style.line), 1.6));
    p.setBrush(toColor(style.fill));
    p.drawPath(symbolPath(style.shape, 14));
    return QIcon(pm);
}

QIcon glyphIcon(const QString& kind) {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    drawPlate(p);
    p.setPen(QPen(QColor(40, 50, 64), 1.8));
    if (kind == "select") {
        QPolygonF arrow;
        arrow << QPointF(6, 3) << QPointF(6, 19) << QPointF(10, 15) << QPointF(13, 21) << QPointF(15, 20)
              << QPointF(12, 14) << QPointF(18, 14);
        p.setBrush(Qt::white);
        p.drawPolygon(arrow);
    } else {  // link: two symbols joined by a reach with its arrow
        p.setBrush(Qt::white);
        p.drawRect(2, 14, 6, 6);
        p.drawEllipse(QPointF(19, 6), 3.5, 3.5);
        p.drawLine(QPointF(8, 14), QPointF(16, 8));
        p.setBrush(QColor(40, 50, 64));
        QPolygonF head;
        head << QPointF(14.5, 9) << QPointF(10.5, 9.8) << QPointF(12.6, 12.8);
        p.drawPolygon(head);
    }
    return QIcon(pm);
}

}  // namespace

DiagramPane::DiagramPane(QWidget* parent) : QWidget(parent) {
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    m_bar = new QToolBar("Diagram tools");
    m_bar->setIconSize(QSize(22, 22));
    m_bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    v->addWidget(m_bar);
    m_view = new DiagramView;
    v->addWidget(m_view, 1);

    m_tools = new QActionGroup(this);
    m_tools->setExclusive(true);
    QAction* select = m_bar->addAction(glyphIcon("select"), "Select / move");
    select->setToolTip("Select, move, stretch the downstream end of a reach (Esc)");
    select->setCheckable(true);
    select->setChecked(true);
    m_tools->addAction(select);
    connect(select, &QAction::triggered, this, [this] { m_view->setTool(DiagramView::Tool::Select); });
    m_bar->addSeparator();
    for (const char* cls : {"Curb Inlet", "Gutter Inlet", "Ditch Inlet", "Manhole", "Endwall - Straight",
                            "Endwall - Sloped", "Outfall"}) {
        QAction* a = m_bar->addAction(QString("Place ") + cls);
        a->setToolTip(QString("Place a %1: click on the diagram").arg(cls));
        a->setCheckable(true);
        m_tools->addAction(a);
        const QString name = cls;
        connect(a, &QAction::triggered, this, [this, name] { m_view->setTool(DiagramView::Tool::Place, name); });
        m_classActions.emplace_back(a, name);
    }
    m_bar->addSeparator();
    QAction* link = m_bar->addAction(glyphIcon("link"), "Draw reach");
    link->setToolTip("Draw a reach: drag from the upstream node to the downstream node");
    link->setCheckable(true);
    m_tools->addAction(link);
    m_pipeClass = new QComboBox;
    for (const char* c : kd::kPipeClasses) m_pipeClass->addItem(c);
    m_pipeClass->setCurrentIndex(kd::kRedrawPipeClass);
    m_pipeClass->setToolTip("Pipe class of a new reach (its pipe comes from the diagram classes)");
    m_bar->addWidget(m_pipeClass);
    auto linkTool = [this, link] {
        link->setChecked(true);
        m_view->setTool(DiagramView::Tool::Link, {}, m_pipeClass->currentIndex());
    };
    connect(link, &QAction::triggered, this, linkTool);
    connect(m_pipeClass, &QComboBox::currentIndexChanged, this, linkTool);

    m_bar->addSeparator();
    m_bar->addWidget(new QLabel(" Labels: "));
    m_labelSet = new QComboBox;
    for (int i = 1; i <= 10; ++i) m_labelSet->addItem(QString::number(i));
    m_labelSet->setToolTip("Display option set of the labels");
    m_bar->addWidget(m_labelSet);
    connect(m_labelSet, &QComboBox::currentIndexChanged, this, [this](int i) {
        m_view->setLabelSet(i + 1);
        m_view->refreshLabels();
    });
    QAction* options = m_bar->addAction("Display Options...");
    connect(options, &QAction::triggered, this, &DiagramPane::displayOptionsRequested);
    m_bar->addSeparator();
    // one Export button: a narrow window never pushes an export out of sight behind the overflow
    auto* exportMenu = new QMenu(this);
    QAction* pdf = exportMenu->addAction("PDF...");
    pdf->setToolTip("Export the diagram as shown to a PDF file");
    connect(pdf, &QAction::triggered, this, [this] { chooseExport(true); });
    QAction* png = exportMenu->addAction("PNG...");
    png->setToolTip("Export the diagram as shown to a PNG picture");
    connect(png, &QAction::triggered, this, [this] { chooseExport(false); });
    auto* exportButton = new QToolButton;
    exportButton->setObjectName("diagramExport");
    exportButton->setText("Export");
    exportButton->setToolTip("Export the diagram as shown to a PDF file or a PNG picture");
    exportButton->setMenu(exportMenu);
    exportButton->setPopupMode(QToolButton::InstantPopup);
    m_bar->addWidget(exportButton);

    // zoom with the standard keys while the diagram has the focus
    auto shortcut = [this](const QKeySequence& keys, auto slot) {
        auto* a = new QAction(this);
        a->setShortcut(keys);
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(a, &QAction::triggered, m_view, slot);
        m_view->addAction(a);
    };
    shortcut(QKeySequence::ZoomIn, &DiagramView::zoomIn);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), &DiagramView::zoomIn);
    shortcut(QKeySequence::ZoomOut, &DiagramView::zoomOut);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_0), &DiagramView::zoomFit);
    refreshToolIcons();
}

void DiagramPane::refreshToolIcons() {
    for (auto& [a, cls] : m_classActions) a->setIcon(symbolIcon(m_view->palette().entity(cls.toStdString())));
}

void DiagramPane::paintPage(QPrinter& printer) {
    QPainter painter(&printer);
    m_view->renderPage(painter, QRectF(QPointF(0, 0), QSizeF(printer.width(), printer.height())));
}

bool DiagramPane::exportPdf(const QString& path) {
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setPageOrientation(QPageLayout::Landscape);
    writer.setResolution(150);
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    m_view->renderPage(painter, QRectF(QPointF(0, 0), QSizeF(writer.width(), writer.height())));
    return painter.end();
}

bool DiagramPane::exportPng(const QString& path) {
    const QSize vp = m_view->viewport()->size();
    QImage image(vp.width() * 2, vp.height() * 2 + 120, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    m_view->renderPage(painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
    painter.end();
    return image.save(path, "PNG");
}

void DiagramPane::chooseExport(bool pdf) {
    const QString path = QFileDialog::getSaveFileName(
        this, pdf ? "Export Diagram to PDF" : "Export Diagram to PNG",
        QString::fromStdString(m_view->context().system) + (pdf ? ".pdf" : ".png"),
        pdf ? "PDF files (*.pdf)" : "PNG pictures (*.png)");
    if (path.isEmpty()) return;
    const bool ok = pdf ? exportPdf(path) : exportPng(path);
    if (!ok && m_view->context().ui)
        m_view->context().ui->message("Export", "The diagram could not be written to '" + path.toStdString() + "'.",
                                      ui::Icon::Exclamation);
}

void DiagramPane::print(bool withDialog) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    if (withDialog) {
        QPrintDialog dialog(&printer, this);
        if (dialog.exec() != QDialog::Accepted) return;
    }
    paintPage(printer);
}

}  // namespace kolv::gui::diagram
