// Rainfall intensity by method, the time-intensity table loader and the IDF coefficient lookup.
#include "rain/intensity.h"

#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>

#include "common/number_input.h"
#include "common/error.h"
#include "common/text.h"
#include "common/vb_format.h"
#include "db/record_set.h"
#include "db/schema.h"

namespace kolv::rain {

namespace {

/// Built-in rainfall curve: duration (minutes) -> intensity (in/hr).
struct CurvePoint {
    double minutes;
    double intensity;
};
constexpr CurvePoint kBuiltInCurve[] = {
    {0, 5.5},   {10, 5.5},  {12, 5.35}, {14, 5.2},  {16, 5.0},  {18, 4.78}, {20, 4.5},   {25, 4.05},
    {30, 3.7},  {35, 3.35}, {40, 3.08}, {50, 2.62}, {60, 2.3},  {90, 1.7},  {120, 1.35}, {300, 0.65},
};

/// Intensity outside the built-in curve (a negative duration, or 300 minutes and more).
constexpr float kOffCurveIntensity = 100.0f;

float idfPolynomial(float duration, float A, float B, float C, float D) {
    if (duration <= 0.0f) return -1.0f;
    // i = A + B L + C L^2 + D L^3, L = ln(t), t in minutes; the polynomial is the intensity itself.
    const double L = std::log(static_cast<double>(duration));
    return static_cast<float>(A + B * L + C * L * L + D * L * L * L);
}

float fromTable(const DesignStorm& storm, float duration) {
    const auto& t = storm.table;
    // Entries 0 and n+1 are the sentinels, so intervals i = 0..n cover [0, 100000).
    for (std::size_t i = 0; i + 1 < t.size(); ++i) {
        const float t0 = t[i].time;
        const float t1 = t[i + 1].time;
        if (!(t0 <= duration && duration < t1)) continue;
        if (t0 == t1) return 0.0f;
        // i = i0 + (t - t0) / (t1 - t0) * (i1 - i0), single precision like the stored table
        return t[i].intensity + (duration - t0) / (t1 - t0) * (t[i + 1].intensity - t[i].intensity);
    }
    return 0.0f;
}

float fromBuiltInCurve(float duration) {
    const double d = duration;
    constexpr std::size_t n = std::size(kBuiltInCurve);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const CurvePoint& a = kBuiltInCurve[i];
        const CurvePoint& b = kBuiltInCurve[i + 1];
        // Each segment is the half-open interval [a, b) of durations.
        if (d >= a.minutes && d < b.minutes)
            return static_cast<float>(a.intensity + (d - a.minutes) / (b.minutes - a.minutes) * (b.intensity - a.intensity));
    }
    return kOffCurveIntensity;
}

/// Reads one Single field of a T85 row; returns the error number that reading it raises
/// (94 for Null, 13 for text that is not a number, 6 beyond single range), 0 when it reads.
int readSingle(const db::Value& v, float& out) {
    if (v.isNull()) return kErrInvalidUseOfNull;
    double d = 0;
    if (v.isText()) {
        if (!isNumeric(v.toText())) return kErrTypeMismatch;
        d = std::strtod(trim(v.toText()).c_str(), nullptr);
    } else {
        d = v.toDouble();
    }
    if (!std::isfinite(d) || std::fabs(d) > std::numeric_limits<float>::max()) return kErrOverflow;
    out = static_cast<float>(d);
    return 0;
}

void tableFault(ui::UiPort& ui, const std::string& text) {
    ui.beep();
    ui.message("", text, ui::Icon::None, ui::Buttons::Ok, ui::Answer::Ok);
}

}  // namespace

double inletDuration(double tcMinutes) {
    if (tcMinutes == 0) return 10.0;
    if (tcMinutes < 3) return 3.0;
    return tcMinutes;
}

float CALC_INTENSITY(const DesignStorm& storm, float duration) {
    switch (storm.method) {
        case kMethodIdf:
            return idfPolynomial(duration, storm.idf.A, storm.idf.B, storm.idf.C, storm.idf.D);
        case kMethodTable:
            return fromTable(storm, duration);
        case kMethodCurve:
            return fromBuiltInCurve(duration);
        default:
            return 0.0f;
    }
}

