// Drainage structure data export: one comma-separated line per structure, for a spreadsheet.
#include "exchange/structure_export.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

#include "common/error.h"
#include "common/text.h"
#include "common/vb_format.h"
#include "db/record_set.h"

namespace kolv::exchange {

std::vector<std::string> exportSystemChoices(db::Database& db) {
    std::vector<std::string> out = {kAllSystems};
    db::RecordSet t16(db, "T16");
    for (t16.moveFirst(); !t16.eof(); t16.moveNext()) {
        std::string s = trim(t16.text("SYSTEM"));
        if (!s.empty()) out.push_back(s);
    }
    return out;
}

std::string exportHeading() {
    std::string h = "SYS NAME,STR NUM,STATION,OFFSET,TYPE,TOP ELEV,DIRECTION,TO STR,PIPE,LENGTH,INVERT,NSEW,NSEW,ANGLE";
    for (int i = 0; i < kMaxExportedIncoming; ++i) h += ",DIRECTION,FROM STR,PIPE,LENGTH,INVERT,NSEW,NSEW,ANGLE";
    return h;
}

PipeDirection pipeDirection(double xdFrom, double ydFrom, double xdTo, double ydTo) {
    // North is up on the diagram, where YD grows downward: Y = -YD.
    const double dx = xdTo - xdFrom;
    const double dy = (-ydTo) - (-ydFrom);
    const double pi = 4.0 * std::atan(1.0);
    double a;
    if (dx == 0) {
        a = dy > 0 ? 90 : dy < 0 ? 270 : 0;
    } else {
        a = std::atan(dy / dx) * 180.0 / pi;  // -90 < a < 90
        if (dx < 0) a += 180;
        else if (dy < 0) a += 360;
    }
    PipeDirection d;
    d.angleDeg = a;
    if (a > 45 && a <= 135) d.word = "NORTH", d.letter = "N";
    else if ((a > 0 && a <= 45) || (a > 315 && a <= 360)) d.word = "EAST", d.letter = "E";
    else if (a > 225 && a <= 315) d.word = "SOUTH", d.letter = "S";
    else if (a > 135 && a <= 225) d.word = "WEST", d.letter = "W";
    else d.word = "?", d.letter = "?";
    return d;
}

std::string spreadsheetText(std::string_view value) {
    std::string v(value);
    // "+" and "-" lead stations (-1+20) and negative numbers: a spreadsheet reads them as they are.
    if (!v.empty() && (v[0] == '=' || v[0] == '@' || v[0] == '\t' || v[0] == '\r')) v = "'" + v;
    if (v.find_first_of(",\"\r\n") != std::string::npos) {
        std::string q = "\"";
        for (char c : v) {
            if (c == '"') q += '"';
            q += c;
        }
        return q + "\"";
    }
    return v;
}

namespace {

struct Point {
    double xd = 0, yd = 0;
};

struct Reach {
    std::string system, node1, node2, pipe;
    double length = 0, elev1 = 0, elev2 = 0;
};

std::string fmt2(double v) { return vbFormat(v, "0.00"); }

class Exporter {
public:
    Exporter(db::Database& db, ui::UiPort& ui, const std::string& system) : m_db(db), m_ui(ui) {
        const bool all = system == kAllSystems;
        m_where = all ? "" : " WHERE SYSTEM = ?";
        m_params = all ? std::vector<db::Value>{} : std::vector<db::Value>{system};
        m_t16.emplace(db, "T16", all ? "" : "SYSTEM = ?", m_params);
        // Only the fields of the pipe groups are kept per reach; the rows are read one at a time.
        db::Statement reaches = db.prepare("SELECT SYSTEM, NODE1, NODE2, PIPE_NAME, LENGTH, ELEV1, ELEV2 FROM REACH" +
                                           m_where + " ORDER BY rowid");
        reaches.bindAll(m_params);
        while (reaches.step()) {
            Reach r{trim(reaches.column(0).toText()), trim(reaches.column(1).toText()),
                    trim(reaches.column(2).toText()), trim(reaches.column(3).toText()), reaches.column(4).toDouble(),
                    reaches.column(5).toDouble(), reaches.column(6).toDouble()};
            m_outgoing.emplace(toUpper(r.node1), m_reaches.size());  // the first one found
            m_incoming[toUpper(r.node2)].push_back(m_reaches.size());
            m_reaches.push_back(std::move(r));
        }
        // Positions of every structure of the project (a pipe's far end may lie in another
        // system), and of the outfalls.
        db::Statement st = db.prepare("SELECT \"NAME\", \"XD\", \"YD\" FROM \"NODE\"");
        while (st.step()) m_points.emplace(toUpper(trim(st.column(0).toText())), Point{st.column(1).toDouble(), st.column(2).toDouble()});
        db::Statement of = db.prepare("SELECT \"SYSTEM\", \"OUT_NODE\", \"XD\", \"YD\" FROM \"T16\"");
        while (of.step()) {
            Point p{of.column(2).toDouble(), of.column(3).toDouble()};
            std::string out = toUpper(trim(of.column(1).toText()));
            m_outfalls[toUpper(trim(of.column(0).toText())) + "\x1f" + out] = p;
            if (!out.empty()) m_anyOutfall.emplace(out, p);
        }
    }

