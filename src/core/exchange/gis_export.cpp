// Writing systems to GIS and CAD files through GDAL: nodes as points, reaches as lines, with their fields and last results.
#include "exchange/gis_export.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <filesystem>
#include <fmt/format.h>
#include <gdal.h>
#include <map>
#include <ogr_api.h>
#include <optional>
#include <unordered_map>

#include "common/error.h"
#include "common/text.h"
#include "common/units.h"
#include "exchange/system_rows.h"

namespace kolv::exchange {
namespace {

std::string key(std::string_view s) { return toUpper(trim(s)); }

/// Results of the storm tab written beside the inputs: field, unit kind (0 none, 1 length,
/// 2 flow, 3 velocity), on the reach (true) or the node.
struct ResultField {
    const char* field;
    int kind;
};
const std::vector<ResultField>& reachResults() {
    static const std::vector<ResultField> f = {{"Q", 2},       {"CAPACITY", 2}, {"VELOCITY", 3}, {"HGL_UP", 1},
                                               {"HGL_DN", 1},  {"TC", 0},       {"TF", 0},       {"INTENSITY", 0},
                                               {"P_NORMAL_DEPTH", 1}, {"P_CRIT_DEPTH", 1}, {"FLOW_COND", 0}};
    return f;
}
const std::vector<ResultField>& nodeResults() {
    static const std::vector<ResultField> f = {{"HGL_AT_NODE", 1}, {"CLEARENCE", 1}, {"JLOSS", 1}};
    return f;
}

/// A GDAL dataset closed when it goes.
class Dataset {
public:
    Dataset(const char* driver, const std::string& path) {
        GDALAllRegister();
        GDALDriverH d = GDALGetDriverByName(driver);
        if (!d) throw Error(kErrLoadingLibrary, std::string("The GDAL library has no ") + driver + " driver.");
        CPLErrorReset();
        m_ds = GDALCreate(d, path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
        if (!m_ds)
            throw Error(kErrFileNotFound, "The file '" + path + "' cannot be written: " + CPLGetLastErrorMsg());
    }
    ~Dataset() {
        if (m_ds) GDALClose(m_ds);
    }
    Dataset(const Dataset&) = delete;
    Dataset& operator=(const Dataset&) = delete;
    GDALDatasetH get() const { return m_ds; }
    /// Closes the file and reports a write that failed.
    void close(const std::string& path) {
        CPLErrorReset();
        GDALClose(m_ds);
        m_ds = nullptr;
        if (CPLGetLastErrorType() >= CE_Failure)
            throw Error(kErrDiskFull, "The file '" + path + "' could not be written completely: " + CPLGetLastErrorMsg());
    }
    OGRLayerH layer(const char* name, OGRwkbGeometryType type) {
        OGRLayerH l = GDALDatasetCreateLayer(m_ds, name, nullptr, type, nullptr);
        if (!l) throw Error(kErrFileNotFound, std::string("The layer '") + name + "' cannot be made: " + CPLGetLastErrorMsg());
        return l;
    }

private:
    GDALDatasetH m_ds = nullptr;
};

OGRFieldType ogrType(db::FieldType t) {
    switch (t) {
    case db::FieldType::Integer:
    case db::FieldType::Long:
    case db::FieldType::YesNo: return OFTInteger;
    case db::FieldType::Single:
    case db::FieldType::Double: return OFTReal;
    default: return OFTString;
    }
}

void addField(OGRLayerH l, const std::string& name, OGRFieldType type) {
    OGRFieldDefnH f = OGR_Fld_Create(name.c_str(), type);
    OGR_L_CreateField(l, f, TRUE);
    OGR_Fld_Destroy(f);
}

/// Sets a field by name when the layer has it (a Shapefile shortens names: the k-th field then).
void setField(OGRFeatureH f, int index, const db::Value& v) {
    if (index < 0 || v.isNull()) return;
    switch (OGR_Fld_GetType(OGR_F_GetFieldDefnRef(f, index))) {
    case OFTInteger: OGR_F_SetFieldInteger(f, index, static_cast<int>(v.toInt())); break;
    case OFTReal: OGR_F_SetFieldDouble(f, index, v.toDouble()); break;
    default: OGR_F_SetFieldString(f, index, v.toText().c_str()); break;
    }
}

/// Adds a feature to a layer and lets it go; a refused write stops the export.
void store(OGRLayerH layer, OGRFeatureH f) {
    const OGRErr e = OGR_L_CreateFeature(layer, f);
    OGR_F_Destroy(f);
    if (e != OGRERR_NONE) throw Error(kErrDiskFull, std::string("A feature could not be written: ") + CPLGetLastErrorMsg());
}

struct Point {
    double x = 0, y = 0;
};

class Writer {
public:
    Writer(db::Database& db, const std::vector<SystemRows>& systems, ExportResult& result)
        : m_db(db), m_systems(systems), m_result(result) {}

