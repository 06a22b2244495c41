// Label lines of nodes, reaches and the outfall, and the display option sets of T27.
#include "diagram/labels.h"

#include "common/text.h"
#include "common/vb_format.h"
#include "db/record_set.h"
#include "db/undo_history.h"

namespace kolv::diagram {

namespace {

using O = LabelItem::Object;

std::string f2(double v) { return vbFormat(v, "0.00"); }
std::string f4(double v) { return vbFormat(v, "0.0000"); }

}  // namespace

const std::vector<LabelItem>& labelItems() {
    static const std::vector<LabelItem> items = {
        {"LVSINT2", O::Node, "Station (offset)", false},
        {"LVSINT3", O::Node, "Structure", false},
        {"LVSINT4", O::Node, "Inlet elevation", false},
        {"LVSINT5", O::Node, "Minimum HGL", false},
        {"LVSINT6", O::Node, "Junction loss coefficient", false},
        {"LVSINT7", O::Node, "Initial Tc", false},
        {"LVSINT8", O::Node, "Base flow", false},
        {"LVSINT9", O::Node, "Area 1 (C)", false},
        {"LVSINT10", O::Node, "Area 2 (C)", false},
        {"LVSINT11", O::Node, "Area 3 (C)", false},
        {"LVSINT12", O::Node, "Total area (weighted C)", false},
        {"LVSINT13", O::Node, "Local CA", true},
        {"LVSSGL18", O::Node, "Local Q", true},
        {"LVSINT14", O::Node, "Upstream CA", true},
        {"LVSINT15", O::Node, "Total CA", true},
        {"LVSINT16", O::Node, "Tc", true},
        {"LVSINT17", O::Node, "Intensity", true},
        {"LVSINT18", O::Node, "Junction loss", true},
        {"LVSINT19", O::Node, "HGL at node", true},
        {"LVSINT20", O::Node, "Clearance", true},
        {"LVSINT21", O::Reach, "Reach name", false},
        {"LVSINT22", O::Reach, "Pipe ((L) = fixed size)", false},
        {"LVSINT23", O::Reach, "Length", false},
        {"LVSINT24", O::Reach, "Manning's n", false},
        {"LVSINT25", O::Reach, "Crown elevations", false},
        {"LVSINT26", O::Reach, "Invert elevations", false},
        {"LVSINT27", O::Reach, "Invert elevations, (L) = fixed", false},
        {"LVSINT28", O::Reach, "Pipe slope", false},
        {"LVSINT29", O::Reach, "Travel time", true},
        {"LVSINT30", O::Reach, "Sum of base flow", true},
        {"LVSSGL1", O::Reach, "Sum of CIA flow", true},
        {"LVSSGL2", O::Reach, "Flow Q", true},
        {"LVSSGL3", O::Reach, "HGL elevations", true},
        {"LVSSGL4", O::Reach, "HGL slope", true},
        {"LVSSGL5", O::Reach, "Flow condition", true},
        {"LVSSGL6", O::Reach, "Velocity (actual)", true},
        {"LVSSGL7", O::Reach, "Velocity (physical)", true},
        {"LVSSGL8", O::Reach, "Capacity", true},
        {"LVSSGL10", O::Outfall, "Station (offset)", false},
        {"LVSSGL11", O::Outfall, "Structure", false},
        {"LVSSGL12", O::Outfall, "Top elevation", false},
        {"LVSSGL14", O::Outfall, "Exit loss coefficient", false},
        {"LVSSGL13", O::Outfall, "Tailwater elevation", false},
        {"LVSSGL16", O::Outfall, "Exit loss", true},
        {"LVSSGL17", O::Outfall, "Control elevation", true},
    };
    return items;
}

int displaySetRecnum(int set) { return set == 7 ? 17 : set; }

namespace {

DisplayOptions fromRow(const db::RecordSet& rs) {
    DisplayOptions o;
    for (const LabelItem& item : labelItems()) o.on[item.field] = rs.number(item.field) != 0;
    return o;
}

}  // namespace

bool readDisplayOptions(db::Database& db, int set, DisplayOptions& out, ui::UiPort& ui) {
    db::RecordSet rs(db, "T27", "RECNUM = ?", {displaySetRecnum(set)});
    if (rs.empty()) {
        ui.message("", "Display option '" + std::to_string(set) +
                           "' cannot be found.\rUse 'Display Options' button to define this option.",
                   ui::Icon::Exclamation);
        out = DisplayOptions{};
        return false;
    }
    out = fromRow(rs);
    return true;
}

DisplayOptions displayOptionsOrEmpty(db::Database& db, int set) {
    db::RecordSet rs(db, "T27", "RECNUM = ?", {displaySetRecnum(set)});
    return rs.empty() ? DisplayOptions{} : fromRow(rs);
}

void writeDisplayOptions(db::Database& db, int set, const DisplayOptions& options) {
    db::UndoAction step(db, "Display Options");
    db::RecordSet rs(db, "T27", "RECNUM = ?", {displaySetRecnum(set)});
    if (rs.empty()) {
        rs.addNew();
        rs.set("RECNUM", displaySetRecnum(set));
    } else {
        rs.edit();
    }
    for (const LabelItem& item : labelItems()) rs.set(item.field, options.isOn(item.field));
    rs.update();
}

LabelBuilder::Row LabelBuilder::readRow(db::Statement& st, Columns& columns) {
    if (columns.empty())
        for (int i = 0; i < st.columnCount(); ++i) columns.emplace(toUpper(st.columnName(i)), i);
    Row r{&columns, {}};
    r.values.reserve(static_cast<std::size_t>(st.columnCount()));
    for (int i = 0; i < st.columnCount(); ++i) r.values.push_back(st.column(i));
    return r;
}

namespace {

template <class Row>
const kolv::db::Value* field(const Row& r, const char* f) {
    if (!r.columns) return nullptr;
    auto it = r.columns->find(toUpper(f));
    return it == r.columns->end() ? nullptr : &r.values[static_cast<std::size_t>(it->second)];
}

}  // namespace

double LabelBuilder::num(const Row& r, const char* f) {
    const db::Value* v = field(r, f);
    return v ? v->toDouble() : 0.0;
}

std::string LabelBuilder::txt(const Row& r, const char* f) {
    const db::Value* v = field(r, f);
    return v ? trim(v->toText()) : std::string();
}

LabelBuilder::LabelBuilder(db::Database& db, const std::string& systemName, DisplayOptions options)
    : m_options(std::move(options)) {
    const std::string system = trim(systemName);
    bool resultsUsed = false;
    for (const LabelItem& item : labelItems()) {
        if (!m_options.isOn(item.field)) continue;
        (item.object == O::Node ? m_nodeOn : item.object == O::Reach ? m_reachOn : m_outfallOn).push_back(&item);
        resultsUsed = resultsUsed || (item.fromResults && item.object != O::Outfall);
    }
    {
        db::Statement st = db.prepare("SELECT ENGLISH_METRIC FROM T0 LIMIT 1");
        if (st.step()) m_metric = st.column(0).toBool();
    }
    {  // the header and the pipes first: the lines of the nodes and reaches read them
        db::Statement st = db.prepare("SELECT * FROM T16 WHERE SYSTEM = ?");
        st.bind(1, system);
        if (st.step()) m_header = readRow(st, m_headerColumns);
    }
    // each record's lines made as it is read (the first record of a name wins), the record let go
    Columns columns;  // of the query being read; the pipes keep theirs
    auto readAll = [&](const std::string& sql, const db::Value& p, const char* key, auto&& keep) {
        columns.clear();
        db::Statement st = db.prepare(sql);
        st.bind(1, p);
        while (st.step()) {
            const Row r = readRow(st, columns);
            keep(toUpper(txt(r, key)), r);
        }
    };
    if (!m_reachOn.empty()) {
        readAll("SELECT NAME, HEIGHT, N FROM T7 WHERE ENG_MET = ?", m_metric ? 1 : 0, "NAME",
                [&](std::string k, const Row& r) { m_pipes.emplace(std::move(k), r); });
        m_pipeColumns = std::move(columns);
        for (auto& [name, row] : m_pipes) row.columns = &m_pipeColumns;
    }
    // only the fields the labels use, and only the tables a switched-on line reads: a large
    // system reads quickly (a node or reach not read is labelled as one without data lines)
    if (!m_nodeOn.empty()) {
        readAll("SELECT NAME, STATION, OFFSET, STRUCT_NAME, INLET_ELEV, MIN_HGL, JUNC_LOSS_COEFF, TC, BASE_FLOW, "
                "P_C1DA, P_C2DA, P_C3DA, RUNOFF_C1, RUNOFF_C2, RUNOFF_C3, CALC_RUNOFF_C1, CALC_RUNOFF_C2, "
                "CALC_RUNOFF_C3 FROM NODE WHERE SYSTEM = ?",
                system, "NAME", [&](std::string k, const Row& r) {
                    if (!m_nodes.count(k)) m_nodes.emplace(std::move(k), nodeLines(r));
                });
    }
    if (!m_reachOn.empty()) {
        readAll("SELECT NAME, NODE1, PIPE_NAME, LENGTH, ELEV1, ELEV2, CALC_PIPESIZE, CALC_FROM_ELEV, CALC_TO_ELEV "
                "FROM REACH WHERE SYSTEM = ?",
                system, "NAME", [&](std::string k, const Row& r) {
                    if (!m_reaches.count(k)) m_reaches.emplace(std::move(k), reachLines(r));
                });
    }
    if (resultsUsed) {
        readAll("SELECT \"FROM\", P_LOCAL_CA, INTENSITY, P_UPSTREAM_CA, TOTALCA, TC, JLOSS, HGL_AT_NODE, CLEARENCE, TF, "
                "Qbasetot, Qro, Q, HGL_UP, HGL_DN, LENGTH, FLOW_COND, VELOCITY, VELOCITY_PHYS, CAPACITY "
                "FROM T60 WHERE SYSTEM = ?",
                system, "FROM", [&](std::string k, const Row& r) {
                    if (m_nodeResults.count(k)) return;
                    m_reachResults.emplace(k, reachResultLines(r));
                    m_nodeResults.emplace(std::move(k), nodeResultLines(r));
                });
    }
}

std::string LabelBuilder::nodeLines(const Row& n) const {
    // runoff coefficient of area k: the system default while the node lets it be computed
    auto coefficient = [&](int k) {
        const std::string ks = std::to_string(k);
        if (num(n, ("CALC_RUNOFF_C" + ks).c_str()) != 0) return num(m_header, ("AREA" + ks).c_str());
        return num(n, ("RUNOFF_C" + ks).c_str());
    };
    std::string lines;
    auto add = [&](const std::string& line) { lines += '\r' + line; };
    for (const LabelItem* item : m_nodeOn) {
        if (item->fromResults) continue;
        const std::string_view f = item->field;
        if (f == "LVSINT2") add(txt(n, "STATION") + " (" + f2(num(n, "OFFSET")) + ")");
        else if (f == "LVSINT3") add(txt(n, "STRUCT_NAME"));
        else if (f == "LVSINT4") add("InEl: " + f2(num(n, "INLET_ELEV")));
        else if (f == "LVSINT5") add("MinHGL: " + f2(num(n, "MIN_HGL")));
        else if (f == "LVSINT6") add("xLosCoef: " + f2(num(n, "JUNC_LOSS_COEFF")));
        else if (f == "LVSINT7") add("InitTc: " + f2(num(n, "TC")));
        else if (f == "LVSINT8") add("BaseFlow: " + f2(num(n, "BASE_FLOW")));
        else if (f == "LVSINT9" || f == "LVSINT10" || f == "LVSINT11") {
            const int k = f == "LVSINT9" ? 1 : f == "LVSINT10" ? 2 : 3;
            const std::string ks = std::to_string(k);
            add("Area" + ks + ": " + f2(num(n, ("P_C" + ks + "DA").c_str())) + " (" + f2(coefficient(k)) + ")");
        } else if (f == "LVSINT12") {
            double area = 0, ca = 0;  // acres, acres x C
            for (int k = 1; k <= 3; ++k) {
                const double a = num(n, ("P_C" + std::to_string(k) + "DA").c_str());
                area += a;
                ca += a * coefficient(k);
            }
            add("TotArea: " + f2(area) + " (" + f2(area > 0 ? ca / area : 0.0) + ")");  // C = sum(A C) / sum(A)
        }
    }
    return lines;
}

std::string LabelBuilder::nodeResultLines(const Row& t60) const {
    std::string lines;
    auto add = [&](const std::string& line) { lines += '\r' + line; };
    for (const LabelItem* item : m_nodeOn) {
        if (!item->fromResults) continue;
        const std::string_view f = item->field;
        if (f == "LVSINT13") add("LocCA: " + f2(num(t60, "P_LOCAL_CA")));
        else if (f == "LVSSGL18") add("LocQ: " + f2(num(t60, "P_LOCAL_CA") * num(t60, "INTENSITY")));  // Q = C A i
        else if (f == "LVSINT14") add("UpsCA: " + f2(num(t60, "P_UPSTREAM_CA")));
        else if (f == "LVSINT15") add("TotCA: " + f2(num(t60, "TOTALCA")));
        else if (f == "LVSINT16") add("Tc: " + f2(num(t60, "TC")));
        else if (f == "LVSINT17") add("Inten: " + f2(num(t60, "INTENSITY")));
        else if (f == "LVSINT18") add("xLoss: " + f2(num(t60, "JLOSS")));
        else if (f == "LVSINT19") add("HGL: " + f2(num(t60, "HGL_AT_NODE")));
        else if (f == "LVSINT20") add("Clr: " + f2(num(t60, "CLEARENCE")));
    }
    return lines;
}

std::string LabelBuilder::nodeLabel(const std::string& nodeName) const {
    const std::string name = trim(nodeName);
    const std::string k = toUpper(name);
    auto it = m_nodes.find(k);
    if (it == m_nodes.end()) return name;
    auto res = m_nodeResults.find(k);
    return name + it->second + (res == m_nodeResults.end() ? std::string() : res->second);
}

LabelBuilder::ReachLines LabelBuilder::reachLines(const Row& r) const {
    const std::string pipeName = txt(r, "PIPE_NAME");
    auto pipe = m_pipes.find(toUpper(pipeName));
    const Row* p = pipe == m_pipes.end() ? nullptr : &pipe->second;
    const double height = p ? num(*p, "HEIGHT") : 0.0;  // ft (m)
    const double e1 = num(r, "ELEV1"), e2 = num(r, "ELEV2"), length = num(r, "LENGTH");
    ReachLines out;
    out.node1 = toUpper(txt(r, "NODE1"));
    auto add = [&](const std::string& line) { out.text += (out.count++ ? "\r" : "") + line; };
    for (const LabelItem* item : m_reachOn) {
        if (item->fromResults) continue;
        const std::string_view f = item->field;
        if (f == "LVSINT21") add(txt(r, "NAME"));
        else if (f == "LVSINT22") add((pipeName.empty() ? "<none>" : pipeName) + (num(r, "CALC_PIPESIZE") == 0 ? "(L)" : ""));
        else if (f == "LVSINT23") add(f2(length) + (m_metric ? " m" : " ft"));
        else if (f == "LVSINT24") add("N: " + f4(p ? num(*p, "N") : 0.0));
        else if (f == "LVSINT25") add("Crown El: " + f2(e1 + height) + " -> " + f2(e2 + height));
        else if (f == "LVSINT26") add("Invert El: " + f2(e1) + " -> " + f2(e2));
        else if (f == "LVSINT27")
            add("Invert El: " + f2(e1) + (num(r, "CALC_FROM_ELEV") == 0 ? "(L)" : "") + " -> " + f2(e2) +
                (num(r, "CALC_TO_ELEV") == 0 ? "(L)" : ""));
        else if (f == "LVSINT28")
            add(length == 0 ? "Slope: <invalid length>" : "Slope: " + f4((e1 - e2) / length * 100) + "%");  // S = (E1 - E2) / L
    }
    return out;
}

LabelBuilder::ReachLines LabelBuilder::reachResultLines(const Row& t60) const {
    ReachLines out;
    auto add = [&](const std::string& line) { out.text += (out.count++ ? "\r" : "") + line; };
    for (const LabelItem* item : m_reachOn) {
        if (!item->fromResults) continue;
        const std::string_view f = item->field;
        if (f == "LVSINT29") add("Travel Time: " + f2(num(t60, "TF")));
        else if (f == "LVSINT30") add("Sum Base Flow(Qb): " + f2(num(t60, "Qbasetot")));
        else if (f == "LVSSGL1") add("Sum CIA Flow: " + f2(num(t60, "Qro")));
        else if (f == "LVSSGL2") add("Q: " + f2(num(t60, "Q")) + " cfs");
        else if (f == "LVSSGL3") add("HGL El: " + f2(num(t60, "HGL_UP")) + " -> " + f2(num(t60, "HGL_DN")));
        else if (f == "LVSSGL4") {
            const double l = num(t60, "LENGTH");
            add(l == 0 ? "HGL Slope: <invalid length>"
                       : "HGL Slope: " + f4((num(t60, "HGL_UP") - num(t60, "HGL_DN")) / l * 100) + "%");
        } else if (f == "LVSSGL5") add(txt(t60, "FLOW_COND"));
        else if (f == "LVSSGL6") add("Vel (Actual): " + f2(num(t60, "VELOCITY")));
        else if (f == "LVSSGL7") add("Vel (Phys): " + f2(num(t60, "VELOCITY_PHYS")));
        else if (f == "LVSSGL8") add("Capacity: " + f2(num(t60, "CAPACITY")));
    }
    return out;
}

std::string LabelBuilder::reachLabel(const std::string& reachName) const {
    // With no reach line switched on a reach is labelled by its name, as a node is.
    if (m_reachOn.empty()) return trim(reachName);
    auto it = m_reaches.find(toUpper(trim(reachName)));
    if (it == m_reaches.end()) return "";
    const ReachLines& own = it->second;
    auto res = m_reachResults.find(own.node1);
    if (res == m_reachResults.end() || res->second.count == 0) return own.text;
    return own.count == 0 ? res->second.text : own.text + "\r" + res->second.text;
}

std::string LabelBuilder::outfallLabel() const {
    const Row& h = m_header;
    std::string label = txt(h, "OUT_NODE");
    auto add = [&](const std::string& line) { label += '\r' + line; };
    for (const LabelItem* item : m_outfallOn) {
        const std::string_view f = item->field;
        if (f == "LVSSGL10") add(txt(h, "OUT_STA") + " (" + f2(num(h, "OUT_OFF")) + ")");
        else if (f == "LVSSGL11") add(txt(h, "STRUCT_NAME"));
        else if (f == "LVSSGL12") add("Top El: (" + f2(num(h, "OUT_EL")) + ")");
        else if (f == "LVSSGL14") add("Exit Loss Coef: (" + f2(num(h, "EXIT_LOSS_COEFF")) + ")");
        else if (f == "LVSSGL13") add("TailWater El: (" + f2(num(h, "OUT_TW")) + ")");
        else if (f == "LVSSGL16") add("Exit Loss: (" + f2(num(h, "EXIT_LOSS_16")) + ")");
        else if (f == "LVSSGL17") add("Control El: (" + f2(num(h, "CONTROL_EL_16")) + ")");
    }
    return label;
}

std::vector<std::string> labelLines(const std::string& label) { return split(label, '\r'); }

}  // namespace kolv::diagram
