// The report print engine: a template, a selection formula, a sort field and a destination, then run.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "db/database.h"
#include "reports/document.h"
#include "reports/report_layout.h"
#include "reports/report_template.h"

namespace kolv::reports {

/// Where a report goes.
enum class Destination { Preview, Printer, Pdf, Text, Csv };

/// Paints laid-out documents. The desktop program and kolv-cli give one built on the painting
/// library; without one, only the text and CSV destinations are available.
class DocumentPrinter {
public:
    virtual ~DocumentPrinter() = default;
    /// Writes the document to a PDF file; throws kolv::Error when the file can not be written.
    virtual void writePdf(const Document& doc, const std::string& path) = 0;
    /// Pages handed over one by one by `produce`.
    using PageProducer = std::function<void(const std::function<void(Page&&)>&)>;
    /// Writes the pages to a PDF file as `produce` hands them over, so a long report is never
    /// held whole; `paper` gives the title and the paper (its pages are not read). This one
    /// gathers the pages and writes them with writePdf.
    virtual void writePdfPages(const Document& paper, const std::string& path, const PageProducer& produce) {
        Document whole = paper;
        produce([&](Page&& p) { whole.pages.push_back(std::move(p)); });
        writePdf(whole, path);
    }
    /// Sends the document to a printer ("" = the default printer).
    virtual void print(const Document& doc, const std::string& printerName) = 0;
    /// Shows the document on screen.
    virtual void preview(const Document& doc) = 0;
};

/// Finds a template: the report folder of the settings file first (the file holds paths in
/// capitals, so the name is matched without regard to case), then the installation's reports
/// folder. A name with a folder in it is taken as it stands. Throws TemplateError listing the
/// folders tried.
std::string locateTemplate(const std::string& name, const std::string& reportFolder);

/// The installation's folder of report templates.
std::string installReportFolder();

/// A template offered to the engineer: its file, its `describe` line, or what is wrong with it.
struct TemplateInfo {
    std::string name;         ///< file name, e.g. "T60v11.RPT"
    std::string path;
    std::string description;  ///< "" when the template has none
    std::string fault;        ///< the reading error ("" when it reads)
};

/// The .RPT files of the report folder and of the installation, by name; a template in the report
/// folder hides the installation's copy of the same name.
std::vector<TemplateInfo> availableTemplates(const std::string& reportFolder);

class ReportEngine {
public:
    explicit ReportEngine(db::Database& db) : m_db(db) {}

    /// Template by folder and file name (the folder may be "" to use the name as a path).
    void setTemplate(const std::string& folder, const std::string& name);
    /// Template by a path already found.
    void setTemplatePath(const std::string& path) { m_templatePath = path; }
    void setSelectionFormula(const std::string& formula) { m_inputs.selection = formula; }
    void setSortField(const std::string& sortField) { m_inputs.sortField = sortField; }
    /// Destination; `target` is the file for PDF, text and CSV, the printer name for Printer.
    void setDestination(Destination d, const std::string& target = {}) {
        m_destination = d;
        m_target = target;
    }
    void setPrinter(DocumentPrinter* printer) { m_printer = printer; }
    /// Values of {SYSTEM}, {UNITS}, {PROJECT}, {DATE}, {TIME}.
    void setInputs(ReportInputs inputs);
    const ReportInputs& inputs() const { return m_inputs; }

    /// Reads the template and the records, lays the report out and sends it to the destination.
    /// The inputs go with the run (only the selection and sort stay): set them again for another.
    /// Throws TemplateError, FormulaError, or kolv::Error when the destination fails.
    void run();

    const std::string& templatePath() const { return m_templatePath; }
    /// After run(): the document, the cells that had to be cut, the records read. A PDF's pages
    /// were written one at a time and are not kept: its `pageCount` tells how many there were.
    const LayoutResult& result() const { return m_result; }
    std::size_t recordCount() const { return m_records; }

private:
    db::Database& m_db;
    std::string m_templatePath;
    ReportInputs m_inputs;
    Destination m_destination = Destination::Preview;
    std::string m_target;
    DocumentPrinter* m_printer = nullptr;
    LayoutResult m_result;
    std::size_t m_records = 0;
};

/// Writes text to a file; throws kolv::Error (disk full / file not found codes) naming it.
void writeTextFile(const std::string& path, const std::string& text);
/// The same for text written piece by piece into the open file.
void writeTextFile(const std::string& path, const std::function<void(std::ostream&)>& write);

}  // namespace kolv::reports