    std::vector<std::string> lines() {
        std::vector<std::string> out = {exportHeading()};
        // The structures are read one row at a time as their lines are made.
        db::Statement nodes = m_db.prepare(
            "SELECT NAME, SYSTEM, XD, YD, STATION, OFFSET, STRUCT_NAME, INLET_ELEV FROM NODE" + m_where +
            " ORDER BY rowid");
        nodes.bindAll(m_params);
        while (nodes.step()) {
            const std::string name = trim(nodes.column(0).toText());
            const std::string system = trim(nodes.column(1).toText());
            Point here{nodes.column(2).toDouble(), nodes.column(3).toDouble()};
            std::string line = spreadsheetText(system) + "," + spreadsheetText(name) + "," +
                               spreadsheetText(nodes.column(4).toText()) + "," + fmt2(nodes.column(5).toDouble()) +
                               "," + spreadsheetText(trim(nodes.column(6).toText())) + "," +
                               fmt2(nodes.column(7).toDouble());
            auto o = m_outgoing.find(toUpper(name));
            if (o != m_outgoing.end() && !m_reaches[o->second].node2.empty()) {
                const Reach& r = m_reaches[o->second];
                line += "," + group("OUT", here, r.node2, r.system, r, r.elev1);
            } else {
                // A reach that leads nowhere has no structure to name and no direction to give.
                if (o != m_outgoing.end())
                    m_warnings.push_back("Reach '" + name + "' has no To Node: its pipe is left out of the line of node '" +
                                         name + "'.");
                line += std::string(8, ',');
            }
            line += incoming(name, here, std::nullopt);
            out.push_back(std::move(line));
        }
        // The outfall of each exported system, after the structures, in T16 order.
        for (m_t16->moveFirst(); !m_t16->eof(); m_t16->moveNext()) {
            const std::string system = trim(m_t16->text("SYSTEM"));
            const std::string name = trim(m_t16->text("OUT_NODE"));
            if (system.empty()) continue;
            if (name.empty()) {
                m_warnings.push_back("System '" + system + "' has no outfall node: its outfall line is left out.");
                continue;
            }
            Point here{m_t16->number("XD"), m_t16->number("YD")};
            std::string line = spreadsheetText(system) + "," + spreadsheetText(name) + "," +
                               spreadsheetText(m_t16->text("OUT_STA")) + "," + fmt2(m_t16->number("OUT_OFF")) + "," +
                               spreadsheetText(trim(m_t16->text("STRUCT_NAME"))) + "," + fmt2(m_t16->number("OUT_EL"));
            for (int i = 0; i < 8; ++i) line += ", ";
            line += incoming(name, here, system);
            out.push_back(std::move(line));
        }
        return out;
    }

    /// What was left out of the file, one line each.
    const std::vector<std::string>& warnings() const { return m_warnings; }

private:
    /// Position of a structure: its NODE record, else the outfall of that name (of the pipe's
    /// own system first).
    std::optional<Point> pointOf(const std::string& name, const std::string& system) const {
        const std::string n = toUpper(name);
        if (auto p = m_points.find(n); p != m_points.end()) return p->second;
        if (auto o = m_outfalls.find(toUpper(system) + "\x1f" + n); o != m_outfalls.end()) return o->second;
        if (auto o = m_anyOutfall.find(n); o != m_anyOutfall.end()) return o->second;
        return std::nullopt;
    }

