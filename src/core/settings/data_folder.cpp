// The data folder of the running program.
#include "settings/data_folder.h"

#include <cstdlib>
#include <filesystem>

namespace kolv::settings {

namespace fs = std::filesystem;

namespace {

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

bool isFolder(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

}  // namespace

std::string chooseDataFolder(const DataFolderClues& clues) {
    if (!clues.environment.empty()) return withSlash(clues.environment);
    if (!clues.executable.empty()) {
        fs::path installed = fs::path(clues.executable).parent_path() / clues.fromBin;
        if (isFolder(installed)) return withSlash(installed.lexically_normal().string());
    }
    if (!clues.buildTree.empty() && isFolder(clues.buildTree)) return withSlash(clues.buildTree);
    return "./data/";
}

DataFolderClues currentDataFolderClues() {
    DataFolderClues c;
    if (const char* d = std::getenv("KOLV_DATA_DIR"); d && *d) c.environment = d;
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) c.executable = exe.string();
#ifdef KOLV_BUILD_DATA_DIR
    c.buildTree = KOLV_BUILD_DATA_DIR;
#endif
#ifdef KOLV_DATA_FROM_BIN
    c.fromBin = KOLV_DATA_FROM_BIN;
#endif
    return c;
}

std::string installDataFolder() {
    // Asked often (every template lookup); the answer can not change while the program runs,
    // except through the environment, which the tests set.
    static const DataFolderClues fixed = [] {
        DataFolderClues c = currentDataFolderClues();
        c.environment.clear();
        return c;
    }();
    static const std::string fromProgram = chooseDataFolder(fixed);
    if (const char* d = std::getenv("KOLV_DATA_DIR"); d && *d) return withSlash(d);
    return fromProgram;
}

std::string seedDatabasePath() { return installDataFolder() + "seedv3.mdb"; }
std::string sampleProjectPath() { return installDataFolder() + "sample.mdb"; }
std::string paletteFolder() { return installDataFolder() + "palette/"; }
std::string reportTemplateFolder() { return installDataFolder() + "reports/"; }

}  // namespace kolv::settings
