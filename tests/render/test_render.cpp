// Painting of report documents: every shipped template on a project with storm tab results, the
// layout's font metrics against the installed faces, squeezing of wide faces, shapes under a page.
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QString>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>

#include "core/reports/report_project.h"
#include "hydraulics/run.h"
#include "render/document_painter.h"
#include "render/submittal_pdf.h"
#include "reports/report_commands.h"
#include "reports/report_engine.h"

namespace fs = std::filesystem;
using namespace kolv;

namespace {

std::string readFile(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

/// Pages of a PDF file: page objects ("/Type /Page" not followed by "s").
int pdfPages(const std::string& pdf) {
    std::regex page("/Type\\s*/Page[^s]");
    return static_cast<int>(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
}

/// Where the PDFs go: $KOLV_RENDER_OUT (to look at them) or a temporary folder.
std::string outFolder(const test::TempDir& tmp) {
    if (const char* d = std::getenv("KOLV_RENDER_OUT"); d && *d) {
        fs::create_directories(d);
        return d;
    }
    return tmp.path();
}

bool metricCompatible(QString family) {
    if (int b = family.indexOf(" ["); b > 0) family = family.left(b);  // "Nimbus Sans [urw]"
    for (const char* f : {"Liberation Sans", "Arial", "Helvetica", "Nimbus Sans", "Nimbus Sans L", "Liberation Mono",
                          "Courier New", "Courier", "Nimbus Mono PS"})
        if (family.compare(QString(f), Qt::CaseInsensitive) == 0) return true;
    return false;
}

/// Runs the template at `rpt` on `system` to a PDF at `pdf`, with the selection and order of
/// its command, painted by the Qt printer.
/// Writes the PDF from the pages as they are handed over, keeping them for the checks (the engine
/// itself no longer holds them).
struct KeepingPrinter : render::QtDocumentPrinter {
    reports::Document kept;
    void writePdfPages(const reports::Document& paper, const std::string& path, const PageProducer& produce) override {
        kept = paper;
        produce([&](reports::Page&& p) { kept.pages.push_back(std::move(p)); });
        writePdf(kept, path);
    }
};
struct TemplateRun {
    reports::LayoutResult layout;
    std::size_t records = 0;
    reports::Document document;  ///< the pages as written
};
TemplateRun runTemplate(db::Database& db, const fs::path& rpt, const std::string& system, bool metric,
                                  const std::string& projectName, const std::string& pdf) {
    reports::ReportRequest req = reports::requestForTemplate(rpt.filename().string(), system, metric);
    reports::ReportEngine engine(db);
    engine.setTemplatePath(rpt.string());
    reports::ReportInputs in;
    in.system = system;
    in.metric = metric;
    in.projectName = projectName;
    in.dateText = "12/06/2026";
    in.timeText = "9:05 AM";
    engine.setInputs(in);
    engine.setSelectionFormula(req.selection);
    engine.setSortField(req.sortField);
    KeepingPrinter printer;
    engine.setPrinter(&printer);
    engine.setDestination(reports::Destination::Pdf, pdf);
    engine.run();
    return {engine.result(), engine.recordCount(), std::move(printer.kept)};
}

}  // namespace

// The layout measures with the Helvetica/Courier tables; the face the painter picks must agree,
// or columns would collide. Reference: the installed face's own advances at 1000 px.
TEST(FontMetrics, LayoutWidthsMatchTheInstalledFace) {
    render::ensureGuiApplication();
    for (auto fam : {reports::FontFamily::Sans, reports::FontFamily::Mono}) {
        for (bool bold : {false, true}) {
            reports::Font f{fam, 9, bold};
            QFont qf = render::qtFont(f);
            qf.setPixelSize(1000);
            QFontInfo info(qf);
            if (!metricCompatible(info.family())) {
                GTEST_SKIP() << "no metric-compatible face installed (got " << info.family().toStdString() << ")";
            }
            QFontMetricsF fm(qf);
            for (char c = 32; c < 127; ++c) {
                double expected = fm.horizontalAdvance(QChar(c));  // 1/1000 em of the real face
                EXPECT_NEAR(reports::charWidthUnits(c, f), expected, 6)
                    << "'" << c << "' " << info.family().toStdString() << (bold ? " bold" : "");
            }
        }
    }
}

// A run whose text is wider than its box is squeezed into the box: no ink right of the box.
TEST(Painting, WideTextIsSqueezedIntoItsBox) {
    reports::Document doc;
    doc.widthPt = 300;
    doc.heightPt = 100;
    doc.pages.emplace_back();
    reports::Font f{reports::FontFamily::Sans, 12, false};
    doc.pages[0].texts.push_back({10, 50, 60, reports::Align::Left, f, "WWWWWWWWWWWWWWWW"});  // ~180 pt of text
    QImage img = render::renderPage(doc, 0, 72);
    int inkRight = 0, inkInside = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128) (x > 72 ? inkRight : inkInside)++;
    EXPECT_GT(inkInside, 40);
    EXPECT_EQ(inkRight, 0);  // box ends at 10 + 60 = 70 pt (72 dpi: 1 px per pt), 2 px of antialiasing allowed
}

// Every template of the installation, on a project with storm tab rows: it reads, selects the
// records of its command, fits its columns (nothing cut), keeps every text inside the paper and
// gives a PDF with as many pages as laid out.

TEST(Templates, EveryShippedTemplateRendersWithoutOverflow) {
    test::TempDir tmp;
    std::string out = outFolder(tmp);
    for (bool metric : {false, true}) {
        std::string project = test::makeReportProject(tmp, metric);
        auto db = db::Database::open(project);
        int seen = 0;
        for (const auto& entry : fs::directory_iterator(KOLV_REPORTS_DIR)) {
            if (entry.path().extension() != ".RPT") continue;
            ++seen;
            SCOPED_TRACE(entry.path().filename().string() + (metric ? " (metric project)" : ""));
            std::string pdf = out + "/" + entry.path().stem().string() + (metric ? "-metric" : "") + ".pdf";
            TemplateRun run;
            ASSERT_NO_THROW(run = runTemplate(*db, entry.path(), "S1", metric, "reports.mdb", pdf));
            EXPECT_GT(run.records, 0u);
            const reports::LayoutResult& res = run.layout;
            const reports::Document& doc = run.document;
            for (const auto& o : res.overflows) ADD_FAILURE() << o;
            for (const auto& page : doc.pages)
                for (const auto& t : page.texts) {
                    EXPECT_GE(t.x, 0);
                    EXPECT_LE(t.x + t.width, doc.widthPt + 1e-6) << t.text;
                    EXPECT_LE(reports::textWidthPt(t.text, t.font), t.width + 1e-6) << t.text;
                    EXPECT_GT(t.baseline, 0);
                    EXPECT_LT(t.baseline, doc.heightPt) << t.text;
                }
            EXPECT_EQ(res.pageCount, doc.pages.size());
            EXPECT_EQ(pdfPages(readFile(pdf)), static_cast<int>(doc.pages.size()));
        }
        EXPECT_GE(seen, 21);
    }
}

// The sample project after a storm tabulation run of each of its systems: every template of the
// installation lays out without cutting anything, with the run's own numbers.
TEST(Templates, SampleProjectAfterTheRunFitsEveryTemplate) {
    test::TempDir tmp;
    std::string path = test::makeSample(tmp);
    ui::SilentUi ui;
    auto project = db::openProject(path, ui);
    if (project->systems.empty()) GTEST_SKIP() << "the sample project has no system";
    std::string out = outFolder(tmp);
    for (const auto& sys : project->systems) {
        Session session;
        auto run = hydraulics::runStormTabs(*project, session, ui, hydraulics::RunOptions{}, sys);
        ASSERT_EQ(run.status, 0) << sys;
        for (const auto& entry : fs::directory_iterator(KOLV_REPORTS_DIR)) {
            if (entry.path().extension() != ".RPT") continue;
            SCOPED_TRACE(entry.path().filename().string() + " " + sys);
            TemplateRun res;
            ASSERT_NO_THROW(res = runTemplate(*project->db, entry.path(), sys, project->metric, "sample.mdb",
                                              out + "/sample-" + sys + "-" + entry.path().stem().string() + ".pdf"));
            for (const auto& o : res.layout.overflows) ADD_FAILURE() << o;
        }
    }
}

// The network of a key plan is written as a content stream of its own under the page: it must
// look exactly as the painter draws the same shapes (place, colours, widths, dashes, fills), and
// the file with the appended stream must stay a valid PDF.
TEST(Painting, ShapesUnderAPageLookAsThePainterDrawsThem) {
    test::TempDir tmp;
    reports::Page shapes;
    auto add = [&](std::vector<std::pair<double, double>> pts, double width, std::uint32_t color,
                   reports::Shape::Dash dash, bool closed, bool filled, std::uint32_t fill) {
        shapes.shapes.push_back({std::move(pts), width, color, dash, closed, filled, fill});
    };
    using D = reports::Shape::Dash;
    add({{20, 20}, {380, 20}}, 2, 0xA8A8A8, D::Solid, false, false, 0);
    add({{20, 40}, {380, 60}}, 3, 0x1F5FA8, D::Dashed, false, false, 0);
    add({{20, 80}, {380, 80}}, 4, 0xC00000, D::Dotted, false, false, 0);
    add({{50, 120}, {150, 120}, {150, 220}, {50, 220}}, 3, 0x000000, D::Solid, true, true, 0x40C040);  // outlined fill
    add({{200, 120}, {300, 140}, {250, 230}}, 0, 0, D::Solid, true, true, 0x2020FF);                  // fill only
    add({{320, 120}, {380, 120}, {380, 280}}, 1.5, 0x804000, D::Solid, true, false, 0);                 // outline only
    reports::Document doc;
    doc.widthPt = 400;  // a landscape sheet, as the package's
    doc.heightPt = 300;
    doc.pages = {shapes};
    const std::string painted = outFolder(tmp) + "/painted.pdf", layered = outFolder(tmp) + "/layered.pdf";
    render::writePdf(doc, QString::fromStdString(painted));
    doc.pages = {reports::Page{}};
    render::writePdf(doc, QString::fromStdString(layered));
    std::vector<render::UnderLayer> under;
    under.push_back({1, std::make_unique<render::PdfLayer>(doc.heightPt)});
    under[0].layer->add(shapes);
    under[0].layer->finish();
    render::appendPdfUpdate(layered, {{"Key plan", 1, 0}}, under);

    auto raster = [&](const std::string& pdf) {
        const std::string png = pdf.substr(0, pdf.size() - 4);
        EXPECT_EQ(std::system(("pdftoppm -r 72 -singlefile -png '" + pdf + "' '" + png + "'").c_str()), 0);
        return QImage(QString::fromStdString(png + ".png")).convertToFormat(QImage::Format_RGB32);
    };
    const QImage a = raster(painted), b = raster(layered);
    ASSERT_FALSE(a.isNull());
    ASSERT_EQ(a.size(), b.size());
    int ink = 0, differ = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            ink += p != qRgb(255, 255, 255);
            differ += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q)) > 96;
        }
    EXPECT_GT(ink, 15000);
    EXPECT_LT(differ, ink / 100) << "of " << ink << " inked pixels";
    EXPECT_NE(std::system(("qpdf --check '" + layered + "' >/dev/null 2>&1").c_str()), 2) << "qpdf finds errors";
}
