// Writing storm sewer systems as LandXML 1.2 pipe networks, with the last storm tab's flows and grade lines.
#include "exchange/landxml_export.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fmt/format.h>
#include <fstream>
#include <pugixml.hpp>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

#include "common/error.h"
#include "common/text.h"
#include "common/units.h"
#include "exchange/landxml_reader.h"
#include "exchange/system_rows.h"
#include "kolv_version.h"

namespace kolv::exchange {
namespace {

std::string key(std::string_view s) { return toUpper(trim(s)); }

// The storm tab is kept in feet, acres, cfs and in/hr; a metric project's file gets metres,
// hectares, m3/s and mm/hr, like its other values.
// Storm tab values (ft, ac, cfs, in/h) to a metric file, by the exact factors other programs expect.
constexpr double kM = units::kMetersPerFoot, kHaPerAc = units::kHectaresPerAcre, kCmsPerCfs = units::kCmsPerCfsExact,
                 kMmPerIn = units::kMillimetersPerInch;

void setNumber(pugi::xml_node n, const char* attr, double v) { n.append_attribute(attr) = exactNumber(v).c_str(); }

/// The program's own fields of a row, as a Feature the reader gives back.
void feature(pugi::xml_node parent, const FieldRow& row, const std::unordered_set<std::string>& skip) {
    pugi::xml_node f = parent.append_child("Feature");
    f.append_attribute("name") = kLandXmlFeature;
    f.append_attribute("code") = kLandXmlFeature;
    for (const auto& [name, v] : row.fields) {
        if (v.isNull() || skip.count(key(name))) continue;
        pugi::xml_node p = f.append_child("Property");
        p.append_attribute("label") = name.c_str();
        p.append_attribute("value") = (v.isReal() ? exactNumber(v.toDouble()) : v.toText()).c_str();
    }
}

class Writer {
public:
    Writer(pugi::xml_node networks, ExportResult& result) : m_networks(networks), m_result(result) {}

