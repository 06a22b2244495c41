// The report print engine and the search for template files.
#include "reports/report_engine.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <utility>

#include "common/error.h"
#include "common/text.h"
#include "db/schema.h"
#include "reports/report_commands.h"
#include "settings/settings_file.h"

namespace kolv::reports {

namespace fs = std::filesystem;

namespace {

std::string withSlash(std::string folder) {
    for (char& c : folder)
        if (c == '\\') c = '/';
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace

std::string installReportFolder() { return settings::reportTemplateFolder(); }

std::string locateTemplate(const std::string& name, const std::string& reportFolder) {
    std::string n = trim(name);
    if (n.empty()) throw TemplateError("No report template was named.");
    std::error_code ec;
    if (n.find('/') != std::string::npos || n.find('\\') != std::string::npos) {
        std::string p = settings::resolvePathCase(withSlash(n).substr(0, withSlash(n).size() - 1));
        if (fs::is_regular_file(p, ec)) return p;
        throw TemplateError("The report template " + n + " was not found.");
    }
    std::vector<std::string> folders;
    if (!trim(reportFolder).empty()) folders.push_back(withSlash(trim(reportFolder)));
    folders.push_back(installReportFolder());
    for (const auto& f : folders) {
        std::string p = settings::resolvePathCase(f + n);
        if (fs::is_regular_file(p, ec)) return p;
    }
    std::string tried;
    for (const auto& f : folders) tried += (tried.empty() ? "" : " or ") + f;
    throw TemplateError("The report template " + n + " was not found in " + tried + ".");
}

std::vector<TemplateInfo> availableTemplates(const std::string& reportFolder) {
    std::vector<TemplateInfo> out;
    std::vector<std::string> folders;
    if (!trim(reportFolder).empty()) folders.push_back(settings::resolvePathCase(withSlash(trim(reportFolder))));
    folders.push_back(installReportFolder());
    std::error_code ec;
    for (const auto& folder : folders) {
        if (!fs::is_directory(folder, ec)) continue;
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(folder, ec))
            if (e.is_regular_file(ec) && toUpper(e.path().extension().string()) == ".RPT") files.push_back(e.path());
        std::sort(files.begin(), files.end());
        for (const auto& f : files) {
            std::string name = f.filename().string();
            bool hidden = std::any_of(out.begin(), out.end(),
                                      [&](const TemplateInfo& t) { return equalsIgnoreCase(t.name, name); });
            if (hidden) continue;
            TemplateInfo info{name, f.string(), {}, {}};
            try {
                info.description = loadTemplate(info.path).description;
            } catch (const Error& e) {
                info.fault = e.what();
            }
            out.push_back(std::move(info));
        }
    }
    std::sort(out.begin(), out.end(), [](const TemplateInfo& a, const TemplateInfo& b) {
        return toUpper(a.name) < toUpper(b.name);
    });
    return out;
}

void ReportEngine::setTemplate(const std::string& folder, const std::string& name) {
    m_templatePath = folder.empty() ? name : withSlash(folder) + name;
}

void ReportEngine::setInputs(ReportInputs inputs) {
    std::string sel = m_inputs.selection, sort = m_inputs.sortField;
    m_inputs = std::move(inputs);
    if (m_inputs.selection.empty()) m_inputs.selection = sel;
    if (m_inputs.sortField.empty()) m_inputs.sortField = sort;
}

void ReportEngine::run() {
    ReportTemplate tpl = loadTemplate(m_templatePath);
    // The inputs go to the report: their footnote marks and notes may hold a line for every
    // record of a large system, and are not copied.
    ReportInputs inputs = std::move(m_inputs);
    m_inputs = ReportInputs();
    m_inputs.selection = inputs.selection;
    m_inputs.sortField = inputs.sortField;
    // A storm tabulation that did not settle says so under its table.
    ReportCommand command;
    if (commandOfTemplate(std::filesystem::path(m_templatePath).filename().string(), command) &&
        command == ReportCommand::StormTabs && !inputs.system.empty() && m_db.hasTable("T16") &&
        m_db.layout("T16").position(db::kHglNoteField) >= 0) {
        const db::Value note = m_db.scalar("SELECT " + db::quoteIdent(db::kHglNoteField) + " FROM T16 WHERE " +
                                               db::quoteIdent("SYSTEM") + " = ?",
                                           {db::Value(inputs.system)});
        if (!note.isNull() && !note.toText().empty()) inputs.notes.push_back(note.toText());
    }
    if (m_destination == Destination::Csv) inputs.recordMarks.clear();  // data, not a printed page
    ReportRunner runner(m_db, tpl, std::move(inputs));
    m_records = runner.content().recordCount;
    switch (m_destination) {
    case Destination::Text:
        writeTextFile(m_target, [&](std::ostream& out) { runner.writePlainText(out); });
        return;
    case Destination::Csv: writeTextFile(m_target, [&](std::ostream& out) { runner.writeCsv(out); }); return;
    default: break;
    }
    if (!m_printer)
        throw Error(kErrLoadingLibrary,
                    "This program was built without the printing library: choose a text (.txt) or CSV (.csv) output.");
    if (m_destination == Destination::Pdf) {
        // The pages are counted first (each tells "page n of m"), then laid out again and
        // written one at a time.
        const LayoutResult paper = runner.countPages();
        const int pages = static_cast<int>(paper.pageCount);
        m_printer->writePdfPages(paper.document, m_target, [&](const std::function<void(Page&&)>& put) {
            m_result = runner.layout(put, pages);
        });
        m_result.document.title = paper.document.title;
        return;
    }
    m_result = runner.layout();
    if (!m_printer)
        throw Error(kErrLoadingLibrary,
                    "This program was built without the printing library: choose a text (.txt) or CSV (.csv) output.");
    if (m_destination == Destination::Pdf) m_printer->writePdf(m_result.document, m_target);
    else if (m_destination == Destination::Printer) m_printer->print(m_result.document, m_target);
    else m_printer->preview(m_result.document);
}

void writeTextFile(const std::string& path, const std::string& text) {
    writeTextFile(path, [&](std::ostream& out) { out << text; });
}

void writeTextFile(const std::string& path, const std::function<void(std::ostream&)>& write) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw Error(kErrFileNotFound, "The file " + path + " can not be written.");
    write(out);
    out.flush();
    if (!out) throw Error(kErrDiskFull, "The file " + path + " could not be written completely (disk full?).");
}

}  // namespace kolv::reports
