// The Profile tab's drawing: ground, structures, pipes, grade and energy lines, critical depth, labels, axes and legend.
#include "gui/compute/profile_view.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "common/vb_format.h"
#include "gui/common/qt_text.h"

namespace kolv::gui::compute {

namespace {

const QColor kGroundColor(139, 90, 43);    // earth brown
const QColor kPipeFill(205, 210, 215);     // concrete grey
const QColor kPipeLine(40, 40, 40);
const QColor kDitchColor(85, 107, 47);     // olive
const QColor kHglColor(0, 90, 200);        // water blue
/// Colour of the i-th check storm's grade line, apart from the design's blue and the EGL's red.
QColor scenarioColour(std::size_t i) {
    static const QColor colours[] = {QColor(230, 130, 0), QColor(150, 40, 170), QColor(0, 150, 130),
                                     QColor(120, 120, 0)};
    return colours[i % 4];
}
const QColor kEglColor(200, 30, 30);       // energy red
const QColor kCriticalColor(0, 140, 60);   // green
const QColor kGridColor(225, 225, 225);
const QColor kStructureFill(250, 250, 250);

/// Maps display units (station, elevation) to device units.
struct Mapper {
    double x0 = 0, y0 = 0;  // world origin
    double sx = 1, sy = 1;  // device units per display unit
    QRectF data;            // device rectangle of the data
    QPointF operator()(double x, double y) const {
        return {data.left() + (x - x0) * sx, data.bottom() - (y - y0) * sy};
    }
};

QPen pen(const QColor& c, double width, Qt::PenStyle style = Qt::SolidLine) {
    QPen p(c, width, style);
    p.setCapStyle(Qt::FlatCap);
    p.setJoinStyle(Qt::RoundJoin);
    return p;
}

}  // namespace

ProfileView::ProfileView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(640, 360);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

void ProfileView::setProfile(hydraulics::ProfileGeometry geometry, std::string heading) {
    m_geometry = std::move(geometry);
    m_heading = std::move(heading);
    update();
}

void ProfileView::clearProfile() {
    m_geometry = hydraulics::ProfileGeometry{};
    m_heading.clear();
    update();
}

void ProfileView::setExaggeration(double exaggeration) {
    m_exaggeration = exaggeration;
    update();
}

void ProfileView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_geometry.empty()) {
        painter.setPen(Qt::gray);
        painter.drawText(rect(), Qt::AlignCenter,
                         "No profile drawn. Run the computation, choose the upstream node and press Refresh.");
        return;
    }
    m_used = paintProfile(painter, QRectF(rect()), m_geometry, m_heading, m_exaggeration);
}

