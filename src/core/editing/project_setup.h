// The project setup record (T0): identification, unit system, node numbering, junction coefficients.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "common/number_input.h"
#include "db/database.h"
#include "ui/ui_port.h"

namespace kolv::editing {

/// Number of junction configurations (JC1 .. JC14).
constexpr int kJunctionConfigurations = 14;

/// The T0 values the project setup window shows.
struct ProjectSetup {
    std::string number, description, county, stateRoad;  ///< PRJ_NUMBER, PRJ_DESC, PRJ_COUNTY, PRJ_STATE_ROAD
    bool metric = false;                                  ///< ENGLISH_METRIC
    bool usePrefix = false;                               ///< NEXT_NODE_USE_PREFIX
    std::string prefix = "S-";                            ///< NEXT_NODE_PREFIX
    std::string nextNumber = "1";                         ///< NEXT_NODE_NUMBER as typed
    int frenchDrainJuris = 0;                             ///< FRENCH_DRAIN_JURIS
    bool survey = false;                                  ///< SURVEY_COORDINATES (Null: schematic)
    std::array<double, kJunctionConfigurations> jc{};     ///< JC1..JC14 (junction loss K)
};

/// A colour of the project setup as red, green and blue (0..255).
struct SetupColor {
    int red = 0, green = 0, blue = 0;
    bool operator==(const SetupColor&) const = default;
};
/// The colour of a value stored as the setup keeps colours, 0x00BBGGRR.
SetupColor setupColor(long long stored);

/// Colours of the result lists: T0 `RESULTS_BACKCOLOR` and `RESULTS_FORECOLOR`; none where the field is
/// empty or missing, so the list keeps its usual colour.
struct ResultsColors {
    std::optional<SetupColor> back, text;
};
ResultsColors resultsColors(db::Database& db);

/// The two description lines of junction configuration n (1..14).
std::array<std::string, 2> junctionDescription(int n);
/// "Current: " + n + " of 14".
std::string junctionCurrentText(int n);

/// Reads the T0 row, writing defaults back for Null fields: "." for the four identification
/// texts, "S-" for the prefix and 1 for the next number. Creates the row when T0 is empty.
ProjectSetup openProjectSetup(db::Database& db);

/// Asks before the project changes its unit system (No the default), saying that the numbers
/// already stored keep their values. True when the engineer answers Yes.
bool confirmUnitSystemChange(bool toMetric, ui::UiPort& ui);

/// Writes ENGLISH_METRIC at once (false English, true metric).
void setUnitSystem(db::Database& db, bool metric);
/// Writes FRENCH_DRAIN_JURIS at once.
void setFrenchDrainJurisdiction(db::Database& db, int choice);
/// Reads a typed junction-configuration loss coefficient (0..100).
input::NumberCheck checkJunctionCoefficient(std::string_view text);

/// Writes the coefficient of junction configuration n (1..14).
void setJunctionCoefficient(db::Database& db, int n, double k);

/// OK: writes the trimmed identification texts, the prefix switch, prefix and next number.
/// A prefix longer than 6 characters is refused ("INVALID DATA"); returns false then.
bool saveProjectSetup(db::Database& db, const ProjectSetup& s, ui::UiPort& ui);

}  // namespace kolv::editing
