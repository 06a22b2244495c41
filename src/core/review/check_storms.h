// Check storms: the storm tabulation of the current design under another return period or an
// adjusted rainfall, kept as named scenarios beside the design run, and their comparison per node.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "db/project.h"
#include "hydraulics/profile_model.h"
#include "hydraulics/run_options.h"
#include "session/session.h"
#include "ui/ui_port.h"

namespace kolv::review {

/// What a check storm changes of the design storm.
struct ScenarioSpec {
    std::string name;              ///< up to 30 characters
    std::string frequency;         ///< return period in the system's IDF zone or location; empty: the system's
    double intensityFactor = 1.0;  ///< rainfall adjustment (1.15 for 15 % more)
};

/// A scenario as stored, with its grade line per node (ft).
struct Scenario {
    ScenarioSpec storm;
    struct Node {
        std::string node, toNode;
        double inletFt = 0, hglAtNodeFt = 0, hglUpFt = 0, hglDnFt = 0, qCfs = 0;
    };
    std::vector<Node> nodes;  ///< flow order
};

/// The refusal of a scenario's name or factor, or nothing.
std::optional<std::string> validateScenario(const ScenarioSpec& storm);

/// Runs the check storm on the design as it stands (sizes and inverts unchanged) with the
/// storm tabulation options `base`, and keeps its grade line under the scenario's name (one
/// undoable step; the same name is replaced). The design's own results (T60) are not touched.
/// Returns the run's status: 0 kept; -1 stopped with its message shown.
int runScenario(db::Project& project, Session& session, ui::UiPort& ui, const std::string& system,
                hydraulics::RunOptions base, const ScenarioSpec& storm, std::vector<std::string>* messages = nullptr);

/// The scenarios kept for a system, in the order they were first run.
std::vector<Scenario> loadScenarios(db::Database& db, const std::string& system);

/// One node of the comparison: the design run and each scenario (same order as `scenarios`).
struct ComparisonRow {
    std::string node;
    double inletFt = 0;
    std::optional<double> designHglFt;
    std::vector<std::optional<double>> hglFt;
    /// Least clearance (rim − HGL) over the design and the scenarios, ft: the sort key.
    double worstClearanceFt = 0;
};

struct Comparison {
    std::vector<std::string> scenarios;  ///< names, "design" not included
    std::vector<ComparisonRow> rows;     ///< worst clearance first
};

/// Compares the design run (T60) with every scenario of the system, node by node.
Comparison compareScenarios(db::Database& db, const std::string& system);

/// Adds the grade line of each scenario along the profile's path (the design's stations), in the
/// profile's display unit; a node the scenario did not compute interrupts nothing, it is skipped.
/// A scenario named in `hidden` (any case) is left off the profile.
void addScenarioGradeLines(hydraulics::ProfileGeometry& g, const std::vector<Scenario>& scenarios,
                           const std::vector<std::string>& hidden = {});

/// The comparison in the project's units: text lines, CSV, or JSON.
std::vector<std::string> comparisonText(const Comparison& c, bool metric);
std::string comparisonCsv(const Comparison& c, bool metric);
std::string comparisonJson(const Comparison& c, bool metric);

}  // namespace kolv::review
