// Opening kolv-cli's loadable modules: beside the program in the build tree, in the installation's
// library folder (relative to the program's folder, so any prefix works) once installed.
#include <dlfcn.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/modules/module_api.h"
#include "common/error.h"

namespace kolv::cli {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> moduleFolders() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    const fs::path bin = exe.parent_path();
    return {bin, (bin / KOLV_MODULES_FROM_BIN).lexically_normal()};
}

const void* load(const std::string& file, const std::string& what) {
    std::string searched, failure;
    for (const fs::path& folder : moduleFolders()) {
        const fs::path path = folder / file;
        searched += (searched.empty() ? "" : ", ") + folder.string();
        std::error_code ec;
        if (!fs::exists(path, ec)) continue;
        // Never closed: the printer and the Qt application it makes live as long as the program.
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = dlerror();
            failure = path.string() + " does not load: " + (why ? why : "unknown reason");
            continue;
        }
        auto entry = reinterpret_cast<KolvCliModuleEntry>(dlsym(handle, "kolv_cli_module"));
        const void* table = entry ? entry(kModuleAbi) : nullptr;
        if (table) return table;
        failure = path.string() + " belongs to another version of kolv-cli";
    }
    throw Error(kErrLoadingLibrary, "Can not " + what + ": " +
                                        (failure.empty() ? "the module " + file + " is not in " + searched
                                                         : failure) +
                                        ". Reinstall the program.");
}

}  // namespace

const PrintModule& printModule() {
    static const auto* m = static_cast<const PrintModule*>(load("kolv-cli-print.so", "write PDF"));
    return *m;
}

const GisModule& gisModule() {
    static const auto* m = static_cast<const GisModule*>(load("kolv-cli-gis.so", "read or write GIS and CAD files"));
    return *m;
}

}  // namespace kolv::cli
