// Pipe and structure schedules read from the stored storm tabulation (T60, kept in feet and cfs).
#include "submittal/schedules.h"

#include <algorithm>
#include <map>

#include "common/text.h"
#include "common/units.h"
#include "common/vb_format.h"

namespace kolv::submittal {

using reports::Align;

namespace {

double num(const db::Value& v) { return v.isNull() ? 0.0 : v.toDouble(); }

/// Pipe size: diameter in inches (mm), or span x rise for a non-round section.
std::string sizeText(double widthFt, double heightFt, bool ditch, bool metric) {
    if (ditch || heightFt <= 0) return ditch ? "ditch" : "";
    const double k = metric ? 304.8 : 12.0;
    const std::string pic = "0";
    if (widthFt > 0 && std::abs(widthFt - heightFt) > 1e-6)
        return vbFormat(widthFt * k, pic) + "x" + vbFormat(heightFt * k, pic);
    return vbFormat(heightFt * k, pic);
}

}  // namespace

void layoutPipeSchedule(db::Database& db, const std::string& system, bool metric, const SheetFrame& frame,
                        const BodySink& emit) {
    const double len = metric ? units::kMetersPerFoot : 1.0;
    const double q = metric ? units::kCmsPerCfs : 1.0;
    const std::string ep = metric ? "0.000" : "0.00", qp = metric ? "0.000" : "0.00";
    const std::string lu = metric ? "m" : "ft", qu = metric ? "cms" : "cfs", vu = metric ? "m/s" : "ft/s";
    std::vector<TableColumn> cols = {
        {"Reach", 9, Align::Left},          {"From", 9, Align::Left},
        {"To", 9, Align::Left},             {std::string("Size|(") + (metric ? "mm" : "in") + ")", 8, Align::Right},
        {"Pipe", 9, Align::Left},           {"Description", 22, Align::Left},
        {"Brls", 4, Align::Right},          {"Length|(" + lu + ")", 8, Align::Right},
        {"Slope|(%)", 6, Align::Right},     {"Invert|up (" + lu + ")", 8, Align::Right},
        {"Invert|down (" + lu + ")", 8, Align::Right}, {"n", 6, Align::Right},
        {"Q|(" + qu + ")", 8, Align::Right}, {"Capacity|(" + qu + ")", 8, Align::Right},
        {"V|(" + vu + ")", 6, Align::Right}};
    db::Statement st = db.prepare(
        "SELECT R.NAME, T.\"FROM\", T.\"TO\", T.WIDTH, T.HEIGHT, T.TYPE, P.DS_DESC, T.BARRELS, T.LENGTH, "
        "T.P_PHY_SLOPE, T.FL_UP, T.FL_DN, T.N, T.Q, T.CAPACITY, T.VELOCITY FROM T60 T "
        "LEFT JOIN REACH R ON R.NODE1 = T.\"FROM\" AND R.SYSTEM = T.SYSTEM "
        "LEFT JOIN T7 P ON P.NAME = T.TYPE AND P.ENG_MET = ? "
        "WHERE T.SYSTEM = ? ORDER BY T.SEQUENCER, T.rowid");
    st.bindAll({db::Value(metric ? 1 : 0), db::Value(system)});
    std::vector<std::vector<std::string>> rows;
    double totalLength = 0;
    while (st.step()) {
        const std::string pipe = trim(st.column(5).toText());
        const bool ditch = toUpper(pipe) == "DITCH";
        const double lengthFt = num(st.column(8));
        totalLength += lengthFt;
        std::string reach = trim(st.column(0).toText());
        if (reach.empty()) reach = trim(st.column(1).toText());
        rows.push_back({reach, trim(st.column(1).toText()), trim(st.column(2).toText()),
                        sizeText(num(st.column(3)), num(st.column(4)), ditch, metric), pipe,
                        trim(st.column(6).toText()), vbFormat(num(st.column(7)), "0"), vbFormat(lengthFt * len, "0.00"),
                        vbFormat(num(st.column(9)), "0.00"), vbFormat(num(st.column(10)) * len, ep),
                        vbFormat(num(st.column(11)) * len, ep), vbFormat(num(st.column(12)), "0.000"),
                        vbFormat(num(st.column(13)) * q, qp), vbFormat(num(st.column(14)) * q, qp),
                        vbFormat(num(st.column(15)) * len, "0.00")});
    }
    std::vector<std::string> notes = {
        std::to_string(rows.size()) + " reaches, total length " + vbFormat(totalLength * len, "#,##0.00") + " " + lu +
        ".  Slope = (invert up - invert down) / length; capacity is the full-flow capacity of the barrels."};
    layoutTable(frame, "PIPE SCHEDULE - SYSTEM " + system, cols, rows, notes, emit);
}

void layoutStructureSchedule(db::Database& db, const std::string& system, const std::string& outfall, bool metric,
                             const SheetFrame& frame, const BodySink& emit) {
    const double len = metric ? units::kMetersPerFoot : 1.0;
    const std::string ep = metric ? "0.000" : "0.00";
    const std::string lu = metric ? "m" : "ft";
    struct Row {
        std::string name, structure, type;
        double rim = 0, outInvert = 0, outCrown = 0;  // ft, as the storm tab keeps them
        double tw = 0;                                  // project units, as the outfall details keep it
        bool hasOut = false, isOutfall = false;
        std::vector<double> inInverts, inCrowns;
    };
    std::vector<Row> list;
    std::map<std::string, std::size_t> index;  // upper-case name -> row
    db::Statement st = db.prepare(
        "SELECT T.\"FROM\", T.\"TO\", N.STRUCT_NAME, T.TYPE_OF_STR_SHORT, T.INLET_EL, T.FL_UP, T.FL_DN, T.CL_UP, "
        "T.CL_DN FROM T60 T LEFT JOIN NODE N ON N.NAME = T.\"FROM\" "
        "WHERE T.SYSTEM = ? ORDER BY T.SEQUENCER, T.rowid");
    st.bindAll({db::Value(system)});
    struct Link {
        std::string to;
        double invert, crown;
    };
    std::vector<Link> links;
    while (st.step()) {
        Row r;
        r.name = trim(st.column(0).toText());
        r.structure = trim(st.column(2).toText());
        r.type = trim(st.column(3).toText());
        r.rim = num(st.column(4));
        r.outInvert = num(st.column(5));
        r.outCrown = num(st.column(7));
        r.hasOut = true;
        links.push_back({toUpper(trim(st.column(1).toText())), num(st.column(6)), num(st.column(8))});
        index[toUpper(r.name)] = list.size();
        list.push_back(std::move(r));
    }
    if (!outfall.empty() && !index.count(toUpper(outfall))) {
        Row o;
        o.name = outfall;
        o.type = "Outfall";
        o.isOutfall = true;
        db::Statement t = db.prepare("SELECT OUT_TW, STRUCT_NAME FROM T16 WHERE SYSTEM = ?");
        t.bindAll({db::Value(system)});
        if (t.step()) {
            o.tw = num(t.column(0));
            o.structure = trim(t.column(1).toText());
        }
        index[toUpper(outfall)] = list.size();
        list.push_back(std::move(o));
    }
    for (const auto& l : links) {
        auto it = index.find(l.to);
        if (it == index.end()) continue;
        list[it->second].inInverts.push_back(l.invert);
        list[it->second].inCrowns.push_back(l.crown);
    }
    std::vector<TableColumn> cols = {{"Structure", 10, Align::Left},        {"Type", 10, Align::Left},
                                     {"Kind", 6, Align::Left},              {"Rim|(" + lu + ")", 10, Align::Right},
                                     {"Inverts in|(" + lu + ")", 26, Align::Left},
                                     {"Invert out|(" + lu + ")", 9, Align::Right},
                                     {"Depth|(" + lu + ")", 7, Align::Right}, {"Cover|(" + lu + ")", 7, Align::Right}};
    std::vector<std::vector<std::string>> rows;
    for (const auto& r : list) {
        std::string ins;
        for (double v : r.inInverts) ins += (ins.empty() ? "" : ", ") + vbFormat(v * len, ep);
        double lowest = r.hasOut ? r.outInvert : 1e300;
        for (double v : r.inInverts) lowest = std::min(lowest, v);
        double crown = r.hasOut ? r.outCrown : -1e300;
        for (double v : r.inCrowns) crown = std::max(crown, v);
        const bool rim = !r.isOutfall && r.rim != 0;
        rows.push_back({r.name, r.structure, r.isOutfall ? "Outfall" : r.type,
                        r.isOutfall ? "TW " + vbFormat(r.tw, ep) : rim ? vbFormat(r.rim * len, ep) : "",
                        ins.empty() ? "-" : ins, r.hasOut ? vbFormat(r.outInvert * len, ep) : "-",
                        rim && lowest < 1e299 ? vbFormat((r.rim - lowest) * len, "0.00") : "",
                        rim && crown > -1e299 ? vbFormat((r.rim - crown) * len, "0.00") : ""});
    }
    std::vector<std::string> notes = {"Depth = rim - lowest invert; cover = rim - highest crown of the pipes at the "
                                      "structure."};
    layoutTable(frame, "STRUCTURE SCHEDULE - SYSTEM " + system, cols, rows, notes, emit);
}

}  // namespace kolv::submittal
