// kolv-cli import-landxml / export-landxml / export-swmm / import-gis / export-gis: networks to and from CAD, GIS and SWMM 5.
#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/command.h"
#include "cli/project_access.h"
#include "common/error.h"
#include "common/text.h"
#include "cli/modules/module_api.h"
#include "exchange/landxml_export.h"
#include "exchange/landxml_import.h"
#include "exchange/landxml_reader.h"
#include "exchange/swmm_export.h"
#include "exchange/system_rows.h"
#include "exchange/text_reader.h"

namespace kolv::cli {
namespace {

/// The project's name for a system typed in any case; refused when there is none.
std::string knownSystem(db::Database& db, const std::string& typed) {
    for (const auto& s : exchange::systemList(db))
        if (equalsIgnoreCase(s, trim(typed))) return s;
    throw InputError("System '" + trim(typed) + "' does not exist.");
}

RegisterCommand importLandXmlCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("import-landxml", "Import the pipe networks of a LandXML file as systems");
    static std::string path, file, setup, defStructure, defPipe;
    static std::vector<std::string> networks;
    static bool dryRun = false;
    sub->add_option("PROJECT", path, "Project file")->required();
    sub->add_option("FILE", file, "LandXML file (versions 1.0 to 1.2)")->required();
    sub->add_option("--network", networks,
                    "Network to import, as NAME or NAME=SYSTEM (repeatable; default: every network, each into a "
                    "system of its name cut to 8 characters)");
    sub->add_option("--setup", setup, "Saved import setup whose structure and pipe description links apply");
    sub->add_option("--default-structure", defStructure, "Structure for descriptions without a usable link");
    sub->add_option("--default-pipe", defPipe, "Pipe for descriptions without a usable link");
    sub->add_flag("--dry-run", dryRun, "Check the file and list what would be imported; change nothing");
    sub->callback([&ctx] {
        const exchange::LandXmlDocument doc = exchange::parseLandXml(exchange::readFileBytes(file));
        auto project = openForCommand(path, ctx, dryRun ? Access::Read : Access::Write);
        db::Database& db = *project->db;
        exchange::LandXmlImportRequest req;
        req.path = file;
        req.setupName = setup;
        req.defaultStructure = defStructure;
        req.defaultPipe = defPipe;
        for (const auto& n : networks) {
            const auto eq = n.find('=');
            req.networks.push_back(eq == std::string::npos ? exchange::LandXmlChoice{n, ""}
                                                           : exchange::LandXmlChoice{n.substr(0, eq), n.substr(eq + 1)});
        }
        if (dryRun) {
            const exchange::LandXmlPlan plan = exchange::planLandXml(db, doc, req);
            std::cout << "LANDXML IMPORT PLAN\n";
            for (const auto& l : plan.log) std::cout << l << "\n";
            for (const auto& s : plan.systems)
                std::cout << "System: " << s.system << (s.createSystem ? " (new)" : "") << " - " << s.nodes.size()
                          << " nodes and reaches, outfall " << s.outfall << "\n";
            if (!plan.ok()) {
                std::cerr << plan.refusal << "\n";
                ctx.exitCode = kExitRefused;
            }
            return;
        }
        const exchange::LandXmlImportResult r = exchange::importLandXml(db, ctx.ui, doc, req);
        if (!r.ran || r.cancelled) {
            ctx.exitCode = kExitRefused;
            return;
        }
        std::cout << "IMPORT RESULTS\n";
        for (const auto& line : r.log) std::cout << line << "\n";
    });
});

RegisterCommand exportLandXmlCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("export-landxml", "Export systems as LandXML 1.2 pipe networks");
    static std::string path, out;
    static std::vector<std::string> systems;
    sub->add_option("PROJECT", path, "Project file")->required();
    sub->add_option("--system", systems, "System to export (repeatable; default: every system)");
    sub->add_option("--out", out, "Output file (.xml)")->required();
    sub->callback([&ctx] {
        auto project = openForCommand(path, ctx);
        db::Database& db = *project->db;
        std::vector<std::string> chosen;
        for (const auto& s : systems) chosen.push_back(knownSystem(db, s));
        for (const auto& line : exchange::exportLandXml(db, chosen, out).log) std::cout << line << "\n";
    });
});

