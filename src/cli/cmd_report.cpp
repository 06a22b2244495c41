// Report commands: template reports to PDF, text or CSV, and message lists to paged PDF.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "cli/command.h"
#include "cli/output.h"
#include "cli/project_access.h"
#include "common/error.h"
#include "common/text.h"
#include "reports/report_commands.h"
#include "reports/report_engine.h"
#include "reports/text_report.h"
#include "review/design_review.h"
#include "settings/settings_file.h"

#include "cli/modules/module_api.h"

namespace kolv::cli {
namespace {

namespace fs = std::filesystem;

/// Destination by the output file's extension.
reports::Destination destinationOf(const std::string& out) {
    std::string ext = toLower(fs::path(out).extension().string());
    if (ext == ".txt") return reports::Destination::Text;
    if (ext == ".csv") return reports::Destination::Csv;
    if (ext == ".pdf") return reports::Destination::Pdf;
    throw InputError("The output " + out + " must end in .pdf, .txt or .csv.");
}

/// The engine's printer of this build (loading the printing module), or nullptr without the painting library.
reports::DocumentPrinter* printer() {
#ifdef KOLV_HAVE_RENDER
    return printModule().printer();
#else
    return nullptr;
#endif
}

/// Before any work: the printing module is there to write the PDF.
void requirePdf() {
#ifndef KOLV_HAVE_RENDER
    throw Error(kErrLoadingLibrary,
                "This kolv-cli was built without the printing library (KOLV_BUILD_GUI=OFF), so it can not write "
                "PDF. Use --out FILE.txt or --out FILE.csv.");
#else
    printModule();
#endif
}

bool needsSystem(const std::string& name) {
    reports::ReportCommand c;
    if (!reports::commandOfTemplate(name, c)) return false;
    using RC = reports::ReportCommand;
    return c != RC::Pipes && c != RC::Structures && c != RC::IdfData && c != RC::TimeIntensity;
}

RegisterCommand reportCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("report", "Print a template report (NODES, REACHES, PIPES, STRUCTS, TC, IDF, "
                                             "TIME_INT, T60v11, T60v11u, T60v11m, T60v114, T60v3ZERI, DITCH...)");
    static std::string name, path, system, out, folder;
    sub->add_option("NAME", name, "Template name (NODES or NODES.RPT) or a template file")->required();
    sub->add_option("PROJECT", path, "Project file")->required();
    sub->add_option("--system", system, "Storm sewer system (default: the current system)");
    sub->add_option("--out", out, "Output file: .pdf, .txt or .csv (default: NAME.pdf)");
    sub->add_option("--folder", folder, "Report folder (default: the settings file's, then the installation's)");
    sub->callback([&ctx] {
        std::string tplName = trim(name);
        bool isPath = tplName.find('/') != std::string::npos;
        std::string upper = toUpper(tplName);
        if (!isPath && (upper.size() < 4 || upper.substr(upper.size() - 4) != ".RPT")) tplName += ".RPT";
        std::string output = out.empty() ? fs::path(tplName).stem().string() + ".pdf" : out;
        reports::Destination dest = destinationOf(output);

        auto project = needsSystem(tplName) || !system.empty() ? openWithSystem(path, system, ctx, Access::Read)
                                                                : openForCommand(path, ctx);
        std::string reportFolder = folder;
        if (reportFolder.empty()) {
            settings::SettingsFile file;
            reportFolder = file.read().reportFolder;
        }
        std::string tplPath = reports::locateTemplate(tplName, reportFolder);
        reports::ReportRequest req = reports::requestForTemplate(fs::path(tplName).filename().string(),
                                                                 project->currentSystem, project->metric);
        for (const auto& [label, value] : reports::reportData(req, tplPath)) std::cout << label << ": " << value << "\n";

        reports::ReportEngine engine(*project->db);
        engine.setTemplatePath(tplPath);
        reports::ReportInputs in;
        in.system = project->currentSystem;
        in.metric = project->metric;
        in.projectName = fs::path(project->path).filename().string();
        // the design review's findings as footnotes of the printed storm tabulation
        reports::ReportCommand command;
        if (dest != reports::Destination::Csv &&
            reports::commandOfTemplate(fs::path(tplName).filename().string(), command) &&
            command == reports::ReportCommand::StormTabs)
            review::addStormTabFootnotes(review::reviewSystem(*project, in.system, review::loadCriteria(*project)),
                                         in.recordMarks, in.notes);
        engine.setInputs(std::move(in));
        engine.setSelectionFormula(req.selection);
        engine.setSortField(req.sortField);
        engine.setDestination(dest, output);
        // Only a PDF loads the printing module (Qt): text and CSV are written without it. It is
        // loaded after the review has been read, not before, so its 15 MB or so are not added to
        // the review's own peak; a missing module still stops the command before a page is made.
        if (dest == reports::Destination::Pdf) {
            requirePdf();
            engine.setPrinter(printer());
        }
        engine.run();
        std::cout << "Report written: " << output << " (" << engine.recordCount() << " records";
        if (dest == reports::Destination::Pdf) std::cout << ", " << engine.result().pageCount << " pages";
        std::cout << ")\n";
        for (const auto& o : engine.result().overflows) std::cerr << "warning: " << o << "\n";
    });
});