    /// Nodes and reaches as two attribute layers.
    void layers(OGRLayerH nodes, OGRLayerH reaches) {
        const auto& nodeFields = m_db.layout("NODE").fields;
        const auto& reachFields = m_db.layout("REACH").fields;
        // Index of each field as made (-1 when the format refused it; a Shapefile shortens names).
        auto add = [](OGRLayerH l, const std::string& name, OGRFieldType type) {
            const int before = OGR_FD_GetFieldCount(OGR_L_GetLayerDefn(l));
            addField(l, name, type);
            return OGR_FD_GetFieldCount(OGR_L_GetLayerDefn(l)) > before ? before : -1;
        };
        const int kind = add(nodes, "KIND", OFTString);
        std::vector<int> nodeIdx, nodeRes, reachIdx, reachRes;
        std::map<std::string, int> nodeByField;
        for (const auto& f : nodeFields) nodeByField[f.name] = nodeIdx.emplace_back(add(nodes, f.name, ogrType(f.type)));
        for (const auto& r : nodeResults()) nodeRes.push_back(add(nodes, std::string("R_") + r.field, OFTReal));
        for (const auto& f : reachFields) reachIdx.push_back(add(reaches, f.name, ogrType(f.type)));
        for (const auto& r : reachResults())
            reachRes.push_back(add(reaches, std::string("R_") + r.field, std::string(r.field) == "FLOW_COND" ? OFTString : OFTReal));
        auto nodeField = [&](const char* name) {
            auto it = nodeByField.find(name);
            return it == nodeByField.end() ? -1 : it->second;
        };
        for (const auto& s : m_systems) {
            const auto where = positions(s);
            for (const auto& n : s.nodes) {
                OGRFeatureH f = OGR_F_Create(OGR_L_GetLayerDefn(nodes));
                setField(f, kind, db::Value("NODE"));
                for (std::size_t i = 0; i < n.fields.size() && i < nodeIdx.size(); ++i) setField(f, nodeIdx[i], n.fields[i].second);
                if (const FieldRow* res = s.result(n.text("NAME")))
                    for (std::size_t k = 0; k < nodeResults().size(); ++k) setField(f, nodeRes[k], result(s, *res, nodeResults()[k]));
                point(f, where, n.text("NAME"));
                store(nodes, f);
            }
            // The outfall, as a node of its own kind.
            OGRFeatureH f = OGR_F_Create(OGR_L_GetLayerDefn(nodes));
            setField(f, kind, db::Value("OUTFALL"));
            setField(f, nodeField("NAME"), s.header.get("OUT_NODE"));
            setField(f, nodeField("SYSTEM"), db::Value(s.system));
            setField(f, nodeField("INLET_ELEV"), s.header.get("OUT_EL"));
            setField(f, nodeField("STRUCT_NAME"), s.header.get("STRUCT_NAME"));
            setField(f, nodeField("XD"), s.header.get("XD"));
            setField(f, nodeField("YD"), s.header.get("YD"));
            point(f, where, s.header.text("OUT_NODE"));
            store(nodes, f);
            for (const auto& r : s.reaches) {
                OGRFeatureH g = OGR_F_Create(OGR_L_GetLayerDefn(reaches));
                for (std::size_t i = 0; i < r.fields.size() && i < reachIdx.size(); ++i) setField(g, reachIdx[i], r.fields[i].second);
                if (const FieldRow* res = s.result(r.text("NODE1")))
                    for (std::size_t k = 0; k < reachResults().size(); ++k) setField(g, reachRes[k], result(s, *res, reachResults()[k]));
                line(g, where, r.text("NODE1"), r.text("NODE2"));
                store(reaches, g);
                ++m_result.pipes;
            }
            m_result.structures += static_cast<int>(s.nodes.size()) + 1;
        }
    }

