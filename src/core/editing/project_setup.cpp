// The project setup record (T0).
#include "editing/project_setup.h"

#include "common/number_input.h"
#include "hydraulics/design_ranges.h"

#include "common/text.h"
#include "common/utf8_text.h"
#include "db/record_set.h"
#include "db/undo_history.h"
#include "editing/survey_lengths.h"

namespace kolv::editing {

using db::RecordSet;

namespace {

RecordSet openT0(db::Database& db) {
    RecordSet t0(db, "T0");
    if (t0.empty()) {
        t0.addNew();
        t0.update();
        t0.requery();
    }
    t0.moveFirst();
    return t0;
}

void writeField(db::Database& db, const std::string& field, const db::Value& v) {
    RecordSet t0 = openT0(db);
    t0.edit();
    t0.set(field, v);
    t0.update();
}

}  // namespace

std::array<std::string, 2> junctionDescription(int n) {
    static const char* bends[] = {"0-10 degree bend in trunk line", ">10-45 degree bend in trunk line",
                                  ">45-90 degree bend in trunk line", ">90 degree bend in trunk line"};
    static const char* laterals[] = {"No laterals", "One small lateral", "Two small laterals"};
    if (n >= 1 && n <= 12) return {bends[(n - 1) % 4], laterals[(n - 1) / 4]};
    if (n == 13) return {"Two similar sized pipes enter", "One larger pipe exits"};
    if (n == 14) return {"Three similar sized pipes enter", "One larger pipe exits"};
    return {"", ""};
}

std::string junctionCurrentText(int n) { return "Current: " + std::to_string(n) + " of 14"; }

SetupColor setupColor(long long stored) {
    return {static_cast<int>(stored & 0xFF), static_cast<int>((stored >> 8) & 0xFF),
            static_cast<int>((stored >> 16) & 0xFF)};
}

ResultsColors resultsColors(db::Database& db) {
    ResultsColors c;
    db::RecordSet t0(db, "T0");
    if (t0.empty()) return c;
    const auto stored = [&](const char* field) -> std::optional<SetupColor> {
        if (!t0.hasField(field) || t0.isNull(field)) return std::nullopt;
        return setupColor(t0.integer(field));
    };
    c.back = stored("RESULTS_BACKCOLOR");
    c.text = stored("RESULTS_FORECOLOR");
    return c;
}

ProjectSetup openProjectSetup(db::Database& db) {
    RecordSet t0 = openT0(db);
    bool repair = false;
    for (const char* f : {"PRJ_NUMBER", "PRJ_DESC", "PRJ_COUNTY", "PRJ_STATE_ROAD", "NEXT_NODE_PREFIX",
                          "NEXT_NODE_NUMBER"})
        repair = repair || t0.isNull(f);
    if (repair) {
        t0.edit();
        for (const char* f : {"PRJ_NUMBER", "PRJ_DESC", "PRJ_COUNTY", "PRJ_STATE_ROAD"})
            if (t0.isNull(f)) t0.set(f, ".");
        if (t0.isNull("NEXT_NODE_PREFIX")) t0.set("NEXT_NODE_PREFIX", "S-");
        if (t0.isNull("NEXT_NODE_NUMBER")) t0.set("NEXT_NODE_NUMBER", 1);
        t0.update();
    }
    ProjectSetup s;
    s.number = trim(t0.text("PRJ_NUMBER"));
    s.description = trim(t0.text("PRJ_DESC"));
    s.county = trim(t0.text("PRJ_COUNTY"));
    s.stateRoad = trim(t0.text("PRJ_STATE_ROAD"));
    s.metric = t0.flag("ENGLISH_METRIC");
    s.usePrefix = t0.flag("NEXT_NODE_USE_PREFIX");
    s.prefix = trim(t0.text("NEXT_NODE_PREFIX"));
    s.nextNumber = std::to_string(t0.integer("NEXT_NODE_NUMBER"));
    s.frenchDrainJuris = static_cast<int>(t0.integer("FRENCH_DRAIN_JURIS"));
    s.survey = editing::surveyCoordinates(db);
    for (int i = 0; i < kJunctionConfigurations; ++i)
        s.jc[static_cast<std::size_t>(i)] = t0.number("JC" + std::to_string(i + 1));
    return s;
}

bool confirmUnitSystemChange(bool toMetric, ui::UiPort& ui) {
    const std::string to = toMetric ? "metric units (m, ha, m\u00b3/s)" : "English units (ft, ac, cfs)";
    const std::string from = toMetric ? "feet" : "meters";
    const std::string text = "Switch this project to " + to + "?\r\r"
                             "Stored numbers are not converted: lengths, elevations, areas and flows keep their "
                             "values and are read in the new units (100 " + from + " becomes 100 " +
                             (toMetric ? "meters" : "feet") + ").\r"
                             "Pipe and structure definitions of the new unit system are listed.\r\r"
                             "Continue?";
    return ui.message("Change Units", text, ui::Icon::Question, ui::Buttons::YesNo, ui::Answer::No) ==
           ui::Answer::Yes;
}

void setUnitSystem(db::Database& db, bool metric) {
    db::UndoAction step(db, metric ? "Units: Metric" : "Units: English");
    writeField(db, "ENGLISH_METRIC", metric);
}

void setFrenchDrainJurisdiction(db::Database& db, int choice) {
    db::UndoAction step(db, "Project Setup");
    writeField(db, "FRENCH_DRAIN_JURIS", choice);
}

input::NumberCheck checkJunctionCoefficient(std::string_view text) {
    return hydraulics::checkDesignValue(hydraulics::DesignValue::JunctionLossK, text, false);
}

void setJunctionCoefficient(db::Database& db, int n, double k) {
    db::UndoAction step(db, "Project Setup");
    if (n < 1 || n > kJunctionConfigurations) return;
    writeField(db, "JC" + std::to_string(n), k);
}

bool saveProjectSetup(db::Database& db, const ProjectSetup& s, ui::UiPort& ui) {
    db::UndoAction step(db, "Project Setup");
    if (charCount(trim(s.prefix)) > 6) {
        ui.invalidData("The node name prefix is limited to 6 characters.");
        return false;
    }
    input::NumberRule numbers;
    numbers.min = 0;
    numbers.max = 32767;
    numbers.integer = true;
    const input::NumberCheck next = input::checkNumber(s.nextNumber, "The next node number", numbers);
    if (!next.ok()) {
        ui.invalidData(next.error);
        return false;
    }
    const double number = *next.value;
    RecordSet t0 = openT0(db);
    t0.edit();
    t0.set("PRJ_NUMBER", left(trim(s.number), 30));
    t0.set("PRJ_DESC", left(trim(s.description), 100));
    t0.set("PRJ_COUNTY", left(trim(s.county), 30));
    t0.set("PRJ_STATE_ROAD", left(trim(s.stateRoad), 30));
    t0.set("NEXT_NODE_USE_PREFIX", s.usePrefix);
    t0.set("NEXT_NODE_PREFIX", trim(s.prefix));
    t0.set("NEXT_NODE_NUMBER", static_cast<int>(number));
    t0.update();
    return true;
}

}  // namespace kolv::editing
