// The rainfall tables an engineer edits: IDF coefficients (T2) and user-defined time-intensity tables (T85).
#include "editing/rainfall_tables.h"

#include "common/number_input.h"
#include "common/text.h"
#include "common/utf8_text.h"
#include "db/record_set.h"
#include "db/undo_history.h"

namespace kolv::editing {

using db::RecordSet;

std::unique_ptr<TableGrid> makeIdfGrid(db::Database& db) {
    auto grid = std::make_unique<TableGrid>(db, "T2",
                                            std::vector<GridColumn>{{"Zone", "Zone", false},
                                                                    {"Freq", "Freq", false},
                                                                    {"A", "A", true},
                                                                    {"B", "B", true},
                                                                    {"C", "C", true},
                                                                    {"D", "D", true}},
                                            "IDF Coefficients");
    grid->load("", {}, "");
    return grid;
}

bool addIdfRow(TableGrid& grid, ui::UiPort& ui) { return grid.addRow(ui, "IDF Coefficients", "Add new record?"); }

rain::IdfCoefficients idfCoefficientsOfRow(const TableGrid& grid, std::size_t row) {
    rain::IdfCoefficients c;
    if (row >= grid.rowCount()) return c;
    c.A = static_cast<float>(input::numberOr(grid.cell(row, 2), 0.0));
    c.B = static_cast<float>(input::numberOr(grid.cell(row, 3), 0.0));
    c.C = static_cast<float>(input::numberOr(grid.cell(row, 4), 0.0));
    c.D = static_cast<float>(input::numberOr(grid.cell(row, 5), 0.0));
    return c;
}

std::vector<CurvePoint> idfCurve(const rain::IdfCoefficients& c) {
    rain::DesignStorm storm;
    storm.method = rain::kMethodIdf;
    storm.idf = c;
    std::vector<CurvePoint> points;
    for (int t = kIdfCurveFirstMin; t <= kIdfCurveLastMin; ++t)
        points.push_back({double(t), double(rain::CALC_INTENSITY(storm, float(t)))});
    return points;
}

void currentlyNotAvailable(ui::UiPort& ui) { ui.message("IDF Coefficients", "Currently not available"); }

std::unique_ptr<TableGrid> makeTimeIntensityGrid(db::Database& db) {
    auto grid = std::make_unique<TableGrid>(db, "T85",
                                            std::vector<GridColumn>{{"LOCATION", "Location", false},
                                                                    {"FREQUENCY", "Frequency", false},
                                                                    {"TIME", "Time", true},
                                                                    {"INTENSITY", "Intensity", true}},
                                            "Time-Intensity Table");
    grid->requireFixedValuesForNewRows("Select a location and a frequency first.");
    selectTimeIntensityTable(*grid, "", "");
    return grid;
}

void selectTimeIntensityTable(TableGrid& grid, const std::string& location, const std::string& frequency) {
    const std::string loc = trim(location), freq = trim(frequency);
    if (loc.empty()) {
        // no table chosen: no new rows; a frequency alone shows that frequency of every location
        grid.setFixedValues({{"LOCATION", ""}, {"FREQUENCY", ""}});
        if (freq.empty())
            grid.load("", {}, kTimeIntensityOrder);
        else
            grid.load("FREQUENCY = ?", {freq}, kTimeIntensityOrder);
    } else if (freq.empty()) {
        grid.setFixedValues({{"LOCATION", loc}, {"FREQUENCY", ""}});  // no table chosen yet: no new rows
        grid.load("LOCATION = ?", {loc}, kTimeIntensityOrder);
    } else {
        grid.setFixedValues({{"LOCATION", loc}, {"FREQUENCY", freq}});
        grid.load("LOCATION = ? AND FREQUENCY = ?", {loc, freq}, kTimeIntensityOrder);
    }
}

bool deleteTimeIntensityTable(db::Database& db, const std::string& location, const std::string& frequency,
                              ui::UiPort& ui) {
    const std::string loc = trim(location), freq = trim(frequency);
    if (ui.message("DELETE TIME-INTENSITY TABLE", "Delete Location '" + loc + "' Frequency '" + freq + "'",
                   ui::Icon::Question, ui::Buttons::YesNo, ui::Answer::No) != ui::Answer::Yes)
        return false;
    db::UndoAction step(db, "Delete Time-Intensity Table");
    return RecordSet::executeDelete(db, "T85", "LOCATION = ? AND FREQUENCY = ?", {loc, freq}) > 0;
}

bool addTimeIntensityTable(db::Database& db, const std::string& location, const std::string& frequency,
                           ui::UiPort& ui) {
    const std::string loc = trim(location), freq = trim(frequency);
    if (loc.empty()) {
        ui.message("MISSING DATA", "Location field is empty");
        return false;
    }
    if (freq.empty()) {
        ui.message("MISSING DATA", "Frequency field is empty");
        return false;
    }
    RecordSet t85(db, "T85");
    if (t85.findFirst("LOCATION = ? AND FREQUENCY = ?", {loc, freq})) {
        ui.message("Duplicate Entry", "Record already exist.");
        return false;
    }
    for (const auto& [caption, text] : {std::pair<const char*, const std::string&>{"Location", loc},
                                        std::pair<const char*, const std::string&>{"Frequency", freq}}) {
        if (charCount(text) > 20) {  // LOCATION and FREQUENCY are Text(20)
            ui.invalidData(std::string(caption) + " is limited to 20 characters.");
            return false;
        }
    }
    db::UndoAction step(db, "Add Time-Intensity Table");
    t85.addNew();
    t85.set("LOCATION", loc);
    t85.set("FREQUENCY", freq);
    t85.update();
    return true;
}

std::vector<CurvePoint> timeIntensityPreview(db::Database& db, ui::UiPort& ui, const std::string& location,
                                             const std::string& frequency) {
    rain::DesignStorm storm;
    storm.method = rain::kMethodTable;
    rain::LOAD_TIME_INTENSITY_TABLE(db, storm, ui, location, frequency);
    std::vector<CurvePoint> points;
    for (int k = 0; k < kPreviewPoints; ++k) {
        const float t = 5.0f * static_cast<float>(k);
        points.push_back({t, rain::CALC_INTENSITY(storm, t)});
    }
    return points;
}

}  // namespace kolv::editing
