// Sheets of a submittal package: paper, border and title block, drawing helpers and paged tables.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "reports/document.h"

namespace kolv::submittal {

/// Paper of a package; every sheet is landscape.
enum class Paper { Letter, A4, Tabloid, A3 };

/// Paper by name ("letter", "a4", "tabloid", "a3", any case); false for another name.
bool parsePaper(const std::string& name, Paper& out);
std::string paperName(Paper paper);

/// The drawing area of a sheet inside its border, above the title block (pt from the top-left).
struct SheetFrame {
    double widthPt = 792, heightPt = 612;  ///< landscape paper
    double left = 0, top = 0, right = 0, bottom = 0;  ///< body rectangle
    double borderBottom = 0;                          ///< bottom edge of the border
    double bodyWidth() const { return right - left; }
    double bodyHeight() const { return bottom - top; }
};

SheetFrame sheetFrame(Paper paper);

/// What the title block of every sheet says.
struct TitleBlock {
    std::string project;     ///< number and description
    std::string system;
    std::string sheetTitle;
    std::string date;
    std::string designedBy, checkedBy;
    std::string program;     ///< "KOLV Lt 3.x"
    int page = 1, pages = 1;
};

/// Draws the border and the title block of a sheet.
void drawFrame(reports::Page& page, const SheetFrame& frame, const TitleBlock& block);

/// "Page n of N", as the title block prints it.
std::string pageText(int page, int pages);

// Drawing helpers (pt from the paper's top-left corner).
void addText(reports::Page& page, double x, double baseline, double width, reports::Align align,
             const reports::Font& font, std::string text, std::uint32_t color = 0);
void addLine(reports::Page& page, double x1, double y1, double x2, double y2, double widthPt,
             std::uint32_t color = 0, reports::Shape::Dash dash = reports::Shape::Dash::Solid);
void addRect(reports::Page& page, double x, double y, double w, double h, double widthPt, std::uint32_t color = 0,
             bool filled = false, std::uint32_t fill = 0xFFFFFF);

/// Receives the body pages of a section as they are laid out, each with its sheet title.
using BodySink = std::function<void(reports::Page&& page)>;

/// A column of a schedule: heading lines separated by '|', width in digit widths of the body font.
struct TableColumn {
    std::string heading;
    double widthChars = 8;
    reports::Align align = reports::Align::Right;
};

/// Lays a schedule out over as many pages as it needs: its title and the column headings repeat
/// on every page; the font shrinks (not below 5 pt) when the columns are wider than the sheet.
/// `notes` are printed after the last row; `rowBands` rules off every five rows.
void layoutTable(const SheetFrame& frame, const std::string& title, const std::vector<TableColumn>& columns,
                 const std::vector<std::vector<std::string>>& rows, const std::vector<std::string>& notes,
                 const BodySink& emit, bool rowBands = true);
/// The same, each row made when its line is laid out (a long schedule is never held whole).
void layoutTable(const SheetFrame& frame, const std::string& title, const std::vector<TableColumn>& columns,
                 std::size_t rowCount, const std::function<std::vector<std::string>(std::size_t)>& rowAt,
                 const std::vector<std::string>& notes, const BodySink& emit, bool rowBands = true);

/// Lines of text (headings marked by a leading '#', key/value pairs by a tab) over pages.
void layoutLines(const SheetFrame& frame, const std::string& title, const std::vector<std::string>& lines,
                 const BodySink& emit, bool mono = false);

}  // namespace kolv::submittal
