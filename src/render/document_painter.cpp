// QPainter output of laid-out report documents.
#include "render/document_painter.h"

#include <QDir>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPolygonF>
#include <QPrinter>
#include <QStringList>
#include <cstdlib>
#include <string>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

#include "common/error.h"
#include "common/units.h"

namespace kolv::render {

void ensureGuiApplication() {
    if (QCoreApplication::instance()) return;
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        // A private runtime folder, as a desktop session would give (else Qt warns on stderr).
        std::string dir = QDir::tempPath().toStdString() + "/kolv-runtime-" + std::to_string(::getuid());
        ::mkdir(dir.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 0);
    }
    static int argc = 1;
    static char name[] = "kolv";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);  // lives as long as the program
    (void)app;
}

QFont qtFont(const reports::Font& font) {
    QFont f;
    if (font.family == reports::FontFamily::Mono) {
        f.setFamilies({"Liberation Mono", "Courier New", "Courier", "Nimbus Mono PS", "DejaVu Sans Mono"});
        f.setStyleHint(QFont::Monospace);
    } else {
        f.setFamilies({"Liberation Sans", "Arial", "Helvetica", "Nimbus Sans", "DejaVu Sans"});
        f.setStyleHint(QFont::SansSerif);
    }
    f.setPointSizeF(font.sizePt);
    f.setBold(font.bold);
    f.setKerning(false);
    return f;
}

namespace {

QColor colorOf(std::uint32_t rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

void paintShape(QPainter& painter, const reports::Shape& s, double scale) {
    if (s.points.size() < 2) return;
    QPolygonF poly;
    poly.reserve(static_cast<qsizetype>(s.points.size()));
    for (const auto& [x, y] : s.points) poly << QPointF(x * scale, y * scale);
    if (s.widthPt > 0) {
        QPen pen(colorOf(s.color), s.widthPt * scale);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
        if (s.dash == reports::Shape::Dash::Dashed) pen.setDashPattern({kDashed[0], kDashed[1]});
        else if (s.dash == reports::Shape::Dash::Dotted) pen.setDashPattern({kDotted[0], kDotted[1]});
        painter.setPen(pen);
    } else {
        painter.setPen(Qt::NoPen);
    }
    if (s.closed) {
        painter.setBrush(s.filled ? QBrush(colorOf(s.fill)) : QBrush(Qt::NoBrush));
        painter.drawPolygon(poly);
        painter.setBrush(Qt::NoBrush);
    } else {
        painter.drawPolyline(poly);
    }
}

}  // namespace

void paintPage(QPainter& painter, const reports::Page& page, double scale) {
    for (const auto& s : page.shapes) paintShape(painter, s, scale);
    painter.setPen(QPen(Qt::black));
    for (const auto& r : page.rules) {
        painter.setPen(QPen(Qt::black, r.thicknessPt * scale));
        painter.drawLine(QPointF(r.x1 * scale, r.y1 * scale), QPointF(r.x2 * scale, r.y2 * scale));
    }
    painter.setPen(QPen(Qt::black));
    for (const auto& t : page.texts) {
        if (t.text.empty()) continue;
        QFont f = qtFont(t.font);
        painter.setFont(f);
        QFontMetricsF fm(f, painter.device());
        QString s = QString::fromUtf8(t.text.data(), static_cast<qsizetype>(t.text.size()));
        double w = fm.horizontalAdvance(s);
        double box = t.width * scale;
        double sx = 1.0;
        if (box > 0 && w > box) sx = box / w;  // squeeze a wider face into its box
        double drawn = w * sx;
        double x = t.x * scale;
        if (t.align == reports::Align::Right) x += box - drawn;
        else if (t.align == reports::Align::Center) x += (box - drawn) / 2;
        painter.save();
        painter.setPen(QPen(colorOf(t.color)));
        painter.translate(x, t.baseline * scale);
        painter.scale(sx, 1.0);
        painter.drawText(QPointF(0, 0), s);
        painter.restore();
    }
}

namespace {

QPageLayout layoutOf(const reports::Document& doc) {
    bool landscape = doc.widthPt > doc.heightPt;
    QSizeF portrait = landscape ? QSizeF(doc.heightPt, doc.widthPt) : QSizeF(doc.widthPt, doc.heightPt);
    QPageSize size(portrait, QPageSize::Point, QString(), QPageSize::ExactMatch);
    return QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Point);
}

}  // namespace

