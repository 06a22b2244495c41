// Writing a storm tabulation to T60 and listing its design warnings.
#include "hydraulics/results.h"

#include <cmath>
#include <memory>
#include <utility>

#include "common/text.h"
#include "common/units.h"
#include "common/vb_format.h"
#include "db/record_set.h"
#include "db/schema.h"
#include "hydraulics/ditch_shapes.h"

namespace kolv::hydraulics {

using units::kCmsPerCfs;
using units::kMetersPerFoot;

namespace {

using Row = std::vector<std::pair<const char*, db::Value>>;

/// The T60 row of a record, fields in the order they are written.
Row t60Row(const std::string& system, const HydraulicRecord& r, bool useHydLength) {
    const bool full = r.state == FlowState::Full;
    const double vPartialHead = r.vPartial * r.vPartial / (2.0 * kGravityFtPerS2);
    Row row;
    row.reserve(90);
    auto put = [&](const char* f, db::Value v) { row.emplace_back(f, std::move(v)); };
    put("SYSTEM", system);
    put("FROM", trim(r.name));
    put("TO", trim(r.toName));
    put("STATION", r.station);
    put("OFFSET", r.offset);
    put("BL_NAME", r.baseline);
    put("TYPE_OF_STR_SHORT", r.structTypeShort);
    put("TYPE", r.isDitch() ? std::string("DITCH") : r.pipeName);
    put("SEQUENCER", r.sequencer);
    put("LENGTH", r.reachLength(useHydLength));
    static const char* da[] = {"C1DA", "C2DA", "C3DA"};
    static const char* ds[] = {"C1DS", "C2DS", "C3DS"};
    static const char* cas[] = {"C1CA", "C2CA", "C3CA"};
    static const char* rc[] = {"RUNOFF_C1", "RUNOFF_C2", "RUNOFF_C3"};
    for (int k = 0; k < 3; ++k) put(da[k], r.area[k]);
    for (int k = 0; k < 3; ++k) put(ds[k], r.areaAcc[k]);
    for (int k = 0; k < 3; ++k) put(cas[k], r.ca[k]);
    for (int k = 0; k < 3; ++k) put(rc[k], r.coeff[k]);
    put("P_DRAINAGE_AREA", r.totalArea);
    put("P_WEIGHTED_C", r.weightedC);
    put("TOTAL_DRAINAGE_AREA", r.totalArea);
    put("TOTAL_WEIGHTED_C", r.weightedC);
    put("TOTAL_TOTALCA", r.totalCa);
    put("P_LOCAL_CA", r.localCa);
    put("P_UPSTREAM_CA", r.upstreamCa);
    // A ditch's shape and description lines, told from its dimensions as they are written.
    const DitchDescription ditch = r.isDitch() ? ditchDescription(r.ditchType, r.ditchDim.values()) : DitchDescription{};
    put("DITCH_TYPE_RPT", ditch.shapeName);
    put("DITCH_DESC_1_RPT", ditch.line1);
    put("DITCH_DESC_2_RPT", ditch.line2);
    put("P_EGL_DEPTH", r.normalDepth + vPartialHead);  // yn + Vp^2 / 2g
    put("P_NORMAL_DEPTH", r.normalDepth);
    put("WARN_VELOCITY_MAX", r.warnVelocityMax);
    put("WARN_NORMAL_DEPTH_MAX", r.warnNormalDepthMax);
    put("WARN_EGL_DEPTH_MAX", r.warnEglDepthMax);
    put("P_CRIT_DEPTH", r.criticalDepth);
    put("TC", r.tcWork);
    put("TF", r.travelTime);
    put("INTENSITY", r.intensity);
    put("TOTALCA", r.totalCa);
    put("Q", r.q);
    put("Qbase", r.baseFlow);
    put("Qbasetot", r.baseFlowAcc);
    put("Qro", r.runoffTotal);
    put("INLET_EL", r.inletElev);
    put("FL_UP", r.invertUp);
    put("FL_DN", r.invertDn);
    put("CL_UP", r.crownUp);
    put("CL_DN", r.crownDn);
    put("JLOSS", r.jloss);
    put("HGL_UP", r.hglUp);
    put("HGL_DN", r.hglDn);
    put("HGL_AT_NODE", r.hglAtNode);
    put("MIN_HGL", r.minHgl);
    put("MIN_HGL_TEXT", " ");
    put("MIN_PHYSICAL_VELOCITY", r.minPhysSlope);
    put("DW_FLOW_REDUCTION", r.dwReduction);
    put("DW_FLOW_REDUCTION_SUB", r.dwReductionSub);
    put("FD_FLOW_REDUCTION", r.fdReduction);
    put("FD_FLOW_REDUCTION_SUB", r.fdReductionSub);
    put("CLEARENCE", r.inletElev - r.hglAtNode);
    put("WIDTH", r.width);
    put("HEIGHT", r.height);
    put("VELOCITY", full ? r.velocity : r.vPartial);
    put("FLOW_COND", flowCondition(r));
    put("BARRELS", r.barrels);
    put("N", r.n);
    put("P_PHY_SLOPE", r.physSlope * 100.0);  // percent, beside the minimum physical slope
    put("CAPACITY", r.qCapacity);
    put("VELOCITY_PHYS", r.vCapacity);
    return row;
}

/// A quantity of a warning: two decimals in feet and cfs, three in meters and cms.
std::string qty(double v, bool metric) { return vbFormat(v, metric ? "0.000" : "0.00"); }

}  // namespace

std::string flowCondition(const HydraulicRecord& r) {
    if (r.state == FlowState::Full) return "FULL";
    const double yc = r.criticalDepth, yn = r.normalDepth;
    if (yc == 0) return "ZERO";
    const double d = (yn - yc) / yc * 100.0;  // percent above critical
    if (d > 5) return "SUB";
    if (d < -5) return "SUPER";
    return "CRITICAL";
}

std::vector<std::string> recordWarnings(const HydraulicRecord& r, bool metric, bool inletCapacity) {
    std::vector<std::string> w;
    const std::string node = "Node: " + trim(r.name);
    const double flowFactor = metric ? kCmsPerCfs : 1.0;
    const double lenFactor = metric ? kMetersPerFoot : 1.0;
    const std::string flowUnit = metric ? "(cms)" : "(cfs)";
    const std::string lenUnit = metric ? " meters." : " feet.";
    // A node without a structure has neither an inlet capacity nor a clearance to keep.
    if (r.hasStructure) {
        // The inlet takes the node's own runoff, not the flow arriving through the pipes.
        if (inletCapacity && r.localRunoff > r.maxInletCapacity) {
            if (r.maxInletCapacity <= 0) {
                w.push_back(node + "  Inlet capacity = " + qty(r.maxInletCapacity * flowFactor, metric) + flowUnit);
            } else {
                const double pct = (r.localRunoff - r.maxInletCapacity) / r.maxInletCapacity * 100.0;
                w.push_back(node + "  Inlet capacity exceeded by " + vbFormat(pct, "0") + "%.  Runoff(Q) = " +
                            qty(r.localRunoff * flowFactor, metric) + flowUnit + "  Capacity(Q) = " +
                            qty(r.maxInletCapacity * flowFactor, metric) + flowUnit);
            }
        }
        const double clearance = r.inletElev - r.hglAtNode;
        if (clearance < r.hglClear)
            w.push_back(node + "  Min HGL clearance exceeded by " + qty((r.hglClear - clearance) * lenFactor, metric) +
                        lenUnit);
    }
    if (r.isDitch()) {
        if (r.warnVelocity && r.vPartial > r.warnVelocityMax)
            w.push_back(node + "  Max Ditch flow velocity exceeded by " +
                        qty((r.vPartial - r.warnVelocityMax) * lenFactor, metric) + (metric ? " m/s." : " fps."));
        if (r.warnNormalDepth && r.normalDepth > r.warnNormalDepthMax)
            w.push_back(node + "  Max Ditch normal flow depth exceeded by " +
                        qty((r.normalDepth - r.warnNormalDepthMax) * lenFactor, metric) + lenUnit);
        const double egl = r.normalDepth + r.vPartial * r.vPartial / (2.0 * kGravityFtPerS2);  // yn + V^2 / 2g
        if (r.warnEglDepth && egl > r.warnEglDepthMax)
            w.push_back(node + "  Max Ditch EGL exceeded by " + qty((egl - r.warnEglDepthMax) * lenFactor, metric) +
                        lenUnit);
    }
    return w;
}

std::string nonFiniteMessage(const HydraulicRecord& r, const std::string& field, double value) {
    static const std::pair<const char*, const char*> kWords[] = {
        {"Q", "design flow"},           {"VELOCITY", "velocity"},         {"HGL_UP", "upstream grade line"},
        {"HGL_DN", "downstream grade line"}, {"TC", "time of concentration"}, {"INTENSITY", "rainfall intensity"},
        {"JLOSS", "junction loss"},      {"TF", "travel time"},            {"CLEARENCE", "clearance"},
        {"ELEV1", "upstream flow line"}, {"ELEV2", "downstream flow line"}, {"COST", "cost"}};
    std::string quantity = field;
    for (const auto& [f, words] : kWords)
        if (std::string(f) == field) quantity = std::string(words) + " (" + field + ")";
    return "Reach " + trim(r.reachName.empty() ? r.name : r.reachName) + " of node " + trim(r.name) + ": the " +
           quantity + " came out as " + (std::isnan(value) ? "not a number" : "infinite") +
           ". The computation stopped and wrote nothing; the previous results are kept. "
           "Check the pipe, length, elevations and flows of this reach and the reaches upstream.";
}

std::optional<std::string> firstNonFiniteResult(const std::string& system, const std::vector<HydraulicRecord>& records,
                                                bool useHydLength) {
    for (const auto& r : records) {
        for (const auto& [field, value] : t60Row(system, r, useHydLength)) {
            if (!value.isReal() || std::isfinite(value.toDouble())) continue;
            return nonFiniteMessage(r, field, value.toDouble());
        }
    }
    return std::nullopt;
}

void writeResults(ResultsContext& ctx, const std::string& system, const std::vector<HydraulicRecord>& records) {
    ctx.messages.push_back("Writing results to database");
    db::RecordSet::executeDelete(ctx.db, "T60", "SYSTEM = ?", {system});
    const db::TableLayout& layout = ctx.db.layout("T60");

    // One prepared statement for every row; fields an older file lacks are left out.
    std::vector<const db::FieldDef*> fields;
    std::vector<std::size_t> positions;
    std::string sql;
    db::Statement* insert = nullptr;
    std::unique_ptr<db::Statement> stmt;

    for (const auto& r : records) {
        if (!r.nodeFound) {
            ctx.ui.beep();
            ctx.messages.push_back("Node: " + trim(r.name) + " missing");
        }
        if (!r.reachFound) {
            ctx.ui.beep();
            ctx.messages.push_back("Reach: " + trim(r.name) + " missing");
        }
        if (r.reachFound && !r.isDitch() && !r.pipeFound) {
            ctx.ui.beep();
            ctx.messages.push_back("Pipe: " + r.pipeName + " missing");
        }
        const Row row = t60Row(system, r, ctx.useHydLength);
        if (!insert) {
            std::string cols, qs;
            for (std::size_t k = 0; k < row.size(); ++k) {
                const db::FieldDef* f = layout.field(row[k].first);
                if (!f) continue;
                fields.push_back(f);
                positions.push_back(k);
                if (!cols.empty()) cols += ", ", qs += ", ";
                cols += db::quoteIdent(f->name);
                qs += "?";
            }
            sql = "INSERT INTO T60 (" + cols + ") VALUES (" + qs + ")";
            stmt = std::make_unique<db::Statement>(ctx.db.prepare(sql));
            insert = stmt.get();
        }
        insert->reset();
        for (std::size_t k = 0; k < fields.size(); ++k) {
            const db::FieldDef& f = *fields[k];
            db::Value v = row[positions[k]].second;
            if (f.type == db::FieldType::Text && f.size > 0 && v.isText())
                v = db::Value(left(v.toText(), static_cast<std::size_t>(f.size)));
            insert->bind(static_cast<int>(k) + 1, db::RecordSet::coerce("T60", f, v));
        }
        insert->step();
        for (auto& line : recordWarnings(r, ctx.metric, ctx.inletCapacityWarnings)) ctx.messages.push_back(std::move(line));
    }
}

}  // namespace kolv::hydraulics
