// System cost: structures by depth class, pipes by length, subtotals per definition and totals.
#include "cost/system_cost.h"

#include <cmath>
#include <cstdint>

#include "common/text.h"
#include "common/vb_format.h"
#include "db/key_index.h"
#include "db/record_set.h"
#include "db/schema.h"
#include "db/undo_history.h"
#include "network/input_limits.h"
#include "network/step_runs.h"

namespace kolv::cost {

namespace {

/// Depth class limit of a structure, in the project's own length unit (feet or meters alike).
constexpr double kDepthClassLimit = 10.0;

/// Running quantity and amount of one definition record during the run.
struct Tally {
    double quantity = 0.0;  ///< pipes: total length; structures: number of structures
    double dollars = 0.0;   ///< total amount
};

/// What the cost reads of a reach: its upstream elevation, length and pipe (trimmed).
struct ReachCostRow {
    double elev1 = 0.0;
    double length = 0.0;
    std::string pipeName;
};

/// Every reach of the file by its upstream node, narrow: the first reach leaving a node in file
/// order prices it, whatever its system, so a node whose name another system shares is priced
/// as it always was.
struct OutgoingReaches {
    std::vector<ReachCostRow> rows;
    db::KeyIndex byNode1;

    explicit OutgoingReaches(db::Database& db) {
        db::Statement st = db.prepare("SELECT NODE1, ELEV1, LENGTH, PIPE_NAME FROM REACH ORDER BY rowid");
        while (st.step()) {
            byNode1.add(st.column(0), static_cast<std::uint32_t>(rows.size()));
            rows.push_back({st.column(1).toDouble(), st.column(2).toDouble(), trim(st.column(3).toText())});
        }
        rows.shrink_to_fit();
        byNode1.seal();
    }
    const ReachCostRow* leaving(const std::string& node) const {
        const long at = byNode1.first(db::Value(node));
        return at < 0 ? nullptr : &rows[static_cast<std::size_t>(at)];
    }
};

/// Left-aligned name in a fixed field.
std::string nameField(const std::string& name, std::size_t width) { return padRight(name, width); }

/// Right-aligned number in a fixed field; a number wider than its field is kept whole.
std::string numberField(double value, const char* picture, std::size_t width) {
    return vbFormatWidth(value, picture, width);
}

/// The node's line of the detail list.
std::string nodeLine(const std::string& node, const std::string& structure, double structureCost,
                     const std::string& pipe, double length, double unitCost, double pipeCost) {
    return nameField(node, 8) + "|" + nameField(structure, 8) + numberField(structureCost, "#,##0.00", 9) + "|" +
           nameField(pipe, 8) + numberField(length, "#,##0.00", 8) + " @" + numberField(unitCost, "0.00", 7) +
           numberField(pipeCost, "#,##0.00", 10) + "||" + numberField(pipeCost + structureCost, "#,##0.00", 10);
}

/// Alert sound, then the "INVALID DATA" box; the run goes on.
void report(ui::UiPort& ui, const std::string& text) { ui.invalidData(text); }

/// Writes the accumulated figures of every record of one definition table (0 for unused ones).
void writeTallies(db::RecordSet& defs, const std::vector<Tally>& tallies) {
    for (long row = 0; row < static_cast<long>(tallies.size()); ++row) {
        defs.setPosition(row);
        defs.edit();
        defs.set("COST_QTY", tallies[row].quantity);
        defs.set("COST_DOLLARS", tallies[row].dollars);
        defs.update();
    }
}

/// Stops a cost run on a figure that is not a finite number: the listing is dropped, nothing written.
void stopOnNonFinite(ui::UiPort& ui, CostResult& result, const std::string& what, const std::string& quantity,
                     double quantityValue, double dollars) {
    const double bad = std::isfinite(quantityValue) ? dollars : quantityValue;
    ui.invalidData(what + ": the total " + quantity + " came out as " +
                   (std::isnan(bad) ? "not a number" : "infinite") +
                   ". The computation stopped and wrote nothing; the previous figures are kept. "
                   "Check the lengths and unit costs of the pipes and inlets used.");
    result.stopped = true;
    result.lines.clear();
    result.pipesTotal = result.structuresTotal = 0.0;
}

}  // namespace

std::string costReportTitle(const std::string& system) { return "SYSTEM COST REPORT - " + trim(system); }

CostResult computeSystemCost(db::Database& db, const std::string& systemName, const CostOptions& options,
                             ui::UiPort& ui) {
    db::UndoAction step(db, "Cost Analysis");  // the tallies written into T6 and T7
    const std::string system = trim(systemName);
    CostResult result;
    auto& lines = result.lines;

    // The tallies are written from what was read: the reading happens inside the write transaction.
    db::Transaction tx(db);
    {
        // Lengths, sizes and elevations no computation can use stop the run first.
        // A cost reads lengths and elevations only; a reach of no length prices nothing.
        network::InputLimitScope scope;
        scope.drainage = false;
        scope.zeroLengths = true;
        scope.pipeHeights = scope.pipeShapes = scope.pipeRoughness = scope.ditchRoughness = false;
        const bool metric = db.scalar("SELECT " + db::quoteIdent("ENGLISH_METRIC") + " FROM T0").toInt() != 0;
        if (!network::inputWithinLimits(db, system, metric, ui, scope)) {
            result.stopped = true;
            return result;
        }
    }

    db::RecordSet pipes(db, "T7");
    db::RecordSet structures(db, "T6");
    const OutgoingReaches reaches(db);
    // Every definition starts the run at 0; figures of an earlier run (of any system) go.
    std::vector<Tally> pipeTally(pipes.recordCount());
    std::vector<Tally> structureTally(structures.recordCount());

    if (options.detail) {
        lines.push_back("  ");
        lines.push_back(" ");
        lines.push_back("Node     Inlet      Cost   Pipe      Length   Unit Cst   Cost       Total");
        lines.push_back("___________________________________________________________________________");
    }

    ui.status("Computing cost for structure . . .");
    // The system's nodes are read one at a time as the statement steps: nothing is written to
    // NODE during the run, and a node needs nothing of the others.
    db::Statement nodes =
        db.prepare("SELECT NAME, INLET_ELEV, STRUCT_NAME FROM NODE WHERE SYSTEM = ? ORDER BY rowid");
    nodes.bind(1, system);
    while (nodes.step()) {
        ui.processEvents();
        const std::string node = trim(nodes.column(0).toText());
        const double inletElev = nodes.column(1).toDouble();  // top elevation; empty counts as 0

        // Pipe part: the node's outgoing reach at its pipe's unit cost.
        double upstreamInvert = 0.0;  // ELEV1 as stored; empty counts as 0
        std::string pipeName;
        double lengthUnits = 0.0, unitCost = 0.0, pipeCost = 0.0;
        if (const ReachCostRow* reach = reaches.leaving(node); !reach) {
            report(ui, "Node '" + node + "' outgoing reach not found.");
        } else {
            upstreamInvert = reach->elev1;
            lengthUnits = reach->length;
            pipeName = reach->pipeName;
            if (pipeName.empty()) {
                report(ui, "Node '" + node + "' is missing the pipe name.");
            } else if (!pipes.findFirst("NAME = ?", {pipeName})) {
                report(ui, "Pipe '" + pipeName + "' can not be found in the pipe table.");
            } else {
                unitCost = pipes.number("COST");
                // An invalid unit cost is reported and still used, so the totals say what was priced.
                if (unitCost <= 0.0) report(ui, "Pipe '" + pipeName + "' has an invalid cost.");
                pipeCost = lengthUnits * unitCost;  // cost = L × unit cost
                Tally& t = pipeTally[static_cast<std::size_t>(pipes.position())];
                t.quantity += lengthUnits;
                t.dollars += pipeCost;
            }
        }

        // Structure part: one structure, priced by the depth class of its outgoing pipe.
        const std::string structureName = trim(nodes.column(2).toText());
        if (structureName.empty()) {
            report(ui, "Node '" + node + "' is missing the inlet name.");
            continue;  // no line for this node
        }
        double structureCost = 0.0;
        if (!structures.findFirst("NAME = ?", {structureName})) {
            report(ui, "Inlet '" + structureName + "' can not be found in the inlet table.");
        } else {
            // depth = top elevation − upstream invert. Elevations are typed to a few decimals, so the
            // difference is taken to the micro-unit: 110.3 − 100.3 is exactly 10 deep, not 10.000000000000014.
            const double depth = roundHalfAway(inletElev - upstreamInvert, 6);
            if (depth <= kDepthClassLimit) {
                structureCost = structures.number("COST_LT");
                if (structureCost <= 0.0) report(ui, "Inlet '" + structureName + "' has an invalid <10' cost.");
            } else {
                structureCost = structures.number("COST_GT");
                if (structureCost <= 0.0) report(ui, "Inlet '" + structureName + "' has an invalid >10' cost.");
            }
            Tally& t = structureTally[static_cast<std::size_t>(structures.position())];
            t.quantity += 1.0;
            t.dollars += structureCost;
        }

        if (options.detail)
            lines.push_back(nodeLine(node, structureName, structureCost, pipeName, lengthUnits, unitCost, pipeCost));
    }
    ui.status("");

    // Subtotals per definition actually used, in table order. The block is listed with or
    // without the detail lines: without it the engineer would see no figures at all.
    lines.push_back("  ");
    lines.push_back("_____ SUB TOTALS ____________________________");
    lines.push_back(" ");
    lines.push_back("PIPES:");
    for (long row = 0; row < static_cast<long>(pipeTally.size()); ++row) {
        const Tally& t = pipeTally[static_cast<std::size_t>(row)];
        if (t.quantity <= 0.0) continue;
        pipes.setPosition(row);
        lines.push_back(nameField(trim(pipes.text("NAME")), 8) + numberField(t.quantity, "##,##0.00", 10) + " @" +
                        numberField(pipes.number("COST"), "$#,##0.00", 10) + " = " +
                        numberField(t.dollars, "$###,##0.00", 12));
        result.pipesTotal += t.dollars;
    }
    lines.push_back("  ");
    lines.push_back("INLETS/MANHOLES:");
    for (long row = 0; row < static_cast<long>(structureTally.size()); ++row) {
        const Tally& t = structureTally[static_cast<std::size_t>(row)];
        if (t.quantity <= 0.0) continue;
        structures.setPosition(row);
        lines.push_back(nameField(trim(structures.text("NAME")), 8) + " Qty:" + numberField(t.quantity, "#,##0", 6) +
                        " = " + numberField(t.dollars, "$###,##0.00", 12));
        result.structuresTotal += t.dollars;
    }

    lines.push_back("  ");
    lines.push_back("  ");
    lines.push_back("_____ TOTALS ______________________________");
    lines.push_back(" ");
    lines.push_back("Total Cost of Pipes:          " + numberField(result.pipesTotal, "$#,###,##0.00", 13));
    lines.push_back("Total Cost of Inlets/Manholes:" + numberField(result.structuresTotal, "$#,###,##0.00", 13));
    lines.push_back("___________________________________________");
    lines.push_back("GRAND TOTAL FOR SYSTEM:       " + numberField(result.grandTotal(), "$#,###,##0.00", 13));

    // A figure that is not a number never reaches the file or the listing.
    const auto notFinite = [](double v) { return !std::isfinite(v); };
    for (std::size_t i = 0; i < pipeTally.size() && !result.stopped; ++i)
        if (notFinite(pipeTally[i].quantity) || notFinite(pipeTally[i].dollars)) {
            pipes.setPosition(static_cast<long>(i));
            stopOnNonFinite(ui, result, "Pipe '" + trim(pipes.text("NAME")) + "'",
                            notFinite(pipeTally[i].quantity) ? "length" : "cost", pipeTally[i].quantity,
                            pipeTally[i].dollars);
        }
    for (std::size_t i = 0; i < structureTally.size() && !result.stopped; ++i)
        if (notFinite(structureTally[i].dollars)) {
            structures.setPosition(static_cast<long>(i));
            stopOnNonFinite(ui, result, "Inlet '" + trim(structures.text("NAME")) + "'", "cost", 0,
                            structureTally[i].dollars);
        }
    if (result.stopped) return result;

    // The figures of every definition are replaced together: 0 for the unused ones.
    writeTallies(pipes, pipeTally);
    writeTallies(structures, structureTally);
    network::recordStepRun(db, network::DesignStep::Cost, system, lines);
    tx.commit();
    return result;
}

}  // namespace kolv::cost
