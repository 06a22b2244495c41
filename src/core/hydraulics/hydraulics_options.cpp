// Options of the Compute Hydraulics window: the program-setup record that keeps them, and their validation.
#include "hydraulics/hydraulics_options.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "common/vb_format.h"
#include "db/record_set.h"

namespace kolv::hydraulics {

namespace {

constexpr const char* kTable = "T27";

/// A value read from a single-precision field, as the number it was typed as: 0.0001 stored in
/// single precision reads back 0.0001, not 9.99999975e-05 (which the validation would refuse).
double typedValue(double stored) {
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", stored);
    return std::strtod(text, nullptr);
}

/// Positions the record set on RECNUM 7, adding the record with the defaults when it is missing.
db::RecordSet openOptionsRecord(db::Database& db) {
    db::RecordSet rs(db, kTable, "RECNUM = ?", {db::Value(kHydraulicsOptionsRecnum)});
    if (!rs.empty()) {
        rs.moveFirst();
        return rs;
    }
    const HydraulicsOptions defaults;
    rs.addNew();
    rs.set("RECNUM", kHydraulicsOptionsRecnum);
    for (int i = 1; i <= 11; ++i) rs.set("LVSINT" + std::to_string(i), 0);
    rs.set(optionField(HydraulicsOption::JunctionMethod), defaults.junctionMethod);
    rs.set(optionField(HydraulicsOption::MaxPasses), static_cast<int>(defaults.maxPasses));
    rs.set(optionField(HydraulicsOption::FixedTcValue), defaults.fixedTcMin);
    rs.set(optionField(HydraulicsOption::MinVelocity), kDefaultMinVelocity);  // in the project's units
    rs.set(optionField(HydraulicsOption::MaxHglDifference), defaults.maxHglDifferenceFt);
    rs.set(optionField(HydraulicsOption::MinPhysicalVelocity), defaults.minPhysicalVelocityFps);
    rs.set(optionField(HydraulicsOption::InletCapacityWarning), defaults.inletCapacityWarning);
    rs.update();
    return rs;
}

/// The value a field takes for an option. A switch is stored -1 / 0; the pass count is held
/// within the 16-bit field (the compute command later brings it within 4..32000); the minimum
/// velocity is stored in the project's units.
db::Value fieldValue(const HydraulicsOptions& o, HydraulicsOption which, bool metric) {
    switch (which) {
    case HydraulicsOption::UseHydLength: return db::Value(o.useHydLength);
    case HydraulicsOption::JunctionMethod: return db::Value(o.junctionMethod);
    case HydraulicsOption::FixedTc: return db::Value(o.fixedTc);
    case HydraulicsOption::ExitLoss: return db::Value(o.exitLoss);
    case HydraulicsOption::JunctionLosses: return db::Value(o.junctionLosses);
    case HydraulicsOption::MinVelocityInForce: return db::Value(o.minVelocityInForce);
    case HydraulicsOption::DeepWell: return db::Value(o.deepWell);
    case HydraulicsOption::FrenchDrain: return db::Value(o.frenchDrain);
    case HydraulicsOption::MaxPasses: return db::Value(std::clamp(o.maxPasses, -32768L, 32767L));
    case HydraulicsOption::NoNegativeFlow: return db::Value(o.noNegativeFlow);
    case HydraulicsOption::JumpToCrown: return db::Value(o.jumpToCrown);
    case HydraulicsOption::FixedTcValue: return db::Value(o.fixedTcMin);
    case HydraulicsOption::MinVelocity: return db::Value(minVelocityInProjectUnits(o.minVelocityFps, metric));
    case HydraulicsOption::MaxHglDifference: return db::Value(o.maxHglDifferenceFt);
    case HydraulicsOption::MinPhysicalVelocity: return db::Value(o.minPhysicalVelocityFps);
    case HydraulicsOption::InletCapacityWarning: return db::Value(o.inletCapacityWarning);
    }
    return {};
}

constexpr HydraulicsOption kAllOptions[] = {
    HydraulicsOption::UseHydLength,   HydraulicsOption::JunctionMethod, HydraulicsOption::FixedTc,
    HydraulicsOption::ExitLoss,       HydraulicsOption::JunctionLosses, HydraulicsOption::MinVelocityInForce,
    HydraulicsOption::DeepWell,       HydraulicsOption::FrenchDrain,    HydraulicsOption::MaxPasses,
    HydraulicsOption::NoNegativeFlow, HydraulicsOption::JumpToCrown,    HydraulicsOption::FixedTcValue,
    HydraulicsOption::MinVelocity,    HydraulicsOption::MaxHglDifference, HydraulicsOption::MinPhysicalVelocity,
    HydraulicsOption::InletCapacityWarning,
};

}  // namespace

const char* optionField(HydraulicsOption option) {
    switch (option) {
    case HydraulicsOption::UseHydLength: return "LVSINT1";
    case HydraulicsOption::JunctionMethod: return "LVSINT2";
    case HydraulicsOption::FixedTc: return "LVSINT3";
    case HydraulicsOption::ExitLoss: return "LVSINT4";
    case HydraulicsOption::JunctionLosses: return "LVSINT5";
    case HydraulicsOption::MinVelocityInForce: return "LVSINT6";
    case HydraulicsOption::DeepWell: return "LVSINT7";
    case HydraulicsOption::FrenchDrain: return "LVSINT8";
    case HydraulicsOption::MaxPasses: return "LVSINT9";
    case HydraulicsOption::NoNegativeFlow: return "LVSINT10";
    case HydraulicsOption::JumpToCrown: return "LVSINT11";
    case HydraulicsOption::FixedTcValue: return "LVSSGL1";
    case HydraulicsOption::MinVelocity: return "LVSSGL2";
    case HydraulicsOption::MaxHglDifference: return "LVSSGL3";
    case HydraulicsOption::MinPhysicalVelocity: return "LVSSGL4";
    case HydraulicsOption::InletCapacityWarning: return "LVSINT12";
    }
    return "";
}

HydraulicsOptions loadHydraulicsOptions(db::Database& db, bool metric) {
    db::RecordSet rs = openOptionsRecord(db);
    auto on = [&](HydraulicsOption o) { return rs.flag(optionField(o)); };
    auto number = [&](HydraulicsOption o) { return typedValue(rs.number(optionField(o))); };
    HydraulicsOptions o;
    o.useHydLength = on(HydraulicsOption::UseHydLength);
    o.junctionMethod = static_cast<int>(rs.integer(optionField(HydraulicsOption::JunctionMethod)));
    o.fixedTc = on(HydraulicsOption::FixedTc);
    o.exitLoss = on(HydraulicsOption::ExitLoss);
    o.junctionLosses = on(HydraulicsOption::JunctionLosses);
    o.minVelocityInForce = on(HydraulicsOption::MinVelocityInForce);
    o.deepWell = on(HydraulicsOption::DeepWell);
    o.frenchDrain = on(HydraulicsOption::FrenchDrain);
    o.maxPasses = rs.integer(optionField(HydraulicsOption::MaxPasses));
    o.noNegativeFlow = on(HydraulicsOption::NoNegativeFlow);
    o.jumpToCrown = on(HydraulicsOption::JumpToCrown);
    o.fixedTcMin = number(HydraulicsOption::FixedTcValue);
    o.minVelocityFps = velocityFps(number(HydraulicsOption::MinVelocity), metric);
    o.maxHglDifferenceFt = number(HydraulicsOption::MaxHglDifference);
    // Projects from before the minimum physical velocity was kept have no value for it.
    const char* physical = optionField(HydraulicsOption::MinPhysicalVelocity);
    o.minPhysicalVelocityFps = rs.isNull(physical) ? kDefaultMinPhysicalVelocityFps : typedValue(rs.number(physical));
    // Nor whether the inlet-capacity warnings are wanted: they were always listed.
    const char* inlet = optionField(HydraulicsOption::InletCapacityWarning);
    o.inletCapacityWarning = rs.isNull(inlet) || rs.flag(inlet);
    return o;
}

void saveHydraulicsOptions(db::Database& db, const HydraulicsOptions& options, bool metric) {
    db::RecordSet rs = openOptionsRecord(db);
    rs.edit();
    for (HydraulicsOption which : kAllOptions) {
        // a project that never stored the inlet-capacity switch has it on: left as it is
        if (which == HydraulicsOption::InletCapacityWarning && options.inletCapacityWarning &&
            rs.isNull(optionField(which)))
            continue;
        rs.set(optionField(which), fieldValue(options, which, metric));
    }
    rs.update();
}

void saveHydraulicsOption(db::Database& db, const HydraulicsOptions& options, HydraulicsOption which, bool metric) {
    db::RecordSet rs = openOptionsRecord(db);
    rs.edit();
    rs.set(optionField(which), fieldValue(options, which, metric));
    rs.update();
}

OptionsCheck validateComputeOptions(const HydraulicsOptions& options, bool metric, ui::UiPort& ui) {
    OptionsCheck check{true, options};
    HydraulicsOptions& o = check.options;
    auto refuse = [&](const char* text) {
        check.valid = false;
        ui.invalidData(text);
        return check;
    };

    if (o.maxPasses < kMinPasses || o.maxPasses > kMaxPasses) {
        o.maxPasses = o.maxPasses < kMinPasses ? kMinPasses : kMaxPasses;
        return refuse("Iterations must be between 4 and 32000");
    }
    if (!(o.maxHglDifferenceFt >= kMinHglDifferenceFt && o.maxHglDifferenceFt <= kMaxHglDifferenceFt)) {
        o.maxHglDifferenceFt = o.maxHglDifferenceFt > kMaxHglDifferenceFt ? kMaxHglDifferenceFt : kMinHglDifferenceFt;
        return refuse("Max. HGL Difference must be between 0.0001 and 0.25");
    }
    if (o.fixedTc && !(o.fixedTcMin >= kMinFixedTcMin && o.fixedTcMin <= kMaxFixedTcMin)) {
        o.fixedTcMin = o.fixedTcMin > kMaxFixedTcMin ? kMaxFixedTcMin : kMinFixedTcMin;
        return refuse("Fixed Tc must be between 1 and 120 minutes");
    }
    // The limits are in the project's units, converted as the typed value was.
    if (!(o.minVelocityFps > 0)) {
        o.minVelocityFps = velocityFps(kDefaultMinVelocity, metric);
        return refuse("Minimum velocity must be greater than zero");
    }
    if (metric && o.minVelocityFps > velocityFps(kMaxMinVelocityMetric, metric)) {
        o.minVelocityFps = velocityFps(kMaxMinVelocityMetric, metric);
        return refuse("Minimum velocity for computing travel time cannot exceed 2 m/s");
    }
    if (!metric && o.minVelocityFps > kMaxMinVelocityEnglish) {
        o.minVelocityFps = kMaxMinVelocityEnglish;
        return refuse("Minimum velocity for computing travel time cannot exceed 6 f/s");
    }
    return check;
}

std::string minVelocityCaption(bool metric) { return metric ? "Min. Velocity (m/s)" : "Min. Velocity (ft/s)"; }

HydraulicsOptions withSetup(HydraulicsOptions options, bool minorLosses, bool metric) {
    options.maxHglDifferenceFt = kDefaultMaxHglDifferenceFt;
    options.maxPasses = kDefaultMaxPasses;
    options.minVelocityFps = velocityFps(kDefaultMinVelocity, metric);
    options.exitLoss = minorLosses;
    options.junctionLosses = minorLosses;
    return options;
}

double minVelocityInProjectUnits(double fps, bool metric) {
    return metric ? typedValue(velocityInProjectUnits(fps, metric)) : fps;
}

std::string formatMinVelocity(double fps, bool metric) {
    return vbFormat(minVelocityInProjectUnits(fps, metric), metric ? "0.000" : "0.00");
}

}  // namespace kolv::hydraulics