    void system(const SystemRows& s) {
        const double len = s.metric ? kM : 1.0;  // storm tab feet -> project length
        pugi::xml_node net = m_networks.append_child("PipeNetwork");
        net.append_attribute("name") = s.system.c_str();
        net.append_attribute("pipeNetType") = "storm";
        pugi::xml_node structs = net.append_child("Structs");
        pugi::xml_node pipes = net.append_child("Pipes");

        // Pipe ends at each node.
        std::unordered_map<std::string, std::vector<const FieldRow*>> in;
        std::unordered_map<std::string, const FieldRow*> out;
        for (const auto& r : s.reaches) {
            in[key(r.text("NODE2"))].push_back(&r);
            out[key(r.text("NODE1"))] = &r;
        }
        std::unordered_map<std::string, const FieldRow*> nodeByName;
        for (const auto& n : s.nodes) nodeByName[key(n.text("NAME"))] = &n;
        const std::string outfall = s.header.text("OUT_NODE");

        auto addStruct = [&](const std::string& name, const FieldRow* node) {
            const auto& ins = in[key(name)];
            const FieldRow* o = node ? out[key(name)] : nullptr;
            if (ins.empty() && !o) {
                m_result.log.push_back("Node: " + name + " has no pipes; it is not written.");
                return;
            }
            pugi::xml_node st = structs.append_child("Struct");
            st.append_attribute("name") = name.c_str();
            const FieldRow& src = node ? *node : s.header;
            const std::string structName = src.text("STRUCT_NAME");
            const FieldRow* def = structName.empty() ? nullptr : s.structure(structName);
            // The structure definition's name: the description the import links back.
            if (!structName.empty()) st.append_attribute("desc") = structName.c_str();
            const char* rimField = node ? "INLET_ELEV" : "OUT_EL";
            if (src.has(rimField)) setNumber(st, "elevRim", src.number(rimField));
            std::optional<double> sump;
            for (const FieldRow* r : ins)
                if (r->has("ELEV2")) sump = std::min(sump.value_or(1e300), r->number("ELEV2"));
            if (o && o->has("ELEV1")) sump = std::min(sump.value_or(1e300), o->number("ELEV1"));
            if (sump) setNumber(st, "elevSump", *sump);
            const double x = src.number("XD"), y = src.number("YD");
            st.append_child("Center").text() = (exactNumber(y) + " " + exactNumber(x)).c_str();
            // The kind by the structure's group.
            const int group = def ? static_cast<int>(def->number("GROUPP")) : -1;
            const char* kind = !node ? "OutletStruct"
                               : group == 0 ? (def->number("SUMP_DIAMETER") > 0 ? "CircStruct" : "Connection")
                               : (group >= 3 && group <= 5) ? "InletStruct"
                               : (group == 1 || group == 2 || group == 6) ? "OutletStruct"
                                                                          : "Connection";
            pugi::xml_node k = st.append_child(kind);
            if (std::string(kind) == "CircStruct") {
                setNumber(k, "diameter", def->number("SUMP_DIAMETER"));
                if (!structName.empty()) k.append_attribute("desc") = structName.c_str();
            }
            auto invert = [&](const FieldRow* r, bool up) {
                pugi::xml_node i = st.append_child("Invert");
                const char* f = up ? "ELEV1" : "ELEV2";
                setNumber(i, "elev", r->number(f));
                if (!r->has(f)) m_result.log.push_back("Reach: " + r->text("NAME") + " has no invert at " + name + "; 0 is written.");
                i.append_attribute("flowDir") = up ? "out" : "in";
                i.append_attribute("refPipe") = r->text("NAME").c_str();
            };
            for (const FieldRow* r : ins) invert(r, false);
            if (o) invert(o, true);
            const FieldRow* res = node ? s.result(name) : nullptr;
            if (res || !node) {
                // Grade line into and out of the structure: at the node and at the top of its
                // outgoing pipe; at the outfall, the bottom of the pipes that reach it.
                std::optional<double> hglIn, hglOut;
                if (res) {
                    hglIn = res->number("HGL_AT_NODE") * len;
                    hglOut = res->number("HGL_UP") * len;
                } else {
                    for (const FieldRow* r : ins)
                        if (const FieldRow* rr = s.result(r->text("NODE1"))) hglIn = hglOut = rr->number("HGL_DN") * len;
                }
                if (hglIn) {
                    pugi::xml_node f = st.append_child("StructFlow");
                    setNumber(f, "lossIn", node ? node->number("JUNC_LOSS_COEFF") : s.header.number("EXIT_LOSS_COEFF"));
                    setNumber(f, "lossOut", 0);
                    setNumber(f, "hglIn", *hglIn);
                    setNumber(f, "hglOut", *hglOut);
                }
            }
            if (node) feature(st, *node, {"NAME", "SYSTEM"});
            ++m_result.structures;
        };
        for (const auto& n : s.nodes) addStruct(n.text("NAME"), &n);
        if (!outfall.empty()) addStruct(outfall, nullptr);

        for (const auto& r : s.reaches) {
            pugi::xml_node p = pipes.append_child("Pipe");
            const std::string name = r.text("NAME");
            p.append_attribute("name") = name.c_str();
            p.append_attribute("refEnd") = r.text("NODE2").c_str();
            p.append_attribute("refStart") = r.text("NODE1").c_str();
            const FieldRow* def = s.pipe(r.text("PIPE_NAME"));
            if (def && !def->text("DS_DESC").empty()) p.append_attribute("desc") = def->text("DS_DESC").c_str();
            const double length = r.number("LENGTH");
            if (r.has("LENGTH")) setNumber(p, "length", length);
            if (r.has("ELEV1") && r.has("ELEV2") && length > 0)
                setNumber(p, "slope", (r.number("ELEV1") - r.number("ELEV2")) / length);
            const bool ditch = r.number("REACH_TYPE") == 2;
            if (ditch) {
                // A ditch has no top: written one length unit deep, its side slopes in the top width.
                pugi::xml_node c = p.append_child("Channel");
                const int type = static_cast<int>(r.number("DITCH_TYPE"));
                double bottom = 0, sides = 0;
                if (type == 0) bottom = r.number("DITCH_DIM_1"), sides = r.number("DITCH_DIM_0") + r.number("DITCH_DIM_2");
                else if (type == 1) sides = r.number("DITCH_DIM_0") + r.number("DITCH_DIM_1");
                else if (type == 2) bottom = r.number("DITCH_DIM_0");
                else if (type == 3) bottom = 0, sides = 2;
                else if (type == 4) bottom = r.number("DITCH_DIM_1"), sides = r.number("DITCH_DIM_0") + r.number("DITCH_DIM_2");
                else bottom = r.number("DITCH_DIM_3"), sides = r.number("DITCH_DIM_1") + r.number("DITCH_DIM_4");
                setNumber(c, "height", 1);
                setNumber(c, "widthTop", bottom + sides);
                setNumber(c, "widthBottom", bottom);
                if (r.number("DITCH_MANNINGS") > 0) setNumber(c, "mannings", r.number("DITCH_MANNINGS"));
            } else {
                const double h = def ? def->number("HEIGHT") : 0, w = def ? def->number("WIDTH") : 0;
                pugi::xml_node c;
                if (!def || h == w) {
                    c = p.append_child("CircPipe");
                    setNumber(c, "diameter", h);
                } else {
                    c = p.append_child("ElliPipe");
                    setNumber(c, "height", h);
                    setNumber(c, "span", w);
                }
                if (!r.text("PIPE_NAME").empty()) c.append_attribute("desc") = r.text("PIPE_NAME").c_str();
                if (def && def->number("N") > 0) setNumber(c, "mannings", def->number("N"));
                if (!def) m_result.log.push_back("Reach: " + name + " - pipe '" + r.text("PIPE_NAME") + "' not found; diameter 0 written.");
            }
            const FieldRow* node = nullptr;
            for (const auto& n : s.nodes)
                if (key(n.text("NAME")) == key(r.text("NODE1"))) node = &n;
            const FieldRow* res = s.result(r.text("NODE1"));
            if (res || node) {
                pugi::xml_node f = p.append_child("PipeFlow");
                const double area = s.metric ? kHaPerAc : 1.0, q = s.metric ? kCmsPerCfs : 1.0;
                setNumber(f, "flowIn", res ? res->number("Q") * q : 0.0);
                // The upstream node's own catchment: its areas and their weighted C.
                double a = 0, ca = 0;
                for (int k = 1; k <= 3; ++k) {
                    const std::string n = std::to_string(k);
                    const double ak = node ? node->number("P_C" + n + "DA") : 0;
                    const double ck = res ? res->number("RUNOFF_C" + n) : node ? node->number("RUNOFF_C" + n) : 0;
                    a += ak;
                    ca += ak * ck;
                }
                if (a > 0) {
                    setNumber(f, "areaCatchment", a);
                    setNumber(f, "runoffCoeff", ca / a);
                }
                if (res) {
                    setNumber(f, "depthCritical", res->number("P_CRIT_DEPTH") * len);
                    setNumber(f, "hglDown", res->number("HGL_DN") * len);
                    setNumber(f, "hglUp", res->number("HGL_UP") * len);
                    setNumber(f, "intensity", res->number("INTENSITY") * (s.metric ? kMmPerIn : 1.0));
                }
                if (node && node->number("TC") > 0) setNumber(f, "timeInlet", node->number("TC"));
                (void)area;
            }
            feature(p, r, {"NAME", "SYSTEM", "NODE1", "NODE2"});
            ++m_result.pipes;
        }
        feature(net, s.header, {"SYSTEM"});
        m_result.log.push_back("System: " + s.system + " - " + std::to_string(s.nodes.size()) + " nodes, " +
                               std::to_string(s.reaches.size()) + " reaches" +
                               (s.results.empty() ? " (no storm tab: flows and grade lines are not written)." : "."));
    }

private:
    pugi::xml_node m_networks;
    ExportResult& m_result;
};

}  // namespace

std::string landXmlText(db::Database& db, const std::vector<std::string>& systems, ExportResult& result,
                        const std::string& projectName) {
    std::vector<std::string> list = systems.empty() ? systemList(db) : systems;
    if (list.empty()) throw InputError("The project has no systems to export.");
    std::vector<SystemRows> rows;
    for (const auto& s : list) rows.push_back(readSystemRows(db, s));
    const bool metric = rows.front().metric;

    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    pugi::xml_node root = doc.append_child("LandXML");
    root.append_attribute("xmlns") = "http://www.landxml.org/schema/LandXML-1.2";
    root.append_attribute("xmlns:xsi") = "http://www.w3.org/2001/XMLSchema-instance";
    root.append_attribute("xsi:schemaLocation") =
        "http://www.landxml.org/schema/LandXML-1.2 http://www.landxml.org/schema/LandXML-1.2/LandXML-1.2.xsd";
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    char date[16], time[16];
    std::strftime(date, sizeof date, "%Y-%m-%d", &tm);
    std::strftime(time, sizeof time, "%H:%M:%S", &tm);
    root.append_attribute("date") = date;
    root.append_attribute("time") = time;
    root.append_attribute("version") = "1.2";
    root.append_attribute("language") = "English";
    root.append_attribute("readOnly") = "false";

    pugi::xml_node u = root.append_child("Units").append_child(metric ? "Metric" : "Imperial");
    u.append_attribute("areaUnit") = metric ? "hectare" : "acre";
    u.append_attribute("linearUnit") = metric ? "meter" : "foot";
    u.append_attribute("volumeUnit") = metric ? "cubicMeter" : "cubicFeet";
    u.append_attribute("temperatureUnit") = metric ? "celsius" : "fahrenheit";
    u.append_attribute("pressureUnit") = metric ? "milliBars" : "inHG";
    u.append_attribute("diameterUnit") = metric ? "meter" : "foot";
    u.append_attribute("widthUnit") = metric ? "meter" : "foot";
    u.append_attribute("heightUnit") = metric ? "meter" : "foot";
    u.append_attribute("flowUnit") = metric ? "cubicMeterSecond" : "cubicFeetSecond";
    u.append_attribute("elevationUnit") = metric ? "meter" : "feet";

    std::string desc;
    db::Value d = db.scalar("SELECT PRJ_DESC FROM T0");
    if (!d.isNull()) desc = trim(d.toText());
    pugi::xml_node project = root.append_child("Project");
    project.append_attribute("name") = (projectName.empty() ? std::string("Storm sewer project") : projectName).c_str();
    if (!desc.empty()) project.append_attribute("desc") = desc.c_str();
    pugi::xml_node app = root.append_child("Application");
    app.append_attribute("name") = "KOLV Lt";
    app.append_attribute("desc") = "Storm sewer design by the Rational Method";
    app.append_attribute("version") = KOLV_VERSION;

    Writer w(root.append_child("PipeNetworks"), result);
    for (const auto& s : rows) w.system(s);
    std::ostringstream out;
    doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

void writeTextFile(const std::string& path, const std::string& text) {
    const std::string tmp = path + ".part";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        if (!f) throw Error(kErrFileNotFound, "The file '" + path + "' cannot be written.");
        f.write(text.data(), static_cast<std::streamsize>(text.size()));
        f.flush();
        if (!f) {
            f.close();
            std::remove(tmp.c_str());
            throw Error(kErrDiskFull, "The file '" + path + "' could not be written completely (disk full?).");
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        throw Error(kErrFileNotFound, "The file '" + path + "' cannot be written.");
    }
}

ExportResult exportLandXml(db::Database& db, const std::vector<std::string>& systems, const std::string& path) {
    ExportResult r;
    std::string base = path;
    auto slash = base.find_last_of('/');
    if (slash != std::string::npos) base = base.substr(slash + 1);
    writeTextFile(path, landXmlText(db, systems, r, base));
    r.log.push_back("LandXML written to " + path + ": " + std::to_string(r.structures) + " structures, " +
                    std::to_string(r.pipes) + " pipes.");
    return r;
}

}  // namespace kolv::exchange
