// The pipe nodal array: a system's reaches loaded from the project, put in flow order, with incoming links.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"
#include "ui/ui_port.h"

namespace kolv::network {

/// A node accepts at most this many incoming reaches in a computation; the fifth stops it.
constexpr int kMaxIncoming = 4;

/// Mark written over the to node of a record once it has been placed in flow order.
inline constexpr std::string_view kPlacedMark = "qqqqqqqq";

/// One record of the pipe nodal array: a node together with its one outgoing reach.
/// Names are held by their first 8 characters, padded with blanks on the right.
struct NodalRecord {
    /// Node name (the from node of the outgoing reach), 8 characters.
    std::string nodeName;
    /// `NAME` of the outgoing reach, 8 characters.
    std::string reachName;
    /// `NODE1` of the outgoing reach as loaded, 8 characters (equals nodeName after loading).
    std::string node1;
    /// `NODE2` of the outgoing reach, 8 characters: the node (or the outfall) it drains to.
    std::string node2;
    /// Storage position (rowid) of the reach row in REACH, to read its other fields directly.
    std::int64_t reachRowid = 0;
    /// Position of the reach in the loaded array (storage order), 0-based.
    std::size_t loadIndex = 0;
    /// Position of the record in flow order, 0-based (equals its index in PipeNodalArray::records).
    std::size_t flowIndex = 0;
    /// The IN fields: 0-based indexes in PipeNodalArray::records of the records that drain into
    /// this node, ascending (flow order); only the first inCount are valid, the rest are -1.
    std::array<int, kMaxIncoming> in{-1, -1, -1, -1};
    /// Number of valid IN fields (0 for a node that starts a line).
    int inCount = 0;

    /// Node name without its padding.
    std::string node() const;
    /// To node without its padding.
    std::string toNode() const;
    /// Reach name without its padding.
    std::string reach() const;
};

/// How loading and ordering a system ended.
enum class LoadStatus {
    Ok,         ///< records in flow order
    NoReaches,  ///< the system has no reach: "Reaches for system '...' could not be found." was shown
    Loop,       ///< a loop of reaches: the circular-reference message was shown
};

/// The working array of one computation: one record per reach of the system, in flow order
/// once loadPipeNodalArray() has succeeded (every record after all records that drain into it).
struct PipeNodalArray {
    std::string system;
    std::vector<NodalRecord> records;
    /// To nodes (trimmed) of the records that could not be placed, in loaded order (a loop).
    std::vector<std::string> loopNodes;

    std::size_t size() const { return records.size(); }
    bool empty() const { return records.empty(); }
    NodalRecord& operator[](std::size_t i) { return records[i]; }
    const NodalRecord& operator[](std::size_t i) const { return records[i]; }
};

/// Comparison key of a node name: its first 8 characters, blanks trimmed, upper case
/// (names are compared as the project database compares them, without regard to case).
std::string nameKey(std::string_view name);

/// Reads the reaches of a system from REACH, in storage order (rowid): the record set
/// delivers rows in the order they were added, and that order decides ties in flow order.
std::vector<NodalRecord> loadReaches(db::Database& db, const std::string& system);

/// Result of ordering a loaded array.
struct FlowOrder {
    /// Loaded positions (NodalRecord::loadIndex) in flow order; only the placed ones.
    std::vector<std::size_t> order;
    /// Loaded positions of the records never placed (part of or downstream of a loop), ascending.
    std::vector<std::size_t> unplaced;
};

/// Flow order of a loaded array: exactly the order of the repeated scan (in each scan, in
/// loaded order, place every unplaced record into whose node no unplaced record drains),
/// computed in O(N log N).
FlowOrder computeFlowOrder(const std::vector<NodalRecord>& loaded);

/// The text of the circular-reference message for the given to nodes (trimmed names):
/// "The following pipes are in a loop. ...\n\nPipes: A B ".
std::string loopMessage(const std::vector<std::string>& loopNodes);

/// Loads the reaches of a system and puts them in flow order, announcing each step in the
/// status text ("Loading pipe nodal array", "Sorting pipe nodal array in flow direction order",
/// "Checking for circular references", "Sorting master node array"). A loop or a system
/// without reaches shows its message and returns the status; the array is then not usable.
/// The refill in flow order sets each record's reach name and to node from its own reach;
/// the computation then reads the node and reach fields it needs.
LoadStatus loadPipeNodalArray(db::Database& db, const std::string& system, ui::UiPort& ui, PipeNodalArray& out);

/// Fills the IN fields of an array in flow order (announced as "Determining 'IN' field
/// inter-connections"). A fifth incoming reach shows the "Maximum(4) number of incoming pipes"
/// message and returns false.
bool determineIncoming(PipeNodalArray& array, ui::UiPort& ui);

}  // namespace kolv::network
