// Geometry of a hydraulic profile: the path from a node to the outfall and every line and label drawn along it.
#include "hydraulics/profile_model.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <unordered_map>

#include "common/text.h"
#include "common/vb_format.h"
#include "db/record_set.h"
#include "db/table_row.h"
#include "hydraulics/section_geometry.h"

namespace kolv::hydraulics {

namespace {

using units::kCmsPerCfs;
using units::kMetersPerFoot;

int clampStatus(long s) { return s < 0 || s > 5 ? 0 : static_cast<int>(s); }

}  // namespace

std::vector<ProfileRow> readProfileRows(db::Database& db, const std::string& system) {
    std::vector<ProfileRow> rows;
    const std::string sys = trim(system);
    // The status of each node and of the reach leaving it: the first row by name, as a find
    // gives it. The tables are read once, a row at a time, with only the fields used here.
    std::unordered_map<std::string, int> nodeStatus, reachStatus;
    for (db::TableRows t(db, "NODE", "SYSTEM = ?", {sys}, {"NAME", "TOP_STATUS"}); t.next();)
        if (!t.value("NAME").isNull())
            nodeStatus.emplace(db::compareKey(t.value("NAME")), clampStatus(t.integer("TOP_STATUS")));
    if (db.layout("REACH").position("REACH_STATUS") >= 0)
        for (db::TableRows t(db, "REACH", "SYSTEM = ?", {sys}, {"NODE1", "REACH_STATUS"}); t.next();)
            if (!t.value("NODE1").isNull())
                reachStatus.emplace(db::compareKey(t.value("NODE1")), clampStatus(t.integer("REACH_STATUS")));
    for (db::TableRows t60(db, "T60", "SYSTEM = ?", {sys},
                           {"FROM", "TO", "STATION", "TYPE", "FLOW_COND", "LENGTH", "INLET_EL", "FL_UP", "FL_DN",
                            "CL_UP", "CL_DN", "HGL_UP", "HGL_DN", "HGL_AT_NODE", "CLEARENCE", "HEIGHT", "VELOCITY",
                            "Q", "P_CRIT_DEPTH"});
         t60.next();) {
        ProfileRow r;
        r.from = trim(t60.text("FROM"));
        r.to = trim(t60.text("TO"));
        r.station = trim(t60.text("STATION"));
        r.pipe = trim(t60.text("TYPE"));
        r.flowCond = trim(t60.text("FLOW_COND"));
        r.lengthFt = t60.number("LENGTH");
        r.inletElFt = t60.number("INLET_EL");
        r.flUpFt = t60.number("FL_UP");
        r.flDnFt = t60.number("FL_DN");
        r.clUpFt = t60.number("CL_UP");
        r.clDnFt = t60.number("CL_DN");
        r.hglUpFt = t60.number("HGL_UP");
        r.hglDnFt = t60.number("HGL_DN");
        r.hglAtNodeFt = t60.number("HGL_AT_NODE");
        r.clearanceFt = t60.number("CLEARENCE");
        r.heightFt = t60.number("HEIGHT");
        r.velocityFtS = t60.number("VELOCITY");
        r.qCfs = t60.number("Q");
        r.critDepthFt = t60.number("P_CRIT_DEPTH");
        const std::string key = db::compareKey(db::Value(r.from));
        if (auto n = nodeStatus.find(key); n != nodeStatus.end()) r.nodeStatus = n->second;
        if (auto x = reachStatus.find(key); x != reachStatus.end()) r.reachStatus = x->second;
        rows.push_back(std::move(r));
    }
    return rows;
}

ProfileOutfall readProfileOutfall(db::Database& db, const std::string& system) {
    ProfileOutfall o;
    db::RecordSet t16(db, "T16", "SYSTEM = ?", {trim(system)});
    if (!t16.empty()) {
        o.name = trim(t16.text("OUT_NODE"));
        o.tailwaterFt = t16.number("OUT_TW");
    }
    return o;
}

std::string stationText(double station, bool metric) {
    // 1250 ft -> "12+50": hundreds, then the remainder in two digits; metric 1250 m -> "1+250"
    const double unit = metric ? 1000.0 : 100.0;
    const char* picture = metric ? "000" : "00";
    double a = std::fabs(roundHalfAway(station, 0));
    long whole = static_cast<long>(std::floor(a / unit + 1e-9));
    double rest = a - whole * unit;
    if (rest < 0) rest = 0;
    std::string restText = vbFormat(rest, picture);
    if (restText.size() > std::string(picture).size()) {
        ++whole;
        restText = picture;
    }
    return (station < 0 && a > 0 ? "-" : "") + std::to_string(whole) + "+" + restText;
}

double roundExaggeration(double fit) {
    if (!(fit >= 1.0)) return fit > 0 ? fit : 1.0;
    double decade = std::pow(10.0, std::floor(std::log10(fit) + 1e-12));
    double best = decade;
    for (double m : {1.0, 2.0, 2.5, 5.0})
        if (m * decade <= fit * (1 + 1e-12)) best = m * decade;
    return best;
}

double niceStep(double rough) {
    if (!(rough > 0)) return 1.0;
    double decade = std::pow(10.0, std::floor(std::log10(rough)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * decade >= rough * (1 - 1e-12)) return m * decade;
    return 10.0 * decade;
}

double parseStation(const std::string& text) {
    std::string t = trim(text);
    if (t.empty()) return 0;
    auto plus = t.find('+');
    if (plus == std::string::npos) return leadingNumber(t);
    bool negative = !t.empty() && t[0] == '-';
    double hundreds = std::fabs(leadingNumber(t.substr(0, plus)));
    double rest = leadingNumber(t.substr(plus + 1));
    double v = hundreds * 100.0 + rest;
    return negative ? -v : v;
}

ProfileModel::ProfileModel(std::vector<ProfileRow> rows, ProfileOutfall outfall)
    : m_rows(std::move(rows)), m_outfall(std::move(outfall)) {}

int ProfileModel::indexOf(const std::string& node) const {
    std::string n = trim(node);
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        if (equalsIgnoreCase(m_rows[i].from, n)) return static_cast<int>(i);
    return -1;
}

std::vector<int> ProfileModel::pathFrom(const std::string& node) const {
    std::vector<int> path;
    std::set<int> seen;
    int i = indexOf(node);
    while (i >= 0 && !seen.count(i)) {
        seen.insert(i);
        path.push_back(i);
        const std::string& to = m_rows[i].to;
        if (!m_outfall.name.empty() && equalsIgnoreCase(to, m_outfall.name)) break;
        i = indexOf(to);
    }
    return path;
}

double ProfileModel::pathLengthFt(const std::string& node) const {
    double total = 0;
    for (int i : pathFrom(node)) total += m_rows[i].lengthFt;
    return total;
}

std::string ProfileModel::longestPathStart() const {
    std::string best;
    double bestLength = -1;
    for (const auto& r : m_rows) {
        double l = pathLengthFt(r.from);
        if (l > bestLength + 1e-9) {
            bestLength = l;
            best = r.from;
        }
    }
    return best;
}

std::vector<std::string> ProfileModel::zeroFieldMessages(const std::string& node) const {
    std::vector<std::string> messages;
    for (int i : pathFrom(node)) {
        const ProfileRow& r = m_rows[i];
        std::vector<std::pair<const char*, double>> fields = {{"Length = ", r.lengthFt},
                                                              {"HGL at Node = ", r.hglAtNodeFt},
                                                              {"Inlet Elevation = ", r.inletElFt},
                                                              {"HGL at upstream end of pipe = ", r.hglUpFt},
                                                              {"Flow (Q) = ", r.qCfs}};
        std::string text;
        for (const auto& [caption, value] : fields)
            if (value == 0) text += std::string("\r") + caption + vbFormat(value, "0.0000");
        if (!text.empty()) messages.push_back("Node " + r.from + " contains zero in the following fields:" + text);
    }
    return messages;
}

ProfileGeometry ProfileModel::build(const std::string& node, bool metric, const StatusFilter& filter) const {
    ProfileGeometry g;
    g.metric = metric;
    g.lengthUnit = metric ? "m" : "ft";
    std::vector<int> path = pathFrom(node);
    if (path.empty()) return g;

    const double k = metric ? kMetersPerFoot : 1.0;  // display length = feet x k
    const std::string elevPicture = metric ? "0.000" : "0.00";
    auto elev = [&](double ft) { return vbFormat(ft * k, elevPicture); };
    auto flowText = [&](double cfs) {
        return metric ? vbFormat(cfs * kCmsPerCfs, "0.000") + " cms" : vbFormat(cfs, "0.00") + " cfs";
    };
    auto velocityText = [&](double fps) {
        return metric ? vbFormat(fps * kMetersPerFoot, "0.00") + " m/s" : vbFormat(fps, "0.00") + " ft/s";
    };

    double stationFt = parseStation(m_rows[path.front()].station);
    double previousInvertDnFt = std::numeric_limits<double>::quiet_NaN();
    bool previousReachShown = false;
    for (std::size_t p = 0; p < path.size(); ++p) {
        const ProfileRow& r = m_rows[path[p]];
        g.path.push_back(r.from);
        double x0Ft = stationFt, x1Ft = stationFt + r.lengthFt;
        bool nodeShown = filter[static_cast<std::size_t>(clampStatus(r.nodeStatus))];
        bool reachShown = filter[static_cast<std::size_t>(clampStatus(r.reachStatus))];
        bool ditch = toUpper(r.pipe) == "DITCH";

        // ground: the inlet (grate or throat) at each node
        if (r.inletElFt != 0) g.ground.push_back({x0Ft * k, r.inletElFt * k});

        // structure from the lowest invert meeting it on the path up to the inlet
        double bottomFt = r.flUpFt;
        if (!std::isnan(previousInvertDnFt)) bottomFt = std::min(bottomFt, previousInvertDnFt);
        double topFt = r.inletElFt != 0 ? r.inletElFt : std::max(r.clUpFt, r.hglAtNodeFt);
        if (nodeShown) {
            g.structures.push_back({r.from, x0Ft * k, bottomFt * k, topFt * k, false});
            g.labels.push_back({ProfileLabel::Place::AboveStructure, x0Ft * k, topFt * k,
                                {r.from, "HGL = " + elev(r.hglAtNodeFt), "Clear = " + elev(r.clearanceFt)}});
        }

        // grade line: at the node (after the junction loss), then along the pipe
        g.hgl.push_back({x0Ft * k, r.hglAtNodeFt * k});
        g.hgl.push_back({x0Ft * k, r.hglUpFt * k});
        g.hgl.push_back({x1Ft * k, r.hglDnFt * k});

        // energy line: HGL + V^2 / 2g
        double headFt = r.velocityFtS * r.velocityFtS / (2.0 * kGravityFtPerS2);
        g.egl.push_back({{x0Ft * k, (r.hglUpFt + headFt) * k}, {x1Ft * k, (r.hglDnFt + headFt) * k}});

        // critical depth above the invert
        if (r.critDepthFt > 0)
            g.critical.push_back({{x0Ft * k, (r.flUpFt + r.critDepthFt) * k}, {x1Ft * k, (r.flDnFt + r.critDepthFt) * k}});

        if (reachShown) {
            g.pipes.push_back({x0Ft * k, x1Ft * k, r.flUpFt * k, r.flDnFt * k, r.clUpFt * k, r.clDnFt * k, ditch});
            double slopePct = r.lengthFt > 0 ? (r.flUpFt - r.flDnFt) / r.lengthFt * 100.0 : 0.0;  // S = drop / L
            g.labels.push_back({ProfileLabel::Place::BelowPipe, (x0Ft + x1Ft) / 2 * k, std::min(r.flUpFt, r.flDnFt) * k,
                                {"Pipe: " + (ditch ? std::string("DITCH") : r.pipe),
                                 "Flow (Q): " + flowText(r.qCfs), "Velocity: " + velocityText(r.velocityFtS),
                                 "L = " + vbFormat(r.lengthFt * k, "0.0") + " " + g.lengthUnit + "  S = " +
                                     vbFormat(slopePct, "0.00") + "%"}});
        }
        // flow lines meeting at the structure: the incoming pipe's end and the outgoing pipe's start
        std::vector<std::string> fl;
        bool inShown = p > 0 && previousReachShown;
        if (inShown && reachShown && elev(previousInvertDnFt) != elev(r.flUpFt)) {
            fl.push_back("FL = " + elev(previousInvertDnFt) + " (in)");
            fl.push_back("FL = " + elev(r.flUpFt) + " (out)");
        } else if (reachShown) {
            fl.push_back("FL = " + elev(r.flUpFt));
        } else if (inShown) {
            fl.push_back("FL = " + elev(previousInvertDnFt));
        }
        if (!fl.empty()) g.labels.push_back({ProfileLabel::Place::BelowStructure, x0Ft * k, bottomFt * k, fl});
        previousInvertDnFt = r.flDnFt;
        previousReachShown = reachShown;
        stationFt = x1Ft;
    }

    // the outfall at the end of the last reach
    const ProfileRow& last = m_rows[path.back()];
    bool atOutfall = !m_outfall.name.empty() && equalsIgnoreCase(last.to, m_outfall.name);
    std::string endName = last.to.empty() ? m_outfall.name : last.to;
    g.path.push_back(endName);
    g.tailwater = (atOutfall ? m_outfall.tailwaterFt : last.hglDnFt) * k;
    double endTopFt = std::max(last.clDnFt, atOutfall ? m_outfall.tailwaterFt : last.hglDnFt);
    g.structures.push_back({endName, stationFt * k, last.flDnFt * k, endTopFt * k, atOutfall});
    std::vector<std::string> endLines = {endName};
    if (atOutfall) endLines.push_back("TW = " + elev(m_outfall.tailwaterFt));
    g.labels.push_back({ProfileLabel::Place::AboveStructure, stationFt * k, endTopFt * k, endLines});
    if (previousReachShown)
        g.labels.push_back({ProfileLabel::Place::BelowStructure, stationFt * k, last.flDnFt * k, {"FL = " + elev(last.flDnFt)}});
    g.title = g.path.front() + " to " + endName;

    // extent of everything drawn
    g.xMin = std::numeric_limits<double>::max();
    g.yMin = std::numeric_limits<double>::max();
    g.xMax = -g.xMin;
    g.yMax = -g.yMin;
    auto extend = [&](const ProfilePoint& pt) {
        g.xMin = std::min(g.xMin, pt.x);
        g.xMax = std::max(g.xMax, pt.x);
        g.yMin = std::min(g.yMin, pt.y);
        g.yMax = std::max(g.yMax, pt.y);
    };
    for (const auto& pt : g.ground) extend(pt);
    for (const auto& pt : g.hgl) extend(pt);
    for (const auto& seg : g.egl)
        for (const auto& pt : seg) extend(pt);
    for (const auto& seg : g.critical)
        for (const auto& pt : seg) extend(pt);
    for (const auto& s : g.structures) {
        extend({s.x, s.bottom});
        extend({s.x, s.top});
    }
    for (const auto& pp : g.pipes) {
        extend({pp.x0, std::min(pp.invert0, pp.crown0)});
        extend({pp.x1, std::max(pp.invert1, pp.crown1)});
        extend({pp.x0, std::max(pp.invert0, pp.crown0)});
        extend({pp.x1, std::min(pp.invert1, pp.crown1)});
    }
    return g;
}

}  // namespace kolv::hydraulics
