// Small storm sewer projects built row by row for the storm tabulation tests.
#pragma once

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "db/project.h"
#include "db/record_set.h"
#include "hydraulics/run.h"
#include "session/session.h"
#include "support/system_builder.h"
#include "ui/recording_ui.h"

namespace kolv::hydraulics::test {

using Fields = std::map<std::string, db::Value>;

/// A project built from the seed with a constant design storm of 4 in/hr (one T85 row), so that
/// Q = C A 4 by hand. Rows are written as the program writes them (Single fields rounded to float).
class RunProject : public kolv::test::SystemBuilder {
public:
    explicit RunProject(bool metric = false, const std::string& name = "project.mdb") : SystemBuilder(name) {
        db.execute("UPDATE T0 SET ENGLISH_METRIC = ?", {db::Value(metric)});
        project->metric = metric;
        add("T85", {{"LOCATION", "TEST"}, {"FREQUENCY", "3"}, {"TIME", 15.0}, {"INTENSITY", 4.0}});
    }

    void add(const std::string& table, const Fields& f) { addRecord(table, kolv::test::Row(f.begin(), f.end())); }

    /// A system header: outfall "OUT", tailwater, storm of method 1 (4 in/hr).
    void system(const std::string& sys, db::Value tailwater, Fields extra = {}) {
        Fields f{{"SYSTEM", sys},       {"OUT_NODE", "OUT"},  {"OUT_TW", tailwater}, {"EXIT_LOSS_COEFF", 1.0},
                 {"INTENSITY_METHOD", 1}, {"LOCATION", "TEST"}, {"FREQUENCY", "3"}};
        for (const auto& [k, v] : extra) f[k] = v;
        add("T16", f);
    }

    /// A round pipe definition of diameter D (ft) with A = pi D^2 / 4.
    void roundPipe(const std::string& name, double d, double n = 0.013) {
        add("T7", {{"NAME", name}, {"ENG_MET", 0}, {"WIDTH", d}, {"HEIGHT", d},
                   {"AREA", 3.14159265358979 * d * d / 4}, {"N", n}});
    }

    /// A structure with a clearance (ft) and an inlet capacity (cfs).
    void structure(const std::string& name, double clear, double capacity) {
        add("T6", {{"NAME", name}, {"ENG_MET", 0}, {"TYPE_OF_STR_SHORT", "CI"}, {"HGL_CLEAR", clear},
                   {"MAX_INLET_HYD_CAPACITY", capacity}});
    }

    /// A node without structure (NODE_TYPE 1) with one drainage area.
    void node(const std::string& sys, const std::string& name, double areaAc, double c, double inletEl, Fields extra = {}) {
        Fields f{{"NAME", name},        {"SYSTEM", sys},     {"TC", 10.0},       {"P_C1DA", areaAc},
                 {"RUNOFF_C1", c},      {"CALC_RUNOFF_C1", 0}, {"INLET_ELEV", inletEl}, {"NODE_TYPE", 1}};
        for (const auto& [k, v] : extra) f[k] = v;
        add("NODE", f);
    }

    /// A pipe reach from `from` to `to` with inverts (ft) and length (ft).
    void reach(const std::string& sys, const std::string& from, const std::string& to, const std::string& pipe,
               double elev1, double elev2, double length, Fields extra = {}) {
        Fields f{{"NAME", from}, {"SYSTEM", sys}, {"NODE1", from}, {"NODE2", to}, {"PIPE_NAME", pipe},
                 {"ELEV1", elev1}, {"ELEV2", elev2}, {"LENGTH", length}, {"HYD_LENGTH", length}, {"BARRELS", 1},
                 {"FROM_FL_CL", -1}, {"TO_FL_CL", -1}, {"REACH_TYPE", 0}};
        for (const auto& [k, v] : extra) f[k] = v;
        add("REACH", f);
    }

    RunResult run(const std::string& sys, RunOptions o = defaults()) {
        return runStormTabs(*project, session, ui, o, sys);
    }

    /// Options with every loss and switch off and 50 passes.
    static RunOptions defaults() {
        RunOptions o;
        o.exitLoss = false;
        o.junctionLoss = false;
        o.minVelocityOn = false;
        o.jumpToCrown = true;
        return o;
    }

    /// A T60 field of the row FROM = node of a system.
    db::Value t60(const std::string& sys, const std::string& node, const std::string& field) {
        return db.scalar("SELECT " + db::quoteIdent(field) + " FROM T60 WHERE SYSTEM = ? AND \"FROM\" = ?", {sys, node});
    }
    double t60n(const std::string& sys, const std::string& node, const std::string& field) {
        return t60(sys, node, field).toDouble();
    }

    ui::RecordingUi ui;
    Session session;
};

/// Area of a circular segment of diameter D at depth y (sq ft), by the closed form.
inline double segmentArea(double d, double y) {
    const double r = d / 2, th = 2 * std::acos(1 - y / r);
    return r * r * (th - std::sin(th)) / 2;
}

/// Normal depth of a round pipe by plain bisection on Manning (1.49 / n) A R^(2/3) S^(1/2) = Q,
/// searching the rising limb below 0.938 D: an implementation independent of the one under test.
inline double manningDepth(double d, double q, double n, double s) {
    double lo = 1e-9, hi = 0.938 * d;
    for (int i = 0; i < 200; ++i) {
        const double y = (lo + hi) / 2, r = d / 2, th = 2 * std::acos(1 - y / r);
        const double a = r * r * (th - std::sin(th)) / 2, p = r * th;
        const double qq = 1.49 / n * a * std::pow(a / p, 2.0 / 3.0) * std::sqrt(s);
        (qq > q ? hi : lo) = y;
    }
    return (lo + hi) / 2;
}

}  // namespace kolv::hydraulics::test
