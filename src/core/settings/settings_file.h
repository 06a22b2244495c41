// The settings file KOLVLtV3.INI: recent projects, diagram palette and report folder.
#pragma once

#include <array>
#include <string>

#include "settings/data_folder.h"

namespace kolv::settings {

/// What the program keeps from the settings file.
struct Settings {
    std::array<std::string, 4> recentFiles;     ///< paths as written (as the engineer typed them), "" when absent
    std::array<bool, 4> recentVisible{};        ///< the file names a path for the menu entry
    std::array<std::string, 4> recentDraw;      ///< read, never written back
    std::string palettePath;
    std::string reportFolder;

    /// Caption of recent-file entry n (1..4): "1 " + value.
    std::string recentCaption(int n) const;
};

/// Write modes.
enum WriteMode { kModeProject = 0, kModeDiagram = 1, kModePalette = 2, kModeReportFolder = 3, kModeFolders = 4 };

class SettingsFile {
public:
    /// The settings file in the given path; by default the user's configuration folder.
    explicit SettingsFile(std::string path = defaultPath());

    /// $KOLV_CONFIG_DIR, else $XDG_CONFIG_HOME, else ~/.config — the folder of the settings file.
    static std::string systemFolder();
    static std::string defaultPath();

    const std::string& path() const { return m_path; }

    /// Reads the file, creating it when it can not be opened (palette and report folder
    /// set to the installed copies). Values come back as written.
    Settings read();

    /// Records a change. Mode 0: a project was opened with `value`; 1: a diagram file was used;
    /// 2: the palette became `value`; 3: the report folder became `value`; 4: rewrite the
    /// palette and report folder held in `state`. Returns true when the file was rewritten.
    bool write(const std::string& value, int mode, Settings& state);

private:
    std::string m_path;
};

/// The path of a recent-file entry from its caption: the caption minus its first two
/// characters, trimmed; "" when the caption has fewer than 3 characters.
std::string pathFromRecentCaption(const std::string& caption);

/// Report folder used when the settings file names an empty one: the installed templates.
std::string defaultReportFolder();
/// Report folder used when the settings file has no REPORTFILEPATH line at all: the
/// installation folder itself, where templates were kept before they had a folder of their own.
std::string fallbackReportFolder();

/// Finds an existing file whose path matches `path` without regard to case (the settings
/// file holds paths in capitals); returns `path` itself when nothing matches.
std::string resolvePathCase(const std::string& path);

}  // namespace kolv::settings
