// Exact table contents of a project as one text.
#include "support/table_snapshot.h"

#include <cstdio>
#include <sqlite3.h>
#include <vector>

#include "db/schema.h"

namespace kolv::test {

std::string snapshotTables(db::Database& db) {
    std::vector<std::string> tables;
    {
        db::Statement st = db.prepare(
            "SELECT name FROM main.sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%' ORDER BY name");
        while (st.step()) tables.push_back(st.column(0).toText());
    }
    return snapshotTables(db, tables);
}

std::string snapshotTables(db::Database& db, const std::vector<std::string>& tables) {
    std::string out;
    sqlite3* h = db.handle();
    for (const std::string& t : tables) {
        out += "== " + t + "\n";
        std::string sql = "SELECT rowid, * FROM main." + db::quoteIdent(t) + " ORDER BY rowid";
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(h, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) continue;
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                char buf[64];
                switch (sqlite3_column_type(st, c)) {
                    case SQLITE_NULL: out += "N|"; break;
                    case SQLITE_INTEGER:
                        std::snprintf(buf, sizeof buf, "I%lld|", static_cast<long long>(sqlite3_column_int64(st, c)));
                        out += buf;
                        break;
                    case SQLITE_FLOAT:
                        std::snprintf(buf, sizeof buf, "F%a|", sqlite3_column_double(st, c));
                        out += buf;
                        break;
                    default:
                        out += "T";
                        out.append(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                                   static_cast<std::size_t>(sqlite3_column_bytes(st, c)));
                        out += "|";
                }
            }
            out += "\n";
        }
        sqlite3_finalize(st);
    }
    return out;
}

}  // namespace kolv::test
