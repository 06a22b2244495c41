// Composes the submittal package: computes each system, then lays its sheets out and numbers them.
#include "submittal/submittal.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "common/error.h"
#include "common/text.h"
#include "common/units.h"
#include "common/vb_format.h"
#include "cost/system_cost.h"
#include "hydraulics/hydraulics_options.h"
#include "hydraulics/run_command.h"
#include "rain/intensity.h"
#include "reports/report_commands.h"
#include "reports/report_engine.h"
#include "reports/report_layout.h"
#include "review/design_criteria.h"
#include "review/check_storms.h"
#include "review/design_review.h"
#include "submittal/plan_sheet.h"
#include "submittal/profile_sheets.h"
#include "submittal/schedules.h"

namespace kolv::submittal {

using reports::Align;
using reports::Font;
using reports::FontFamily;
using reports::Page;

struct SystemFacts {
    std::string name;
    hydraulics::ComputeOutcome outcome;
    cost::CostResult cost;
    std::string designedBy, checkedBy, outfall, stateRoad;
    double outTwFt = 0, outElFt = 0, exitLossCoeff = 0;
    rain::SystemRainfall rainfall;
    std::vector<std::string> shown;  ///< messages the computation showed (why it stopped)
    std::vector<std::string> costShown;  ///< messages the cost showed (why it stopped)
    bool computed() const { return outcome.started && outcome.run.status == 0; }
};

namespace {

/// Collects the messages a computation shows, so the package can print why it stopped.
class CollectingUi : public ui::UiPort {
public:
    explicit CollectingUi(ui::UiPort& outer) : m_outer(outer) {}
    std::vector<std::string> shown;
    void beep() override {}
    ui::Answer message(const std::string& title, const std::string& text, ui::Icon icon, ui::Buttons buttons,
                       ui::Answer defaultAnswer) override {
        std::string t = text;
        for (char& c : t)
            if (c == '\r') c = ' ';
        shown.push_back((title.empty() ? std::string() : title + ": ") + t);
        return m_outer.message(title, text, icon, buttons, defaultAnswer);
    }
    void status(const std::string& s) override { m_outer.status(s); }
    void progress(int p) override { m_outer.progress(p); }
    void busy(bool b) override { m_outer.busy(b); }
    void processEvents() override { m_outer.processEvents(); }

private:
    ui::UiPort& m_outer;
};

/// Gives the memory a section freed back to the system. The sections of a large system each
/// take tens of megabytes for a while (the review's findings, the profile model, the plan's
/// diagram) in many small pieces; freed, they stay mapped unless returned, and the next section
/// would be counted on top of them.
void releaseFreedMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

std::string onOff(bool v) { return v ? "Yes" : "No"; }

double dbl(const db::Value& v) { return v.isNull() ? 0.0 : v.toDouble(); }

}  // namespace

std::vector<std::string> projectSystems(db::Database& db) {
    std::vector<std::string> out;
    db::Statement st = db.prepare("SELECT SYSTEM FROM T16 ORDER BY SYSTEM");
    while (st.step()) {
        std::string s = trim(st.column(0).toText());
        if (!s.empty() && s != "<drains>") out.push_back(s);
    }
    return out;
}

std::function<void(const BodySink&)> SubmittalComposer::contentsTable(const std::vector<OutlineEntry>& outline) const {
    std::vector<std::vector<std::string>> rows;
    rows.reserve(outline.size());
    for (const auto& e : outline)
        rows.push_back({std::string(static_cast<std::size_t>(6 * std::max(0, e.level)), ' ') + e.title,
                        std::to_string(e.page)});
    return [this, rows = std::move(rows)](const BodySink& emit) {
        layoutTable(m_frame, "CONTENTS", {{"Section", 60, Align::Left}, {"Page", 8, Align::Right}}, rows, {}, emit,
                    false);
    };
}

int SubmittalComposer::countSheets(const std::function<void(const BodySink&)>& layoutSheets) {
    int n = 0;
    layoutSheets([&n](Page&&) { ++n; });
    return std::max(1, n);
}

SubmittalComposer::SubmittalComposer(db::Project& project, Session& session, ui::UiPort& ui, SubmittalOptions options)
    : m_project(project), m_session(session), m_ui(ui), m_options(std::move(options)) {
    m_frame = sheetFrame(m_options.paper);
}

SubmittalComposer::~SubmittalComposer() = default;

std::vector<std::string> SubmittalComposer::failedSystems() const {
    std::vector<std::string> out;
    for (const auto& s : m_systems)
        if (!s->computed()) out.push_back(s->name);
    return out;
}

std::string SubmittalComposer::title() const { return "Storm sewer submittal - " + m_projectText; }

void SubmittalComposer::prepare() {
    db::Database& db = *m_project.db;
    const auto known = projectSystems(db);
    if (m_options.systems.empty()) throw InputError("No system was chosen for the submittal package.");
    for (const auto& s : m_options.systems) {
        if (trim(s) == "<drains>")
            throw InputError("The '<drains>' system has no storm tabulation. Choose another system.");
        bool found = false;
        for (const auto& k : known) found = found || equalsIgnoreCase(k, trim(s));
        if (!found) {
            std::string list;
            for (const auto& k : known) list += (list.empty() ? "" : ", ") + k;
            throw InputError("The system '" + trim(s) + "' is not in this project. Its systems are: " + list + ".");
        }
    }
    m_date = m_options.dateText.empty() ? reports::currentDateText() : m_options.dateText;
    {
        db::Statement st = db.prepare("SELECT PRJ_NUMBER, PRJ_DESC FROM T0 LIMIT 1");
        if (st.step()) {
            std::string n = trim(st.column(0).toText()), d = trim(st.column(1).toText());
            m_projectText = n.empty() ? d : d.empty() ? n : n + "  " + d;
        }
        if (m_projectText.empty()) {
            std::string p = m_project.path;
            auto slash = p.find_last_of('/');
            m_projectText = slash == std::string::npos ? p : p.substr(slash + 1);
        }
    }
    const auto storedOptions = hydraulics::loadHydraulicsOptions(db, m_project.metric);
    for (const auto& name : m_options.systems) {
        auto f = std::make_unique<SystemFacts>();
        f->name = trim(name);
        for (const auto& k : known)
            if (equalsIgnoreCase(k, f->name)) f->name = k;
        {
            db::Statement st = db.prepare(
                "SELECT \"DESIGNED BY\", \"CHECKED BY\", OUT_NODE, OUT_TW, OUT_EL, EXIT_LOSS_COEFF, PRJ_STATE_ROAD "
                "FROM T16 WHERE SYSTEM = ?");
            st.bindAll({db::Value(f->name)});
            if (st.step()) {
                f->designedBy = trim(st.column(0).toText());
                f->checkedBy = trim(st.column(1).toText());
                f->outfall = trim(st.column(2).toText());
                f->outTwFt = dbl(st.column(3));
                f->outElFt = dbl(st.column(4));
                f->exitLossCoeff = dbl(st.column(5));
                f->stateRoad = trim(st.column(6).toText());
            }
        }
        f->rainfall = rain::readSystemRainfall(db, f->name);
        m_ui.status("Computing system " + f->name + " . . .");
        CollectingUi collect(m_ui);
        f->outcome = hydraulics::computeHydraulics(m_project, m_session, collect, storedOptions, f->name, true);
        f->shown = std::move(collect.shown);
        collect.shown.clear();
        f->outcome.run.records.clear();  // the sheets read the stored results; keep memory small
        f->outcome.run.records.shrink_to_fit();
        releaseFreedMemory();  // the run's working arrays
        if (f->computed()) {
            f->cost = cost::computeSystemCost(db, f->name, cost::CostOptions{false}, collect);
            f->costShown = std::move(collect.shown);
        }
        m_systems.push_back(std::move(f));
    }
    // The contents list one line per system and per section of it. Their number does not depend
    // on the page numbers, so one pass with the contents on one sheet finds every line, and a
    // second pass is needed only when the contents take more sheets than that.
    m_contentsPages = 1;
    layout(nullptr);
    const int needed = countSheets(contentsTable(m_outline));
    if (needed != m_contentsPages) {
        m_contentsPages = needed;
        layout(nullptr);
    }
}

void SubmittalComposer::write(PageSink& sink) { layout(&sink); }

void SubmittalComposer::layout(PageSink* sink) {
    m_next = 1;
    m_counting = sink == nullptr;
    int& next = m_next;  // number of the next sheet
    std::vector<OutlineEntry> outline;
    std::string system, sheetTitle;
    const SystemFacts* current = nullptr;
    Page pieces;  // drawn ahead of the next page, for a sink that can not take them so
    m_ahead = [&](Page&& part) {
        if (!sink) return;
        if (sink->drawsAhead()) sink->ahead(part);
        else for (auto& shape : part.shapes) pieces.shapes.push_back(std::move(shape));
    };
    auto finish = [&](Page&& body, const std::string& titleText) {
        if (sink && !pieces.shapes.empty()) {
            body.shapes.insert(body.shapes.begin(), std::make_move_iterator(pieces.shapes.begin()),
                               std::make_move_iterator(pieces.shapes.end()));
            pieces.shapes.clear();
        }
        if (sink) {
            TitleBlock b;
            b.project = m_projectText;
            b.system = system;
            b.sheetTitle = titleText;
            b.date = m_date;
            b.program = "KOLV Lt " + m_options.programVersion;
            if (current) b.designedBy = current->designedBy, b.checkedBy = current->checkedBy;
            b.page = next;
            b.pages = m_pages;
            drawFrame(body, m_frame, b);
            sink->page(body);
        }
        ++next;
    };

    // contents, from the outline of the counting pass
    {
        int made = 0;
        contentsTable(m_outline)([&](Page&& p) {
            if (made < m_contentsPages) finish(std::move(p), "Contents");
            ++made;
        });
        while (made < m_contentsPages) {  // keep the numbering the count promised
            finish(Page{}, "Contents");
            ++made;
        }
    }
    for (auto& f : m_systems) {
        system = f->name;
        current = f.get();
        outline.push_back({"System " + f->name, next, 0});
        emitSystem(
            *f, [&](Page&& p, const std::string& t) { finish(std::move(p), t); },
            [&](const std::string& section, int level) {
                if (level < 2) releaseFreedMemory();
                outline.push_back({section, next, level});
            });
    }
    if (!sink) {
        m_pages = next - 1;
        m_outline = std::move(outline);
    }
}

namespace {

/// The lines of the cover: basis of design of one system.
std::vector<std::string> coverLines(db::Database& db, const SystemFacts& f, db::Project& project,
                                    const SubmittalOptions& opt, const std::string& projectText,
                                    const std::string& date) {
    const bool metric = project.metric;
    const auto& o = f.outcome.options;
    const auto& run = f.outcome.run;
    const double len = metric ? units::kMetersPerFoot : 1.0;
    const std::string lu = metric ? "m" : "ft";
    const std::string ep = metric ? "0.000" : "0.00";
    std::vector<std::string> l;
    l.push_back("#PROJECT");
    l.push_back("Project\t" + projectText);
    if (!run.heading.county.empty() || !run.heading.stateRoad.empty())
        l.push_back("County / road\t" + run.heading.county + "   " + run.heading.stateRoad +
                    (f.stateRoad.empty() ? "" : "  " + f.stateRoad));
    std::string file = project.path;
    auto slash = file.find_last_of('/');
    l.push_back("Project file\t" + (slash == std::string::npos ? file : file.substr(slash + 1)));
    l.push_back("System\t" + f.name + "      Outfall: " + f.outfall);
    l.push_back("Designed by\t" + (f.designedBy.empty() ? std::string("-") : f.designedBy));
    l.push_back("Checked by\t" + (f.checkedBy.empty() ? std::string("-") : f.checkedBy));
    l.push_back("Date\t" + date);
    l.push_back("Program\tKOLV Lt " + opt.programVersion + " (Rational Method)");

    l.push_back("#DESIGN STORM");
    const auto& r = f.rainfall;
    if (r.method == rain::kMethodIdf) {
        l.push_back("Intensity\tIDF curve, zone " + rain::idfKey(r.zone) + ", frequency " + rain::idfKey(r.freq) +
                    "-year");
        if (auto c = rain::findIdfCoefficients(db, r.zone, r.freq)) {
            l.push_back("Equation\ti = A + B ln t + C (ln t)^2 + D (ln t)^3   (i in in/hr, t in minutes)");
            // single-precision values, shown to the digits they hold
            auto g = [](float v) { return fmt::format("{:.7g}", static_cast<double>(v)); };
            l.push_back("Coefficients\tA = " + g(c->A) + "    B = " + g(c->B) + "    C = " + g(c->C) +
                        "    D = " + g(c->D));
        } else {
            l.push_back("Coefficients\tnot found in the IDF table for this zone and frequency");
        }
    } else if (r.method == 1) {
        l.push_back("Intensity\t" + reports::timeIntensityTableText(r.location, r.frequency) +
                    "   (in/hr for a storm of the duration in minutes)");
        db::Statement st =
            db.prepare("SELECT TIME, INTENSITY FROM T85 WHERE TRIM(LOCATION) = ? AND TRIM(FREQUENCY) = ? ORDER BY TIME");
        st.bindAll({db::Value(trim(r.location)), db::Value(trim(r.frequency))});
        std::string row;
        int n = 0;
        while (st.step()) {
            row += (row.empty() ? "" : "    ") + shortestText(dbl(st.column(0))) + " min: " +
                   vbFormat(dbl(st.column(1)), "0.00");
            if (++n % 6 == 0) {
                l.push_back((n == 6 ? "Table\t" : "\t") + row);
                row.clear();
            }
        }
        if (!row.empty()) l.push_back((n <= 6 ? "Table\t" : "\t") + row);
    } else {
        l.push_back("Intensity\tBuilt-in intensity curve");
    }

    for (const auto& sc : review::loadScenarios(db, f.name)) {
        std::string what = sc.storm.frequency.empty() ? "the design frequency" : sc.storm.frequency + "-year";
        if (std::abs(sc.storm.intensityFactor - 1.0) > 1e-9)
            what += ", intensities x " + shortestText(sc.storm.intensityFactor);
        l.push_back("Check storm\t" + sc.storm.name + ": " + what + " (grade line on the profiles)");
    }

    l.push_back("#TAILWATER");
    l.push_back("Tailwater at outfall " + f.outfall + "\t" + vbFormat(f.outTwFt, ep) + " " + lu +
                "  (entered in the system's outfall details)");
    if (f.computed()) {
        l.push_back("Tailwater used by the run\t" + vbFormat(run.outfall.tailwater * len, ep) + " " + lu);
        l.push_back("Exit loss\t" + vbFormat(run.outfall.exitLoss * len, ep) + " " + lu + "   (coefficient " +
                    shortestText(f.exitLossCoeff) + ")");
        l.push_back("Control elevation at the outfall\t" + vbFormat(run.outfall.controlElev * len, ep) + " " + lu);
    }

    l.push_back("#COMPUTATION OPTIONS");
    l.push_back("Junction loss method\t" +
                std::string(o.junctionMethod == hydraulics::kJunctionMethodUpstream
                                ? "Velocity of the upstream pipe with the highest energy"
                                : "Velocity of the downstream pipe"));
    l.push_back("Junction losses\t" + onOff(o.junctionLosses) + "      Exit loss: " + onOff(o.exitLoss));
    l.push_back("Minimum velocity for travel time\t" +
                (o.minVelocityInForce ? vbFormat(hydraulics::minVelocityInProjectUnits(o.minVelocityFps, metric), "0.00") +
                                            (metric ? " m/s" : " ft/s")
                                      : std::string("not applied")));
    // both are entered in feet whatever the project's units; a metric reader gets the metres beside them
    l.push_back("Minimum physical velocity\t" + vbFormat(o.minPhysicalVelocityFps, "0.00") + " ft/s" +
                (metric ? "  (" + vbFormat(o.minPhysicalVelocityFps * units::kMetersPerFoot, "0.000") + " m/s)"
                        : std::string()));
    l.push_back("Passes\tat most " + std::to_string(o.maxPasses) + ", HGL tolerance " +
                vbFormat(o.maxHglDifferenceFt, "0.0000") + " ft" +
                (metric ? " (" + vbFormat(o.maxHglDifferenceFt * units::kMetersPerFoot, "0.0000") + " m)"
                        : std::string()) +
                (f.computed() ? ";  this run: " + std::to_string(run.passes) + " passes, " +
                                    (run.converged ? "settled" : "did not settle")
                              : std::string()));
    l.push_back("Crown rule\t" + std::string(o.jumpToCrown ? "Non-partial flow: HGL raised to the pipe crown"
                                                           : "HGL follows the downstream HGL"));
    l.push_back("Reach lengths\t" + std::string(o.useHydLength ? "Center-to-center (hydraulic) lengths"
                                                               : "Quantity lengths"));
    l.push_back("Time of concentration\t" +
                (o.fixedTc ? "Fixed, " + shortestText(o.fixedTcMin) + " min" : std::string("Computed")));
    l.push_back("Exfiltration\tDeep wells: " + onOff(o.deepWell) + "      French drains: " + onOff(o.frenchDrain));
    l.push_back("Negative flows\t" + std::string(o.noNegativeFlow ? "Not allowed" : "Allowed"));

    l.push_back("#UNITS");
    l.push_back(metric ? "Units\tMetric: meters, hectares, cms, m/s, minutes; rainfall intensity in in/hr"
                       : "Units\tEnglish: feet, acres, cfs, ft/s, minutes, in/hr");

    l.push_back("#DESIGN CRITERIA");
    std::vector<std::pair<std::string, std::string>> criteria;
    if (opt.designCriteria) {
        criteria = opt.designCriteria(project, f.name);
    } else {
        bool kept = false;
        {
            db::Statement st = db.prepare("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = ?");
            st.bindAll({db::Value(review::kCriteriaTable)});
            kept = st.step() && st.column(0).toInt() > 0;
        }
        if (!kept) l.push_back("The project keeps no criteria of its own: the program's defaults apply.");
        for (const auto& c : review::describeCriteria(review::loadCriteria(project), metric))
            criteria.emplace_back(c.caption, c.value +
                                                 (c.unit.empty() || c.unit == "yes/no" || c.value == "structure"
                                                      ? ""
                                                      : " " + c.unit) +
                                                 (c.value == "structure" ? " (each structure's own limit)" : ""));
    }
    if (criteria.empty()) l.push_back("No design criteria are kept for this system.");
    for (const auto& [k, v] : criteria) l.push_back(k + "\t" + v);
    return l;
}

/// The messages of a run that tell the reviewer something: what the pass loop and the results
/// writer said, without the titles of the phases and the pass lines.
std::vector<std::string> warningLines(const SystemFacts& f) {
    std::vector<std::string> out;
    bool computing = false;
    for (const auto& m : f.outcome.run.messages) {
        const std::string t = trim(m);
        if (t == "Calculate hydraulics") {
            computing = true;
            continue;
        }
        if (!computing || t.empty() || t.rfind("PASS = ", 0) == 0 || t == "Writing results to database" ||
            t == "Cleaning up temporary data arrays")
            continue;
        out.push_back(m);
    }
    return out;
}

}  // namespace

review::ReviewResult SubmittalComposer::reviewOf(const SystemFacts& f) const {
    // made again where it is printed rather than kept: a large system has several findings a reach
    return review::reviewSystem(m_project, f.name, review::loadCriteria(m_project));
}

void SubmittalComposer::emitSystem(SystemFacts& f, const std::function<void(Page&&, const std::string&)>& emit,
                                   const std::function<void(const std::string&, int)>& sectionAt) {
    db::Database& db = *m_project.db;
    const bool metric = m_project.metric;
    auto sheets = [&](const std::string& title) { return [&emit, title](Page&& p) { emit(std::move(p), title); }; };
    auto section = [&](const std::string& title) { sectionAt(title, 1); };

    section("Basis of design");
    layoutLines(m_frame, "BASIS OF DESIGN - SYSTEM " + f.name,
                coverLines(db, f, m_project, m_options, m_projectText, m_date), sheets("Basis of design"));

    section("Verification");
    {
        std::vector<std::string> l;
        const auto& run = f.outcome.run;
        l.push_back("#NETWORK VERIFICATION");
        for (const auto& v : run.verificationLines) l.push_back(v);
        if (run.verificationLines.empty()) l.push_back("(no verification lines)");
        l.push_back("#RESULT");
        if (f.computed()) {
            l.push_back("The network verified and the storm tabulation was computed in " + std::to_string(run.passes) +
                        " passes.");
            if (!run.converged)
                l.push_back(hydraulics::notSettledLine(run.maxPasses, run.maxHglChange, run.maxHglChangeNode, metric));
        } else {
            l.push_back("THE STORM TABULATION COULD NOT BE COMPUTED. The messages of the computation:");
            for (const auto& m : f.shown) l.push_back(m);
            for (const auto& m : warningLines(f)) l.push_back(m);
            for (const auto& d : f.outcome.ditchLines) l.push_back(d);
        }
        layoutLines(m_frame, "VERIFICATION - SYSTEM " + f.name, l, sheets("Verification"), false);
    }
    if (!f.computed()) return;

    section("Storm tabulation");
    {
        auto req = reports::reportRequest(reports::ReportCommand::StormTabs, f.name, metric);
        std::string path = reports::locateTemplate(req.templateName, m_options.reportFolder);
        reports::ReportTemplate tpl = reports::loadTemplate(path);
        reports::ReportInputs in;
        in.system = f.name;
        in.metric = metric;
        in.projectName = m_projectText;
        in.dateText = m_date;
        in.closingLine = false;
        in.paperWidthPt = m_frame.widthPt;
        in.paperHeightPt = m_frame.heightPt;
        in.marginLeftPt = m_frame.left;
        in.marginRightPt = m_frame.widthPt - m_frame.right;
        in.marginTopPt = m_frame.top;
        in.marginBottomPt = m_frame.heightPt - m_frame.bottom;
        in.selection = req.selection;
        in.sortField = req.sortField;
        in.firstPage = m_next;
        // the review's warnings and errors marked on their rows and listed under the table
        review::addStormTabFootnotes(reviewOf(f), in.recordMarks, in.notes);
        releaseFreedMemory();  // the review, before the table's pages take their room
        reports::ReportRunner runner(db, tpl, std::move(in));
        runner.layout([&](Page&& p) { emit(std::move(p), "Storm tabulation"); });
    }

    section("Hydraulic profiles");
    layoutProfiles(db, f.name, metric, m_frame, sheets("Hydraulic profile"));

    section("Plan");
    layoutPlan(db, m_session, f.name, m_project.engMet(), m_options.displaySet, m_frame,
               PlanSink{emit, [&](const std::string& sheet) { sectionAt(sheet, 2); }, m_counting, m_ahead});

    section("Pipe schedule");
    layoutPipeSchedule(db, f.name, metric, m_frame, sheets("Pipe schedule"));
    section("Structure schedule");
    layoutStructureSchedule(db, f.name, f.outfall, metric, m_frame, sheets("Structure schedule"));

    section("Design review findings");
    if (m_options.reviewFindings) {
        std::vector<std::string> l = m_options.reviewFindings(m_project, f.name);
        if (l.empty()) l.push_back("The design review found nothing to report.");
        layoutLines(m_frame, "DESIGN REVIEW FINDINGS - SYSTEM " + f.name, l, sheets("Design review findings"), true);
    } else {
        const review::ReviewResult result = reviewOf(f);
        auto number = [](double v) { return vbFormat(v, std::abs(v) >= 1000 ? "0.0" : "0.00"); };
        auto row = [&result, &number](std::size_t i) {
            const review::Finding& x = result.findings[i];
            return std::vector<std::string>{review::severityName(x.severity), std::string(x.node),
                                            std::string(x.reach), std::string(x.quantity), number(x.value),
                                            number(x.limit), std::string(x.unit), std::string(x.rule)};
        };
        std::vector<std::string> notes = {std::to_string(result.count(review::Severity::Error)) + " errors, " +
                                          std::to_string(result.count(review::Severity::Warning)) + " warnings, " +
                                          std::to_string(result.count(review::Severity::Note)) + " notes."};
        const auto warnings = warningLines(f);
        notes.push_back("");
        notes.push_back(warnings.empty() ? "The computation gave no warnings." : "Warnings of the computation:");
        for (const auto& w : warnings) notes.push_back("    " + w);
        layoutTable(m_frame, "DESIGN REVIEW FINDINGS - SYSTEM " + f.name,
                    {{"Severity", 7, Align::Left},
                     {"Node", 8, Align::Left},
                     {"Reach", 8, Align::Left},
                     {"Quantity", 22, Align::Left},
                     {"Value", 8, Align::Right},
                     {"Limit", 8, Align::Right},
                     {"Unit", 5, Align::Left},
                     {"Rule", 60, Align::Left}},
                    result.findings.size(), row, notes, sheets("Design review findings"));
    }

    section("Cost summary");
    {
        // the cost report as the cost step prints it, its totals included
        std::vector<std::string> l = f.cost.lines;
        if (f.cost.stopped) {
            l.push_back("THE COST COULD NOT BE COMPUTED. The messages of the cost step:");
            for (const auto& m : f.costShown) l.push_back(m);
        }
        layoutLines(m_frame, cost::costReportTitle(f.name), l, sheets("Cost summary"), true);
    }
}

}  // namespace kolv::submittal
