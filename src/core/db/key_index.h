// Rows of a working set found by the comparison key of one field, the way a record-set find matches it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "db/value.h"

namespace kolv::db {

/// Positions of the rows of a narrow working set by one field's comparison key (compareKey:
/// case-folded text, numbers by their shortest text), ascending within a key. A command that
/// reads only a few fields of a large table keeps those fields per row and this index beside
/// them, so "FIELD = ?" finds the rows a record set over the whole table would find, in the same
/// order, without holding the whole row:
///
///     KeyIndex byUpstream;
///     byUpstream.add(row.value("NODE1"), position);   // for each row, in file order
///     byUpstream.seal();
///     for (auto p : byUpstream.find(Value(node))) ...
class KeyIndex {
public:
    /// Adds the row at `position` holding `key`; positions are added in ascending order.
    /// A Null key is left out: Null never equals anything.
    void add(const Value& key, std::uint32_t position);
    /// Sorts the keys; call once after the last add and before the first find.
    void seal();
    /// The positions of the rows whose key equals `key`, ascending; none for a Null key.
    std::vector<std::uint32_t> find(const Value& key) const;
    /// The first of them, or -1.
    long first(const Value& key) const;

private:
    using Entry = std::pair<std::string, std::uint32_t>;
    std::span<const Entry> range(const Value& key) const;
    std::vector<Entry> m_entries;
};

}  // namespace kolv::db