double ProfileView::paintProfile(QPainter& painter, const QRectF& area, const hydraulics::ProfileGeometry& g,
                                 const std::string& heading, double exaggeration) {
    painter.save();
    painter.fillRect(area, Qt::white);
    // font sizes follow the device: 1 "pt" here is 1/96 in of the area's logical size
    const double unitPx = std::max(0.6, std::min(area.width() / 1100.0, area.height() / 620.0));
    QFont labelFont("Liberation Sans");
    labelFont.setStyleHint(QFont::SansSerif);
    labelFont.setPixelSize(std::max(8, static_cast<int>(std::lround(11 * unitPx))));
    QFont titleFont = labelFont;
    titleFont.setPixelSize(std::max(10, static_cast<int>(std::lround(15 * unitPx))));
    titleFont.setBold(true);
    QFont axisFont = labelFont;
    QFontMetricsF fm(labelFont);
    const double lineH = fm.height();

    // bands: title, legend, axes
    const double titleH = 2.4 * lineH;
    const double legendH = 2.0 * lineH;
    const double leftAxisW = fm.horizontalAdvance("00000.00") + 2.2 * lineH;
    const double bottomAxisH = 2.6 * lineH;
    QRectF plot(area.left() + leftAxisW, area.top() + titleH, area.width() - leftAxisW - 1.5 * lineH,
                area.height() - titleH - legendH - bottomAxisH);
    // room inside the plot for the label blocks above the structures and under the pipes
    QRectF data = plot.adjusted(2.0 * lineH, 3.6 * lineH, -2.0 * lineH, -5.2 * lineH);

    double xr = std::max(g.xMax - g.xMin, 1.0);
    double yr = std::max(g.yMax - g.yMin, 0.5);
    double fit = (data.height() / yr) / (data.width() / xr);
    double ex = exaggeration > 0 ? exaggeration : hydraulics::roundExaggeration(fit);
    // s = device units per horizontal unit, limited by the width and by the height at this exaggeration
    double s = std::min(data.width() / xr, data.height() / (yr * ex));
    Mapper m;
    m.sx = s;
    m.sy = s * ex;
    m.data = data;
    m.x0 = g.xMin - (data.width() / s - xr) / 2;            // centre horizontally
    m.y0 = g.yMin - (data.height() / m.sy - yr) / 2;        // centre vertically

    // title
    painter.setFont(titleFont);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(area.left() + lineH, area.top(), area.width() - 2 * lineH, titleH), Qt::AlignVCenter | Qt::AlignLeft,
                     q(heading.empty() ? "HYDRAULIC PROFILE: " + g.title : heading));
    painter.setFont(labelFont);
    std::string scaleText = "Vertical exaggeration " + shortestText(roundHalfAway(ex, 2)) + " : 1    Units: " +
                            (g.metric ? "meters, cms, m/s" : "feet, cfs, ft/s");
    painter.drawText(QRectF(area.left() + lineH, area.top(), area.width() - 2 * lineH, titleH),
                     Qt::AlignVCenter | Qt::AlignRight, q(scaleText));

    // grid and axes
    double xLo = m.x0, xHi = m.x0 + plot.width() / s;
    double yLo = m.y0 - (plot.bottom() - data.bottom()) / m.sy, yHi = m.y0 + (data.bottom() - plot.top()) / m.sy;
    xLo = m.x0 - (data.left() - plot.left()) / s;
    double yStep = hydraulics::niceStep(2.6 * lineH / m.sy);
    double xStep = hydraulics::niceStep(fm.horizontalAdvance("00+00  ") * 1.6 / s);
    painter.setClipRect(plot);
    painter.setPen(pen(kGridColor, 1));
    for (double y = std::ceil(yLo / yStep) * yStep; y <= yHi; y += yStep) {
        QPointF a = m(xLo, y), b = m(xHi, y);
        painter.drawLine(QPointF(plot.left(), a.y()), QPointF(plot.right(), b.y()));
    }
    for (double x = std::ceil(xLo / xStep) * xStep; x <= xHi; x += xStep) {
        QPointF a = m(x, yLo);
        painter.drawLine(QPointF(a.x(), plot.top()), QPointF(a.x(), plot.bottom()));
    }
    painter.setClipping(false);
    painter.setPen(pen(Qt::black, 1));
    painter.drawRect(plot);
    painter.setFont(axisFont);
    const std::string elevPicture = g.metric ? "0.0" : "0";
    for (double y = std::ceil(yLo / yStep) * yStep; y <= yHi; y += yStep) {
        double py = m(0, y).y();
        painter.drawLine(QPointF(plot.left() - 4, py), QPointF(plot.left(), py));
        painter.drawText(QRectF(area.left(), py - lineH / 2, leftAxisW - 6, lineH), Qt::AlignRight | Qt::AlignVCenter,
                         q(vbFormat(y, yStep < 1 ? "0.0" : elevPicture)));
    }
    for (double x = std::ceil(xLo / xStep) * xStep; x <= xHi; x += xStep) {
        double px = m(x, 0).x();
        painter.drawLine(QPointF(px, plot.bottom()), QPointF(px, plot.bottom() + 4));
        painter.drawText(QRectF(px - 40 * unitPx, plot.bottom() + 4, 80 * unitPx, lineH), Qt::AlignHCenter | Qt::AlignTop,
                         q(hydraulics::stationText(x, g.metric)));
    }
    painter.drawText(QRectF(plot.left(), plot.bottom() + lineH + 4, plot.width(), lineH), Qt::AlignHCenter,
                     q("Station (" + g.lengthUnit + ")"));
    painter.save();
    painter.translate(area.left() + 0.7 * lineH, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-plot.height() / 2, -lineH / 2, plot.height(), lineH), Qt::AlignCenter,
                     q("Elevation (" + g.lengthUnit + ")"));
    painter.restore();

    painter.setClipRect(plot);
    // ground line over the inlets
    if (g.ground.size() > 1) {
        QPolygonF ground;
        for (const auto& p : g.ground) ground << m(p.x, p.y);
        painter.setPen(pen(kGroundColor, 2.2 * unitPx));
        painter.drawPolyline(ground);
        // short hatching under the ground line
        painter.setPen(pen(kGroundColor, 0.8 * unitPx));
        for (int i = 0; i + 1 < ground.size(); ++i) {
            QLineF seg(ground[i], ground[i + 1]);
            double len = seg.length();
            for (double t = 6 * unitPx; t < len; t += 9 * unitPx) {
                QPointF p = seg.pointAt(t / len);
                painter.drawLine(p, p + QPointF(-4 * unitPx, 5 * unitPx));
            }
        }
    }
    // pipes: the barrel between flow line and crown
    for (const auto& p : g.pipes) {
        if (p.ditch) {
            painter.setPen(pen(kDitchColor, 2.2 * unitPx));
            painter.drawLine(m(p.x0, p.invert0), m(p.x1, p.invert1));
            continue;
        }
        QPolygonF barrel;
        barrel << m(p.x0, p.invert0) << m(p.x1, p.invert1) << m(p.x1, p.crown1) << m(p.x0, p.crown0);
        painter.setPen(Qt::NoPen);
        painter.setBrush(kPipeFill);
        painter.drawPolygon(barrel);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(pen(kPipeLine, 1.4 * unitPx));
        painter.drawLine(m(p.x0, p.invert0), m(p.x1, p.invert1));
        painter.drawLine(m(p.x0, p.crown0), m(p.x1, p.crown1));
    }
    // structures: a box from the lowest invert up to the inlet; the outfall an endwall
    const double boxW = 8 * unitPx;
    for (const auto& st : g.structures) {
        QPointF top = m(st.x, st.top), bottom = m(st.x, st.bottom);
        if (st.outfall) {
            painter.setPen(pen(Qt::black, 3 * unitPx));
            painter.drawLine(QPointF(top.x(), top.y() - 4 * unitPx), QPointF(bottom.x(), bottom.y() + 4 * unitPx));
            continue;
        }
        painter.setPen(pen(Qt::black, 1.2 * unitPx));
        painter.setBrush(kStructureFill);
        painter.drawRect(QRectF(top.x() - boxW / 2, top.y(), boxW, std::max(2.0, bottom.y() - top.y())));
        painter.setBrush(Qt::NoBrush);
    }
    // critical depth, energy and grade lines
    painter.setPen(pen(kCriticalColor, 1.3 * unitPx, Qt::DotLine));
    for (const auto& seg : g.critical) painter.drawLine(m(seg[0].x, seg[0].y), m(seg[1].x, seg[1].y));
    painter.setPen(pen(kEglColor, 1.3 * unitPx, Qt::DashLine));
    for (const auto& seg : g.egl) painter.drawLine(m(seg[0].x, seg[0].y), m(seg[1].x, seg[1].y));
    {
        QPolygonF hgl;
        for (const auto& p : g.hgl) hgl << m(p.x, p.y);
        painter.setPen(pen(kHglColor, 2.0 * unitPx));
        painter.drawPolyline(hgl);
    }
    // grade lines of the check storms, each in a colour of its own
    for (std::size_t i = 0; i < g.scenarioHgl.size(); ++i) {
        QPolygonF line;
        for (const auto& p : g.scenarioHgl[i].points) line << m(p.x, p.y);
        painter.setPen(pen(scenarioColour(i), 1.8 * unitPx, Qt::DashDotLine));
        painter.drawPolyline(line);
    }
    // tailwater mark at the outfall
    if (!g.structures.empty() && g.structures.back().outfall) {
        QPointF tw = m(g.structures.back().x, g.tailwater);
        painter.setPen(pen(kHglColor, 1.4 * unitPx));
        painter.drawLine(QPointF(tw.x() - 18 * unitPx, tw.y()), QPointF(tw.x() + 10 * unitPx, tw.y()));
        QPolygonF tri;
        tri << QPointF(tw.x() - 8 * unitPx, tw.y() - 8 * unitPx) << QPointF(tw.x(), tw.y() - 8 * unitPx)
            << QPointF(tw.x() - 4 * unitPx, tw.y() - 1);
        painter.setBrush(kHglColor);
        painter.drawPolygon(tri);
        painter.setBrush(Qt::NoBrush);
    }

    // labels, kept apart from each other
    painter.setFont(labelFont);
    std::vector<QRectF> taken;
    // a block near the edge slides inside the plot rather than being left out
    auto inside = [&](QRectF r) {
        if (r.left() < plot.left() + 2) r.moveLeft(plot.left() + 2);
        if (r.right() > plot.right() - 2) r.moveRight(plot.right() - 2);
        return r;
    };
    // the drawing itself: label blocks under the pipes keep off the barrels and the structures
    QPainterPath drawn;
    for (const auto& p : g.pipes) {
        QPolygonF barrel;
        barrel << m(p.x0, p.invert0) << m(p.x1, p.invert1) << m(p.x1, p.ditch ? p.invert1 : p.crown1)
               << m(p.x0, p.ditch ? p.invert0 : p.crown0);
        drawn.addPolygon(barrel);
        drawn.closeSubpath();
    }
    for (const auto& st : g.structures) {
        QPointF top = m(st.x, st.top), bottom = m(st.x, st.bottom);
        drawn.addRect(QRectF(top.x() - boxW / 2, top.y(), boxW, std::max(2.0, bottom.y() - top.y())));
    }
    auto clear = [&](const QRectF& r) { return !drawn.intersects(r.adjusted(1, 1, -1, -1)); };
    auto fits = [&](const QRectF& r) {
        if (!plot.contains(r)) return false;
        for (const auto& t : taken)
            if (t.intersects(r)) return false;
        return true;
    };
    auto blockSize = [&](const std::vector<std::string>& lines) {
        double w = 0;
        for (const auto& l : lines) w = std::max(w, fm.horizontalAdvance(q(l)));
        return QSizeF(w + 4, lines.size() * lineH);
    };
    auto drawBlock = [&](const QRectF& r, const std::vector<std::string>& lines, int align) {
        painter.fillRect(r, QColor(255, 255, 255, 215));
        for (std::size_t i = 0; i < lines.size(); ++i)
            painter.drawText(QRectF(r.left() + 2, r.top() + i * lineH, r.width() - 4, lineH), align | Qt::AlignVCenter,
                             q(lines[i]));
        taken.push_back(r);
    };
    // structure labels first (they matter most), then the flow lines under them, then the pipe blocks
    for (const auto& l : g.labels) {
        if (l.place != hydraulics::ProfileLabel::Place::AboveStructure) continue;
        QSizeF sz = blockSize(l.lines);
        QPointF a = m(l.x, l.y);
        painter.setPen(Qt::black);
        bool placed = false;
        for (int attempt = 0; attempt < 6 && !placed; ++attempt) {
            QRectF r = inside(QRectF(a.x() - sz.width() / 2,
                                     a.y() - 5 * unitPx - sz.height() - attempt * (sz.height() * 0.55), sz.width(),
                                     sz.height()));
            if (fits(r)) {
                if (attempt > 0) {
                    painter.setPen(pen(Qt::gray, 0.8));
                    painter.drawLine(QPointF(a.x(), r.bottom()), QPointF(a.x(), a.y() - 2));
                    painter.setPen(Qt::black);
                }
                drawBlock(r, l.lines, Qt::AlignHCenter);
                placed = true;
            }
        }
        if (!placed) {
            // at least the name
            QSizeF nz = blockSize({l.lines.front()});
            QRectF r = inside(QRectF(a.x() - nz.width() / 2, a.y() - 5 * unitPx - nz.height(), nz.width(), nz.height()));
            if (fits(r)) drawBlock(r, {l.lines.front()}, Qt::AlignHCenter);
        }
    }
    for (const auto& l : g.labels) {
        if (l.place != hydraulics::ProfileLabel::Place::BelowStructure) continue;
        QSizeF sz = blockSize(l.lines);
        QPointF a = m(l.x, l.y);
        painter.setPen(kPipeLine);
        for (int attempt = 0; attempt < 8; ++attempt) {
            QRectF r = inside(QRectF(a.x() - sz.width() / 2, a.y() + 3 + attempt * lineH * 0.5, sz.width(), sz.height()));
            if (fits(r) && clear(r)) {
                drawBlock(r, l.lines, Qt::AlignHCenter);
                break;
            }
        }
    }
    for (const auto& l : g.labels) {
        if (l.place != hydraulics::ProfileLabel::Place::BelowPipe) continue;
        QSizeF sz = blockSize(l.lines);
        QPointF a = m(l.x, l.y);
        painter.setPen(QColor(30, 30, 30));
        for (int attempt = 0; attempt < 30; ++attempt) {
            QRectF r = inside(
                QRectF(a.x() - sz.width() / 2, a.y() + 6 * unitPx + attempt * lineH * 0.5, sz.width(), sz.height()));
            if (fits(r) && clear(r)) {
                if (attempt > 1) {
                    // a leader from the block to the middle of its pipe
                    painter.setPen(pen(QColor(150, 150, 150), 0.8 * unitPx));
                    painter.drawLine(QPointF(r.center().x(), r.top()), QPointF(a.x(), a.y() + 2));
                    painter.setPen(QColor(30, 30, 30));
                }
                drawBlock(r, l.lines, Qt::AlignHCenter);
                break;
            }
        }
    }
    // design review: a triangle just right of and below the top of each structure with findings, clear of its labels, in the colour of the worst
    for (const auto& mark : g.reviewMarks) {
        const QPointF top = m(mark.x, mark.y) + QPointF(11 * unitPx, 0);
        const QColor colour = mark.severity >= 2 ? QColor(200, 30, 30)
                              : mark.severity == 1 ? QColor(230, 140, 0)
                                                   : QColor(40, 100, 200);
        QPolygonF tri;
        tri << QPointF(top.x(), top.y() + 12 * unitPx) << QPointF(top.x() - 6 * unitPx, top.y() + 2 * unitPx)
            << QPointF(top.x() + 6 * unitPx, top.y() + 2 * unitPx);
        painter.setPen(pen(colour.darker(130), 1.0 * unitPx));
        painter.setBrush(colour);
        painter.drawPolygon(tri);
        painter.setBrush(Qt::NoBrush);
    }
    painter.setClipping(false);

    // legend
    struct Entry {
        QString text;
        QPen pen;
        bool box = false;
    };
    bool anyDitch = false, anyPipe = false;
    for (const auto& p : g.pipes) (p.ditch ? anyDitch : anyPipe) = true;
    std::vector<Entry> legend;
    legend.push_back({"Ground / inlet", pen(kGroundColor, 2.2 * unitPx)});
    if (anyPipe) legend.push_back({"Pipe (flow line and crown)", pen(kPipeLine, 1.4 * unitPx), true});
    if (anyDitch) legend.push_back({"Ditch flow line", pen(kDitchColor, 2.2 * unitPx)});
    legend.push_back({"HGL", pen(kHglColor, 2.0 * unitPx)});
    for (std::size_t i = 0; i < g.scenarioHgl.size(); ++i)
        legend.push_back({QString::fromStdString("HGL " + g.scenarioHgl[i].name),
                          pen(scenarioColour(i), 1.8 * unitPx, Qt::DashDotLine)});
    legend.push_back({"EGL", pen(kEglColor, 1.3 * unitPx, Qt::DashLine)});
    if (!g.critical.empty()) legend.push_back({"Critical depth", pen(kCriticalColor, 1.3 * unitPx, Qt::DotLine)});
    legend.push_back({"Structure", pen(Qt::black, 1.2 * unitPx)});
    double lx = plot.left(), ly = area.bottom() - legendH / 2;
    for (const auto& e : legend) {
        if (e.text == "Structure") {
            painter.setPen(e.pen);
            painter.setBrush(kStructureFill);
            painter.drawRect(QRectF(lx + 10 * unitPx, ly - 7 * unitPx, 8 * unitPx, 14 * unitPx));
            painter.setBrush(Qt::NoBrush);
        } else if (e.box) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(kPipeFill);
            painter.drawRect(QRectF(lx, ly - 4 * unitPx, 28 * unitPx, 8 * unitPx));
            painter.setBrush(Qt::NoBrush);
            painter.setPen(e.pen);
            painter.drawLine(QPointF(lx, ly - 4 * unitPx), QPointF(lx + 28 * unitPx, ly - 4 * unitPx));
            painter.drawLine(QPointF(lx, ly + 4 * unitPx), QPointF(lx + 28 * unitPx, ly + 4 * unitPx));
        } else {
            painter.setPen(e.pen);
            painter.drawLine(QPointF(lx, ly), QPointF(lx + 28 * unitPx, ly));
        }
        painter.setPen(Qt::black);
        double w = fm.horizontalAdvance(e.text);
        painter.drawText(QRectF(lx + 32 * unitPx, ly - lineH / 2, w + 4, lineH), Qt::AlignVCenter | Qt::AlignLeft, e.text);
        lx += 32 * unitPx + w + 22 * unitPx;
    }
    painter.restore();
    return ex;
}

bool ProfileView::exportPng(const QString& path, QSize size) const {
    if (m_geometry.empty()) return false;
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintProfile(painter, QRectF(QPointF(0, 0), QSizeF(size)), m_geometry, m_heading, m_exaggeration);
    painter.end();
    return image.save(path, "PNG");
}

bool ProfileView::exportPdf(const QString& path) const {
    if (m_geometry.empty()) return false;
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setPageOrientation(QPageLayout::Landscape);
    writer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    writer.setResolution(300);
    writer.setTitle(QString::fromStdString(m_heading));
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    painter.setRenderHint(QPainter::Antialiasing);
    // paint at screen size and scale to the page so fonts keep their proportions
    QRect page = painter.viewport();
    QSizeF logical(1400, 1400.0 * page.height() / page.width());
    painter.scale(page.width() / logical.width(), page.height() / logical.height());
    paintProfile(painter, QRectF(QPointF(0, 0), logical), m_geometry, m_heading, m_exaggeration);
    painter.end();
    return true;
}

}  // namespace kolv::gui::compute
