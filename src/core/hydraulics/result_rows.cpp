// The stored results (T60) of one system, listed by rowid and read a row at a time.
#include "hydraulics/result_rows.h"

#include "common/text.h"
#include "db/schema.h"
#include "hydraulics/result_grid.h"

namespace kolv::hydraulics {

SystemResultRows::SystemResultRows(db::Database& db, const std::string& system, const std::string& orderBy,
                                   bool gridOrder)
    : m_db(&db) {
    for (const auto& f : db.layout("T60").fields)
        if (f.name != "SYSTEM") m_fields.push_back(f.name);
    if (gridOrder) m_fields = t60GridOrder(m_fields);
    std::string cols;
    for (const auto& f : m_fields) cols += (cols.empty() ? "" : ", ") + db::quoteIdent(f);
    m_select = "SELECT " + cols + " FROM T60 WHERE rowid = ?";
    db::Statement st = db.prepare("SELECT rowid FROM T60 WHERE SYSTEM = ? ORDER BY " +
                                  (orderBy.empty() ? std::string() : orderBy + ", ") + "rowid");
    st.bind(1, db::Value(trim(system)));
    while (st.step()) m_rowids.push_back(st.column(0).toInt());
}

bool SystemResultRows::read(std::size_t row, std::vector<db::Value>& values) const {
    if (row >= m_rowids.size()) return false;
    db::Statement& st = m_db->cached(m_select);
    st.reset();
    st.bind(1, db::Value(static_cast<long long>(m_rowids[row])));
    const bool found = st.step();
    values.assign(m_fields.size(), db::Value());
    if (found)
        for (std::size_t c = 0; c < values.size(); ++c) values[c] = st.column(static_cast<int>(c));
    st.reset();
    return found;
}

}  // namespace kolv::hydraulics