RegisterCommand listCmd([](CLI::App& app, Context& ctx) {
    auto* sub = app.add_subcommand("reports", "List the report templates with their descriptions");
    static std::string folder;
    static Format format = Format::Text;
    sub->add_option("--folder", folder, "Report folder (default: the settings file's)");
    addFormatOption(sub, format);
    sub->callback([&ctx] {
        std::string reportFolder = folder;
        if (reportFolder.empty()) {
            settings::SettingsFile file;
            reportFolder = file.read().reportFolder;
        }
        Output out;
        out.command = "reports";
        out.columns = {"name", "description", "path", "fault"};
        for (const auto& t : reports::availableTemplates(reportFolder)) {
            out.addRow({t.name, t.description, t.path, t.fault.empty() ? Json() : Json(t.fault)});
            if (format != Format::Text) continue;
            std::cout << t.name << std::string(t.name.size() < 16 ? 16 - t.name.size() : 1, ' ')
                      << (t.fault.empty() ? t.description : "FAULT: " + t.fault) << "\n";
            std::cout << std::string(16, ' ') << t.path << "\n";
        }
        printOutput(out, format, ctx.exitCode);
    });
});

RegisterCommand messagesCmd([](CLI::App& app, Context&) {
    auto* sub = app.add_subcommand("messages-pdf", "Print a title and a text file of lines as a paged report "
                                                   "(PDF, or text when OUT ends in .txt)");
    static std::string title, lines, out;
    static bool diagnosis = false;
    sub->add_option("TITLE", title, "Report title, e.g. \"HYDRAULIC CALCULATIONS MESSAGES - S1\"")->required();
    sub->add_option("LINES", lines, "Text file, one report line a line")->required()->check(CLI::ExistingFile);
    sub->add_option("OUT", out, "Output file (.pdf or .txt)")->required();
    sub->add_flag("--diagnosis", diagnosis, "Diagnosis log pages: 68 lines, each after ten blanks");
    sub->callback([] {
        std::ifstream in(lines, std::ios::binary);
        std::vector<std::string> body;
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            body.push_back(line);
        }
        reports::TextReportOptions opt = diagnosis ? reports::diagnosisLogOptions() : reports::TextReportOptions{};
        std::string ext = toLower(fs::path(out).extension().string());
        if (ext == ".txt") {
            reports::writeTextFile(out, reports::textReportPlain(title, body, opt));
            std::cout << "Report written: " << out << "\n";
            return;
        }
        if (ext != ".pdf") throw InputError("The output " + out + " must end in .pdf or .txt.");
        requirePdf();
        reports::Document doc = reports::layoutTextReport(title, body, opt);
        printer()->writePdf(doc, out);
        std::cout << "Report written: " << out << " (" << doc.pages.size() << " pages)\n";
    });
});

}  // namespace
}  // namespace kolv::cli
