// Reading the records of a template report, formatting the cells and putting them on pages.
#include "reports/report_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <ostream>
#include <sstream>

#include "common/text.h"
#include "common/vb_format.h"
#include "db/record_set.h"
#include "db/schema.h"
#include "reports/selection_formula.h"

namespace kolv::reports {

namespace {

/// Rows of one query with their column positions by upper-case name.
struct RowSet {
    std::map<std::string, std::size_t> index;
    std::vector<std::vector<db::Value>> rows;
};

RowSet query(db::Database& db, const std::string& sql, const std::vector<db::Value>& params) {
    RowSet rs;
    db::Statement st = db.prepare(sql);
    st.bindAll(params);
    bool first = true;
    while (st.step()) {
        if (first) {
            for (int i = 0; i < st.columnCount(); ++i) rs.index[toUpper(st.columnName(i))] = static_cast<std::size_t>(i);
            first = false;
        }
        std::vector<db::Value> row;
        row.reserve(static_cast<std::size_t>(st.columnCount()));
        for (int i = 0; i < st.columnCount(); ++i) row.push_back(st.column(i));
        rs.rows.push_back(std::move(row));
    }
    return rs;
}

/// The fields a template reads, by upper-case table name, each once, in the order first read.
std::map<std::string, std::vector<std::string>> fieldsRead(const ReportTemplate& t) {
    std::vector<FieldRef> refs;
    const auto take = [&](const std::vector<FieldRef>& f) { refs.insert(refs.end(), f.begin(), f.end()); };
    take(t.title.fields());
    for (const HeadingLine& h : t.headings) take(h.left.fields()), take(h.center.fields()), take(h.right.fields());
    for (const JoinDef& j : t.joins) take(j.key.fields());
    if (t.group) take(t.group->key.fields()), take(t.group->heading.fields());
    for (const ColumnDef& c : t.columns) take(c.value.fields()), take(c.value2.fields());
    for (const Interpolated& f : t.footers) take(f.fields());
    std::map<std::string, std::vector<std::string>> out;
    for (const FieldRef& r : refs) {
        auto& list = out[toUpper(r.table)];
        const std::string field = toUpper(r.field);
        if (std::find(list.begin(), list.end(), field) == list.end()) list.push_back(field);
    }
    return out;
}

/// The select list of a table read for a report: only the fields the template reads (and
/// `always`, when the table has it), so a report over tens of thousands of wide rows holds a
/// few values per row. A field the file does not have is left out and reads as empty, as it
/// would from the whole row.
std::string selectList(db::Database& db, const std::string& table, const std::vector<std::string>& read,
                       const std::vector<std::string>& always) {
    const db::TableLayout& layout = db.layout(table);
    std::string list;
    std::vector<std::string> seen;
    const auto add = [&](const std::string& field) {
        const long at = layout.position(field);
        if (at < 0) return;
        const std::string& name = layout.fields[static_cast<std::size_t>(at)].name;
        if (std::find(seen.begin(), seen.end(), name) != seen.end()) return;
        seen.push_back(name);
        list += (list.empty() ? "" : ", ") + db::quoteIdent(name);
    };
    for (const auto& f : read) add(f);
    for (const auto& f : always) add(f);
    return list.empty() ? "rowid" : list;
}

/// A Single field holds about 7 significant digits: 2.675 stored as 2.67499995 shows "2.68".
db::Value singleValue(const db::Value& v) {
    if (!v.isReal()) return v;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(static_cast<float>(v.toDouble())));
    return db::Value(std::strtod(buf, nullptr));
}

std::string csvField(const std::string& s) {
    if (s.find_first_of(",\"\n") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

}  // namespace

/// Values of the current record, its joined rows, T0 and the report variables.
class ReportRunner::Context : public ValueSource {
public:
    Context(db::Database& db, const ReportTemplate& tpl, const ReportInputs& in)
        : m_db(db), m_tpl(tpl), m_in(in), m_fieldsRead(fieldsRead(tpl)) {}

    /// The fields of `table` the template reads.
    const std::vector<std::string>& fieldsOf(const std::string& table) const {
        static const std::vector<std::string> none;
        auto it = m_fieldsRead.find(toUpper(table));
        return it == m_fieldsRead.end() ? none : it->second;
    }

    /// The records are read one at a time: while they are formatted, `live` holds the whole row
    /// of the current one; of every record only the fields the page headings read are kept.
    void startRecords(std::size_t count, const db::Statement& st) {
        recordCount = count;
        for (int i = 0; i < st.columnCount(); ++i) m_live.index[toUpper(st.columnName(i))] = static_cast<std::size_t>(i);
        std::vector<FieldRef> refs;
        const auto take = [&](const std::vector<FieldRef>& f) { refs.insert(refs.end(), f.begin(), f.end()); };
        take(m_tpl.title.fields());
        for (const HeadingLine& h : m_tpl.headings) take(h.left.fields()), take(h.center.fields()), take(h.right.fields());
        for (const JoinDef& j : m_tpl.joins) take(j.key.fields());
        refs.push_back({m_tpl.source, "SYSTEM"});  // the system of a run without one
        for (const FieldRef& r : refs) {
            if (!equalsIgnoreCase(r.table, m_tpl.source)) continue;
            const std::string name = toUpper(r.field);
            const auto at = m_live.index.find(name);
            if (at == m_live.index.end() || m_kept.index.count(name)) continue;
            m_kept.index.emplace(name, m_keptFrom.size());
            m_keptFrom.push_back(at->second);
        }
        m_kept.rows.assign(1, {});
        m_kept.rows[0].reserve(count * m_keptFrom.size());
        streaming = true;
    }
    /// Takes the current row of `st` as record `current`.
    void readRecord(const db::Statement& st) {
        m_live.rows.resize(1);
        auto& row = m_live.rows[0];
        row.clear();
        for (int i = 0; i < st.columnCount(); ++i) row.push_back(st.column(i));
        for (std::size_t k : m_keptFrom) m_kept.rows[0].push_back(row[k]);
    }
    /// After the last record: from now on only the kept fields are read.
    void endRecords() {
        streaming = false;
        m_live = RowSet();
    }

    std::size_t recordCount = 0;
    bool streaming = false;
    std::size_t current = 0;
    int page = 1;

    db::Value field(const FieldRef& ref) const override {
        if (equalsIgnoreCase(ref.table, m_tpl.source)) {
            if (current >= recordCount) return {};
            return sourceField(ref);
        }
        if (equalsIgnoreCase(ref.table, "T0")) {
            const RowSet& t0 = t0Rows();
            return t0.rows.empty() ? db::Value() : fromRow(t0, t0.rows[0], ref);
        }
        for (const JoinDef& j : m_tpl.joins) {
            if (!equalsIgnoreCase(j.table, ref.table)) continue;
            const RowSet& rs = joined(j.table, j.field, j.key.evaluate(*this));
            return rs.rows.empty() ? db::Value() : fromRow(rs, rs.rows[0], ref);
        }
        return {};
    }

    db::Value variable(const std::string& name) const override {
        if (name == "SYSTEM") return db::Value(system());
        if (name == "DATE") return db::Value(m_in.dateText.empty() ? currentDateText() : m_in.dateText);
        if (name == "TIME") return db::Value(m_in.timeText.empty() ? currentTimeText() : m_in.timeText);
        if (name == "PAGE") return db::Value(page + m_in.firstPage - 1);
        if (name == "UNITS") return db::Value(m_in.metric ? "Metric" : "English");
        if (name == "PROJECT") return db::Value(m_in.projectName);
        if (name == "TEMPLATE") return db::Value(m_tpl.name);
        if (name == "RECORDS") return db::Value(static_cast<long long>(recordCount));
        if (name == "DESIGN_STORM") return db::Value(designStorm());
        throw FormulaError("unknown variable {" + name + "}");
    }

private:
    db::Value fromRow(const RowSet& rs, const std::vector<db::Value>& row, const FieldRef& ref) const {
        auto it = rs.index.find(toUpper(ref.field));
        if (it == rs.index.end()) return {};
        return asStored(ref, row[it->second]);
    }
    db::Value asStored(const FieldRef& ref, const db::Value& v) const {
        const db::TableDef* t = db::schemaTable(ref.table);
        const db::FieldDef* f = t ? t->field(ref.field) : nullptr;
        if (f && f->type == db::FieldType::Single) return singleValue(v);
        return v;
    }
    /// A field of record `current`: from the row being formatted, or from the kept fields.
    db::Value sourceField(const FieldRef& ref) const {
        if (streaming) return m_live.rows.empty() ? db::Value() : fromRow(m_live, m_live.rows[0], ref);
        auto it = m_kept.index.find(toUpper(ref.field));
        if (it == m_kept.index.end()) return {};
        return asStored(ref, m_kept.rows[0][current * m_keptFrom.size() + it->second]);
    }

    const RowSet& t0Rows() const {
        if (!m_t0Loaded) {
            m_t0 = query(m_db, "SELECT * FROM \"T0\" ORDER BY rowid LIMIT 1", {});
            m_t0Loaded = true;
        }
        return m_t0;
    }

    const RowSet& joined(const std::string& table, const std::string& field, const db::Value& key) const {
        std::string cacheKey = table + "\x1f" + field + "\x1f" + db::compareKey(key);
        auto it = m_joins.find(cacheKey);
        if (it != m_joins.end()) return it->second;
        // The system header is read whole: the design storm line reads fields no template names.
        // Every other joined table gives only the fields the template reads, since a join is
        // kept for each key met, which may be one per record.
        const bool whole = equalsIgnoreCase(table, "T16") || equalsIgnoreCase(table, "T0");
        std::string sql = "SELECT " + (whole ? std::string("*") : selectList(m_db, table, fieldsOf(table), {})) +
                          " FROM " + db::quoteIdent(table) + " WHERE " + db::quoteIdent(field) +
                          " = ? ORDER BY rowid LIMIT 1";
        // Names are compared trimmed, as they are everywhere else.
        db::Value k = key.isText() ? db::Value(trim(key.toText())) : key;
        return m_joins.emplace(cacheKey, query(m_db, sql, {k})).first->second;
    }

    std::string system() const {
        if (!m_in.system.empty()) return m_in.system;
        if (recordCount == 0) return {};
        if (streaming) {
            auto it = m_live.index.find("SYSTEM");
            if (it == m_live.index.end() || m_live.rows.empty()) return {};
            return trim(m_live.rows[0][it->second].toText());
        }
        auto it = m_kept.index.find("SYSTEM");
        if (it == m_kept.index.end()) return {};
        std::size_t r = current < recordCount ? current : 0;
        return trim(m_kept.rows[0][r * m_keptFrom.size() + it->second].toText());
    }

    std::string designStorm() const {
        const RowSet& t16 = joined("T16", "SYSTEM", db::Value(system()));
        if (t16.rows.empty()) return {};
        auto get = [&](const char* f) { return fromRow(t16, t16.rows[0], {"T16", f}); };
        if (get("INTENSITY_METHOD").toInt() == 1)
            return timeIntensityTableText(get("LOCATION").toText(), get("FREQUENCY").toText());
        std::string freq = trim(get("FREQ").toText());
        return "IDF zone " + trim(get("ZONE").toText()) + ", " + freq + "-year storm";
    }

    db::Database& m_db;
    const ReportTemplate& m_tpl;
    const ReportInputs& m_in;
    mutable RowSet m_t0;
    mutable bool m_t0Loaded = false;
    mutable std::map<std::string, RowSet> m_joins;
    std::map<std::string, std::vector<std::string>> m_fieldsRead;
    RowSet m_live;                     ///< the record being formatted (one row), all fields read
    RowSet m_kept;                     ///< the kept fields of every record, in one row of count x fields
    std::vector<std::size_t> m_keptFrom;  ///< position in the live row of each kept field
};

ReportRunner::ReportRunner(db::Database& db, const ReportTemplate& tpl, ReportInputs inputs)
    : m_db(db), m_tpl(tpl), m_inputs(std::move(inputs)) {
    m_ctx = std::make_unique<Context>(m_db, m_tpl, m_inputs);
    std::string formula = m_inputs.selection.empty() ? m_tpl.selection : m_inputs.selection;
    SqlCondition cond = parseSelection(formula, {m_tpl.source});
    std::vector<std::string> order;
    if (!m_inputs.sortField.empty()) order.push_back(parseSortField(m_inputs.sortField, {m_tpl.source}));
    for (const SortKey& k : m_tpl.sort) {
        if (!equalsIgnoreCase(k.field.table, m_tpl.source)) continue;  // checked when the template was read
        std::string term = k.numeric ? "CAST(" + k.field.sql() + " AS REAL)" : k.field.sql();
        order.push_back(term + (k.descending ? " DESC" : " ASC"));
    }
    order.push_back(db::quoteIdent(m_tpl.source) + ".rowid");  // ties keep their storage order
    // SYSTEM names the system of a report run without one.
    m_sql = "SELECT " + selectList(m_db, m_tpl.source, m_ctx->fieldsOf(m_tpl.source), {"SYSTEM"}) + " FROM " +
            db::quoteIdent(m_tpl.source);
    if (!cond.where.empty()) m_sql += " WHERE " + cond.where;
    m_sql += " ORDER BY ";
    for (std::size_t i = 0; i < order.size(); ++i) m_sql += (i ? ", " : "") + order[i];
    // The records are formatted as they are read; {RECORDS} needs their number first.
    std::string countSql = "SELECT COUNT(*) FROM " + db::quoteIdent(m_tpl.source);
    if (!cond.where.empty()) countSql += " WHERE " + cond.where;
    const auto count = static_cast<std::size_t>(m_db.scalar(countSql, cond.params).toInt());
    db::Statement st = m_db.prepare(m_sql);
    st.bindAll(cond.params);
    m_ctx->startRecords(count, st);
    m_content.items.reserve(count + 2);

    // Format every record, with group headings and totals.
    const auto& cols = m_tpl.columns;
    const std::size_t n = cols.size();
    std::vector<double> groupSum(n, 0), reportSum(n, 0);
    bool anyTotal = std::any_of(cols.begin(), cols.end(), [](const ColumnDef& c) { return c.total; });
    auto totalItem = [&](ReportContent::Kind kind, const std::vector<double>& sums, std::size_t record,
                         const std::string& label) {
        ReportContent::Item it;
        it.kind = kind;
        it.record = record;
        it.text = label;
        std::vector<std::string> cells, cells2;
        std::vector<bool> numeric;
        for (std::size_t c = 0; c < n; ++c) {
            cells.push_back(cols[c].total ? vbFormat(sums[c], cols[c].picture.empty() ? "0.00" : cols[c].picture)
                                          : std::string());
            cells2.emplace_back();
            numeric.push_back(cols[c].total);
        }
        it.setCells(cells, cells2, numeric);
        m_content.items.push_back(std::move(it));
    };

    const bool twoLines = m_tpl.twoLineRecords();
    std::string groupKey;
    bool inGroup = false;
    std::size_t lastRecord = 0;
    std::vector<std::string> cells, cells2;
    std::vector<bool> numeric;
    std::size_t read = 0;
    for (std::size_t r = 0; st.step(); ++r) {
        read = r + 1;
        m_ctx->readRecord(st);
        m_ctx->current = r;
        if (m_tpl.group) {
            std::string key = formatValue(m_tpl.group->key.evaluate(*m_ctx), "");
            if (!inGroup || key != groupKey) {
                if (inGroup && m_tpl.group->totals && anyTotal)
                    totalItem(ReportContent::Kind::GroupTotal, groupSum, lastRecord, "Group total");
                std::fill(groupSum.begin(), groupSum.end(), 0.0);
                ReportContent::Item h;
                h.kind = ReportContent::Kind::GroupHeading;
                h.record = r;
                h.text = m_tpl.group->heading.empty() ? key : m_tpl.group->heading.evaluate(*m_ctx);
                h.groupStart = inGroup && m_tpl.group->newPage;
                m_content.items.push_back(std::move(h));
                groupKey = key;
                inGroup = true;
            }
        }
        ReportContent::Item it;
        it.kind = ReportContent::Kind::Record;
        it.record = r;
        cells.clear();
        cells2.clear();
        numeric.clear();
        for (std::size_t c = 0; c < n; ++c) {
            const ColumnDef& col = cols[c];
            db::Value v = col.value.evaluate(*m_ctx);
            bool isNum = v.isNumber();
            if (col.total && !v.isNull()) {
                groupSum[c] += v.toDouble();
                reportSum[c] += v.toDouble();
            }
            std::string text = (col.blankZero && isNum && v.toDouble() == 0) ? std::string() : formatValue(v, col.picture);
            if (c == 0 && !m_inputs.recordMarks.empty()) {
                auto mark = m_inputs.recordMarks.find(toUpper(trim(text)));
                if (mark != m_inputs.recordMarks.end()) text = trim(text) + " " + mark->second;
            }
            cells.push_back(text);
            numeric.push_back(isNum);
            if (!twoLines) continue;  // one line per record: no second cells to hold
            std::string text2;
            if (!col.value2.empty()) {
                db::Value v2 = col.value2.evaluate(*m_ctx);
                text2 = (col.blankZero && v2.isNumber() && v2.toDouble() == 0) ? std::string()
                                                                                : formatValue(v2, col.picture2);
            }
            cells2.push_back(text2);
        }
        it.setCells(cells, cells2, numeric);
        m_content.items.push_back(std::move(it));
        lastRecord = r;
    }
    m_ctx->recordCount = read;
    m_content.recordCount = read;
    if (inGroup && m_tpl.group->totals && anyTotal)
        totalItem(ReportContent::Kind::GroupTotal, groupSum, lastRecord, "Group total");
    if (anyTotal && m_content.recordCount > 0)
        totalItem(ReportContent::Kind::ReportTotal, reportSum, lastRecord, m_tpl.totalsLabel);
    if (m_content.recordCount == 0) {
        ReportContent::Item it;
        it.kind = ReportContent::Kind::Footer;
        it.text = "No records were selected.";
        m_content.items.push_back(std::move(it));
    }
    for (const Interpolated& f : m_tpl.footers) {
        ReportContent::Item it;
        it.kind = ReportContent::Kind::Footer;
        it.record = lastRecord;
        it.text = f.evaluate(*m_ctx);
        m_content.items.push_back(std::move(it));
    }
    m_ctx->endRecords();
    // The notes are printed as they were given: the report keeps them, not a copy of each.
    m_content.notes = std::move(m_inputs.notes);
    m_inputs.notes.clear();
    m_content.notesRecord = lastRecord;
}

ReportRunner::~ReportRunner() = default;

void ReportContent::Item::setCells(const std::vector<std::string>& cells, const std::vector<std::string>& cells2,
                                   const std::vector<bool>& numeric) {
    m_packed.clear();
    m_count = static_cast<std::uint32_t>(cells.size());
    m_second = !cells2.empty();
    for (std::size_t c = 0; c < cells.size(); ++c) {
        const std::string& second = c < cells2.size() ? cells2[c] : std::string();
        m_packed += static_cast<char>(c < numeric.size() && numeric[c] ? 1 : 0);
        putLength(m_packed, cells[c].size());
        putLength(m_packed, second.size());
        m_packed += cells[c];
        m_packed += second;
    }
    m_packed.shrink_to_fit();
}

std::vector<std::string> ReportContent::Item::cells() const {
    std::vector<std::string> out;
    out.reserve(m_count);
    for (std::size_t at = 0, c = 0; c < m_count; ++c) {
        ++at;  // flag
        const std::size_t n1 = takeLength(m_packed, at), n2 = takeLength(m_packed, at);
        out.push_back(m_packed.substr(at, n1));
        at += n1 + n2;
    }
    return out;
}

std::vector<std::string> ReportContent::Item::cells2() const {
    std::vector<std::string> out;
    if (!m_second) return out;
    out.reserve(m_count);
    for (std::size_t at = 0, c = 0; c < m_count; ++c) {
        ++at;
        const std::size_t n1 = takeLength(m_packed, at), n2 = takeLength(m_packed, at);
        out.push_back(m_packed.substr(at + n1, n2));
        at += n1 + n2;
    }
    return out;
}

std::vector<bool> ReportContent::Item::numeric() const {
    std::vector<bool> out;
    out.reserve(m_count);
    for (std::size_t at = 0, c = 0; c < m_count; ++c) {
        out.push_back(m_packed[at++] != 0);
        const std::size_t n1 = takeLength(m_packed, at), n2 = takeLength(m_packed, at);
        at += n1 + n2;
    }
    return out;
}

std::string ReportRunner::headingText(const Interpolated& text, std::size_t record, int page) const {
    m_ctx->current = record;
    m_ctx->page = page;
    return text.evaluate(*m_ctx);
}

namespace {

/// Puts text into a box, cutting it (numbers become ###) when it is wider than the box.
TextRun boxed(std::string text, double x, double baseline, double width, Align align, const Font& font,
              bool numeric, const std::string& where, TextLines* overflows) {
    if (textWidthPt(text, font) > width + 1e-6) {
        if (overflows) overflows->push_back(where + ": \"" + text + "\" is wider than its column");
        if (numeric) text = std::string(fitText(std::string(text.size(), '#'), font, width));
        else text = std::string(fitText(text, font, width));
    }
    return TextRun{x, baseline, width, align, font, std::move(text)};
}

}  // namespace

LayoutResult ReportRunner::layout() const { return layout(nullptr, 0); }

LayoutResult ReportRunner::layout(const std::function<void(Page&&)>& pageDone) const { return layout(pageDone, 0); }

LayoutResult ReportRunner::layout(const std::function<void(Page&&)>& pageDone, int pageCount) const {
    return layoutPages(pageDone, pageCount, true);
}

LayoutResult ReportRunner::countPages() const { return layoutPages([](Page&&) {}, 0, false); }

LayoutResult ReportRunner::layoutPages(const std::function<void(Page&&)>& pageDone, int pageCount,
                                       bool keepOverflows) const {
    LayoutResult out;
    // A count of the pages lists nothing: the run that writes them lists what did not fit.
    TextLines* const overflows = keepOverflows ? &out.overflows : nullptr;
    // The caller's paper and margins, when given, replace the template's.
    ReportTemplate sized = m_tpl;
    if (m_inputs.paperWidthPt > 0 && m_inputs.paperHeightPt > 0) {
        sized.paperWidthPt = m_inputs.paperWidthPt;
        sized.paperHeightPt = m_inputs.paperHeightPt;
    }
    if (m_inputs.marginLeftPt > 0) sized.marginLeft = m_inputs.marginLeftPt;
    if (m_inputs.marginTopPt > 0) sized.marginTop = m_inputs.marginTopPt;
    if (m_inputs.marginRightPt > 0) sized.marginRight = m_inputs.marginRightPt;
    if (m_inputs.marginBottomPt > 0) sized.marginBottom = m_inputs.marginBottomPt;
    const ReportTemplate& t = sized;
    Document& doc = out.document;
    doc.widthPt = t.paperWidthPt;
    doc.heightPt = t.paperHeightPt;
    const double left = t.marginLeft, right = t.paperWidthPt - t.marginRight;
    const double printable = right - left;

    // Column boxes in digit widths; the font shrinks when the table is wider than the paper.
    Font body = t.body;
    double chars = 0;
    for (const auto& c : t.columns) chars += c.widthChars;
    const double gapChars = 1.0;
    double needChars = chars + gapChars * static_cast<double>(t.columns.size() - 1);
    if (needChars * digitWidthPt(body) > printable) body.sizePt = printable / (needChars * charWidthUnits('0', body) / 1000.0);
    body.sizePt = std::floor(body.sizePt * 10) / 10;  // whole tenths of a point
    if (body.sizePt < 4)
        throw TemplateError(t.path + ": the columns need " + shortestText(std::ceil(needChars)) +
                            " digits of width, more than the paper holds at 4 points; choose a wider paper "
                            "(page tabloid landscape) or fewer or narrower columns.");
    out.bodyFontPt = body.sizePt;
    Font bold = body;
    bold.bold = true;
    const double digit = digitWidthPt(body);
    const double tableWidth = needChars * digit;
    const double tableLeft = left + std::max(0.0, (printable - tableWidth) / 2);
    std::vector<double> colX, colW;
    double x = tableLeft;
    for (const auto& c : t.columns) {
        colX.push_back(x);
        colW.push_back(c.widthChars * digit);
        x += (c.widthChars + gapChars) * digit;
    }

    const Font titleFont{FontFamily::Sans, 12, true};
    const Font headFont{FontFamily::Sans, 8, false};
    const Font closeFont{FontFamily::Sans, 6, false};
    const double lh = lineHeightPt(body);
    const bool twoLines = t.twoLineRecords();
    const double recordHeight = twoLines ? 2 * lh + 0.35 * lh : lh;
    std::size_t headLines = 0;
    for (const auto& c : t.columns) headLines = std::max(headLines, c.heading.size());
    const double closeTop = t.paperHeightPt - t.marginBottom;  // the closing line sits below this
    const double bodyBottom = closeTop - 4;

    // Closing identification line of a page: program, template and project; page n of m.
    // Its overflows are listed after all the others, as when the pages are closed at the end.
    TextLines closingOverflows;
    auto closePage = [&](Page& pg, int p, int pages) {
        double base = closeTop + ascentPt(closeFont) + 2;
        pg.rules.push_back(Rule{left, closeTop, right, closeTop, 0.3});
        std::string id = "KOLV Lt v3  -  " + t.name + (m_inputs.projectName.empty() ? "" : "  -  " + m_inputs.projectName);
        std::string pn = "Page " + std::to_string(p + 1) + " of " + std::to_string(pages);
        double wpn = textWidthPt(pn, closeFont);
        pg.texts.push_back(TextRun{right - wpn, base, wpn, Align::Right, closeFont, pn});
        pg.texts.push_back(boxed(id, left, base, printable - wpn - 12, Align::Left, closeFont, false, "closing line",
                                 keepOverflows ? &closingOverflows : nullptr));
    };
    const bool closeStreamed = pageDone && pageCount > 0 && m_inputs.closingLine;

    Page* page = nullptr;
    int pageNo = 0;
    double y = 0;  // top of the next line
    // Streaming: the finished page leaves before the next one starts.
    auto handOver = [&] {
        if (!pageDone || doc.pages.empty()) return;
        if (closeStreamed) closePage(doc.pages.back(), pageNo - 1, pageCount);
        pageDone(std::move(doc.pages.back()));
        doc.pages.clear();
    };
    auto newPage = [&](std::size_t record) {
        handOver();
        doc.pages.emplace_back();
        page = &doc.pages.back();
        ++pageNo;
        y = t.marginTop;
        std::string title = headingText(t.title, record, pageNo);
        if (!title.empty()) {
            page->texts.push_back(boxed(title, left, y + ascentPt(titleFont), printable, Align::Center, titleFont,
                                        false, "title", overflows));
            y += lineHeightPt(titleFont) + 2;
        }
        for (const HeadingLine& h : t.headings) {
            std::string l = headingText(h.left, record, pageNo), c = headingText(h.center, record, pageNo),
                        r = headingText(h.right, record, pageNo);
            double wc = textWidthPt(c, headFont), wr = textWidthPt(r, headFont);
            double base = y + ascentPt(headFont);
            double cLeft = left + (printable - wc) / 2;
            if (!c.empty()) page->texts.push_back(TextRun{cLeft, base, wc, Align::Center, headFont, c});
            double rLeft = right - wr;
            if (!r.empty()) page->texts.push_back(TextRun{rLeft, base, wr, Align::Right, headFont, r});
            double lRoom = (c.empty() ? rLeft : cLeft) - left - 6;
            if (!l.empty())
                page->texts.push_back(boxed(l, left, base, lRoom, Align::Left, headFont, false,
                                            "heading line", overflows));
            y += lineHeightPt(headFont);
        }
        y += 0.6 * lh;
        // Column headings, bottom-aligned, bold.
        page->rules.push_back(Rule{tableLeft, y, tableLeft + tableWidth, y, 0.6});
        y += 0.25 * lh;
        for (std::size_t line = 0; line < headLines; ++line) {
            double base = y + ascentPt(bold);
            for (std::size_t c = 0; c < t.columns.size(); ++c) {
                const auto& hd = t.columns[c].heading;
                std::size_t offset = headLines - hd.size();
                if (line < offset) continue;
                page->texts.push_back(boxed(hd[line - offset], colX[c], base, colW[c], t.columns[c].align, bold,
                                            false, t.name + " column " + std::to_string(c + 1) + " heading",
                                            overflows));
            }
            y += lh;
        }
        y += 0.2 * lh;
        page->rules.push_back(Rule{tableLeft, y, tableLeft + tableWidth, y, 0.6});
        y += 0.3 * lh;
    };
    auto cellRow = [&](const std::vector<std::string>& cells, const std::vector<bool>& numeric, const Font& f,
                       const std::string& where) {
        double base = y + ascentPt(f);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (cells[c].empty()) continue;
            page->texts.push_back(boxed(cells[c], colX[c], base, colW[c], t.columns[c].align, f,
                                        c < numeric.size() && numeric[c], where + " column " + std::to_string(c + 1),
                                        overflows));
        }
        y += lh;
    };

    newPage(0);
    std::size_t itemsOnPage = 0;
    std::string groupText;  // heading of the group being listed
    const auto& items = m_content.items;
    // The notes follow the items, each as a footer, read in turn from where they are kept.
    const std::size_t lines = items.size() + m_content.notes.size();
    TextLines::Reader notes(m_content.notes);
    ReportContent::Item note;
    note.kind = ReportContent::Kind::Footer;
    note.record = m_content.notesRecord;
    for (std::size_t i = 0; i < lines; ++i) {
        if (i >= items.size()) notes.next(note.text);
        const auto& it = i < items.size() ? items[i] : note;
        double need = lh;
        if (it.kind == ReportContent::Kind::Record) {
            need = recordHeight;
            // A total never starts a page alone: it goes with the record above it.
            if (i + 1 < items.size() && (items[i + 1].kind == ReportContent::Kind::GroupTotal ||
                                         items[i + 1].kind == ReportContent::Kind::ReportTotal))
                need += 1.4 * lh;
        }
        else if (it.kind == ReportContent::Kind::GroupHeading) need = 1.5 * lh + recordHeight;  // never orphaned
        else if (it.kind == ReportContent::Kind::GroupTotal || it.kind == ReportContent::Kind::ReportTotal)
            need = 1.4 * lh;
        if (it.groupStart || (y + need > bodyBottom && itemsOnPage > 0)) {
            newPage(it.record);
            itemsOnPage = 0;
            // A group that runs on to a new page is named again at its top.
            if (!groupText.empty() && !it.groupStart && it.kind != ReportContent::Kind::GroupHeading &&
                it.kind != ReportContent::Kind::ReportTotal && it.kind != ReportContent::Kind::Footer) {
                page->texts.push_back(boxed(groupText + " (continued)", tableLeft, y + ascentPt(bold), tableWidth,
                                            Align::Left, bold, false, "group heading", overflows));
                y += lh;
            }
        }
        if (it.kind == ReportContent::Kind::GroupHeading) groupText = it.text;
        ++itemsOnPage;
        switch (it.kind) {
        case ReportContent::Kind::GroupHeading:
            y += 0.5 * lh;
            page->texts.push_back(boxed(it.text, tableLeft, y + ascentPt(bold), tableWidth, Align::Left, bold, false,
                                        "group heading", overflows));
            y += lh;
            break;
        case ReportContent::Kind::Record: {
            std::string where = t.name + " record " + std::to_string(it.record + 1);
            const std::vector<bool> numeric = it.numeric();
            cellRow(it.cells(), numeric, body, where);
            if (twoLines) {
                cellRow(it.cells2(), numeric, body, where);
                y += 0.35 * lh;
            }
            break;
        }
        case ReportContent::Kind::GroupTotal:
        case ReportContent::Kind::ReportTotal: {
            y += 0.2 * lh;
            for (std::size_t c = 0; c < t.columns.size(); ++c)
                if (t.columns[c].total) page->rules.push_back(Rule{colX[c], y, colX[c] + colW[c], y, 0.4});
            y += 0.2 * lh;
            // The label spans the columns left of the first total.
            double labelRight = tableLeft + tableWidth;
            for (std::size_t c = 0; c < t.columns.size(); ++c)
                if (t.columns[c].total) {
                    labelRight = colX[c] - digit;
                    break;
                }
            if (labelRight > tableLeft)
                page->texts.push_back(boxed(it.text, tableLeft, y + ascentPt(bold), labelRight - tableLeft, Align::Left,
                                            bold, false, it.text, overflows));
            cellRow(it.cells(), it.numeric(), bold, it.text);
            break;
        }
        case ReportContent::Kind::Footer:
            page->texts.push_back(boxed(it.text, tableLeft, y + ascentPt(body), tableWidth, Align::Left, body, false,
                                        "footer", overflows));
            y += lh;
            break;
        }
    }

    handOver();
    out.pageCount = static_cast<std::size_t>(pageNo);
    const int pages = m_inputs.closingLine && !pageDone ? static_cast<int>(doc.pages.size()) : 0;
    for (int p = 0; p < pages; ++p) closePage(doc.pages[static_cast<std::size_t>(p)], p, pages);
    for (const std::string& o : closingOverflows) out.overflows.push_back(o);
    doc.title = headingText(t.title, 0, 1);
    return out;
}

void ReportRunner::writePlainText(std::ostream& out) const {
    const ReportTemplate& t = m_tpl;
    // Characters are all one width here: a column is as wide as its widest heading or cell.
    std::vector<std::size_t> width;
    for (const auto& c : t.columns) {
        std::size_t w = static_cast<std::size_t>(std::ceil(c.widthChars));
        for (const auto& h : c.heading) w = std::max(w, h.size());
        width.push_back(w);
    }
    for (const auto& it : m_content.items) {
        if (it.kind != ReportContent::Kind::Record && it.kind != ReportContent::Kind::GroupTotal &&
            it.kind != ReportContent::Kind::ReportTotal)
            continue;
        const std::vector<std::string> cells = it.cells(), cells2 = it.cells2();
        for (std::size_t c = 0; c < width.size() && c < cells.size(); ++c) {
            width[c] = std::max(width[c], cells[c].size());
            if (c < cells2.size()) width[c] = std::max(width[c], cells2[c].size());
        }
    }
    auto place = [](const std::string& s, std::size_t w, Align a) {
        if (s.size() >= w) return s.substr(0, w);
        if (a == Align::Right) return padLeft(s, w);
        if (a == Align::Center) return padRight(std::string((w - s.size()) / 2, ' ') + s, w);
        return padRight(s, w);
    };
    auto row = [&](const std::vector<std::string>& cells) {
        std::string line;
        for (std::size_t c = 0; c < cells.size(); ++c) line += (c ? " " : "") + place(cells[c], width[c], t.columns[c].align);
        return rtrim(line) + "\n";
    };
    std::string title = headingText(t.title, 0, 1);
    if (!title.empty()) out << title + "\n";
    for (const HeadingLine& h : t.headings) {
        std::string l = headingText(h.left, 0, 1), c = headingText(h.center, 0, 1), r = headingText(h.right, 0, 1);
        std::string line = l;
        for (const auto& part : {c, r})
            if (!part.empty()) line += (line.empty() ? "" : "    ") + part;
        out << line + "\n";
    }
    out << "\n";
    std::size_t headLines = 0;
    for (const auto& c : t.columns) headLines = std::max(headLines, c.heading.size());
    for (std::size_t line = 0; line < headLines; ++line) {
        std::vector<std::string> cells;
        for (const auto& c : t.columns) {
            std::size_t offset = headLines - c.heading.size();
            cells.push_back(line < offset ? std::string() : c.heading[line - offset]);
        }
        out << row(cells);
    }
    std::size_t total = 0;
    for (auto w : width) total += w + 1;
    out << std::string(total > 0 ? total - 1 : 0, '-') + "\n";
    bool twoLines = t.twoLineRecords();
    for (const auto& it : m_content.items) {
        switch (it.kind) {
        case ReportContent::Kind::GroupHeading: out << "\n" + it.text + "\n"; break;
        case ReportContent::Kind::Record:
            out << row(it.cells());
            if (twoLines) out << row(it.cells2());
            break;
        case ReportContent::Kind::GroupTotal:
        case ReportContent::Kind::ReportTotal: {
            std::string line = row(it.cells());
            std::size_t lead = line.find_first_not_of(' ');
            if (lead == std::string::npos || lead > it.text.size()) line = it.text + line.substr(std::min(line.size(), it.text.size()));
            else line = it.text + "\n" + line;
            out << line;
            break;
        }
        case ReportContent::Kind::Footer: out << it.text + "\n"; break;
        }
    }
    TextLines::Reader notes(m_content.notes);
    for (std::string note; notes.next(note);) out << note + "\n";
}

std::string ReportRunner::plainText() const {
    std::ostringstream out;
    writePlainText(out);
    return out.str();
}

void ReportRunner::writeCsv(std::ostream& out) const {
    const ReportTemplate& t = m_tpl;
    bool first = true;
    auto headingOf = [](const ColumnDef& c) {
        std::string h;
        for (const auto& part : c.heading)
            if (!trim(part).empty()) h += (h.empty() ? "" : " ") + trim(part);
        return h;
    };
    for (const auto& c : t.columns) {
        out << (first ? "" : ",") + csvField(headingOf(c));
        first = false;
        if (!c.value2.empty()) out << "," + csvField(headingOf(c) + " (2)");
    }
    out << "\r\n";
    for (const auto& it : m_content.items) {
        if (it.kind != ReportContent::Kind::Record) continue;
        const std::vector<std::string> cells = it.cells(), cells2 = it.cells2();
        for (std::size_t c = 0; c < t.columns.size(); ++c) {
            out << (c ? "," : "") + csvField(cells[c]);
            if (!t.columns[c].value2.empty()) out << "," + csvField(cells2[c]);
        }
        out << "\r\n";
    }
}

std::string ReportRunner::csv() const {
    std::ostringstream out;
    writeCsv(out);
    return out.str();
}

std::string timeIntensityTableText(const std::string& location, const std::string& frequency) {
    return "Time-intensity table, location " + trim(location) + ", frequency " + trim(frequency);
}

std::string currentDateText() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[16];
    std::strftime(buf, sizeof buf, "%m/%d/%Y", &tm);
    return buf;
}

std::string currentTimeText(bool withSeconds) {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    int h = tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12;
    const char* half = tm.tm_hour < 12 ? "AM" : "PM";
    char buf[24];
    if (withSeconds) std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", h, tm.tm_min, tm.tm_sec, half);
    else std::snprintf(buf, sizeof buf, "%d:%02d %s", h, tm.tm_min, half);
    return buf;
}

}  // namespace kolv::reports
