// libFuzzer target for the import file reader and the row-listing parser.
//
// The first byte picks the separator (tab, blank, semicolon, comma or another character) and
// the row count for the listing; the rest is the file. Beside "no crash, no sanitizer report",
// it checks what the import relies on:
//   - every field is valid UTF-8, a line never has more than 32 fields, no line is empty;
//   - a table written back as RFC 4180 quoted CSV reads back as the same table;
//   - a row listing either selects rows inside the file or says why not, never both.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "exchange/row_listing.h"
#include "exchange/text_reader.h"

using namespace kolv::exchange;

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        __builtin_printf("invariant broken: %s\n", what);
        std::abort();
    }
}

std::string quoted(const std::string& f) {
    std::string q = "\"";
    for (char c : f) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + "\"";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t mode = data[0];
    std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const Separator kinds[] = {Separator::Tab, Separator::Blank, Separator::Semicolon, Separator::Comma,
                               Separator::Other};
    const Separator kind = kinds[mode % 5];
    const std::string other(1, static_cast<char>('!' + (mode / 5) % 90));
    const char sep = separatorChar(kind, other);

    check(isValidUtf8(decodeFileText(bytes)), "decoded text is UTF-8");

    TextTable t = parseText(bytes, sep);
    for (const auto& line : t.lines) {
        check(!line.empty() && line.size() <= static_cast<std::size_t>(kMaxImportColumns), "1..32 fields a line");
        check(static_cast<int>(line.size()) <= t.fileColumns, "fileColumns is the widest line");
        bool blank = true;
        for (const auto& f : line) {
            check(isValidUtf8(f), "field is UTF-8");
            if (f.find_first_not_of(" \t") != std::string::npos) blank = false;
        }
        check(!blank, "blank lines are skipped");
    }

    // Written back with every field quoted, the table reads back the same (when nothing was cut;
    // the blank separator treats runs of blanks as one, quoted fields keep theirs).
    if (t.fileColumns <= kMaxImportColumns && sep != '"') {
        std::string out;
        for (const auto& line : t.lines) {
            for (std::size_t i = 0; i < line.size(); ++i) {
                if (i) out += sep;
                out += quoted(line[i]);
            }
            out += "\n";
        }
        TextTable back = parseText(out, sep);
        check(back.lines == t.lines, "quoted CSV reads back the same");
    }

    // The row listing: the text as typed, against a file of up to 255 rows.
    const int rowCount = mode;
    RowListing r = parseRowListing(bytes.substr(0, 200), rowCount);
    if (r.ok()) {
        check(!r.rows.empty(), "an accepted listing selects rows");
        for (int row : r.rows) check(row >= 1 && row <= rowCount, "rows inside the file");
    } else {
        check(r.rows.empty(), "a refused listing selects nothing");
    }
    return 0;
}
