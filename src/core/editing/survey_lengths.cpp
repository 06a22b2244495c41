// Reach lengths measured between surveyed node positions, and the project's survey switch.
#include "editing/survey_lengths.h"

#include <cmath>
#include <unordered_map>
#include <vector>

#include "common/text.h"
#include "db/record_set.h"
#include "db/schema.h"
#include "db/undo_history.h"

namespace kolv::editing {

namespace {

struct Position {
    double x = 0, y = 0;  // easting, northing (project length unit)
};

std::string key(std::string_view name) { return toUpper(trim(name)); }

/// Positions of the system's nodes and its outfall, by upper-case name.
std::unordered_map<std::string, Position> positions(db::Database& db, const std::string& system) {
    std::unordered_map<std::string, Position> at;
    db::Statement nodes = db.prepare("SELECT NAME, XD, YD FROM NODE WHERE SYSTEM = ?");
    nodes.bindAll({system});
    while (nodes.step()) at[key(nodes.column(0).toText())] = {nodes.column(1).toDouble(), nodes.column(2).toDouble()};
    db::Statement outfall = db.prepare("SELECT OUT_NODE, XD, YD FROM T16 WHERE SYSTEM = ?");
    outfall.bindAll({system});
    if (outfall.step() && !trim(outfall.column(0).toText()).empty())
        at[key(outfall.column(0).toText())] = {outfall.column(1).toDouble(), outfall.column(2).toDouble()};
    return at;
}

}  // namespace

bool surveyCoordinates(db::Database& db) {
    if (db.layout("T0").position(db::kSurveyCoordinatesField) < 0) return false;  // made before the switch existed
    const db::Value v = db.scalar("SELECT " + db::quoteIdent(db::kSurveyCoordinatesField) + " FROM T0 LIMIT 1");
    return !v.isNull() && v.toDouble() != 0;
}

int setSurveyCoordinates(db::Database& db, bool survey) {
    if (surveyCoordinates(db) == survey) return 0;
    db::UndoAction step(db, survey ? "Survey Coordinates" : "Schematic Coordinates");
    if (db.layout("T0").position(db::kSurveyCoordinatesField) < 0) {
        db.addField("T0", db::FieldDef{db::kSurveyCoordinatesField, db::FieldType::YesNo});
        if (db::UndoHistory* h = db.history()) h->trackTables();  // the value written below can be undone
    }
    db::Transaction tx(db);
    db::RecordSet t0(db, "T0");
    if (t0.empty()) t0.addNew();
    else t0.edit();
    t0.set(db::kSurveyCoordinatesField, survey);
    t0.update();
    const int changed = survey ? updateAllReachLengths(db) : 0;
    tx.commit();
    return changed;
}

std::optional<double> planLength(double x1, double y1, double x2, double y2) {
    if ((x1 == 0 && y1 == 0) || (x2 == 0 && y2 == 0)) return std::nullopt;  // a node not yet placed
    // L = sqrt(dE^2 + dN^2)
    const double length = std::hypot(x2 - x1, y2 - y1);
    if (!std::isfinite(length) || length <= 0) return std::nullopt;
    return length;
}

int updateReachLengths(db::Database& db, const std::string& system, const std::string& node) {
    if (!surveyCoordinates(db)) return 0;
    const std::string sys = trim(system);
    const auto at = positions(db, sys);
    std::string sql = "SELECT rowid, NODE1, NODE2, LENGTH FROM REACH WHERE SYSTEM = ? AND CALC_PIPEL <> 0";
    std::vector<db::Value> params = {sys};
    if (!trim(node).empty()) {
        sql += " AND (NODE1 = ? OR NODE2 = ?)";
        params.emplace_back(trim(node));
        params.emplace_back(trim(node));
    }
    struct Change {
        long long rowid;
        double length;  // project length unit (ft or m)
    };
    std::vector<Change> changes;
    {
        db::Statement reaches = db.prepare(sql);
        reaches.bindAll(params);
        while (reaches.step()) {
            const auto from = at.find(key(reaches.column(1).toText()));
            const auto to = at.find(key(reaches.column(2).toText()));
            if (from == at.end() || to == at.end()) continue;
            const auto length = planLength(from->second.x, from->second.y, to->second.x, to->second.y);
            if (!length) continue;
            const double rounded = std::round(*length * 100.0) / 100.0;  // to the hundredth, as lengths are typed
            if (reaches.column(3).isNull() || std::abs(reaches.column(3).toDouble() - rounded) > 1e-9)
                changes.push_back({static_cast<long long>(reaches.column(0).toInt()), rounded});
        }
    }
    for (const Change& c : changes)
        db.execute("UPDATE REACH SET LENGTH = ? WHERE rowid = ?", {db::Value(c.length), db::Value(c.rowid)});
    return static_cast<int>(changes.size());
}

int updateAllReachLengths(db::Database& db) {
    if (!surveyCoordinates(db)) return 0;
    std::vector<std::string> systems;
    db::Statement st = db.prepare("SELECT SYSTEM FROM T16");
    while (st.step()) systems.push_back(trim(st.column(0).toText()));
    int changed = 0;
    for (const auto& s : systems) changed += updateReachLengths(db, s);
    return changed;
}

}  // namespace kolv::editing
