// Seed database and sample project builder.
#include "db/seed_builder.h"

#include <filesystem>

#include "common/error.h"
#include "common/text.h"
#include "db/csv.h"
#include "db/record_set.h"

namespace kolv::db {

namespace fs = std::filesystem;

namespace {
std::string fmt_line(const std::string& file, int line) { return file + ", line " + std::to_string(line) + ": "; }
}  // namespace

int loadCsvIntoTable(Database& db, const std::string& table, const std::string& csvPath) {
    CsvTable csv = readCsvFile(csvPath);
    const TableLayout& layout = db.layout(table);
    std::vector<const FieldDef*> fields;
    for (const auto& h : csv.header) {
        const FieldDef* f = layout.field(h);
        if (!f) throw InputError(csvPath + ": the column '" + h + "' is not a field of " + table + ".");
        fields.push_back(f);
    }
    std::string cols, qs;
    for (const auto* f : fields) {
        if (!cols.empty()) cols += ", ", qs += ", ";
        cols += quoteIdent(f->name);
        qs += "?";
    }
    Statement st = db.prepare("INSERT INTO " + quoteIdent(table) + " (" + cols + ") VALUES (" + qs + ")");
    int added = 0;
    for (std::size_t r = 0; r < csv.rows.size(); ++r) {
        const auto& row = csv.rows[r];
        if (row.size() != fields.size())
            throw InputError(fmt_line(csvPath, csv.lineNumbers[r]) + "has " + std::to_string(row.size()) +
                             " values for " + std::to_string(fields.size()) + " columns.");
        st.reset();
        for (std::size_t i = 0; i < fields.size(); ++i) {
            std::string cell = row[i];
            Value v = trim(cell).empty() ? Value() : Value(cell);
            try {
                st.bind(static_cast<int>(i + 1), RecordSet::coerce(table, *fields[i], v));
            } catch (const Error& e) {
                throw InputError(fmt_line(csvPath, csv.lineNumbers[r]) + e.what(), e.code());
            }
        }
        try {
            st.step();
        } catch (const Error& e) {
            throw InputError(fmt_line(csvPath, csv.lineNumbers[r]) + e.what(), e.code());
        }
        ++added;
    }
    return added;
}

void createSchema(Database& db) {
    Transaction tx(db);
    for (const auto& t : schemaTables()) db.createTable(t);
    tx.commit();
}

void buildSeed(const std::string& outPath, const std::string& seedDataDir) {
    std::error_code ec;
    fs::remove(outPath, ec);
    auto db = Database::create(outPath);
    createSchema(*db);
    Transaction tx(*db);
    for (const auto& t : schemaTables()) {
        fs::path csv = fs::path(seedDataDir) / (t.name + ".csv");
        if (fs::exists(csv)) loadCsvIntoTable(*db, t.name, csv.string());
    }
    tx.commit();
}

void buildProjectFromSeed(const std::string& outPath, const std::string& seedPath, const std::string& projectDataDir) {
    std::error_code ec;
    fs::remove(outPath, ec);
    fs::copy_file(seedPath, outPath, fs::copy_options::overwrite_existing);
    auto db = Database::open(outPath);
    Transaction tx(*db);
    for (const auto& t : schemaTables()) {
        fs::path csv = fs::path(projectDataDir) / (t.name + ".csv");
        if (!fs::exists(csv)) continue;
        if (t.name == "T0") db->execute("DELETE FROM \"T0\"");
        loadCsvIntoTable(*db, t.name, csv.string());
    }
    tx.commit();
}

}  // namespace kolv::db
