// Writes a submittal package to one PDF: sheets painted as they are laid out, then the bookmarks added.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "render/pdf_layer.h"
#include "submittal/submittal.h"

namespace kolv::render {

/// Lays the package out (the composer has been prepared) and writes it to `path`: vector sheets
/// with real text and embedded fonts, and an outline of bookmarks per system and section.
/// `progress` (optional) gets the number of sheets written so far. Throws kolv::Error when the
/// file can not be written.
void writeSubmittalPdf(submittal::SubmittalComposer& composer, const QString& path,
                       const std::function<void(int done, int total)>& progress = {});

/// Shapes drawn under everything else of page `page` (1 for the first).
struct UnderLayer {
    int page = 0;
    std::unique_ptr<PdfLayer> layer;  ///< finished
};

/// Adds bookmarks, and the layers under pages, to a PDF the PDF writer has finished, as an
/// incremental update appended to it (the pages' contents are not read again). Throws
/// kolv::Error when the file can not be read or written.
void appendPdfUpdate(const std::string& path, const std::vector<submittal::OutlineEntry>& outline,
                   const std::vector<UnderLayer>& under = {});

}  // namespace kolv::render
