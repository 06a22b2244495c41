// Writes a project holding generated systems of any size, to time the programs on it by hand:
//     kolv-random-project OUT.mdb 10000 [SYSTEMS]
// gives SYSTEMS (default 1) systems "RANDOM1".. of 10,000 reaches each.
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

#include "db/project.h"
#include "db/seed_builder.h"
#include "support/random_system.h"
#include "ui/ui_port.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: kolv-random-project OUT.mdb REACHES [SYSTEMS]\n";
        return 2;
    }
    const std::string out = argv[1];
    const long reaches = std::atol(argv[2]);
    const long systems = argc > 3 ? std::atol(argv[3]) : 1;
    if (reaches < 1 || systems < 1 || systems > 26) {
        std::cerr << "REACHES must be at least 1 and SYSTEMS 1 to 26\n";
        return 2;
    }
    try {
        std::filesystem::remove(out);
        kolv::db::buildSeed(out, std::string(KOLV_DATA_DIR) + "/seed");
        kolv::ui::SilentUi silent;
        auto project = kolv::db::openProject(out, silent);
        for (long s = 0; s < systems; ++s) {
            kolv::test::RandomSystemOptions shape;
            shape.system = "RANDOM" + std::to_string(s + 1);
            shape.prefix = std::string(1, static_cast<char>('A' + s));
            shape.reaches = static_cast<std::size_t>(reaches);
            shape.seed += static_cast<std::uint32_t>(s);
            kolv::test::addRandomSystem(*project->db, shape);
        }
        kolv::db::setCurrentSystem(*project, "RANDOM1");
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}
