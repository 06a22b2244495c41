// The stored results (T60) of one system for a grid that reads only the rows in view.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "db/database.h"

namespace kolv::hydraulics {

/// The T60 rows of one system, every field but `SYSTEM`. Listing reads only the rowids; a row's
/// values are read when asked for, so a system of tens of thousands of reaches lists at once.
class SystemResultRows {
public:
    /// Lists the rows of `system` in `orderBy` order (an ORDER BY list of T60 fields the core defines,
    /// such as the print-order sorts), then storage order. With `gridOrder` the storm tab's
    /// engineering fields come first (t60GridOrder); otherwise the stored field order.
    SystemResultRows(db::Database& db, const std::string& system, const std::string& orderBy, bool gridOrder);

    const std::vector<std::string>& fields() const { return m_fields; }
    std::size_t size() const { return m_rowids.size(); }
    /// The database the rows were listed from.
    const db::Database* database() const { return m_db; }

    /// Values of row `row` in field order; false when the row is not listed or no longer stored.
    /// A fault of the database is thrown.
    bool read(std::size_t row, std::vector<db::Value>& values) const;

private:
    db::Database* m_db;
    std::vector<std::string> m_fields;
    std::vector<std::int64_t> m_rowids;
    std::string m_select;  ///< the fields of one row by rowid
};

}  // namespace kolv::hydraulics