RegisterCommand exportSwmmCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("export-swmm", "Export a system as a SWMM 5 input file for a dynamic-wave check");
    static std::string path, system, out, routing = "DYNWAVE";
    sub->add_option("PROJECT", path, "Project file")->required();
    sub->add_option("--system", system, "System to export")->required();
    sub->add_option("--out", out, "Output file (.inp)")->required();
    sub->add_option("--routing", routing, "Flow routing: DYNWAVE (default), KINWAVE or STEADY")
        ->check(CLI::IsMember({"DYNWAVE", "KINWAVE", "STEADY"}, CLI::ignore_case));
    sub->callback([&ctx] {
        auto project = openForCommand(path, ctx);
        db::Database& db = *project->db;
        exchange::SwmmOptions o;
        o.routing = toUpper(routing);
        for (const auto& line : exchange::exportSwmm(db, knownSystem(db, system), out, o).log) std::cout << line << "\n";
    });
});

RegisterCommand exportGisCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("export-gis", "Export nodes and reaches to GeoPackage, Shapefile, GeoJSON or a DXF plan");
    static std::string path, out, format = "gpkg";
    static std::vector<std::string> systems;
    sub->add_option("PROJECT", path, "Project file")->required();
    sub->add_option("--system", systems, "System to export (repeatable; default: every system)");
    sub->add_option("--format", format, "gpkg (default), shp, geojson or dxf");
    sub->add_option("--out", out, "Output file (a folder for shp; a name stem for geojson)")->required();
    sub->callback([&ctx] {
        const GisModule& gis = gisModule();
        const exchange::GisFormat f = gis.formatOf(format);
        auto project = openForCommand(path, ctx);
        db::Database& db = *project->db;
        std::vector<std::string> chosen;
        for (const auto& s : systems) chosen.push_back(knownSystem(db, s));
        for (const auto& line : gis.exportGis(db, chosen, out, f).log) std::cout << line << "\n";
    });
});

RegisterCommand exportProfileDxfCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("export-profile-dxf", "Export the profile of a run down to the outfall as DXF");
    static std::string path, system, from, out;
    static double scale = 10.0;
    sub->add_option("PROJECT", path, "Project file")->required();
    sub->add_option("--system", system, "System of the run")->required();
    sub->add_option("--from", from, "Upstream node where the run starts")->required();
    sub->add_option("--out", out, "Output file (.dxf)")->required();
    sub->add_option("--vertical-scale", scale, "Elevations are drawn this many times larger (default 10)")
        ->check(CLI::PositiveNumber);
    sub->callback([&ctx] {
        const GisModule& gis = gisModule();
        auto project = openForCommand(path, ctx);
        db::Database& db = *project->db;
        for (const auto& line : gis.exportProfileDxf(db, knownSystem(db, system), from, out, scale).log)
            std::cout << line << "\n";
    });
});

RegisterCommand importGisCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("import-gis", "Import nodes and reaches from a point and a line layer of a GIS source");
    static std::string path, nodes, nodeLayer, reaches, reachLayer, setup, reachSetup, system, defStructure, defPipe;
    static double tolerance = 0.5;
    sub->add_option("PROJECT", path, "Project file")->required();
    sub->add_option("--nodes", nodes, "Point source: a GeoPackage, Shapefile, GeoJSON, ... file")->required();
    sub->add_option("--node-layer", nodeLayer, "Layer of the points (default: the first point layer)");
    sub->add_option("--reaches", reaches, "Line source (may be the same file)");
    sub->add_option("--reach-layer", reachLayer, "Layer of the lines (default: the first line layer)");
    sub->add_option("--setup", setup, "Saved import setup: attribute names to destinations, description links")->required();
    sub->add_option("--reach-setup", reachSetup, "Setup of the line layer (default: --setup)");
    sub->add_option("--system", system, "Destination system (must exist)")->required();
    sub->add_option("--tolerance", tolerance,
                    "Largest distance from a line's end to its node when the lines name no nodes (default 0.5)")
        ->check(CLI::PositiveNumber);
    sub->add_option("--default-structure", defStructure, "Structure for descriptions without a usable link");
    sub->add_option("--default-pipe", defPipe, "Pipe for descriptions without a usable link");
    sub->callback([&ctx] {
        const GisModule& gis = gisModule();
        auto project = openForCommand(path, ctx, Access::Write);
        exchange::GisImportRequest req;
        req.nodeSource = nodes;
        req.nodeLayer = nodeLayer;
        req.reachSource = reaches;
        req.reachLayer = reachLayer;
        req.setupName = setup;
        req.reachSetupName = reachSetup;
        req.system = system;
        req.tolerance = tolerance;
        req.defaultStructure = defStructure;
        req.defaultPipe = defPipe;
        const exchange::ImportResult r = gis.importGis(*project->db, ctx.ui, req);
        if (!r.ran || r.cancelled) {
            ctx.exitCode = kExitRefused;
            return;
        }
        std::cout << "IMPORT RESULTS\n";
        for (const auto& line : r.log) std::cout << line << "\n";
    });
});

}  // namespace
}  // namespace kolv::cli
