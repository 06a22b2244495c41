// Paints laid-out report documents with QPainter: PDF files, printers and page images.
#pragma once

#include <QImage>
#include <QString>

#include "reports/document.h"
#include "reports/report_engine.h"

class QPainter;
class QPrinter;

namespace kolv::render {

/// Makes sure a QGuiApplication exists (the font database needs one); a program without a
/// window gets one on the "offscreen" platform unless QT_QPA_PLATFORM says otherwise.
void ensureGuiApplication();

/// Dash and gap of a dashed and of a dotted line, in multiples of the line's width: the painter's
/// pens and the layers under a page draw them alike.
inline constexpr double kDashed[2] = {6, 3};
inline constexpr double kDotted[2] = {1.5, 2};

/// Has the large buffers the PDF writer deflates each page through mapped afresh each time, so
/// a long document keeps only what its current page uses. Call before writing a PDF.
void mapPdfBuffers();

/// Paints one page. `scale` = device units per point; the painter's origin is the paper's
/// top-left corner. A text drawn wider than its box (a face wider than the layout's metrics)
/// is squeezed horizontally to the box.
void paintPage(QPainter& painter, const reports::Page& page, double scale);

/// Writes every page to a PDF file. Throws kolv::Error when the file can not be written.
void writePdf(const reports::Document& doc, const QString& path);
/// Writes the pages to a PDF file as `produce` hands them over, painting each as it comes;
/// `paper` gives the title and the paper size.
void writePdfPages(const reports::Document& paper, const QString& path,
                   const reports::DocumentPrinter::PageProducer& produce);

/// Prints every page on a printer set up by the caller (paper and orientation are set here).
void printDocument(const reports::Document& doc, QPrinter& printer);

/// One page as an image (white paper) at the given resolution, for previews.
QImage renderPage(const reports::Document& doc, int pageIndex, double dpi);

/// The font a run is painted with: Liberation Sans / Arial / Helvetica (metric-compatible with
/// the layout) for sans, with the nearest installed face when none of them is present.
QFont qtFont(const reports::Font& font);

/// The engine's printer for the desktop program and kolv-cli.
class QtDocumentPrinter : public reports::DocumentPrinter {
public:
    void writePdf(const reports::Document& doc, const std::string& path) override;
    void writePdfPages(const reports::Document& paper, const std::string& path, const PageProducer& produce) override;
    void print(const reports::Document& doc, const std::string& printerName) override;
    /// Without a window: writes the pages as PNG images beside a temporary name and reports it.
    void preview(const reports::Document& doc) override;
};

}  // namespace kolv::render
