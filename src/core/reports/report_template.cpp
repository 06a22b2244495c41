// Reader of the .RPT template format (documented in data/reports/FORMAT.md).
#include "reports/report_template.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "common/text.h"
#include "db/schema.h"

namespace kolv::reports {
namespace {

/// One word of a template line: a bare word, a "quoted text", or key=value.
struct Word {
    std::string key;  ///< "" for a bare word
    std::string value;
};

struct PaperSize {
    const char* name;
    double shortPt, longPt;
};

constexpr PaperSize kPapers[] = {{"LETTER", 612, 792}, {"LEGAL", 612, 1008}, {"TABLOID", 792, 1224},
                                 {"LEDGER", 792, 1224}, {"A4", 595.28, 841.89}, {"A3", 841.89, 1190.55}};

class TemplateReader {
public:
    TemplateReader(const std::string& text, const std::string& path) : m_text(text), m_path(path) {}

    ReportTemplate run() {
        m_t.path = m_path;
        auto slash = m_path.find_last_of("/\\");
        m_t.name = slash == std::string::npos ? m_path : m_path.substr(slash + 1);
        std::istringstream in(m_text);
        std::string raw;
        bool portrait = true;
        double shortPt = 612, longPt = 792;
        while (std::getline(in, raw)) {
            ++m_line;
            if (!raw.empty() && raw.back() == '\r') raw.pop_back();
            std::vector<Word> words = split(raw);
            if (words.empty()) continue;
            if (!words[0].key.empty()) fail("a line starts with a keyword, not \"" + words[0].key + "=\"");
            std::string kw = toLower(words[0].value);
            words.erase(words.begin());
            if (kw == "page") {
                for (const Word& w : words) {
                    std::string v = toUpper(w.value);
                    if (!w.key.empty()) fail("page takes a paper size and an orientation");
                    if (v == "PORTRAIT") portrait = true;
                    else if (v == "LANDSCAPE") portrait = false;
                    else {
                        bool found = false;
                        for (const auto& p : kPapers)
                            if (v == p.name) shortPt = p.shortPt, longPt = p.longPt, found = true;
                        if (!found) fail("unknown paper \"" + w.value + "\" (letter, legal, tabloid, a4, a3)");
                    }
                }
            } else if (kw == "margins") {
                std::vector<double> m;
                for (const Word& w : words) m.push_back(number(w.value, "margin"));
                if (m.size() == 1) m = {m[0], m[0], m[0], m[0]};
                if (m.size() != 4) fail("margins takes one value or four (left top right bottom), in points");
                m_marginsLine = m_line;
                m_t.marginLeft = m[0], m_t.marginTop = m[1], m_t.marginRight = m[2], m_t.marginBottom = m[3];
            } else if (kw == "font") {
                if (words.size() != 2) fail("font takes a family (sans or mono) and a size in points");
                std::string fam = toLower(words[0].value);
                if (fam == "sans") m_t.body.family = FontFamily::Sans;
                else if (fam == "mono") m_t.body.family = FontFamily::Mono;
                else fail("unknown font family \"" + words[0].value + "\" (sans or mono)");
                m_t.body.sizePt = number(words[1].value, "font size");
                if (m_t.body.sizePt < 4 || m_t.body.sizePt > 24) fail("the font size must be between 4 and 24 points");
            } else if (kw == "describe") {
                m_t.description = single(words, kw);
            } else if (kw == "title") {
                m_t.title = interp(single(words, kw));
            } else if (kw == "heading") {
                HeadingLine h;
                for (const Word& w : words) {
                    std::string k = toLower(w.key);
                    if (k == "left") h.left = interp(w.value);
                    else if (k == "center") h.center = interp(w.value);
                    else if (k == "right") h.right = interp(w.value);
                    else fail("heading takes left=\"...\", center=\"...\" and right=\"...\"");
                }
                m_t.headings.push_back(std::move(h));
            } else if (kw == "source") {
                std::string table = single(words, kw);
                const db::TableDef* t = db::schemaTable(table);
                if (!t) fail("there is no table " + table);
                m_t.source = t->name;
            } else if (kw == "join") {
                if (words.size() != 2 || words[1].key.empty())
                    fail("join is written: join TABLE FIELD=\"{SOURCE.FIELD}\"");
                JoinDef j;
                const db::TableDef* t = db::schemaTable(words[0].value);
                if (!t) fail("there is no table " + words[0].value);
                j.table = t->name;
                const db::FieldDef* f = t->field(words[1].key);
                if (!f) fail("the table " + t->name + " has no field " + words[1].key);
                j.field = f->name;
                j.key = expr(words[1].value);
                m_t.joins.push_back(std::move(j));
            } else if (kw == "select") {
                m_t.selection = single(words, kw);
                m_selectionLine = m_line;
            } else if (kw == "sort") {
                for (const Word& w : words) {
                    std::string s = trim(w.value);
                    SortKey k;
                    if (!s.empty() && (s[0] == '+' || s[0] == '-')) k.descending = s[0] == '-', s = s.substr(1);
                    if (!s.empty() && s[0] == '#') k.numeric = true, s = s.substr(1);
                    try {
                        k.field = parseFieldRef(s);
                    } catch (const FormulaError& e) {
                        fail(e.what());
                    }
                    m_t.sort.push_back(k);
                    m_checks.push_back({m_line, {k.field}});
                }
            } else if (kw == "group") {
                GroupDef g;
                bool hasKey = false;
                for (const Word& w : words) {
                    std::string k = toLower(w.key);
                    if (k == "value") g.key = expr(w.value), hasKey = true;
                    else if (k == "head") g.heading = interp(w.value);
                    else if (k == "newpage") g.newPage = yesNo(w.value);
                    else if (k == "totals") g.totals = yesNo(w.value);
                    else fail("group takes value=, head=, newpage= and totals=");
                }
                if (!hasKey) fail("group needs value=\"...\"");
                m_t.group = std::move(g);
            } else if (kw == "column") {
                m_t.columns.push_back(column(words));
            } else if (kw == "totals") {
                m_t.totalsLabel = single(words, kw);
            } else if (kw == "footer") {
                m_t.footers.push_back(interp(single(words, kw)));
            } else {
                fail("unknown keyword \"" + kw + "\"");
            }
        }
        if (portrait) m_t.paperWidthPt = shortPt, m_t.paperHeightPt = longPt;
        else m_t.paperWidthPt = longPt, m_t.paperHeightPt = shortPt;
        if (m_t.marginLeft < 0 || m_t.marginRight < 0 || m_t.marginTop < 0 || m_t.marginBottom < 0 ||
            m_t.paperWidthPt - m_t.marginLeft - m_t.marginRight < 144 ||
            m_t.paperHeightPt - m_t.marginTop - m_t.marginBottom < 216)
            fail("the margins leave less than 2 by 3 inches of the paper to print on", m_marginsLine ? m_marginsLine : 1);
        finish();
        return m_t;
    }

private:
    [[noreturn]] void fail(const std::string& what, int line = 0) const {
        throw TemplateError(m_path + ":" + std::to_string(line ? line : m_line) + ": " + what);
    }

