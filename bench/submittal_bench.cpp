// The submittal package of generated systems: 100 reaches, and a 10,000-reach project, computed,
// laid out and written to PDF with its bookmarks; the peak memory of the process is reported.
#include <benchmark/benchmark.h>

#include <QString>
#include <filesystem>
#include <sys/resource.h>

#include "bench_folder.h"
#include "db/project.h"
#include "db/seed_builder.h"
#include "render/submittal_pdf.h"
#include "session/session.h"
#include "submittal/submittal.h"
#include "support/random_system.h"
#include "ui/ui_port.h"

namespace {

using namespace kolv;

std::string makeProject(std::size_t reaches) {
    auto& folder = bench::processFolder("kolv-submittal-bench");
    const std::string path = (folder.path() / ("p" + std::to_string(reaches) + ".mdb")).string();
    if (std::filesystem::exists(path)) return path;
    db::buildSeed(path, std::string(KOLV_DATA_DIR) + "/seed");
    ui::SilentUi silent;
    auto project = db::openProject(path, silent);
    test::RandomSystemOptions shape;
    shape.system = "RANDOM1";
    shape.prefix = "A";
    shape.reaches = reaches;
    test::addRandomSystem(*project->db, shape);
    return path;
}

void BM_Submittal(benchmark::State& state) {
    const auto reaches = static_cast<std::size_t>(state.range(0));
    const std::string path = makeProject(reaches);
    const std::string out = path + ".pdf";
    int pages = 0;
    for (auto _ : state) {
        ui::SilentUi silent;
        auto project = db::openProject(path, silent);
        Session session;
        submittal::SubmittalOptions opt;
        opt.systems = {"RANDOM1"};
        opt.programVersion = "bench";
        opt.dateText = "12/07/2026";
        submittal::SubmittalComposer composer(*project, session, silent, opt);
        composer.prepare();
        render::writeSubmittalPdf(composer, QString::fromStdString(out));
        pages = composer.pageCount();
    }
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    state.counters["pages"] = pages;
    state.counters["peak_MB"] = static_cast<double>(use.ru_maxrss) / 1024.0;
    state.counters["pdf_MB"] = static_cast<double>(std::filesystem::file_size(out)) / 1048576.0;
}
BENCHMARK(BM_Submittal)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
