// The settings file.
#include "settings/settings_file.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/text.h"

namespace kolv::settings {

namespace fs = std::filesystem;

namespace {

struct RawValues {
    std::array<std::string, 4> recentFiles;
    std::array<bool, 4> recentSeen{};
    std::array<std::string, 4> recentDraw;
    bool paletteSeen = false;
    std::string palette;
    bool reportSeen = false;
    std::string report;
};

/// Reads key=value lines: a line ends at a line feed; the key is the text before the first
/// "=" (which must be at position 2 or later), the value the rest without its carriage
/// return, trimmed. Values keep their spelling: paths on this system tell capitals apart.
bool readRaw(const std::string& path, RawValues& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::stringstream ss;
    ss << in.rdbuf();
    std::string all = ss.str();
    std::size_t b = 0;
    while (b < all.size()) {
        std::size_t e = all.find('\n', b);
        if (e == std::string::npos) e = all.size();
        std::string line = all.substr(b, e - b);
        b = e + 1;
        std::size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0) continue;
        std::string key = toUpper(line.substr(0, eq));
        std::string value = line.substr(eq + 1);
        // The line's last character is its carriage return; a file saved without them
        // (edited by hand) keeps its values whole.
        if (!value.empty() && value.back() == '\r') value.pop_back();
        value = trim(value);
        for (int i = 0; i < 4; ++i) {
            if (key == "RECENTFILE" + std::to_string(i + 1)) out.recentFiles[i] = value, out.recentSeen[i] = true;
            if (key == "RECENTDRAW" + std::to_string(i + 1)) out.recentDraw[i] = value;
        }
        if (key == "DIAGRAMPALETTE") out.palette = value, out.paletteSeen = true;
        if (key == "REPORTFILEPATH") out.report = value, out.reportSeen = true;
    }
    return true;
}

}  // namespace

std::string Settings::recentCaption(int n) const { return std::to_string(n) + " " + recentFiles.at(n - 1); }

SettingsFile::SettingsFile(std::string path) : m_path(std::move(path)) {}

std::string SettingsFile::systemFolder() {
    if (const char* k = std::getenv("KOLV_CONFIG_DIR"); k && *k) return k;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return x;
    if (const char* h = std::getenv("HOME"); h && *h) return std::string(h) + "/.config";
    return ".";
}

std::string SettingsFile::defaultPath() { return systemFolder() + "/KOLVLtV3.INI"; }

Settings SettingsFile::read() {
    RawValues raw;
    if (!readRaw(m_path, raw)) {
        // A first start: the palette and the report templates are the installed copies.
        const std::string palette = paletteFolder() + "KOLVLtV3.PLT";
        const std::string reports = reportTemplateFolder();
        std::error_code ec;
        fs::create_directories(fs::path(m_path).parent_path(), ec);
        std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
        out << "[KOLV]\r\n"
            << "DIAGRAMPALETTE=" << palette << "\r\n"
            << "REPORTFILEPATH=" << reports << "\r\n";
        out.close();
        if (!readRaw(m_path, raw)) {
            // A folder we can not write: carry on with the values we would have written.
            raw.palette = palette;
            raw.paletteSeen = true;
            raw.report = reports;
            raw.reportSeen = true;
        }
    }
    Settings s;
    s.recentFiles = raw.recentFiles;
    // an entry without a path is no file to offer: no "2", "3", "4" alone in the menu
    for (std::size_t i = 0; i < s.recentVisible.size(); ++i)
        s.recentVisible[i] = raw.recentSeen[i] && !raw.recentFiles[i].empty();
    s.recentDraw = raw.recentDraw;
    s.palettePath = raw.palette;
    if (!raw.reportSeen) s.reportFolder = fallbackReportFolder();
    else if (raw.report.empty()) s.reportFolder = defaultReportFolder();
    else s.reportFolder = raw.report;
    return s;
}

bool SettingsFile::write(const std::string& value, int mode, Settings& state) {
    RawValues raw;
    readRaw(m_path, raw);
    // Files written by earlier versions hold their values in capitals, so the path just opened is
    // compared without regard to case: reopening the first entry must not list it a second time.
    if (mode == kModeProject && equalsIgnoreCase(trim(value), trim(raw.recentFiles[0]))) return false;
    if (mode == kModeDiagram && equalsIgnoreCase(trim(value), trim(raw.recentDraw[0]))) return false;
    if (mode == kModeProject) {
        // The list is not searched: a path already further down is then listed twice.
        for (int i = 3; i > 0; --i) raw.recentFiles[i] = raw.recentFiles[i - 1];
        raw.recentFiles[0] = value;
    } else if (mode == kModeDiagram) {
        for (int i = 3; i > 0; --i) raw.recentDraw[i] = raw.recentDraw[i - 1];
        raw.recentDraw[0] = value;
    } else if (mode == kModePalette) {
        state.palettePath = value;
    } else if (mode == kModeReportFolder) {
        state.reportFolder = value;
    }
    std::error_code ec;
    fs::create_directories(fs::path(m_path).parent_path(), ec);
    std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << "[KOLV]\r\n";
    for (int i = 0; i < 4; ++i) out << "RECENTFILE" << (i + 1) << "=" << raw.recentFiles[i] << "\r\n";
    out << "DIAGRAMPALETTE=" << state.palettePath << "\r\n";
    out << "REPORTFILEPATH=" << state.reportFolder << "\r\n";
    return static_cast<bool>(out);
}

std::string pathFromRecentCaption(const std::string& caption) {
    if (caption.size() < 3) return {};
    return trim(caption.substr(2));
}

std::string defaultReportFolder() { return reportTemplateFolder(); }

std::string fallbackReportFolder() { return installDataFolder(); }

std::string resolvePathCase(const std::string& path) {
    std::error_code ec;
    if (path.empty() || fs::exists(path, ec)) return path;
    fs::path p(path);
    fs::path cur = p.is_absolute() ? p.root_path() : fs::path(".");
    for (const auto& part : p.relative_path()) {
        fs::path exact = cur / part;
        if (fs::exists(exact, ec)) {
            cur = exact;
            continue;
        }
        bool found = false;
        for (const auto& entry : fs::directory_iterator(cur, ec)) {
            if (equalsIgnoreCase(entry.path().filename().string(), part.string())) {
                cur = entry.path();
                found = true;
                break;
            }
        }
        if (!found) return path;
    }
    return p.is_absolute() ? cur.string() : cur.lexically_normal().string();
}

}  // namespace kolv::settings
