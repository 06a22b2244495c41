// Report templates (.RPT): a small line-based text format read into a layout description.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/error.h"
#include "reports/document.h"
#include "reports/expression.h"

namespace kolv::reports {

/// A template that cannot be read: the message starts with "file:line: ".
class TemplateError : public InputError {
public:
    explicit TemplateError(const std::string& what) : InputError(what, kErrFileNotFound) {}
};

/// One table column: what it shows, in how many characters, under which heading.
struct ColumnDef {
    std::vector<std::string> heading;  ///< heading lines, top first
    double widthChars = 8;             ///< width in digit widths of the body font
    Align align = Align::Right;
    Expression value;                  ///< first line of the record
    Expression value2;                 ///< second line (empty: none)
    std::string picture, picture2;     ///< vbFormat pictures ("" = shortest text)
    bool total = false;                ///< summed in the group and report totals
    bool blankZero = false;            ///< a value of 0 shows blank
    int line = 0;                      ///< line of the template that defined it
};

/// A heading line across the page: parts left, centered and right.
struct HeadingLine {
    Interpolated left, center, right;
};

/// Another table read beside each record: the first row whose `field` equals `key`.
struct JoinDef {
    std::string table;
    std::string field;
    Expression key;
};

struct SortKey {
    FieldRef field;
    bool descending = false;
    bool numeric = false;  ///< "#": a text field ordered by its number ("2" before "10")
};

/// Records grouped by a value: a group heading (and group totals) when the value changes.
struct GroupDef {
    Expression key;
    Interpolated heading;
    bool newPage = false;
    bool totals = true;
};

struct ReportTemplate {
    std::string path;        ///< file it was read from
    std::string name;        ///< file name ("NODES.RPT")
    std::string description; ///< `describe` line
    double paperWidthPt = 612, paperHeightPt = 792;  ///< after the orientation
    double marginLeft = 36, marginTop = 36, marginRight = 36, marginBottom = 30;
    Font body{FontFamily::Sans, 8, false};
    Interpolated title;
    std::vector<HeadingLine> headings;
    std::string source;  ///< record table
    std::vector<JoinDef> joins;
    std::string selection;  ///< used when the caller gives none
    std::vector<SortKey> sort;
    std::optional<GroupDef> group;
    std::vector<ColumnDef> columns;
    std::string totalsLabel = "TOTALS";
    std::vector<Interpolated> footers;  ///< lines after the last record

    bool twoLineRecords() const;
    /// Tables whose fields the template may read: the source, its joins and T0.
    std::vector<std::string> tables() const;
};

/// Reads a template from text; `path` names it in error messages ("file:line: message").
ReportTemplate parseTemplate(const std::string& text, const std::string& path);

/// Reads a template file; a missing file gives TemplateError naming the path.
ReportTemplate loadTemplate(const std::string& path);

}  // namespace kolv::reports
