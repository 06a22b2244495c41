// Importing nodes and reaches from a point and a line layer of any GDAL vector source, through an import setup.
#include "exchange/gis_import.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fmt/format.h>
#include <cpl_error.h>
#include <gdal.h>
#include <limits>
#include <ogr_api.h>
#include <ogr_srs_api.h>
#include <optional>

#include "common/error.h"
#include "common/text.h"
#include "db/undo_history.h"
#include "editing/survey_lengths.h"
#include "exchange/import_setup.h"

namespace kolv::exchange {
namespace {

struct Source {
    explicit Source(const std::string& path) {
        GDALAllRegister();
        CPLErrorReset();
        ds = GDALOpenEx(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
        if (!ds)
            throw Error(kErrFileNotFound, "The GIS source '" + path + "' cannot be read: " +
                                              (*CPLGetLastErrorMsg() ? CPLGetLastErrorMsg() : "not a vector source") + ".");
    }
    ~Source() { GDALClose(ds); }
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;
    GDALDatasetH ds = nullptr;
};

bool isPoints(OGRwkbGeometryType t) {
    t = wkbFlatten(t);
    return t == wkbPoint || t == wkbMultiPoint;
}
bool isLines(OGRwkbGeometryType t) {
    t = wkbFlatten(t);
    return t == wkbLineString || t == wkbMultiLineString;
}

/// First and last point of a line (of the first part of a multi-line).
std::optional<std::pair<std::array<double, 2>, std::array<double, 2>>> ends(OGRGeometryH g) {
    if (!g) return std::nullopt;
    if (wkbFlatten(OGR_G_GetGeometryType(g)) == wkbMultiLineString) {
        if (OGR_G_GetGeometryCount(g) == 0) return std::nullopt;
        g = OGR_G_GetGeometryRef(g, 0);
    }
    const int n = OGR_G_GetPointCount(g);
    if (n < 2) return std::nullopt;
    return std::make_pair(std::array<double, 2>{OGR_G_GetX(g, 0), OGR_G_GetY(g, 0)},
                          std::array<double, 2>{OGR_G_GetX(g, n - 1), OGR_G_GetY(g, n - 1)});
}

std::string number(double v) { return fmt::format("{}", v); }

}  // namespace

bool surveyUnitMatches(double metresPerUnit, bool metric) {
    constexpr double kMetresPerFoot = 0.3048;  // the international foot
    if (metresPerUnit <= 0) return false;
    // the international foot and the US survey foot (1200/3937 m) differ by 2 ppm: both are feet
    const double unit = metric ? 1.0 : kMetresPerFoot;
    return std::abs(metresPerUnit - unit) / unit < 1e-5;
}

ImportFile readGisLayer(const std::string& source, const std::string& layerName, bool points, double* metresPerUnit) {
    // GDAL's notes go to the log or into the faults thrown, not to the terminal.
    CPLPushErrorHandler(CPLQuietErrorHandler);
    struct Pop {
        ~Pop() { CPLPopErrorHandler(); }
    } pop;
    Source src(source);
    OGRLayerH layer = nullptr;
    if (!trim(layerName).empty()) {
        layer = GDALDatasetGetLayerByName(src.ds, layerName.c_str());
        if (!layer) throw InputError("The GIS source '" + source + "' has no layer '" + layerName + "'.", kErrFileNotFound);
    } else {
        for (int i = 0; i < GDALDatasetGetLayerCount(src.ds) && !layer; ++i) {
            OGRLayerH l = GDALDatasetGetLayer(src.ds, i);
            const OGRwkbGeometryType t = OGR_L_GetGeomType(l);
            if (points ? isPoints(t) : isLines(t)) layer = l;
        }
        if (!layer)
            throw InputError("The GIS source '" + source + "' has no " + (points ? "point" : "line") + " layer.",
                             kErrFileNotFound);
    }
    if (metresPerUnit) {
        *metresPerUnit = 0;
        OGRSpatialReferenceH srs = OGR_L_GetSpatialRef(layer);
        if (srs && OSRIsProjected(srs)) *metresPerUnit = OSRGetLinearUnits(srs, nullptr);
    }
    ImportFile file;
    file.path = source + " (" + OGR_L_GetName(layer) + ")";
    OGRFeatureDefnH def = OGR_L_GetLayerDefn(layer);
    const int fields = OGR_FD_GetFieldCount(def);
    for (int i = 0; i < fields; ++i) file.headings.emplace_back(OGR_Fld_GetNameRef(OGR_FD_GetFieldDefn(def, i)));
    if (points) {
        file.headings.emplace_back(kGisX);
        file.headings.emplace_back(kGisY);
    } else {
        for (const char* h : {"X1", "Y1", "X2", "Y2"}) file.headings.emplace_back(h);
    }
    OGR_L_ResetReading(layer);
    for (OGRFeatureH f; (f = OGR_L_GetNextFeature(layer)) != nullptr;) {
        std::vector<std::string> row;
        row.reserve(file.headings.size());
        for (int i = 0; i < fields; ++i) {
            if (!OGR_F_IsFieldSetAndNotNull(f, i)) row.emplace_back();
            else if (OGR_Fld_GetType(OGR_FD_GetFieldDefn(def, i)) == OFTReal)
                row.push_back(number(OGR_F_GetFieldAsDouble(f, i)));  // every digit, not GDAL's 15
            else row.emplace_back(OGR_F_GetFieldAsString(f, i));
        }
        OGRGeometryH g = OGR_F_GetGeometryRef(f);
        if (points) {
            const bool has = g && !OGR_G_IsEmpty(g);
            OGRGeometryH p = has && wkbFlatten(OGR_G_GetGeometryType(g)) == wkbMultiPoint ? OGR_G_GetGeometryRef(g, 0) : g;
            row.push_back(has ? number(OGR_G_GetX(p, 0)) : "");
            row.push_back(has ? number(OGR_G_GetY(p, 0)) : "");
        } else if (auto e = ends(g)) {
            for (double v : {e->first[0], e->first[1], e->second[0], e->second[1]}) row.push_back(number(v));
        } else {
            row.resize(row.size() + 4);
        }
        file.rows.push_back(std::move(row));
        OGR_F_Destroy(f);
    }
    return file;
}

ImportResult importGis(db::Database& db, ui::UiPort& ui, const GisImportRequest& req) {
    // Both layers are read before anything is written.
    double metresPerUnit = 0;  // of the node layer's coordinates
    ImportFile nodes = readGisLayer(req.nodeSource, req.nodeLayer, true, &metresPerUnit);
    std::optional<ImportFile> reaches;
    if (!trim(req.reachSource).empty()) reaches = readGisLayer(req.reachSource, req.reachLayer, false);
    const ImportSetup setup = loadSetup(db, req.setupName);
    const ImportSetup reachSetup = trim(req.reachSetupName).empty() ? setup : loadSetup(db, req.reachSetupName);
    const std::string system = trim(req.system);

    ImportResult total;
    db::UndoAction step(db, "Import GIS");
    db::Transaction tx(db);
    auto run = [&](const ImportFile& file, std::vector<Destination> destinations, const ImportSetup& base) {
        // The setup's links, and a value that names a definition of the project's units links to it.
        ImportSetup links = base;
        const long long engMet = db.scalar("SELECT ENGLISH_METRIC FROM T0").toDouble() != 0 ? 1 : 0;
        auto selfLinks = [&](Destination which, std::vector<DescriptionLink>& list, const char* table) {
            for (const auto& v : distinctValues(file, destinations, which)) {
                bool linked = false;
                for (const auto& l : list) linked = linked || equalsIgnoreCase(trim(l.description), v);
                if (linked) continue;
                db::Value n = db.scalar(std::string("SELECT NAME FROM ") + table + " WHERE UPPER(TRIM(NAME)) = ? AND ENG_MET = ?",
                                        {toUpper(v), engMet});
                if (!n.isNull()) list.push_back({v, trim(n.toText())});
            }
        };
        selfLinks(Destination::NodeStructure, links.structures, "T6");
        selfLinks(Destination::ReachPipe, links.pipes, "T7");
        ImportRequest r;
        r.links = &links;
        r.setupName = base.name;
        r.system = req.system;
        r.rowListing = file.rows.empty() ? "" : "1-";
        r.defaultStructure = req.defaultStructure;
        r.defaultPipe = req.defaultPipe;
        r.destinations = std::move(destinations);
        ImportResult one = runImport(db, ui, file, r);
        for (auto& l : one.log) total.log.push_back(std::move(l));
        total.ran = one.ran;
        total.cancelled = one.cancelled;
        total.rows += one.rows;
        total.nodesCreated += one.nodesCreated, total.nodesUpdated += one.nodesUpdated, total.nodesRefused += one.nodesRefused;
        total.reachesCreated += one.reachesCreated, total.reachesUpdated += one.reachesUpdated;
        total.reachesRefused += one.reachesRefused;
        return one.ran && !one.cancelled;
    };
    // The system's outfall is no node: its point gives the outfall's position.
    std::vector<Destination> nd = applySetup(setup, nodes.headings);
    const std::string outfall = trim(db.scalar("SELECT OUT_NODE FROM T16 WHERE SYSTEM = ?", {system}).toText());
    const auto nameCol = std::find(nd.begin(), nd.end(), Destination::NodeName);
    if (!outfall.empty() && nameCol != nd.end()) {
        const std::size_t c = static_cast<std::size_t>(nameCol - nd.begin()), xs = nodes.headings.size() - 2;
        for (std::size_t i = 0; i < nodes.rows.size(); ++i) {
            if (!equalsIgnoreCase(importValue(nodes.rows[i][c]), outfall)) continue;
            if (!nodes.rows[i][xs].empty())
                db.execute("UPDATE T16 SET XD = ?, YD = ? WHERE SYSTEM = ?",
                           {std::stod(nodes.rows[i][xs]), std::stod(nodes.rows[i][xs + 1]), system});
            total.log.push_back("Outfall: " + outfall + " - position taken from the point layer; it is not made a node.");
            nodes.rows.erase(nodes.rows.begin() + static_cast<long>(i));
            break;
        }
    }
    if (!run(nodes, nd, setup)) return total;  // refused or cancelled: rolled back
    if (reaches) {
        std::vector<Destination> d = applySetup(reachSetup, reaches->headings);
        auto assigned = [&](Destination x) { return std::find(d.begin(), d.end(), x) != d.end(); };
        // The ends join the nodes now in the system, and its outfall, by position.
        if (!assigned(Destination::ReachFromNode) || !assigned(Destination::ReachToNode)) {
            struct Known {
                std::string name;
                double x, y;
            };
            std::vector<Known> known;
            db::Statement st = db.prepare(
                "SELECT NAME, XD, YD FROM NODE WHERE SYSTEM = ? AND XD IS NOT NULL AND YD IS NOT NULL "
                "UNION ALL SELECT OUT_NODE, XD, YD FROM T16 WHERE SYSTEM = ? AND XD IS NOT NULL AND YD IS NOT NULL");
            st.bindAll({system, system});
            while (st.step()) known.push_back({trim(st.column(0).toText()), st.column(1).toDouble(), st.column(2).toDouble()});
            auto nearest = [&](const std::string& xs, const std::string& ys) -> std::string {
                if (xs.empty() || ys.empty()) return {};
                const double x = std::stod(xs), y = std::stod(ys);
                double best = std::numeric_limits<double>::max();
                std::string name;
                for (const auto& k : known) {
                    const double dist = std::hypot(k.x - x, k.y - y);
                    if (dist < best) best = dist, name = k.name;
                }
                return best <= req.tolerance ? name : std::string();
            };
            const std::size_t base = reaches->headings.size();
            reaches->headings.emplace_back(kGisStartNode);
            reaches->headings.emplace_back(kGisEndNode);
            d.resize(base);
            d.push_back(assigned(Destination::ReachFromNode) ? Destination::None : Destination::ReachFromNode);
            d.push_back(assigned(Destination::ReachToNode) ? Destination::None : Destination::ReachToNode);
            const bool named = assigned(Destination::ReachName);
            if (!named) {
                reaches->headings.emplace_back("Reach name");
                d.push_back(Destination::ReachName);
            }
            for (std::size_t i = 0; i < reaches->rows.size(); ++i) {
                auto& row = reaches->rows[i];
                const std::string a = nearest(row[base - 4], row[base - 3]);
                const std::string b = nearest(row[base - 2], row[base - 1]);
                if (a.empty() || b.empty())
                    total.log.push_back("Line " + std::to_string(i + 1) + ": no node within " + number(req.tolerance) +
                                        " of its " + (a.empty() ? "start" : "end") + "; it is not joined there.");
                row.push_back(a);
                row.push_back(b);
                if (!named) row.push_back(a);  // a reach is named after its upstream node
            }
        }
        if (!run(*reaches, d, reachSetup)) return total;
    }
    // Projected coordinates in the project's own length unit are a survey: lengths can be measured.
    const bool metric = db.scalar("SELECT ENGLISH_METRIC FROM T0").toDouble() != 0;
    if (surveyUnitMatches(metresPerUnit, metric)) {
        if (!editing::surveyCoordinates(db))
            total.log.push_back("Coordinates: survey coordinates in " + std::string(metric ? "meters" : "feet") +
                                "; the project's computed lengths are now measured between the nodes.");
        editing::setSurveyCoordinates(db, true);
        editing::updateReachLengths(db, system);
    } else if (metresPerUnit > 0) {
        total.log.push_back("Coordinates: the layer's unit (" + number(metresPerUnit) + " m) is not the project's; "
                            "lengths are not measured from them.");
    }
    tx.commit();
    total.log.push_back("Import Complete. Nodes created: " + std::to_string(total.nodesCreated) + ", updated: " +
                        std::to_string(total.nodesUpdated) + ". Reaches created: " + std::to_string(total.reachesCreated) +
                        ", updated: " + std::to_string(total.reachesUpdated) + ".");
    return total;
}

}  // namespace kolv::exchange
