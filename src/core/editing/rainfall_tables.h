// The rainfall tables an engineer edits: IDF coefficients (T2) and user-defined time-intensity tables (T85).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/database.h"
#include "editing/table_grid.h"
#include "rain/intensity.h"
#include "ui/ui_port.h"

namespace kolv::editing {

/// One point of a rainfall curve: duration (min) and intensity (in/hr, or as tabulated).
struct CurvePoint {
    double durationMin = 0;
    double intensity = 0;
};

// ---- IDF coefficients (T2) -------------------------------------------------------------------

/// The grid of T2: `Zone`, `Freq`, `A`, `B`, `C`, `D`, in table order.
std::unique_ptr<TableGrid> makeIdfGrid(db::Database& db);

/// Adds a T2 row after "Add new record?"; true when added.
bool addIdfRow(TableGrid& grid, ui::UiPort& ui);

/// The coefficients of a grid row (blank cells read as 0).
rain::IdfCoefficients idfCoefficientsOfRow(const TableGrid& grid, std::size_t row);

/// The IDF curve of a zone and frequency for the chart: intensity every minute from 5 to
/// 120 minutes through the intensity routine of the computations (method 0).
std::vector<CurvePoint> idfCurve(const rain::IdfCoefficients& c);

/// Shortest and longest durations of the IDF chart (min).
inline constexpr int kIdfCurveFirstMin = 5;
inline constexpr int kIdfCurveLastMin = 120;

/// The message of the window's commands that do nothing yet.
void currentlyNotAvailable(ui::UiPort& ui);

// ---- Time-intensity tables (T85) -------------------------------------------------------------

/// Order of every time-intensity listing.
inline constexpr const char* kTimeIntensityOrder = "LOCATION ASC, FREQUENCY ASC, TIME ASC";

/// The grid of T85 (`LOCATION`, `FREQUENCY`, `TIME`, `INTENSITY`) with nothing selected: all rows.
std::unique_ptr<TableGrid> makeTimeIntensityGrid(db::Database& db);

/// Shows the rows of the selection: all rows when the location is blank, the location's rows
/// when the frequency is blank, else one table. Rows added or changed in the grid get the
/// selected location and frequency (adding needs both).
void selectTimeIntensityTable(TableGrid& grid, const std::string& location, const std::string& frequency);

/// Deletes a whole table after "Delete Location '...' Frequency '...'" (title "DELETE
/// TIME-INTENSITY TABLE"); true when deleted.
bool deleteTimeIntensityTable(db::Database& db, const std::string& location, const std::string& frequency,
                              ui::UiPort& ui);

/// The add-table window's command: "Location field is empty" / "Frequency field is empty"
/// ("MISSING DATA"), "Record already exist." ("Duplicate Entry"); otherwise one T85 row with
/// only `LOCATION` and `FREQUENCY`. True when added.
bool addTimeIntensityTable(db::Database& db, const std::string& location, const std::string& frequency,
                           ui::UiPort& ui);

/// Number of points of the curve preview: durations 0, 5, ..., 90 minutes.
inline constexpr int kPreviewPoints = 19;

/// The curve preview of a table: loads it as a run does and evaluates the table method at
/// 0, 5, ..., 90 minutes. A table that cannot be read shows its message; the points then
/// carry what was read.
std::vector<CurvePoint> timeIntensityPreview(db::Database& db, ui::UiPort& ui, const std::string& location,
                                             const std::string& frequency);

}  // namespace kolv::editing
