// Helpers for tests: temporary folders and freshly built seed and sample projects.
#pragma once

#include <memory>
#include <string>

#include "db/project.h"

namespace kolv::test {

/// A temporary folder removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

/// Source folder of the checked-in data (data/).
std::string sourceDataDir();

/// Builds a seed database (from data/seed) at dir/seedv3.mdb once per call; returns its path.
std::string makeSeed(const TempDir& dir);

/// Builds the sample project (data/sample over the seed) at dir/name; returns its path.
std::string makeSample(const TempDir& dir, const std::string& name = "sample.mdb");

/// The whole contents of a file as bytes ("" when it cannot be read).
std::string readAll(const std::string& path);

/// An empty project from the seed at dir/name; returns its path.
std::string makeEmptyProject(const TempDir& dir, const std::string& name = "project.mdb");

}  // namespace kolv::test
