// The temporary folder of one benchmark process's generated projects, removed at exit.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace kolv::bench {

class BenchFolder {
public:
    explicit BenchFolder(const std::string& name)
        : m_path(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(m_path);
    }
    ~BenchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

/// The one folder of this benchmark process, made on first use.
inline BenchFolder& processFolder(const std::string& name) {
    static BenchFolder folder(name);
    return folder;
}

}  // namespace kolv::bench