void writePdf(const reports::Document& doc, const QString& path) {
    writePdfPages(doc, path, [&](const std::function<void(reports::Page&&)>& put) {
        for (const reports::Page& p : doc.pages) put(reports::Page(p));
    });
}

void mapPdfBuffers() {
#if defined(__GLIBC__)
    // Qt's PDF engine deflates every page through two buffers of about 10 MB of which it fills a
    // few kilobytes. Once the first of them is freed, glibc raises its threshold for mapping
    // blocks of their own above their size, and the later ones come out of the heap, where the
    // pages they touched stay resident for the rest of the run (7 MB of a 5,800-page report).
    // With the threshold fixed at 1 MB they are mapped each time, only their written pages count,
    // and they are given back when freed.
    static const bool mappedFresh = mallopt(M_MMAP_THRESHOLD, 1 << 20) == 1;
    (void)mappedFresh;
#endif
}

void writePdfPages(const reports::Document& paper, const QString& path,
                   const reports::DocumentPrinter::PageProducer& produce) {
    ensureGuiApplication();
    mapPdfBuffers();
    QPdfWriter writer(path);
    writer.setResolution(720);
    writer.setPageLayout(layoutOf(paper));
    writer.setTitle(QString::fromStdString(paper.title));
    writer.setCreator("KOLV Lt v3");
    QPainter painter;
    if (!painter.begin(&writer))
        throw Error(kErrFileNotFound, "The PDF file " + path.toStdString() + " can not be written.");
    const double scale = writer.resolution() / 72.0;
    std::size_t done = 0;
    produce([&](reports::Page&& page) {
        if (done++) writer.newPage();
        paintPage(painter, page, scale);
    });
    painter.end();
}

void printDocument(const reports::Document& doc, QPrinter& printer) {
    ensureGuiApplication();
    printer.setFullPage(true);
    printer.setPageLayout(layoutOf(doc));
    printer.setDocName(QString::fromStdString(doc.title));
    QPainter painter;
    if (!painter.begin(&printer)) throw Error(kErrFileNotFound, "The printer can not be opened.");
    const double scale = printer.resolution() / 72.0;
    for (std::size_t i = 0; i < doc.pages.size(); ++i) {
        if (i) printer.newPage();
        paintPage(painter, doc.pages[i], scale);
    }
    painter.end();
}

QImage renderPage(const reports::Document& doc, int pageIndex, double dpi) {
    ensureGuiApplication();
    const double scale = dpi / 72.0;
    QImage img(static_cast<int>(doc.widthPt * scale + 0.5), static_cast<int>(doc.heightPt * scale + 0.5),
               QImage::Format_RGB32);
    const int dpm = static_cast<int>(dpi / kolv::units::kMetersPerInch + 0.5);  // dots per metre
    img.setDotsPerMeterX(dpm);
    img.setDotsPerMeterY(dpm);
    img.fill(Qt::white);
    if (pageIndex < 0 || pageIndex >= static_cast<int>(doc.pages.size())) return img;
    QPainter painter(&img);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    paintPage(painter, doc.pages[static_cast<std::size_t>(pageIndex)], scale);
    return img;
}

void QtDocumentPrinter::writePdf(const reports::Document& doc, const std::string& path) {
    render::writePdf(doc, QString::fromStdString(path));
}

void QtDocumentPrinter::writePdfPages(const reports::Document& paper, const std::string& path,
                                      const PageProducer& produce) {
    render::writePdfPages(paper, QString::fromStdString(path), produce);
}

void QtDocumentPrinter::print(const reports::Document& doc, const std::string& printerName) {
    ensureGuiApplication();
    QPrinter printer(QPrinter::HighResolution);
    if (!printerName.empty()) printer.setPrinterName(QString::fromStdString(printerName));
    printDocument(doc, printer);
}

void QtDocumentPrinter::preview(const reports::Document& doc) {
    QString base = QDir::temp().filePath("kolv-preview-page");
    for (std::size_t i = 0; i < doc.pages.size(); ++i) {
        QString file = base + QString::number(i + 1) + ".png";
        if (!renderPage(doc, static_cast<int>(i), 96).save(file))
            throw Error(kErrFileNotFound, "The preview image " + file.toStdString() + " can not be written.");
    }
}

}  // namespace kolv::render