    /// One pipe group: direction word, the structure at the far end, pipe, length, invert,
    /// compass word and letter, angle.
    std::string group(const char* direction, const Point& here, const std::string& other, const std::string& system,
                      const Reach& r, double invert) const {
        std::string g = std::string(direction) + "," + spreadsheetText(other) + "," + spreadsheetText(r.pipe) + "," +
                        fmt2(r.length) + "," + fmt2(invert) + ",";
        if (auto there = pointOf(other, system)) {
            PipeDirection d = pipeDirection(here.xd, here.yd, there->xd, there->yd);
            g += d.word + "," + d.letter + "," + vbFormat(d.angleDeg, "0");
        } else {
            g += "?,?,";  // the far end has no position to measure from
        }
        return g;
    }

    std::string incoming(const std::string& name, const Point& here, const std::optional<std::string>& outfallSystem) {
        std::string s;
        int written = 0;
        auto it = m_incoming.find(toUpper(name));
        if (it != m_incoming.end()) {
            for (std::size_t idx : it->second) {
                const Reach& r = m_reaches[idx];
                if (outfallSystem && !equalsIgnoreCase(r.system, *outfallSystem)) continue;
                if (written == kMaxExportedIncoming) {
                    m_ui.inform(kExportTitle, "Node '" + name +
                                                  "' has more than 4 incoming pipes. Only 4 will be reported in this listing.",
                                ui::Icon::Exclamation);
                    break;
                }
                s += "," + group("IN", here, r.node1, r.system, r, r.elev2);
                ++written;
            }
        }
        for (; written < kMaxExportedIncoming; ++written) s += std::string(8, ',');
        return s;
    }

    db::Database& m_db;
    ui::UiPort& m_ui;
    std::string m_where;  ///< the selection of the exported system, or none for all of them
    std::vector<db::Value> m_params;
    std::optional<db::RecordSet> m_t16;
    std::vector<Reach> m_reaches;
    std::map<std::string, std::size_t> m_outgoing;
    std::map<std::string, std::vector<std::size_t>> m_incoming;
    std::map<std::string, Point> m_points;
    std::map<std::string, Point> m_outfalls;    // system + outfall name
    std::map<std::string, Point> m_anyOutfall;  // outfall name, first system
    std::vector<std::string> m_warnings;
};

}  // namespace

std::vector<std::string> exportLines(db::Database& db, ui::UiPort& ui, const std::string& system,
                                     std::vector<std::string>* leftOut) {
    Exporter exporter(db, ui, trim(system));
    std::vector<std::string> lines = exporter.lines();
    const std::vector<std::string>& w = exporter.warnings();
    if (!w.empty()) {
        // One box for all of them: a damaged system could otherwise ask for a click per line.
        constexpr std::size_t kShown = 20;
        std::string text;
        for (std::size_t i = 0; i < w.size() && i < kShown; ++i) text += (i ? "\n" : "") + w[i];
        if (w.size() > kShown) text += "\n... and " + std::to_string(w.size() - kShown) + " more.";
        ui.inform(kExportTitle, text, ui::Icon::Exclamation);
    }
    if (leftOut) *leftOut = w;
    return lines;
}

std::vector<std::string> exportStructures(db::Database& db, ui::UiPort& ui, const std::string& system,
                                          const std::string& path) {
    if (trim(path).empty()) {
        ui.invalidData("No Export filename and path has been entered.");
        return {};
    }
    const std::string sys = trim(system).empty() ? std::string(kAllSystems) : trim(system);
    std::vector<std::string> leftOut;
    std::vector<std::string> lines = exportLines(db, ui, sys, &leftOut);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw Error(kErrFileNotFound, "The export file '" + path + "' could not be opened for writing.");
    bool ok = true;
    for (const auto& l : lines) {
        if (std::fputs(l.c_str(), f) < 0 || std::fputc('\n', f) == EOF) {
            ok = false;
            break;
        }
    }
    if (std::fclose(f) != 0) ok = false;
    if (!ok) throw Error(kErrDiskFull, "The export file '" + path + "' could not be written completely (disk full?).");

    std::vector<std::string> listing;
    listing.push_back("Export of System: " + sys);
    listing.push_back(std::to_string(lines.size() - 1) + " structure and outfall lines written to " + path);
    for (const auto& l : leftOut) listing.push_back("WARNING: " + l);
    listing.push_back("End of Export");
    ui.inform("Export Complete",
              "KOLV has written the data to file:\n" + path +
                  "\nTo manipulate the data, open the file with EXCEL and import it as a 'Comma Delimited' text file.",
              ui::Icon::Information);
    return listing;
}

}  // namespace kolv::exchange
