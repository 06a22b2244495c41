// Options of the Compute Hydraulics window: their program-setup record, defaults and validation.
#pragma once

#include <string>

#include "common/units.h"
#include "db/database.h"
#include "ui/ui_port.h"

namespace kolv::hydraulics {

/// Program-setup record (T27 `RECNUM`) that holds the hydraulics options.
inline constexpr int kHydraulicsOptionsRecnum = 7;

/// Junction-loss methods (`LVSINT2`).
inline constexpr int kJunctionMethodDownstream = 1;  ///< "Use Velocity of Downstream Pipe (ZERI preferred)"
inline constexpr int kJunctionMethodUpstream = 2;    ///< "Use Velocity of Upstream Pipe with Highest Energy"

inline constexpr long kDefaultMaxPasses = 50;
inline constexpr double kDefaultMaxHglDifferenceFt = 0.01;
/// Travel-time minimum velocity a new or reset option takes: 2.00 in the project's units (ft/s, or m/s).
inline constexpr double kDefaultMinVelocity = 2.00;
inline constexpr double kDefaultMinPhysicalVelocityFps = 2.50;

/// Limits of the compute command's validation.
inline constexpr long kMinPasses = 4;
inline constexpr long kMaxPasses = 32000;
inline constexpr double kMinHglDifferenceFt = 0.0001;
inline constexpr double kMaxHglDifferenceFt = 0.25;
inline constexpr double kMinFixedTcMin = 1;
inline constexpr double kMaxFixedTcMin = 120;
inline constexpr double kMaxMinVelocityMetric = 2;   ///< m/s
inline constexpr double kMaxMinVelocityEnglish = 6;  ///< ft/s

/// A velocity typed, stored or shown in the project's units (ft/s, or m/s in a metric project), in the ft/s
/// the computations work in. Velocities typed in m/s have always been converted with the short factor.
inline double velocityFps(double projectValue, bool metric) {
    return metric ? projectValue * units::kFeetPerMeterShort : projectValue;
}

/// A velocity in ft/s in the project's units, for storing and showing: the inverse of velocityFps.
inline double velocityInProjectUnits(double fps, bool metric) {
    return metric ? fps / units::kFeetPerMeterShort : fps;
}

/// The options of one hydraulics run. Every value is in the unit its name or comment gives; the minimum
/// velocity is held in ft/s and converted from and to the project's units where it is stored or typed.
struct HydraulicsOptions {
    bool useHydLength = false;         ///< `LVSINT1`: center-to-center `HYD_LENGTH` instead of `LENGTH`
    int junctionMethod = kJunctionMethodDownstream;  ///< `LVSINT2`: 1 or 2
    bool fixedTc = false;              ///< `LVSINT3`: fixed time of concentration
    bool exitLoss = false;             ///< `LVSINT4`: exit loss at the outfall
    bool junctionLosses = false;       ///< `LVSINT5`: junction losses
    bool minVelocityInForce = false;   ///< `LVSINT6`: minimum velocity for travel time
    bool deepWell = false;             ///< `LVSINT7`: deep-well reductions
    bool frenchDrain = false;          ///< `LVSINT8`: French-drain reductions
    long maxPasses = kDefaultMaxPasses;  ///< `LVSINT9`: "Max. Number of Iterations"
    bool noNegativeFlow = false;       ///< `LVSINT10`: total flow never negative
    bool jumpToCrown = false;          ///< `LVSINT11`: `JUMP_TO_CROWN`
    double fixedTcMin = 0;             ///< `LVSSGL1`: fixed Tc (min)
    /// `LVSSGL2`, stored in the project's units: travel time never uses a velocity below it (ft/s;
    /// the options of a metric project read 2.00 m/s where nothing else was stored).
    double minVelocityFps = kDefaultMinVelocity;
    double maxHglDifferenceFt = kDefaultMaxHglDifferenceFt;  ///< `LVSSGL3`: "Max. HGL Difference"
    double minPhysicalVelocityFps = kDefaultMinPhysicalVelocityFps;  ///< `LVSSGL4`: "Min. Physical Velocity"
    /// `LVSINT12`: "Show Warning if Surface Runoff Exceeds Inlet Capacity"; on when never stored.
    bool inletCapacityWarning = true;
};

/// One option, for writing a single field when its control changes.
enum class HydraulicsOption {
    UseHydLength, JunctionMethod, FixedTc, ExitLoss, JunctionLosses, MinVelocityInForce, DeepWell,
    FrenchDrain, MaxPasses, NoNegativeFlow, JumpToCrown, FixedTcValue, MinVelocity, MaxHglDifference,
    MinPhysicalVelocity, InletCapacityWarning,
};

/// T27 field that holds an option ("LVSINT1".."LVSINT12", "LVSSGL1".."LVSSGL4").
const char* optionField(HydraulicsOption option);

/// Reads T27 `RECNUM` = 7; creates it with the defaults when it is missing (50 passes,
/// HGL difference 0.01, minimum velocity 2.00, junction method 1, minimum physical velocity 2.50,
/// every switch off). A Null field reads as 0 / off, except the minimum physical velocity (2.50).
/// The minimum velocity is stored in the project's units (`metric`: m/s) and read into ft/s.
HydraulicsOptions loadHydraulicsOptions(db::Database& db, bool metric);

/// Writes every option into T27 `RECNUM` = 7 (creating the record when missing); the minimum velocity
/// in the project's units.
void saveHydraulicsOptions(db::Database& db, const HydraulicsOptions& options, bool metric);

/// Writes one option's field, the way each control writes its field as soon as it changes.
void saveHydraulicsOption(db::Database& db, const HydraulicsOptions& options, HydraulicsOption which, bool metric);

/// Outcome of validating the compute command: whether the run may start, and the options with
/// the refused field reset (the window shows these).
struct OptionsCheck {
    bool valid = true;
    HydraulicsOptions options;
};

/// Validates the options before a run, in order: passes 4..32000 ("Iterations must be between 4
/// and 32000", reset to 4 or 32000); HGL difference 0.0001..0.25 (reset to the nearer limit); with the
/// fixed-Tc switch on, fixed Tc 1..120 minutes (reset to the nearer limit); minimum velocity above 0
/// (reset to the default, 2.00 in project units) and at most 2 m/s (metric) or 6 ft/s (English) (reset
/// to the limit).
/// The first failure beeps and shows its message with the title "INVALID DATA"; checking stops there.
OptionsCheck validateComputeOptions(const HydraulicsOptions& options, bool metric, ui::UiPort& ui);

/// The window's two quick setups: "Setup: Include Minor Losses" (`minorLosses`, exit and junction losses on)
/// and "ZERI Setup: No minor losses" (both off). Both restore the default passes, HGL difference and
/// minimum velocity (2.00 in project units); every other option is kept as given.
HydraulicsOptions withSetup(HydraulicsOptions options, bool minorLosses, bool metric);

/// Caption of the minimum-velocity field: "Min. Velocity (ft/s)" or "Min. Velocity (m/s)".
std::string minVelocityCaption(bool metric);

/// The minimum velocity (ft/s) in the project's units, as its field stores it and the command line and
/// scripts show it: in m/s to the seven significant digits of the single-precision field, so a value typed
/// in m/s reads back as typed (the conversion there and back may leave a last-digit difference).
double minVelocityInProjectUnits(double fps, bool metric);

/// Text of the minimum velocity (ft/s) in the project's units: three decimals in m/s, two in ft/s.
std::string formatMinVelocity(double fps, bool metric);

}  // namespace kolv::hydraulics