    std::vector<Word> split(const std::string& line) const {
        std::vector<Word> out;
        std::size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
            if (i >= line.size() || line[i] == '#') break;
            Word w;
            // A key: letters, digits and '_' followed by '='.
            std::size_t j = i;
            while (j < line.size() && (std::isalnum(static_cast<unsigned char>(line[j])) || line[j] == '_')) ++j;
            if (j > i && j < line.size() && line[j] == '=') {
                w.key = line.substr(i, j - i);
                i = j + 1;
            }
            if (i < line.size() && line[i] == '"') {
                ++i;
                for (;;) {
                    if (i >= line.size()) fail("a quoted text is not closed with \"");
                    if (line[i] == '"') {
                        if (i + 1 < line.size() && line[i + 1] == '"') {
                            w.value += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    w.value += line[i++];
                }
            } else {
                while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) w.value += line[i++];
            }
            out.push_back(std::move(w));
        }
        return out;
    }

    std::string single(const std::vector<Word>& words, const std::string& kw) const {
        if (words.size() != 1 || !words[0].key.empty()) fail(kw + " takes one value (in quotes when it has blanks)");
        return words[0].value;
    }

    double number(const std::string& s, const std::string& what) const {
        if (!isNumeric(s)) fail("the " + what + " \"" + s + "\" is not a number");
        return leadingNumber(s);
    }