    /// A plan for CAD: one drawing layer per structure group and per pipe, names as text.
    void plan(OGRLayerH entities) {
        static const char* groups[] = {"Manhole",      "Endwall - Straight", "Endwall - Sloped", "Ditch Inlet",
                                       "Gutter Inlet", "Curb Inlet",         "Outfall"};
        const int layerField = OGR_FD_GetFieldIndex(OGR_L_GetLayerDefn(entities), "Layer");
        auto entity = [&](const std::string& layer, OGRGeometryH g, const std::string& label) {
            OGRFeatureH f = OGR_F_Create(OGR_L_GetLayerDefn(entities));
            if (layerField >= 0) OGR_F_SetFieldString(f, layerField, layer.c_str());
            if (!label.empty()) {
                std::string quoted;
                for (char c : label) quoted += c == '"' ? std::string("\\\"") : std::string(1, c);
                OGR_F_SetStyleString(f, ("LABEL(f:\"Arial\",t:\"" + quoted + "\",s:2.5g,p:7)").c_str());
            }
            OGR_F_SetGeometryDirectly(f, g);
            store(entities, f);
        };
        for (const auto& s : m_systems) {
            const auto where = positions(s);
            auto structureLayer = [&](const std::string& structName, bool outfall) {
                const FieldRow* def = s.structure(structName);
                const int g = def ? static_cast<int>(def->number("GROUPP")) : -1;
                if (outfall && g < 0) return std::string("Outfall");
                return g >= 0 && g < 7 ? std::string(groups[g]) : std::string("Structure");
            };
            auto put = [&](const std::string& name, const std::string& layer) {
                auto it = where.find(key(name));
                if (it == where.end()) return;
                OGRGeometryH p = OGR_G_CreateGeometry(wkbPoint);
                OGR_G_SetPoint_2D(p, 0, it->second.x, it->second.y);
                entity(layer, p, "");
                OGRGeometryH t = OGR_G_CreateGeometry(wkbPoint);
                OGR_G_SetPoint_2D(t, 0, it->second.x, it->second.y);
                entity(layer + " labels", t, name);
                ++m_result.structures;
            };
            for (const auto& n : s.nodes) put(n.text("NAME"), structureLayer(n.text("STRUCT_NAME"), false));
            put(s.header.text("OUT_NODE"), structureLayer(s.header.text("STRUCT_NAME"), true));
            for (const auto& r : s.reaches) {
                auto a = where.find(key(r.text("NODE1"))), b = where.find(key(r.text("NODE2")));
                if (a == where.end() || b == where.end()) continue;
                const std::string layer = r.number("REACH_TYPE") == 2 ? std::string("DITCH") : "PIPE " + r.text("PIPE_NAME");
                OGRGeometryH l = OGR_G_CreateGeometry(wkbLineString);
                OGR_G_AddPoint_2D(l, a->second.x, a->second.y);
                OGR_G_AddPoint_2D(l, b->second.x, b->second.y);
                entity(layer, l, "");
                OGRGeometryH t = OGR_G_CreateGeometry(wkbPoint);
                OGR_G_SetPoint_2D(t, 0, (a->second.x + b->second.x) / 2, (a->second.y + b->second.y) / 2);
                entity(layer + " labels", t, r.text("NAME") + " " + r.text("PIPE_NAME"));
                ++m_result.pipes;
            }
        }
    }

private:
    /// Where the nodes and the outfall are; those without coordinates are left out.
    std::unordered_map<std::string, Point> positions(const SystemRows& s) {
        std::unordered_map<std::string, Point> out;
        for (const auto& n : s.nodes)
            if (n.has("XD") || n.has("YD")) out[key(n.text("NAME"))] = {n.number("XD"), n.number("YD")};
        if (s.header.has("XD") || s.header.has("YD"))
            out[key(s.header.text("OUT_NODE"))] = {s.header.number("XD"), s.header.number("YD")};
        if (out.size() < s.nodes.size() + 1)
            m_result.log.push_back("System: " + s.system + " - " + std::to_string(s.nodes.size() + 1 - out.size()) +
                                   " nodes have no coordinates and no geometry.");
        return out;
    }

