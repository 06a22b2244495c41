// Metric project factors of the design computations: stored metric values to feet, acres and cfs.
#pragma once

namespace kolv::hydraulics {

/// Lengths, dimensions and elevations, m -> ft.
inline constexpr double kFeetPerMeter = 3.28083339792;
/// Tailwater, velocities and listed lengths, m -> ft (the shorter factor the windows have always used).
inline constexpr double kFeetPerMeterShort = 3.2808;
/// Pipe areas, sq m -> sq ft.
inline constexpr double kSqFtPerSqM = 10.763911;
/// Drainage areas, ha -> ac.
inline constexpr double kAcresPerHectare = 2.471;
/// Base flows, cms -> cfs.
inline constexpr double kCfsPerCms = 35.31467;
/// Flows, cfs -> cms (inlet capacities are divided by it on loading).
inline constexpr double kCmsPerCfs = 0.028317;
/// Clearances and grade lines shown in meters, ft -> m.
inline constexpr double kMetersPerFoot = 0.3048;

}  // namespace kolv::hydraulics
