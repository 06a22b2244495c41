// The design steps for scripts: verification, pipe sizes, flow lines, storm tabulation, cost, review, check storms.
#include <pybind11/stl.h>

#include <algorithm>
#include <functional>
#include <map>

#include "common/error.h"
#include "common/text.h"
#include "cost/system_cost.h"
#include "flowline/flow_lines.h"
#include "hydraulics/results_table.h"
#include "hydraulics/run_command.h"
#include "hydraulics/run_options.h"
#include "network/verification.h"
#include "python/bindings.h"
#include "review/check_storms.h"
#include "review/design_criteria.h"
#include "review/design_review.h"
#include "sizing/pipe_sizing.h"
#include "sizing/pipe_table.h"

namespace kolv::python {
namespace {

using hydraulics::HydraulicsOptions;

/// One storm-tabulation option a script may give by keyword, and how it changes the stored options
/// (a velocity given in the project's units, `metric`: m/s).
struct OptionSetter {
    const char* name;
    const char* help;
    std::function<void(HydraulicsOptions&, const py::handle&, bool metric)> apply;
};

bool asBool(const py::handle& v) { return PyObject_IsTrue(v.ptr()) == 1; }
double asNumber(const char* name, const py::handle& v) {
    try {
        return py::reinterpret_borrow<py::object>(v).cast<double>();
    } catch (const py::cast_error&) {
        throw InputError(std::string(name) + " must be a number, not '" + typedText(v) + "'.");
    }
}

const std::vector<OptionSetter>& optionSetters() {
    static const std::vector<OptionSetter> setters = {
        {"max_passes", "Max. number of passes (4..32000)",
         [](HydraulicsOptions& o, const py::handle& v, bool) { o.maxPasses = static_cast<long>(asNumber("max_passes", v)); }},
        {"max_hgl_difference", "Max. HGL difference between passes, ft (0.0001..0.25)",
         [](HydraulicsOptions& o, const py::handle& v, bool) { o.maxHglDifferenceFt = asNumber("max_hgl_difference", v); }},
        {"min_velocity", "Min. velocity for travel time, project units (None: not in force)",
         [](HydraulicsOptions& o, const py::handle& v, bool metric) {
             o.minVelocityInForce = !v.is_none();
             if (!v.is_none()) o.minVelocityFps = hydraulics::velocityFps(asNumber("min_velocity", v), metric);
         }},
        {"min_physical_velocity", "Velocity of the minimum physical slope, ft/s",
         [](HydraulicsOptions& o, const py::handle& v, bool) {
             o.minPhysicalVelocityFps = asNumber("min_physical_velocity", v);
         }},
        {"fixed_tc", "Fixed time of concentration, minutes (None: computed)",
         [](HydraulicsOptions& o, const py::handle& v, bool) {
             o.fixedTc = !v.is_none();
             if (!v.is_none()) o.fixedTcMin = asNumber("fixed_tc", v);
         }},
        {"junction_method", "1 velocity of the downstream pipe, 2 of the upstream pipe with highest energy",
         [](HydraulicsOptions& o, const py::handle& v, bool) {
             o.junctionMethod = static_cast<int>(asNumber("junction_method", v));
         }},
        {"junction_losses", "Include junction losses",
         [](HydraulicsOptions& o, const py::handle& v, bool) { o.junctionLosses = asBool(v); }},
        {"exit_loss", "Include the exit loss at the outfall",
         [](HydraulicsOptions& o, const py::handle& v, bool) { o.exitLoss = asBool(v); }},
        {"hyd_length", "Center-to-center lengths for hydraulics",
         [](HydraulicsOptions& o, const py::handle& v, bool) { o.useHydLength = asBool(v); }},
        {"deep_well", "Deep-well exfiltration",
         [](HydraulicsOptions& o, const py::handle& v, bool) { o.deepWell = asBool(v); }},
        {"french_drain", "French-drain exfiltration",
         [](HydraulicsOptions& o, const py::handle& v, bool) { o.frenchDrain = asBool(v); }},
        {"no_negative_flow", "Never let the total flow be negative",
         [](HydraulicsOptions& o, const py::handle& v, bool) { o.noNegativeFlow = asBool(v); }},
        {"jump_to_crown", "Non-partial flow: raise the HGL to the pipe crown",
         [](HydraulicsOptions& o, const py::handle& v, bool) { o.jumpToCrown = asBool(v); }},
        {"inlet_capacity_warning", "Warn when surface runoff exceeds the inlet capacity",
         [](HydraulicsOptions& o, const py::handle& v, bool) { o.inletCapacityWarning = asBool(v); }},
    };
    return setters;
}

/// The stored options with the keywords given; an unknown keyword is refused with the valid ones.
HydraulicsOptions optionsWith(HydraulicsOptions o, const py::dict& given, bool metric) {
    for (const auto& [key, value] : given) {
        const std::string name = py::str(key).cast<std::string>();
        const auto& setters = optionSetters();
        auto it = std::find_if(setters.begin(), setters.end(), [&](const OptionSetter& s) { return name == s.name; });
        if (it == setters.end()) {
            std::string list;
            for (const auto& s : setters) list += (list.empty() ? "" : ", ") + std::string(s.name);
            throw InputError("'" + name + "' is not a storm tabulation option. Options: " + list + ", verify.");
        }
        it->apply(o, value, metric);
    }
    return o;
}

/// The options as a script reads them, the minimum velocity in the project's units.
py::dict optionsDict(const HydraulicsOptions& o, bool metric) {
    py::dict d;
    d["max_passes"] = o.maxPasses;
    d["max_hgl_difference"] = o.maxHglDifferenceFt;
    d["min_velocity"] = o.minVelocityInForce
                            ? py::object(py::float_(hydraulics::minVelocityInProjectUnits(o.minVelocityFps, metric)))
                            : py::object(py::none());
    d["min_physical_velocity"] = o.minPhysicalVelocityFps;
    d["fixed_tc"] = o.fixedTc ? py::object(py::float_(o.fixedTcMin)) : py::object(py::none());
    d["junction_method"] = o.junctionMethod;
    d["junction_losses"] = o.junctionLosses;
    d["exit_loss"] = o.exitLoss;
    d["hyd_length"] = o.useHydLength;
    d["deep_well"] = o.deepWell;
    d["french_drain"] = o.frenchDrain;
    d["no_negative_flow"] = o.noNegativeFlow;
    d["jump_to_crown"] = o.jumpToCrown;
    d["inlet_capacity_warning"] = o.inletCapacityWarning;
    return d;
}

/// The storm tabulation listing as columns (key, caption, numeric) and rows of cells.
py::dict tableDict(const hydraulics::StormTabTable& t) {
    py::list columns;
    for (const auto& c : t.columns) columns.append(py::make_tuple(c.key, c.caption, c.numeric));
    py::dict d;
    d["columns"] = columns;
    d["rows"] = t.rows;
    return d;
}

py::dict verify(ProjectHandle& h, const std::string& system) {
    const std::string sys = h.systemNamed(system);
    db::Database& db = h.db();
    network::VerificationResult r;
    {
        Computing computing(h);
        r = network::verifySystem(db, sys, h.ui);
    }
    py::dict d;
    d["title"] = network::verificationTitle(sys);
    d["ok"] = r.ok;
    d["faults"] = r.faults;
    d["complete"] = r.complete;
    d["lines"] = r.lines;
    d["messages"] = h.ui.take();
    return d;
}

py::dict sizePipes(ProjectHandle& h, const std::string& system, int group, py::object maxVelocity,
                   py::object maxHglSlope, py::object minVelocity, bool notSmallerThanUpstream, bool verifyFirst) {
    db::Project& p = h.get();
    const std::string sys = h.systemNamed(system);
    if (maxVelocity.is_none() == maxHglSlope.is_none())
        throw InputError("Give either max_velocity (ft/s or m/s) or max_hgl_slope (%), not both or neither.");
    const auto groups = sizing::pipeGroups(*p.db, p.engMet());
    if (std::find(groups.begin(), groups.end(), group) == groups.end()) {
        std::string list;
        for (int g : groups) list += (list.empty() ? "" : ", ") + std::to_string(g);
        throw InputError("Pipe group " + std::to_string(group) + " has no " + (p.metric ? "metric" : "English") +
                         " pipe definitions. Groups: " + (list.empty() ? "(none)" : list));
    }
    auto o = sizing::SizingOptions::defaults();
    o.group = group;
    o.criterion = maxVelocity.is_none() ? sizing::Criterion::HglSlope : sizing::Criterion::Velocity;
    if (!maxVelocity.is_none()) o.maxVelocityFps = hydraulics::velocityFps(asNumber("max_velocity", maxVelocity), p.metric);
    if (!maxHglSlope.is_none()) o.maxHglSlopePercent = asNumber("max_hgl_slope", maxHglSlope);
    // min_velocity: None the default minimum for travel time, a number another one, False none.
    if (py::isinstance<py::bool_>(minVelocity)) o.useMinVelocity = minVelocity.cast<bool>();
    else if (!minVelocity.is_none())
        o.minVelocityFps = hydraulics::velocityFps(asNumber("min_velocity", minVelocity), p.metric);
    o.notSmallerThanUpstream = notSmallerThanUpstream;
    o.verifyFirst = verifyFirst;
    sizing::SizingResult r;
    {
        Computing computing(h);
        r = sizing::computePipeSizes(p, h.ui, sys, o);
    }
    py::list rows;
    for (const auto& rec : r.records) {
        py::dict row;
        const std::string reach = trim(rec.reachName.empty() ? rec.name : rec.reachName);
        row["reach"] = reach;
        row["from"] = trim(rec.name);
        row["to"] = trim(rec.toName);
        row["pipe"] = trim(rec.pipeName);
        row["q_cfs"] = rec.q;
        for (const auto& b : r.basis)
            if (b.reach == reach) {
                row["governing"] = sizing::governingName(b.rule);
                row["quantity"] = b.isVelocity ? "velocity" : "friction slope";
                row["value"] = b.value;
                row["limit"] = b.limit;
                row["unit"] = b.isVelocity ? "ft/s" : "%";
            }
        rows.append(row);
    }
    py::dict d;
    d["status"] = r.status;
    d["lines"] = r.lines;
    d["verification_lines"] = r.verificationLines;
    d["phases"] = r.messages;
    d["rows"] = rows;
    d["messages"] = h.ui.take();
    return d;
}

py::dict setFlowlines(ProjectHandle& h, const std::string& system, double minSlope, py::object varyByVelocity,
                      const std::string& match, py::object largeFrom, int decimals, bool verifyFirst) {
    db::Project& p = h.get();
    const std::string sys = h.systemNamed(system);
    auto o = flowline::FlowLineOptions::defaults(p.metric);
    o.minSlopePercent = minSlope;
    o.varyByVelocity = !varyByVelocity.is_none();
    if (o.varyByVelocity)
        o.minVelocityFps = flowline::velocityFps(asNumber("vary_by_velocity", varyByVelocity), p.metric);
    if (match != "flow" && match != "crown") throw InputError("match must be 'flow' or 'crown', not '" + match + "'.");
    o.match = match == "crown" ? flowline::MatchMode::CrownLines : flowline::MatchMode::FlowLines;
    o.exceptSmallPipes = !largeFrom.is_none();
    if (o.exceptSmallPipes) o.sizeLimit = asNumber("large_from", largeFrom);
    o.decimals = decimals;
    o.verifyFirst = verifyFirst;
    flowline::FlowLineResult r;
    {
        Computing computing(h);
        r = flowline::setFlowLines(p, sys, o, h.ui);
    }
    py::dict d;
    d["ran"] = r.ran;
    d["ditch_lines"] = r.ditchLines;
    d["verification_lines"] = r.verificationLines;
    d["lines"] = r.lines;
    d["messages"] = h.ui.take();
    return d;
}

py::dict stormTabs(ProjectHandle& h, const std::string& system, const py::dict& given, bool verifyFirst) {
    db::Project& p = h.get();
    const std::string sys = h.systemNamed(system);
    if (sys == "<drains>") throw InputError("The '<drains>' system has no storm tabulation. Select another system.");
    const HydraulicsOptions options = optionsWith(hydraulics::loadHydraulicsOptions(*p.db, p.metric), given, p.metric);
    hydraulics::ComputeOutcome out;
    hydraulics::StormTabTable table;
    {
        Computing computing(h);
        out = hydraulics::computeHydraulics(p, h.session, h.ui, options, sys, verifyFirst);
        if (out.started && out.run.status == 0)
            table = hydraulics::stormTabTable(out.run.records, p.metric, out.options.useHydLength);
    }
    const auto& run = out.run;
    py::dict d = tableDict(table);
    d["started"] = out.started;
    d["status"] = run.status;
    d["passes"] = run.passes;
    d["converged"] = run.converged;
    d["cycling"] = run.cycling;
    d["hgl_difference_ft"] = run.hglDifference;
    d["note"] = run.converged || run.passes == 0 ? std::string() : hydraulics::unsettledNote(run);
    d["lines"] = run.messages;
    d["ditch_lines"] = out.ditchLines;
    d["verification_lines"] = run.verificationLines;
    d["options"] = optionsDict(out.options, p.metric);
    d["messages"] = h.ui.take();
    return d;
}

py::dict cost(ProjectHandle& h, const std::string& system, bool detail) {
    const std::string sys = h.systemNamed(system);
    db::Database& db = h.db();
    cost::CostResult r;
    {
        Computing computing(h);
        r = cost::computeSystemCost(db, sys, {detail}, h.ui);
    }
    py::dict d;
    d["title"] = cost::costReportTitle(sys);
    d["stopped"] = r.stopped;
    d["lines"] = r.lines;
    d["pipes"] = r.pipesTotal;
    d["structures"] = r.structuresTotal;
    d["total"] = r.grandTotal();
    d["messages"] = h.ui.take();
    return d;
}

py::dict review(ProjectHandle& h, const std::string& system) {
    db::Project& p = h.get();
    const std::string sys = h.systemNamed(system);
    review::ReviewResult r;
    {
        Computing computing(h);
        r = review::reviewSystem(p, sys, review::loadCriteria(p));
    }
    py::list rows;
    for (const auto& f : r.findings) {
        py::dict row;
        row["severity"] = review::severityName(f.severity);
        row["node"] = std::string(f.node);
        row["reach"] = std::string(f.reach);
        row["quantity"] = std::string(f.quantity);
        row["value"] = f.value;
        row["limit"] = f.limit;
        row["unit"] = std::string(f.unit);
        row["rule"] = std::string(f.rule);
        rows.append(row);
    }
    py::dict d;
    d["rows"] = rows;
    d["lines"] = review::reviewText(r);
    d["has_results"] = r.hasResults;
    d["errors"] = r.count(review::Severity::Error);
    d["warnings"] = r.count(review::Severity::Warning);
    d["notes"] = r.count(review::Severity::Note);
    d["messages"] = h.ui.take();
    return d;
}

py::dict checkStorm(ProjectHandle& h, const std::string& system, const std::string& name, const std::string& frequency,
                    double intensityFactor, const py::dict& given, bool verifyFirst) {
    db::Project& p = h.get();
    const std::string sys = h.systemNamed(system);
    const HydraulicsOptions options = optionsWith(hydraulics::loadHydraulicsOptions(*p.db, p.metric), given, p.metric);
    review::ScenarioSpec storm{name, frequency, intensityFactor};
    if (auto refusal = review::validateScenario(storm)) throw InputError(*refusal);
    std::vector<std::string> lines;
    int status = -1;
    std::string comparison;
    {
        Computing computing(h);
        status = review::runScenario(p, h.session, h.ui, sys, hydraulics::runOptionsFrom(options, verifyFirst), storm,
                                     &lines);
        if (status == 0) comparison = review::comparisonJson(review::compareScenarios(*p.db, sys), p.metric);
    }
    py::dict d;
    d["status"] = status;
    d["lines"] = lines;
    d["comparison"] = comparison;
    d["messages"] = h.ui.take();
    return d;
}

std::string scenarios(ProjectHandle& h, const std::string& system) {
    db::Project& p = h.get();
    const std::string sys = h.systemNamed(system);
    return review::comparisonJson(review::compareScenarios(*p.db, sys), p.metric);
}

}  // namespace

void bindComputations(py::module_& m) {
    m.def("verify", &verify, py::arg("handle"), py::arg("system"));
    m.def("size_pipes", &sizePipes, py::arg("handle"), py::arg("system"), py::arg("group"), py::arg("max_velocity"),
          py::arg("max_hgl_slope"), py::arg("min_velocity"), py::arg("not_smaller_than_upstream"), py::arg("verify"));
    m.def("set_flowlines", &setFlowlines, py::arg("handle"), py::arg("system"), py::arg("min_slope"),
          py::arg("vary_by_velocity"), py::arg("match"), py::arg("large_from"), py::arg("decimals"), py::arg("verify"));
    m.def("storm_tabs", &stormTabs, py::arg("handle"), py::arg("system"), py::arg("options"), py::arg("verify"));
    m.def("cost", &cost, py::arg("handle"), py::arg("system"), py::arg("detail"));
    m.def("review", &review, py::arg("handle"), py::arg("system"));
    m.def("check_storm", &checkStorm, py::arg("handle"), py::arg("system"), py::arg("name"), py::arg("frequency"),
          py::arg("intensity_factor"), py::arg("options"), py::arg("verify"));
    m.def("scenarios", &scenarios, py::arg("handle"), py::arg("system"));
    m.def("stored_options", [](ProjectHandle& h) {
        db::Project& p = h.get();
        return optionsDict(hydraulics::loadHydraulicsOptions(*p.db, p.metric), p.metric);
    });
    m.def("option_names", [] {
        std::vector<std::pair<std::string, std::string>> out;
        for (const auto& s : optionSetters()) out.emplace_back(s.name, s.help);
        return out;
    });
}

}  // namespace kolv::python
