// Every unit conversion factor and physical constant of the program, named once with the reason for its value.
//
// The computations run in feet, acres, cfs, ft/s and minutes; a metric project converts on loading and on
// display. Several quantities have more than one factor (3.28083339792, 3.2808, 3.2808399 feet per metre;
// 1.486 and 1.49 in Manning's equation). Each variant is kept where the stored and printed results of existing
// projects depend on it: unifying them would move design results in the fourth or fifth significant digit.
// A test fails when one of these literals appears anywhere else under src/.
#pragma once

namespace kolv::units {

// ------------------------------------------------------------------ lengths

/// m -> ft for stored lengths, dimensions and elevations as the design steps load them. It lies between the
/// survey foot (3.2808333) and the international foot (3.2808399); every metric run depends on its digits.
inline constexpr double kFeetPerMeter = 3.28083339792;
/// m -> ft rounded to four decimals: the tailwater, velocities typed in metres per second, the pipe catalogue of
/// the sizing and its listing. Kept apart from kFeetPerMeter because those values were always converted this way.
inline constexpr double kFeetPerMeterShort = 3.2808;
/// m -> ft, the international foot to seven decimals: the flow-line minimum velocity, pipe heights and size limit.
inline constexpr double kFeetPerMeterInternational = 3.2808399;
/// ft -> m, the international foot (exact): every length shown, listed or exported in metres.
inline constexpr double kMetersPerFoot = 0.3048;
/// US survey foot in metres (exact), as LandXML files may declare it.
inline constexpr double kMetersPerUsSurveyFoot = 1200.0 / 3937.0;
/// in -> m (exact).
inline constexpr double kMetersPerInch = 0.0254;
/// in -> mm (exact): rainfall intensities in mm/h from in/h.
inline constexpr double kMillimetersPerInch = 25.4;
/// Inches in one foot, millimetres in one metre: pipe sizes typed in in or mm.
inline constexpr double kInchesPerFoot = 12.0;
inline constexpr double kMillimetersPerMeter = 1000.0;
/// International mile in metres (exact).
inline constexpr double kMetersPerMile = 1609.344;
/// PostScript/PDF points in one inch.
inline constexpr double kPointsPerInch = 72.0;

// ------------------------------------------------------------------ areas

/// sq m -> sq ft for pipe areas the design run loads.
inline constexpr double kSqFtPerSqM = 10.763911;
/// sq m -> sq ft rounded, as the sizing's pipe catalogue converts (the catalogue's areas depend on it).
inline constexpr double kSqFtPerSqMShort = 10.7639;
/// ha -> ac for drainage areas (three decimals; every metric run's flows depend on it).
inline constexpr double kAcresPerHectare = 2.471;
/// ac -> ha (exact, from the international foot): drainage areas written to exchange files.
inline constexpr double kHectaresPerAcre = 0.40468564224;
/// Acre in square metres (exact).
inline constexpr double kSqMPerAcre = 4046.8564224;
/// Square foot in square metres (exact).
inline constexpr double kSqMPerSqFt = 0.09290304;
/// Square inch in square metres (exact).
inline constexpr double kSqMPerSqInch = 0.00064516;
/// Square mile in square metres (exact).
inline constexpr double kSqMPerSqMile = 2589988.110336;
/// Hectare in square metres.
inline constexpr double kSqMPerHectare = 10000.0;

// ------------------------------------------------------------------ flows

/// cms -> cfs for base flows and dry-weather discharges the design run loads.
inline constexpr double kCfsPerCms = 35.31467;
/// cfs -> cms to six decimals: inlet capacities on loading, flows shown in metric results and messages.
inline constexpr double kCmsPerCfs = 0.028317;
/// cfs -> cms (exact, from the international foot): flows written to exchange files read by other programs.
inline constexpr double kCmsPerCfsExact = 0.028316846592;
/// cfs -> cms rounded to five decimals, as the pipe-size listing has always printed flows.
inline constexpr double kCmsPerCfsListed = 0.02832;

// ------------------------------------------------------------------ physical constants

/// π to double precision; the same value as 4 arctan(1).
inline constexpr double kPi = 3.14159265358979323846;
/// Gravitational acceleration of every velocity head, ft/s² (held in single precision, so velocity heads
/// and the grade lines built on them keep their long-standing values).
inline constexpr double kGravityFtPerS2 = static_cast<double>(32.16f);

/// Manning's coefficient of the full-flow capacity and the friction slope, V = (1.486 / n) R^(2/3) S^(1/2):
/// (1 m in ft)^(1/3) to three decimals, the customary-unit form of the metric equation.
inline constexpr double kManningFactor = 1.486;
/// Manning's coefficient rounded to two decimals, used by the normal-depth solver and the minimum-slope rules
/// (the minimum physical slope of a reach, the flow-line slope at a minimum velocity). Those were always worked
/// with 1.49; moving them to 1.486 would change normal depths and slopes by about 0.5 %.
inline constexpr double kManningFactorRounded = 1.49;

// ------------------------------------------------------------------ full-pipe geometry

/// Area of a round pipe of diameter `diameter` flowing full, A = π (D/2)², in the square of its unit.
inline constexpr double roundPipeArea(double diameter) { return kPi * (diameter / 2.0) * (diameter / 2.0); }

/// Wetted perimeter of a round pipe flowing full, P = π D, in the unit of the diameter.
inline constexpr double roundPipePerimeter(double diameter) { return kPi * diameter; }

/// Full-flow wetted perimeter of a pipe of span `width` and rise `height`: π D for a round pipe, the mean
/// circumference π (W + H) / 2 for an elliptical one.
inline constexpr double pipePerimeter(double width, double height) {
    return width == height ? roundPipePerimeter(height) : kPi * (height + width) / 2.0;
}

}  // namespace kolv::units
