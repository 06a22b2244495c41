// Reading comma-separated text.
#include "db/csv.h"

#include <fstream>

#include "common/error.h"
#include "common/text.h"

namespace kolv::db {

std::vector<std::string> parseCsvLine(const std::string& line, char sep) {
    std::vector<std::string> out;
    std::string cur;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < line.size() && line[i + 1] == '"') {
                    cur += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                cur += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == sep) {
            out.push_back(cur);
            cur.clear();
        } else if (c != '\r') {
            cur += c;
        }
    }
    out.push_back(cur);
    return out;
}

CsvTable readCsvFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw InputError("File '" + path + "' can not be read.", kErrFileNotFound);
    CsvTable t;
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        ++n;
        std::string tl = trim(line);
        if (!tl.empty() && tl.back() == '\r') tl.pop_back();
        if (tl.empty() || tl[0] == '#') continue;
        auto fields = parseCsvLine(line);
        if (t.header.empty()) {
            for (auto& f : fields) f = trim(f);
            t.header = fields;
        } else {
            t.rows.push_back(fields);
            t.lineNumbers.push_back(n);
        }
    }
    return t;
}

}  // namespace kolv::db
