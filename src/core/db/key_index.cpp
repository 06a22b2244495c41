// Comparison-key index of a narrow working set: sorted pairs of key and row position.
#include "db/key_index.h"

#include <algorithm>

#include "db/record_set.h"

namespace kolv::db {

void KeyIndex::add(const Value& key, std::uint32_t position) {
    if (key.isNull()) return;
    m_entries.emplace_back(compareKey(key), position);
}

void KeyIndex::seal() {
    // Stable by key: rows of one key keep the ascending order they were added in.
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [](const Entry& a, const Entry& b) { return a.first < b.first; });
    m_entries.shrink_to_fit();
}

std::span<const KeyIndex::Entry> KeyIndex::range(const Value& key) const {
    if (key.isNull()) return {};
    const std::string k = compareKey(key);
    const auto lo = std::lower_bound(m_entries.begin(), m_entries.end(), k,
                                     [](const Entry& e, const std::string& s) { return e.first < s; });
    auto hi = lo;
    while (hi != m_entries.end() && hi->first == k) ++hi;
    return {lo, hi};
}

std::vector<std::uint32_t> KeyIndex::find(const Value& key) const {
    std::vector<std::uint32_t> rows;
    for (const Entry& e : range(key)) rows.push_back(e.second);
    return rows;
}

long KeyIndex::first(const Value& key) const {
    const auto r = range(key);
    return r.empty() ? -1 : static_cast<long>(r.front().second);
}

}  // namespace kolv::db
