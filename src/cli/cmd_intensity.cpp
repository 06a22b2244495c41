// kolv-cli intensity: rainfall intensity of a system for a duration, by the system's intensity method.
#include <CLI/CLI.hpp>
#include <fmt/format.h>
#include <iostream>

#include "cli/command.h"
#include "cli/number_option.h"
#include "cli/project_access.h"
#include "common/vb_format.h"
#include "rain/intensity.h"

namespace kolv::cli {
namespace {

RegisterCommand intensityCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("intensity", "Rainfall intensity of a system for a duration");
    static std::string path, system;
    static double durationMin = 0;
    sub->add_option("PROJECT", path, "Project file")->required();
    sub->add_option("--system", system, "Storm sewer system (default: the current one)");
    sub->add_option("--duration", durationMin, "Duration (time of concentration), minutes")
        ->required()
        ->check(strictNumber("Duration", positive()));
    sub->callback([&ctx] {
        auto project = openWithSystem(path, system, ctx);
        const auto storm = rain::prepareRainfall(*project->db, ctx.ui, project->currentSystem);
        if (!storm) {
            ctx.exitCode = kExitRefused;
            return;
        }
        const float intensity = rain::CALC_INTENSITY(*storm, static_cast<float>(durationMin));
        static const char* const kMethodNames[] = {"IDF coefficients", "time-intensity table", "built-in curve"};
        const int m = storm->method;
        std::cout << "System: " << project->currentSystem << "\n";
        std::cout << "Method: " << m;
        if (m >= 0 && m <= 2) std::cout << " (" << kMethodNames[m] << ")";
        std::cout << "\n";
        if (m == rain::kMethodIdf)
            std::cout << fmt::format("Coefficients: A {}, B {}, C {}, D {}\n", storm->idf.A, storm->idf.B, storm->idf.C,
                                     storm->idf.D);
        std::cout << "Duration: " << shortestText(durationMin) << " min\n";
        std::cout << "Intensity: " << vbFormat(intensity, "0.000") << "\n";
    });
});

}  // namespace
}  // namespace kolv::cli