    bool yesNo(const std::string& s) const {
        std::string v = toLower(s);
        if (v == "yes" || v == "true" || v == "1") return true;
        if (v == "no" || v == "false" || v == "0") return false;
        fail("\"" + s + "\" is not yes or no");
    }

    Expression expr(const std::string& s) {
        try {
            Expression e = Expression::parse(s);
            m_checks.push_back({m_line, e.fields()});
            return e;
        } catch (const FormulaError& e) {
            fail(e.what());
        }
    }

    Interpolated interp(const std::string& s) {
        try {
            Interpolated i = Interpolated::parse(s);
            m_checks.push_back({m_line, i.fields()});
            return i;
        } catch (const FormulaError& e) {
            fail(e.what());
        }
    }

    ColumnDef column(const std::vector<Word>& words) {
        ColumnDef c;
        c.line = m_line;
        bool hasValue = false, hasAlign = false;
        for (const Word& w : words) {
            std::string k = toLower(w.key);
            if (k == "value") c.value = expr(w.value), hasValue = true;
            else if (k == "value2") c.value2 = expr(w.value);
            else if (k == "width") {
                c.widthChars = number(w.value, "width");
                if (c.widthChars <= 0 || c.widthChars > 200) fail("a column width must be between 1 and 200 characters");
            } else if (k == "align") {
                std::string a = toLower(w.value);
                hasAlign = true;
                if (a == "left") c.align = Align::Left;
                else if (a == "right") c.align = Align::Right;
                else if (a == "center") c.align = Align::Center;
                else fail("align is left, right or center");
            } else if (k == "head") c.heading = kolv::split(w.value, '|');
            else if (k == "picture") c.picture = w.value;
            else if (k == "picture2") c.picture2 = w.value;
            else if (k == "total") {
                std::string v = toLower(w.value);
                if (v == "sum") c.total = true;
                else if (v != "none") fail("total is sum or none");
            } else if (k == "blank") {
                std::string v = toLower(w.value);
                if (v == "zero") c.blankZero = true;
                else if (v != "none") fail("blank is zero or none");
            } else
                fail("unknown column setting \"" + (w.key.empty() ? w.value : w.key) +
                     "\" (value, value2, width, align, head, picture, picture2, total, blank)");
        }
        if (!hasValue) fail("a column needs value=\"...\"");
        if (c.picture2.empty()) c.picture2 = c.picture;
        // Texts read left, numbers right, unless the template says otherwise.
        if (!hasAlign && c.picture.empty()) c.align = Align::Left;
        return c;
    }

    void finish() {
        if (m_t.source.empty()) fail("the template has no \"source TABLE\" line", 1);
        if (m_t.columns.empty()) fail("the template has no columns", 1);
        auto tables = m_t.tables();
        for (const auto& [line, fields] : m_checks) {
            for (const auto& f : fields) {
                bool ok = false;
                for (const auto& t : tables) ok = ok || equalsIgnoreCase(t, f.table);
                if (!ok)
                    fail("the field {" + f.table + "." + f.field + "} is not in the report's records (source " +
                             m_t.source + ", joins and T0)",
                         line);
            }
        }
        if (!m_t.selection.empty()) {
            try {
                parseSelection(m_t.selection, {m_t.source});
            } catch (const FormulaError& e) {
                fail(e.what(), m_selectionLine);
            }
        }
    }

    const std::string& m_text;
    std::string m_path;
    int m_line = 0;
    int m_selectionLine = 0;
    int m_marginsLine = 0;
    ReportTemplate m_t;
    std::vector<std::pair<int, std::vector<FieldRef>>> m_checks;
};

}  // namespace

bool ReportTemplate::twoLineRecords() const {
    for (const auto& c : columns)
        if (!c.value2.empty()) return true;
    return false;
}

std::vector<std::string> ReportTemplate::tables() const {
    std::vector<std::string> t = {source, "T0"};
    for (const auto& j : joins) t.push_back(j.table);
    return t;
}

ReportTemplate parseTemplate(const std::string& text, const std::string& path) {
    TemplateReader r(text, path);
    return r.run();
}

ReportTemplate loadTemplate(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw TemplateError("The report template " + path + " can not be opened.");
    std::stringstream ss;
    ss << in.rdbuf();
    return parseTemplate(ss.str(), path);
}

}  // namespace kolv::reports
