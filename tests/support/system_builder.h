// Builds small storm sewer systems row by row in a fresh empty project, for the computation tests.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "db/database.h"
#include "db/project.h"
#include "db/record_set.h"
#include "db/schema.h"
#include "support/test_support.h"
#include "ui/ui_port.h"

namespace kolv::test {

/// Field values of one row, in the order they are written.
using Row = std::vector<std::pair<std::string, db::Value>>;

/// Inserts one row with exactly the values given (no rounding to the field types); the other
/// fields keep their defaults.
inline void insertRow(db::Database& db, const std::string& table, const Row& row) {
    std::string cols, marks;
    std::vector<db::Value> values;
    for (const auto& [field, value] : row) {
        cols += (cols.empty() ? "" : ",") + db::quoteIdent(field);
        marks += marks.empty() ? "?" : ",?";
        values.push_back(value);
    }
    db.execute("INSERT INTO " + db::quoteIdent(table) + " (" + cols + ") VALUES (" + marks + ")", values);
}

/// A fresh empty project (opened as the program opens one) with helpers that add the rows of
/// small systems: raw rows of any table, rows written as the program writes them, nodes, reaches
/// and headers.
struct SystemBuilder {
    /// The project file `fileName` in a temporary folder.
    explicit SystemBuilder(const std::string& fileName = "project.mdb")
        : path(makeEmptyProject(dir, fileName)), project(db::openProject(path, silent)), db(*project->db) {}

    TempDir dir;
    std::string path;
    ui::SilentUi silent;
    std::unique_ptr<db::Project> project;
    db::Database& db;

    /// A row with exactly these values.
    void add(const std::string& table, const Row& row) { insertRow(db, table, row); }

    /// A row written through a record set, as the program writes one: each value is checked
    /// against its field and rounded to the field's type (a Single to float).
    void addRecord(const std::string& table, const Row& row) {
        db::RecordSet rs(db, table);
        rs.addNew();
        for (const auto& [field, value] : row) rs.set(field, value);
        rs.update();
    }

    /// Removes the seed's structure and pipe definitions, leaving only those a test adds.
    void clearDefinitions() {
        db.execute("DELETE FROM T6");
        db.execute("DELETE FROM T7");
    }

    /// A node row of a system with these further values.
    void nodeRow(const std::string& system, const std::string& name, Row fields) {
        fields.insert(fields.begin(), {{"NAME", name}, {"SYSTEM", system}});
        add("NODE", fields);
    }

    /// A reach row named after its upstream node, as the program names reaches, with these further values.
    void reachRow(const std::string& system, const std::string& from, const std::string& to, Row fields) {
        fields.insert(fields.begin(), {{"NAME", from}, {"SYSTEM", system}, {"NODE1", from}, {"NODE2", to}});
        add("REACH", fields);
    }

    /// A node with its three area sums (acres) and base flow (cfs), written as the program writes
    /// it; pass nothing to leave a field Null.
    void node(const std::string& system, const std::string& name, db::Value c1 = 1.0, db::Value c2 = 0.0,
              db::Value c3 = 0.0, db::Value baseFlow = 0.0) {
        addRecord("NODE", {{"NAME", name}, {"SYSTEM", system}, {"P_C1DA", c1}, {"P_C2DA", c2}, {"P_C3DA", c3},
                           {"BASE_FLOW", baseFlow}});
    }

    /// A reach from node1 to node2 with a length in feet (Null leaves it empty), written as the program writes it.
    void reach(const std::string& system, const std::string& name, const db::Value& node1, const db::Value& node2,
               const db::Value& lengthFt = 100.0) {
        addRecord("REACH",
                  {{"NAME", name}, {"SYSTEM", system}, {"NODE1", node1}, {"NODE2", node2}, {"LENGTH", lengthFt}});
    }

    /// Node and its reach, named after the node as the program names them.
    void link(const std::string& system, const std::string& from, const std::string& to, double lengthFt = 100.0) {
        node(system, from);
        reach(system, from, from, to, lengthFt);
    }

    /// The system's header row naming its outfall, with any further values.
    void header(const std::string& system, const std::string& outNode, Row fields = {}) {
        fields.insert(fields.begin(), {{"SYSTEM", system}, {"OUT_NODE", outNode}});
        add("T16", fields);
    }

    /// The smallest line a design step works on: S1 with A -> B -> OUT (120 and 80 ft), outfall at 90 ft.
    void smallLine() {
        link("S1", "A", "B", 120.0);
        link("S1", "B", "OUT", 80.0);
        header("S1", "OUT", {{"OUT_EL", 90.0}});
    }
};

}  // namespace kolv::test
