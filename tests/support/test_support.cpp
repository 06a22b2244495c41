// Helpers for tests.
#include "support/test_support.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "db/seed_builder.h"

namespace kolv::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    fs::path p = fs::temp_directory_path() /
                 ("kolv-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(p);
    fs::create_directories(p);
    m_path = p.string();
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::string sourceDataDir() { return KOLV_TEST_SOURCE_DATA; }

std::string makeSeed(const TempDir& dir) {
    std::string p = dir.file("seedv3.mdb");
    if (!fs::exists(p)) db::buildSeed(p, sourceDataDir() + "/seed");
    return p;
}

std::string makeSample(const TempDir& dir, const std::string& name) {
    std::string p = dir.file(name);
    db::buildProjectFromSeed(p, makeSeed(dir), sourceDataDir() + "/sample");
    return p;
}

std::string makeEmptyProject(const TempDir& dir, const std::string& name) {
    std::string p = dir.file(name);
    fs::copy_file(makeSeed(dir), p, fs::copy_options::overwrite_existing);
    return p;
}

std::string readAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

}  // namespace kolv::test