    void point(OGRFeatureH f, const std::unordered_map<std::string, Point>& where, const std::string& name) {
        auto it = where.find(key(name));
        if (it == where.end()) return;
        OGRGeometryH g = OGR_G_CreateGeometry(wkbPoint);
        OGR_G_SetPoint_2D(g, 0, it->second.x, it->second.y);
        OGR_F_SetGeometryDirectly(f, g);
    }
    void line(OGRFeatureH f, const std::unordered_map<std::string, Point>& where, const std::string& a,
              const std::string& b) {
        auto i = where.find(key(a)), j = where.find(key(b));
        if (i == where.end() || j == where.end()) return;
        OGRGeometryH g = OGR_G_CreateGeometry(wkbLineString);
        OGR_G_AddPoint_2D(g, i->second.x, i->second.y);
        OGR_G_AddPoint_2D(g, j->second.x, j->second.y);
        OGR_F_SetGeometryDirectly(f, g);
    }

    /// A storm tab value in the project's units (the tab keeps feet and cfs).
    static db::Value result(const SystemRows& s, const FieldRow& res, const ResultField& r) {
        db::Value v = res.get(r.field);
        if (!s.metric || !v.isNumber()) return v;
        static constexpr double factor[] = {1.0, units::kMetersPerFoot, units::kCmsPerCfsExact, units::kMetersPerFoot};
        return db::Value(v.toDouble() * factor[r.kind]);
    }

