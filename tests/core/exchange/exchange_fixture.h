// Shared by the exchange tests: a system's storm tab as comparable lines, and copying a project's catalogue.
#pragma once

#include <algorithm>
#include <fmt/format.h>
#include <string>
#include <vector>

#include "db/database.h"
#include "db/project.h"
#include "hydraulics/run.h"
#include "session/session.h"
#include "ui/recording_ui.h"

namespace kolv::exchange {

/// Runs a storm tab of every system and returns its records' key numbers, rounded for comparison.
inline std::vector<std::string> stormTab(db::Project& project, const std::string& system) {
    Session session;
    ui::RecordingUi ui;
    hydraulics::RunOptions o;
    hydraulics::RunResult r = hydraulics::runStormTabs(project, session, ui, o, system);
    std::vector<std::string> out;
    out.push_back("status " + std::to_string(r.status));
    for (const auto& rec : r.records)
        out.push_back(fmt::format("{} {} q={:.6f} hu={:.6f} hd={:.6f} tc={:.4f} i={:.4f}", rec.name, rec.toName, rec.q,
                                  rec.hglUp, rec.hglDn, rec.tcWork, rec.intensity));
    std::sort(out.begin(), out.end());
    return out;
}

/// Copies the structure and pipe definitions (the project's catalogue, not part of a network).
inline void copyDefinitions(db::Database& from, db::Database& to) {
    db::Transaction tx(to);
    for (const char* t : {"T6", "T7", "T85", "T2"}) {
        to.execute(std::string("DELETE FROM ") + t);
        db::Statement st = from.prepare(std::string("SELECT * FROM ") + t);
        while (st.step()) {
            std::string cols, marks;
            std::vector<db::Value> vals;
            for (int i = 0; i < st.columnCount(); ++i) {
                cols += (i ? "," : "") + ("\"" + st.columnName(i) + "\"");
                marks += i ? ",?" : "?";
                vals.push_back(st.column(i));
            }
            to.execute(std::string("INSERT INTO ") + t + " (" + cols + ") VALUES (" + marks + ")", vals);
        }
    }
    tx.commit();
}

/// The generated systems hold raw doubles; the program keeps its Single fields in single
/// precision, as a system read back holds them.
inline void roundSingles(db::Database& db) {
    db::Transaction tx(db);
    for (const char* t : {"NODE", "REACH"})
        for (const auto& f : db.layout(t).fields) {
            if (f.type != db::FieldType::Single) continue;
            std::vector<std::pair<long long, double>> rows;
            db::Statement st = db.prepare("SELECT rowid, \"" + f.name + "\" FROM " + t + " WHERE typeof(\"" + f.name +
                                          "\") = 'real'");
            while (st.step()) rows.emplace_back(st.column(0).toInt(), st.column(1).toDouble());
            for (const auto& [id, v] : rows)
                db.execute(std::string("UPDATE ") + t + " SET \"" + f.name + "\" = ? WHERE rowid = ?",
                           {db::Value(static_cast<double>(static_cast<float>(v))), db::Value(id)});
        }
    tx.commit();
}

}  // namespace kolv::exchange
