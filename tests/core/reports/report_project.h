// A small project for the report tests: two systems (one named with a quote mark), definitions,
// rainfall tables and hand-made storm tab rows in T60 (feet, acres, cfs, as the run writes them).
#pragma once

#include <string>
#include <tuple>
#include <vector>

#include "db/database.h"
#include "support/test_support.h"

namespace kolv::test {

inline void insertRow(db::Database& db, const std::string& table, const std::vector<std::string>& fields,
                      const std::vector<db::Value>& values) {
    std::string sql = "INSERT INTO " + db::quoteIdent(table) + " (";
    std::string marks;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        sql += (i ? ", " : "") + db::quoteIdent(fields[i]);
        marks += i ? ", ?" : "?";
    }
    db.execute(sql + ") VALUES (" + marks + ")", values);
}

/// One T60 row of the chain: node i drains to node i+1 (the last one to the outfall "OUT").
struct TabRow {
    std::string from, to, station, pipe;
    double lengthFt, areaAc, c, tcMin, tfMin, intensity, heightFt, flUp, flDn, hglUp, hglDn, inlet;
    int sequencer = 0;
    std::string type;  // "" = the pipe name
};

/// Builds the project at dir/reports.mdb and returns its path. `metric` sets the project's units.
inline std::string makeReportProject(const TempDir& dir, bool metric = false) {
    std::string path = makeEmptyProject(dir, "reports.mdb");
    auto db = db::Database::open(path);
    db->execute("UPDATE T0 SET PRJ_NUMBER = ?, PRJ_DESC = ?, PRJ_COUNTY = ?, PRJ_STATE_ROAD = ?, ENGLISH_METRIC = ?",
                {"4521-07", "Oak Street drainage improvements", "Alachua", "SR 26", metric ? -1 : 0});
    for (const std::string sys : {"S1", "O'HARA"})
        insertRow(*db, "T16",
                  {"SYSTEM", "OUT_NODE", "OUT_TW", "ZONE", "FREQ", "INTENSITY_METHOD", "DESIGNED BY", "CHECKED BY",
                   "PRJ_STATE_ROAD"},
                  {sys, "OUT", 92.5, "6", 3.0, 0, "J. Engineer", "R. Checker", "CR 234"});

    // Nodes: 12 in S1 (a few with a Tc worksheet), 3 in O'HARA.
    for (int i = 1; i <= 12; ++i) {
        std::string name = "S1-" + std::to_string(i);
        double tt = (i % 4 == 1) ? 2.5 : 0.0;  // nodes 1, 5, 9 have a travel-time segment
        insertRow(*db, "NODE",
                  {"NAME", "SYSTEM", "STATION", "OFFSET", "STRUCT_NAME", "INLET_ELEV", "TC", "P_C1DA", "RUNOFF_C1",
                   "TC_SEGTT0", "TC_SEGTT8", "SEQUENCER"},
                  {name, "S1", std::to_string(10 + i) + "+50", i % 2 ? 20.0 : -20.0, "CI-P5", 110.0 - 1.2 * i, 10.0,
                   0.4 + 0.1 * i, 0.85, i == 9 ? 0.0 : tt, i == 9 ? 1.5 : 0.0, 0});
        insertRow(*db, "REACH", {"NAME", "SYSTEM", "NODE1", "NODE2", "PIPE_NAME", "LENGTH", "ELEV1", "ELEV2", "BARRELS"},
                  {name, "S1", name, i == 12 ? "OUT" : "S1-" + std::to_string(i + 1), i < 6 ? "18RCP" : "24RCP",
                   250.0, 104.0 - 1.2 * i, 103.2 - 1.2 * i, 1});
    }
    for (int i = 1; i <= 3; ++i) {
        std::string name = "OH-" + std::to_string(i);
        insertRow(*db, "NODE", {"NAME", "SYSTEM", "STATION", "INLET_ELEV", "TC_SEGTT3"},
                  {name, "O'HARA", "5+0" + std::to_string(i), 99.0, 4.0});
    }

    // Definitions in both unit systems.
    int g = 0;
    for (auto [name, engMet, group, h] : std::vector<std::tuple<std::string, int, int, double>>{
             {"18RCP", 0, 1, 1.5}, {"24RCP", 0, 1, 2.0}, {"30RCP", 0, 1, 2.5}, {"15CMP", 0, 3, 1.25},
             {"18CMP", 0, 3, 1.5}, {"450RCP", 1, 1, 0.45}, {"600RCP", 1, 1, 0.6}}) {
        insertRow(*db, "T7", {"NAME", "ENG_MET", "GROUPP", "DS_DESC", "HEIGHT", "WIDTH", "AREA", "N", "COST"},
                  {name, engMet, group, "Pipe " + name, h, h, 3.14159265 * h * h / 4, group == 3 ? 0.024 : 0.012,
                   40.0 + 10 * g++});
    }
    for (auto [name, engMet] : std::vector<std::pair<std::string, int>>{{"CI-P5", 0}, {"MH-J7", 0}, {"EW-1", 0},
                                                                        {"CI-M", 1}}) {
        insertRow(*db, "T6", {"NAME", "ENG_MET", "TYPE_OF_STR_SHORT", "COST_LT", "COST_GT", "HGL_CLEAR",
                              "MAX_INLET_HYD_CAPACITY", "MIN_PIPE_COVER"},
                  {name, engMet, name.substr(0, 2), 2500.0, 3800.0, 1.0, 6.5, 1.5});
    }
    db->execute("DELETE FROM T85");
    for (int t = 5; t <= 60; t += 5)
        insertRow(*db, "T85", {"LOCATION", "FREQUENCY", "TIME", "INTENSITY"}, {"GAINESVILLE", "10-YR", t, 9.0 - 0.1 * t});

    // Storm tab rows of S1: a trunk of 12 inlets, the last reach a ditch.
    double totalCa = 0, tc = 10;
    for (int i = 1; i <= 12; ++i) {
        double area = 0.4 + 0.1 * i, ca = 0.85 * area;
        totalCa += ca;
        double intensity = 7.2 - 0.08 * (tc - 10), q = totalCa * intensity;
        double h = i < 6 ? 1.5 : 2.0, a = 3.14159265 * h * h / 4, v = q / a, tf = 250.0 / v / 60;
        bool ditch = i == 12;
        std::string to = i == 12 ? "OUT" : "S1-" + std::to_string(i + 1);
        double inlet = 110.0 - 1.2 * i, hglUp = 104.0 - 1.2 * i + h * 0.9;
        insertRow(*db, "T60",
                  {"SYSTEM", "FROM", "TO", "STATION", "OFFSET", "TYPE", "SEQUENCER", "LENGTH", "C1DA", "C1CA",
                   "TOTAL_DRAINAGE_AREA", "TOTAL_WEIGHTED_C", "P_LOCAL_CA", "TOTALCA", "TC", "TF", "INTENSITY", "Q",
                   "WIDTH", "HEIGHT", "BARRELS", "N", "P_PHY_SLOPE", "MIN_PHYSICAL_VELOCITY", "CAPACITY",
                   "VELOCITY_PHYS", "VELOCITY", "FL_UP", "FL_DN", "CL_UP", "CL_DN", "HGL_UP", "HGL_DN", "HGL_AT_NODE",
                   "JLOSS", "INLET_EL", "CLEARENCE", "FLOW_COND", "P_NORMAL_DEPTH", "P_CRIT_DEPTH", "P_EGL_DEPTH",
                   "DITCH_TYPE_RPT", "DITCH_DESC_1_RPT", "DITCH_DESC_2_RPT", "WARN_VELOCITY_MAX",
                   "WARN_NORMAL_DEPTH_MAX", "WARN_EGL_DEPTH_MAX", "Qbasetot", "Qro"},
                  {"S1", "S1-" + std::to_string(i), to, std::to_string(10 + i) + "+50", i % 2 ? 20.0 : -20.0,
                   ditch ? "DITCH" : (i < 6 ? "18RCP" : "24RCP"), 0, 250.0, area, ca, totalCa / 0.85, 0.85, ca,
                   totalCa, tc, tf, intensity, q, ditch ? 4.0 : h, h, 1, ditch ? 0.035 : 0.012, 0.32, 0.21,
                   q * 1.3, v * 1.1, v, 104.0 - 1.2 * i, 103.2 - 1.2 * i, 104.0 - 1.2 * i + h,
                   103.2 - 1.2 * i + h, hglUp, hglUp - 0.8, hglUp + 0.05, 0.05, inlet, inlet - hglUp - 0.05,
                   i % 3 == 0 ? "SUB" : (i == 7 ? "CRITICAL" : "FULL"), 0.8 * h, 0.7 * h, 0.9 * h,
                   ditch ? "Trapezoid" : "", ditch ? "Bottom 3.00 ft, sides 4:1 / 4:1" : "",
                   ditch ? "Depth 2.00 ft, n 0.035" : "", ditch ? 4.0 : 0.0, ditch ? 1.5 : 0.0, ditch ? 2.0 : 0.0,
                   0.0, totalCa * intensity});
        tc += tf;
    }
    // O'HARA: two rows of its own, so a selection of S1 must leave them out.
    for (int i = 1; i <= 2; ++i)
        insertRow(*db, "T60", {"SYSTEM", "FROM", "TO", "TYPE", "LENGTH", "Q", "HEIGHT"},
                  {"O'HARA", "OH-" + std::to_string(i), i == 2 ? "OUT" : "OH-2", i == 2 ? "DITCH" : "15CMP", 120.0,
                   3.0, 1.25});
    return path;
}

}  // namespace kolv::test