    db::Database& m_db;
    const std::vector<SystemRows>& m_systems;
    ExportResult& m_result;
};

}  // namespace

GisFormat gisFormatOf(const std::string& name) {
    const std::string n = toLower(trim(name));
    if (n == "gpkg" || n == "geopackage") return GisFormat::GeoPackage;
    if (n == "shp" || n == "shapefile") return GisFormat::Shapefile;
    if (n == "geojson" || n == "json") return GisFormat::GeoJson;
    if (n == "dxf") return GisFormat::Dxf;
    throw InputError("The format '" + name + "' is not one of gpkg, shp, geojson, dxf.");
}

ExportResult exportGis(db::Database& db, const std::vector<std::string>& systems, const std::string& path,
                       GisFormat format) {
    // GDAL's notes go to the log or into the faults thrown, not to the terminal.
    CPLPushErrorHandler(CPLQuietErrorHandler);
    struct Pop {
        ~Pop() { CPLPopErrorHandler(); }
    } pop;
    std::vector<std::string> list = systems.empty() ? systemList(db) : systems;
    if (list.empty()) throw InputError("The project has no systems to export.");
    std::vector<SystemRows> rows;
    for (const auto& s : list) rows.push_back(readSystemRows(db, s));
    ExportResult r;
    Writer w(db, rows, r);
    namespace fs = std::filesystem;
    std::error_code ec;
    auto stem = [&](const char* ext) {
        std::string p = path;
        if (p.size() > std::string(ext).size() && toLower(p.substr(p.size() - std::string(ext).size())) == ext)
            p = p.substr(0, p.size() - std::string(ext).size());
        return p;
    };
    switch (format) {
    case GisFormat::GeoPackage: {
        fs::remove(path, ec);  // the driver refuses to write over a file
        Dataset ds("GPKG", path);
        GDALDatasetStartTransaction(ds.get(), FALSE);
        OGRLayerH nodes = ds.layer("nodes", wkbPoint);
        OGRLayerH reaches = ds.layer("reaches", wkbLineString);
        w.layers(nodes, reaches);
        GDALDatasetCommitTransaction(ds.get());
        ds.close(path);
        r.log.push_back("GeoPackage written to " + path + " (layers nodes and reaches).");
        break;
    }
    case GisFormat::Shapefile: {
        const std::string folder = stem(".shp");
        fs::create_directories(folder, ec);
        for (const char* f : {"nodes", "reaches"})
            for (const char* e : {".shp", ".shx", ".dbf", ".prj", ".cpg"}) fs::remove(folder + "/" + f + e, ec);
        Dataset ds("ESRI Shapefile", folder);
        OGRLayerH nodes = ds.layer("nodes", wkbPoint);
        OGRLayerH reaches = ds.layer("reaches", wkbLineString);
        w.layers(nodes, reaches);
        ds.close(folder);
        r.log.push_back("Shapefiles written to " + folder + "/nodes.shp and reaches.shp (field names cut to 10 characters).");
        break;
    }
    case GisFormat::GeoJson: {
        const std::string base = stem(".geojson");
        const std::string np = base + "_nodes.geojson", rp = base + "_reaches.geojson";
        fs::remove(np, ec);
        fs::remove(rp, ec);
        Dataset nd("GeoJSON", np);
        Dataset rd("GeoJSON", rp);
        w.layers(nd.layer("nodes", wkbPoint), rd.layer("reaches", wkbLineString));
        nd.close(np);
        rd.close(rp);
        r.log.push_back("GeoJSON written to " + np + " and " + rp + ".");
        break;
    }
    case GisFormat::Dxf: {
        fs::remove(path, ec);
        Dataset ds("DXF", path);
        w.plan(ds.layer("entities", wkbUnknown));
        ds.close(path);
        r.log.push_back("DXF plan written to " + path + ".");
        break;
    }
    }
    r.log.push_back(std::to_string(r.structures) + " nodes, " + std::to_string(r.pipes) + " reaches.");
    return r;
}

ExportResult exportProfileDxf(db::Database& db, const std::string& system, const std::string& startNode,
                              const std::string& path, double verticalScale) {
    CPLPushErrorHandler(CPLQuietErrorHandler);
    struct Pop {
        ~Pop() { CPLPopErrorHandler(); }
    } pop;
    const SystemRows s = readSystemRows(db, system);
    std::unordered_map<std::string, const FieldRow*> outgoing, nodes;
    for (const auto& r : s.reaches) outgoing[key(r.text("NODE1"))] = &r;
    for (const auto& n : s.nodes) nodes[key(n.text("NAME"))] = &n;
    if (!nodes.count(key(startNode))) throw InputError("Node '" + trim(startNode) + "' is not in System: " + s.system + ".");
    const std::string outfall = key(s.header.text("OUT_NODE"));
    // The run: reaches from the start down to the outfall.
    std::vector<const FieldRow*> run;
    std::string at = key(startNode);
    while (at != outfall) {
        auto it = outgoing.find(at);
        if (it == outgoing.end() || run.size() > s.reaches.size())
            throw InputError("The run from node '" + trim(startNode) + "' does not reach the outfall " +
                             s.header.text("OUT_NODE") + " (it stops at '" + at + "').");
        run.push_back(it->second);
        at = key(it->second->text("NODE2"));
    }
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::remove(path, ec);
    Dataset ds("DXF", path);
    OGRLayerH layer = ds.layer("entities", wkbUnknown);
    const int layerField = OGR_FD_GetFieldIndex(OGR_L_GetLayerDefn(layer), "Layer");
    const double v = verticalScale;
    auto add = [&](const char* name, OGRGeometryH g, const std::string& text) {
        OGRFeatureH f = OGR_F_Create(OGR_L_GetLayerDefn(layer));
        if (layerField >= 0) OGR_F_SetFieldString(f, layerField, name);
        if (!text.empty()) OGR_F_SetStyleString(f, ("LABEL(f:\"Arial\",t:\"" + text + "\",s:2.5g,a:90,p:1)").c_str());
        OGR_F_SetGeometryDirectly(f, g);
        store(layer, f);
    };
    auto segment = [&](const char* name, double x1, double y1, double x2, double y2) {
        OGRGeometryH g = OGR_G_CreateGeometry(wkbLineString);
        OGR_G_AddPoint_2D(g, x1, y1 * v);
        OGR_G_AddPoint_2D(g, x2, y2 * v);
        add(name, g, "");
    };
    auto text = [&](double x, double y, const std::string& t) {
        OGRGeometryH g = OGR_G_CreateGeometry(wkbPoint);
        OGR_G_SetPoint_2D(g, 0, x, y * v);
        add("TEXT", g, t);
    };
    const double len = s.metric ? units::kMetersPerFoot : 1.0;  // storm tab feet -> project length
    ExportResult r;
    double x = 0;
    for (const FieldRow* reach : run) {
        const FieldRow* up = nodes[key(reach->text("NODE1"))];
        const FieldRow* def = s.pipe(reach->text("PIPE_NAME"));
        const double length = reach->number("LENGTH"), e1 = reach->number("ELEV1"), e2 = reach->number("ELEV2");
        const double h = def ? def->number("HEIGHT") : 0;
        const double rimUp = up->number("INLET_ELEV");
        const FieldRow* downNode = nodes.count(key(reach->text("NODE2"))) ? nodes[key(reach->text("NODE2"))] : nullptr;
        const double rimDn = downNode ? downNode->number("INLET_ELEV") : s.header.number("OUT_EL");
        segment("GROUND", x, rimUp, x + length, rimDn);
        segment("PIPE", x, e1, x + length, e2);
        if (h > 0) segment("PIPE", x, e1 + h, x + length, e2 + h);
        segment("STRUCTURE", x, std::min(e1, rimUp), x, std::max(e1, rimUp));
        if (const FieldRow* res = s.result(reach->text("NODE1")))
            segment("HGL", x, res->number("HGL_UP") * len, x + length, res->number("HGL_DN") * len);
        text(x, rimUp, reach->text("NODE1") + " RIM " + fmt::format("{:.2f}", rimUp));
        text(x + length / 2, std::max(e1, e2) + h, reach->text("PIPE_NAME") + " L=" + fmt::format("{:.1f}", length));
        text(x, e1, "INV " + fmt::format("{:.2f}", e1));
        x += length;
        ++r.pipes;
    }
    text(x, s.header.number("OUT_EL"), s.header.text("OUT_NODE"));
    segment("STRUCTURE", x, run.back()->number("ELEV2"), x, std::max(run.back()->number("ELEV2"), s.header.number("OUT_EL")));
    ds.close(path);
    r.structures = static_cast<int>(run.size()) + 1;
    r.log.push_back("Profile from " + trim(startNode) + " to " + s.header.text("OUT_NODE") + " written to " + path + ": " +
                    std::to_string(run.size()) + " reaches, " + fmt::format("{:.1f}", x) + " long, elevations x" +
                    fmt::format("{}", v) + ".");
    return r;
}

}  // namespace kolv::exchange
