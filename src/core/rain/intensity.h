// Rainfall intensity for a duration: IDF polynomial, user-defined time-intensity table or built-in curve.
#pragma once

#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "db/database.h"
#include "db/value.h"
#include "ui/ui_port.h"

namespace kolv::rain {

/// Intensity methods held in T16 `INTENSITY_METHOD` and DesignStorm::method.
enum IntensityMethod : int {
    kMethodIdf = 0,    ///< IDF coefficient polynomial by zone and frequency (T2)
    kMethodTable = 1,  ///< user-defined time-intensity table by location and frequency (T85)
    kMethodCurve = 2,  ///< built-in fixed curve
};

/// Durations past the last tabulated time take the last intensity up to this many minutes.
constexpr float kTableEndMinutes = 100000.0f;

/// The duration (minutes) a node's own time of concentration gives its inlet: 10 when none was
/// entered (0), never less than 3.
double inletDuration(double tcMinutes);

/// IDF coefficients of one zone and frequency (single precision, as stored in T2).
struct IdfCoefficients {
    float A = 0.0f;
    float B = 0.0f;
    float C = 0.0f;
    float D = 0.0f;
};

/// One point of a loaded time-intensity table (minutes, in/hr), single precision as stored.
struct TimeIntensityPoint {
    float time = 0.0f;
    float intensity = 0.0f;
};

/// The rainfall of one run: the method a system's header names and what that method reads (the
/// IDF coefficients or the loaded time-intensity table). A run loads it once and hands it to every
/// intensity it computes; nothing of it outlives the run.
struct DesignStorm {
    int method = kMethodIdf;    ///< `INTENSITY_METHOD`
    IdfCoefficients idf;        ///< method 0; zero otherwise
    /// Method 1: the loaded table, entries 0..n+1 (0 and n+1 are the sentinels).
    std::vector<TimeIntensityPoint> table;
    int tableRows = 0;          ///< n, the number of rows loaded
};

/// Rainfall intensity (in/hr, or as tabulated) for a duration in minutes, by the storm's method:
///  - 0: A + B ln t + C ln^2 t + D ln^3 t with the storm's coefficients, or -1 for t <= 0;
///  - 1: linear in the loaded time-intensity table, 0 outside [0, 100000);
///  - 2: linear in the built-in curve, 100 outside [0, 300);
///  - any other method: 0.
float CALC_INTENSITY(const DesignStorm& storm, float duration);

/// Loads the T85 rows of a location and frequency (trimmed) into the storm's time-intensity
/// table, ascending by `TIME`, with the sentinels (0, first intensity) and (100000, last intensity).
/// A Null or unreadable `TIME` or `INTENSITY` stops reading with its message (beep first);
/// the entries not yet read stay (0, 0). The storm's method is left as it is. Returns false when
/// a message was shown.
bool LOAD_TIME_INTENSITY_TABLE(db::Database& db, DesignStorm& storm, ui::UiPort& ui, const std::string& location,
                               const std::string& frequency);

/// The IDF key as compared: trimmed text; a number by its shortest decimal text (3 -> "3").
std::string idfKey(const db::Value& v);

/// Finds the T2 row of a zone and frequency and returns its coefficients. Shows the
/// "INVALID DATA" message and returns nothing when the row is missing or any coefficient is 0.
std::optional<IdfCoefficients> lookupIdfCoefficients(db::Database& db, ui::UiPort& ui, const db::Value& zone,
                                                     const db::Value& freq);

/// Rainfall settings of a system, read from its T16 row.
struct SystemRainfall {
    int method = kMethodIdf;  ///< `INTENSITY_METHOD`, Null read as 0
    db::Value zone;           ///< `ZONE`
    db::Value freq;           ///< `FREQ`
    std::string location;     ///< `LOCATION`
    std::string frequency;    ///< `FREQUENCY`
};

/// The T2 row of a zone and frequency as its coefficients, without any message: nothing when
/// there is no such row.
std::optional<IdfCoefficients> findIdfCoefficients(db::Database& db, const db::Value& zone, const db::Value& freq);

/// The design storm a new system or outfall starts with (IDF zone and return period in years): the
/// first zone of the IDF table with its 10-year row, or that zone's first row; nothing for an empty table.
std::optional<std::pair<std::string, double>> firstDesignStorm(db::Database& db);

/// Reads the rainfall fields of a system's T16 row (all defaults when the row is missing).
SystemRainfall readSystemRainfall(db::Database& db, const std::string& system);

/// The design storm of a system as its header names it: the method, the time-intensity table
/// loaded for method 1, the IDF coefficients looked up for method 0. Nothing when the IDF lookup
/// failed with its message (the run ends); a table load that shows a message does not stop it.
std::optional<DesignStorm> prepareRainfall(db::Database& db, ui::UiPort& ui, const std::string& system);

}  // namespace kolv::rain
