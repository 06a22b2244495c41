// Reading and importing a LandXML pipe network of 1,000 to 10,000 structures into a new project.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fmt/format.h>
#include <memory>
#include <string>

#include "bench_folder.h"
#include "db/project.h"
#include "db/seed_builder.h"
#include "exchange/landxml_import.h"
#include "exchange/landxml_reader.h"
#include "ui/ui_port.h"

namespace {

namespace fs = std::filesystem;
using namespace kolv;

/// A file as CAD programs write one: structure k drains into structure (k-1)/3, structure 0
/// into the outlet; inverts, rims, coordinates, round pipes and catchments on every pipe.
std::string landXmlOf(std::size_t n) {
    std::string s =
        "<?xml version=\"1.0\"?><LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" date=\"2026-01-01\" "
        "time=\"00:00:00\" version=\"1.2\"><Units><Imperial areaUnit=\"acre\" linearUnit=\"foot\" "
        "volumeUnit=\"cubicFeet\" temperatureUnit=\"fahrenheit\" pressureUnit=\"inHG\" diameterUnit=\"inch\"/></Units>"
        "<PipeNetworks><PipeNetwork name=\"BENCH\" pipeNetType=\"storm\"><Structs>";
    auto depth = [](std::size_t k) {
        int d = 0;
        for (; k > 0; k = (k - 1) / 3) ++d;
        return d;
    };
    for (std::size_t k = 0; k < n; ++k) {
        const double inv = 100.0 + depth(k) * 1.1;
        s += fmt::format("<Struct name=\"MH-{}\" elevRim=\"{}\"><Center>{} {}</Center><CircStruct diameter=\"48\"/>", k,
                         inv + 8, 10000 + k * 3, 20000 + (k % 97) * 50);
        s += fmt::format("<Invert elev=\"{}\" flowDir=\"out\" refPipe=\"P-{}\"/>", inv + 1.0, k);
        for (std::size_t c = 3 * k + 1; c <= 3 * k + 3 && c < n; ++c)
            s += fmt::format("<Invert elev=\"{}\" flowDir=\"in\" refPipe=\"P-{}\"/>", inv + 1.1, c);
        s += "</Struct>";
    }
    s += "<Struct name=\"OUTLET\" elevRim=\"105\"><Center>9000 19000</Center><OutletStruct/>"
         "<Invert elev=\"100\" flowDir=\"in\" refPipe=\"P-0\"/></Struct></Structs><Pipes>";
    for (std::size_t k = 0; k < n; ++k)
        s += fmt::format("<Pipe name=\"P-{}\" refStart=\"MH-{}\" refEnd=\"{}\" length=\"200\"><CircPipe diameter=\"24\" "
                         "material=\"RCP\" mannings=\"0.013\"/><PipeFlow flowIn=\"1\" areaCatchment=\"0.25\" "
                         "runoffCoeff=\"0.8\" timeInlet=\"10\"/></Pipe>",
                         k, k, k == 0 ? std::string("OUTLET") : fmt::format("MH-{}", (k - 1) / 3));
    return s + "</Pipes></PipeNetwork></PipeNetworks></LandXML>";
}

/// Parse and import into a fresh copy of the seed each time (the copy is not timed).
void BM_ImportLandXml(benchmark::State& state) {
    static kolv::bench::BenchFolder folder("kolv-bench-landxml");
    const std::string seed = (folder.path() / "seedv3.mdb").string();
    if (!fs::exists(seed)) db::buildSeed(seed, std::string(KOLV_DATA_DIR) + "/seed");
    const std::string text = landXmlOf(static_cast<std::size_t>(state.range(0)));
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path file = folder.path() / ("import-" + std::to_string(run++) + ".mdb");
        fs::copy_file(seed, file, fs::copy_options::overwrite_existing);
        ui::SilentUi silent;
        auto project = db::openProject(file.string(), silent);
        state.ResumeTiming();
        exchange::LandXmlDocument doc = exchange::parseLandXml(text);
        exchange::LandXmlImportResult r = exchange::importLandXml(*project->db, silent, doc, {});
        if (!r.ran) state.SkipWithError("the import was refused");
        benchmark::DoNotOptimize(r.nodes);
        state.PauseTiming();
        project.reset();
        fs::remove(file);
        state.ResumeTiming();
    }
    state.counters["structures"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_ImportLandXml)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
