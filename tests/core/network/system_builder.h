// Builds small storm sewer systems in an empty project for the network tests.
#pragma once

#include <memory>
#include <string>

#include "db/database.h"
#include "db/record_set.h"
#include "support/test_support.h"

namespace kolv::test {

/// An empty project with helpers that add node, reach and header rows through record sets.
struct SystemBuilder {
    TempDir dir;
    std::unique_ptr<db::Database> db = db::Database::open(makeEmptyProject(dir));

    /// A node with its three area sums (acres) and base flow (cfs); pass nothing to leave a field Null.
    void node(const std::string& system, const std::string& name, db::Value c1 = 1.0, db::Value c2 = 0.0,
              db::Value c3 = 0.0, db::Value baseFlow = 0.0) {
        db::RecordSet rs(*db, "NODE", "SYSTEM = ?", {system});
        rs.addNew();
        rs.set("NAME", name);
        rs.set("SYSTEM", system);
        rs.set("P_C1DA", c1);
        rs.set("P_C2DA", c2);
        rs.set("P_C3DA", c3);
        rs.set("BASE_FLOW", baseFlow);
        rs.update();
    }
    /// A reach from node1 to node2 with a length in feet (Null leaves it empty).
    void reach(const std::string& system, const std::string& name, const db::Value& node1, const db::Value& node2,
               const db::Value& lengthFt = 100.0) {
        db::RecordSet rs(*db, "REACH", "SYSTEM = ?", {system});
        rs.addNew();
        rs.set("NAME", name);
        rs.set("SYSTEM", system);
        rs.set("NODE1", node1);
        rs.set("NODE2", node2);
        rs.set("LENGTH", lengthFt);
        rs.update();
    }
    /// Node and its reach, named after the node as the program names them.
    void link(const std::string& system, const std::string& from, const std::string& to, double lengthFt = 100.0) {
        node(system, from);
        reach(system, from, from, to, lengthFt);
    }
    /// The system's header row naming its outfall.
    void header(const std::string& system, const std::string& outNode) {
        db::RecordSet rs(*db, "T16", "SYSTEM = ?", {system});
        rs.addNew();
        rs.set("SYSTEM", system);
        rs.set("OUT_NODE", outNode);
        rs.update();
    }
};

}  // namespace kolv::test
