// The import's help text for the engineer: how a file is split into rows and columns.
#include "exchange/import_help.h"

namespace kolv::exchange {

const std::string& importHelpText() {
    static const std::string text =
        "How the import reads a file\n"
        "\n"
        "Columns. Each line is split at the separator you choose: tab, blank, semicolon, comma, or another "
        "character (the first character typed in the field beside \"Other\"). Only the first 32 columns are read.\n"
        "\n"
        "Adjacent separators. With tab, semicolon, comma or another character, two separators side by side "
        "make an empty column, as a spreadsheet writes an empty cell; an empty cell leaves the field of the "
        "node or reach as it is. With the blank as separator, a run of blanks counts as one separator and "
        "blanks at the start and end of a line are ignored, so a file lined up in columns reads as it looks.\n"
        "\n"
        "Quoted values. A value that starts with a double quote runs to the closing quote and may hold the "
        "separator, a line break, or a doubled quote (\"\") for one quote mark, as spreadsheets write CSV files. "
        "Quote marks, single and double, are then removed from the values that are stored; so is the "
        "apostrophe the structure export writes ahead of a value beginning with =, @, a tab or a carriage "
        "return, and that first character is kept.\n"
        "\n"
        "The heading row. With \"First row holds the column headings\" checked (the usual case) the first "
        "non-empty line names the columns; a setup assigns destinations by these names (compared without "
        "regard to case and blanks at the ends). When a heading appears more than once, the first column with "
        "it takes the first assignment saved for it, the second the second, and so on. Unchecked, every line "
        "is data and the columns are named Column 1, Column 2, ...\n"
        "\n"
        "Rows. Empty lines, and lines whose columns are all empty, are skipped. Data rows are numbered from 1 "
        "below the heading, as the Row column shows. The row listing takes row numbers and ranges separated "
        "by commas (at most 10 commas): 1-200, 3,7,9-12; a range may run backwards (20-11) or be open at the "
        "end (150- runs to the last row).\n"
        "\n"
        "Text. A byte-order mark is ignored; a file that is not UTF-8 is read as Latin-1 (ISO 8859-1), "
        "so accented letters are kept. Lines may end in CR LF or LF.\n"
        "\n"
        "Reaches without a name column. If the setup assigns reach columns but no \"Reach: Name\", a row whose "
        "\"Reach: To Node\" has a value describes the pipe leaving its node: the reach is named after the node "
        "and runs from it.\n"
        "\n"
        "Refused values. If the project refuses a value (a node name longer than 8 characters, text in a "
        "number column, a number out of its range), that row is skipped whole and the log names the row, the "
        "column and the reason; the other rows are imported. A row with more values than the heading has "
        "columns is named in the log too: an unquoted decimal comma moves its later values one column on. "
        "The log ends with the rows read, written and skipped.\n"
        "\n"
        "One change. One import is one change of the project (Edit > Undo takes it back). If the project "
        "cannot be written (a full disk, a damaged file), or you press Cancel, nothing is imported and the "
        "message names the row and column where it stopped.\n";
    return text;
}

}  // namespace kolv::exchange