bool LOAD_TIME_INTENSITY_TABLE(db::Database& db, DesignStorm& storm, ui::UiPort& ui, const std::string& location,
                               const std::string& frequency) {
    // Nulls sort first, so a row without a time stops the reading at once, as it always has.
    db::RecordSet rows(db, "T85", db::quoteIdent("LOCATION") + " = ? AND " + db::quoteIdent("FREQUENCY") + " = ?",
                       {db::Value(trim(location)), db::Value(trim(frequency))}, db::quoteIdent("TIME") + " ASC");
    const std::size_t n = rows.recordCount();
    storm.table.assign(n + 2, TimeIntensityPoint{});
    storm.tableRows = static_cast<int>(n);

    std::size_t i = 0;
    for (rows.moveFirst(); !rows.eof(); rows.moveNext()) {
        ++i;
        TimeIntensityPoint& p = storm.table[i];
        if (int err = readSingle(rows.value("TIME"), p.time)) {
            tableFault(ui, err == kErrInvalidUseOfNull
                               ? "Missing data in 'Time' field of User-Defined Time-Intensity table"
                               : "Error '" + std::to_string(err) +
                                     "' occurred while reading the 'Time' field of User-Defined Time-Intensity table");
            return false;
        }
        if (int err = readSingle(rows.value("INTENSITY"), p.intensity)) {
            tableFault(ui, err == kErrInvalidUseOfNull
                               ? "Missing data in 'Intensity' field of User-Defined Time-Intensity table"
                               : "Error '" + std::to_string(err) +
                                     "' occurred while reading the 'Intensity' field of User-Defined "
                                     "Time-Intensity table");
            return false;
        }
        // The first intensity holds back to time 0, the last up to 100000 minutes.
        if (i == 1) storm.table[0] = {0.0f, p.intensity};
        if (i == n) storm.table[n + 1] = {kTableEndMinutes, p.intensity};
    }
    return true;
}

std::string idfKey(const db::Value& v) {
    if (v.isNumber()) return shortestText(v.toDouble());
    return trim(v.toText());
}

std::optional<std::pair<std::string, double>> firstDesignStorm(db::Database& db) {
    constexpr double kPreferredYears = 10.0;
    std::optional<std::pair<std::string, double>> first;
    db::RecordSet t2(db, "T2");
    for (t2.moveFirst(); !t2.eof(); t2.moveNext()) {
        const std::string zone = trim(t2.text("Zone"));
        const input::NumberCheck years = input::parseNumber(trim(t2.text("Freq")), "Freq");
        if (zone.empty() || !years.ok() || !(*years.value > 0)) continue;
        if (!first) first = std::make_pair(zone, *years.value);
        else if (zone != first->first) continue;
        if (*years.value == kPreferredYears) return std::make_pair(zone, *years.value);
    }
    return first;
}

std::optional<IdfCoefficients> findIdfCoefficients(db::Database& db, const db::Value& zone, const db::Value& freq) {
    const std::string zoneKey = idfKey(zone);
    const std::string freqKey = idfKey(freq);
    // Keys compare as trimmed text without regard to case; the table is a handful of rows.
    db::RecordSet t2(db, "T2");
    for (t2.moveFirst(); !t2.eof(); t2.moveNext()) {
        if (!equalsIgnoreCase(idfKey(t2.value("Zone")), zoneKey) || !equalsIgnoreCase(idfKey(t2.value("Freq")), freqKey))
            continue;
        IdfCoefficients c;
        c.A = static_cast<float>(t2.number("A"));
        c.B = static_cast<float>(t2.number("B"));
        c.C = static_cast<float>(t2.number("C"));
        c.D = static_cast<float>(t2.number("D"));
        return c;
    }
    return std::nullopt;
}

std::optional<IdfCoefficients> lookupIdfCoefficients(db::Database& db, ui::UiPort& ui, const db::Value& zone,
                                                     const db::Value& freq) {
    const std::string zoneKey = idfKey(zone);
    const std::string freqKey = idfKey(freq);
    const auto c = findIdfCoefficients(db, zone, freq);
    if (!c) {
        ui.invalidData("ZONE '" + zoneKey + "' and/or FREQ '" + freqKey + "' cannot be found in the IDF Table.");
        return std::nullopt;
    }
    // Any zero coefficient makes the single-precision product zero.
    const float product = c->A * c->B * c->C * c->D;
    if (product == 0.0f) {
        ui.invalidData("Coefficients for ZONE '" + zoneKey + "' FREQ '" + freqKey +
                       "' contain zero values. Correct these values in the IDF Table.");
        return std::nullopt;
    }
    return c;
}

SystemRainfall readSystemRainfall(db::Database& db, const std::string& system) {
    SystemRainfall r;
    db::RecordSet header(db, "T16", db::quoteIdent("SYSTEM") + " = ?", {db::Value(trim(system))});
    if (header.empty()) return r;
    r.method = static_cast<int>(header.integer("INTENSITY_METHOD"));
    r.zone = header.value("ZONE");
    r.freq = header.value("FREQ");
    r.location = header.text("LOCATION");
    r.frequency = header.text("FREQUENCY");
    return r;
}

std::optional<DesignStorm> prepareRainfall(db::Database& db, ui::UiPort& ui, const std::string& system) {
    const SystemRainfall rain = readSystemRainfall(db, system);
    DesignStorm storm;
    storm.method = rain.method;
    if (rain.method == kMethodTable) {
        LOAD_TIME_INTENSITY_TABLE(db, storm, ui, rain.location, rain.frequency);
    } else if (rain.method == kMethodIdf) {
        const auto idf = lookupIdfCoefficients(db, ui, rain.zone, rain.freq);
        if (!idf) return std::nullopt;
        storm.idf = *idf;
    }
    return storm;
}

}  // namespace kolv::rain
