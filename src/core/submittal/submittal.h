// The submittal package of one or more systems: basis of design, storm tabulation, profiles, plan,
// schedules, findings and cost, laid out as titled, numbered sheets and streamed page by page.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "db/project.h"
#include "reports/document.h"
#include "review/design_review.h"
#include "session/session.h"
#include "submittal/sheet.h"
#include "ui/ui_port.h"

namespace kolv::submittal {

/// Label and value lines of a system's design criteria (limits the design is checked against).
using CriteriaSource =
    std::function<std::vector<std::pair<std::string, std::string>>(db::Project& project, const std::string& system)>;
/// Findings of a design review of a system, one line each.
using FindingsSource = std::function<std::vector<std::string>(db::Project& project, const std::string& system)>;

struct SubmittalOptions {
    std::vector<std::string> systems;  ///< in the order they are bound; "<drains>" is refused
    Paper paper = Paper::Letter;
    std::string programVersion;        ///< printed on the cover and in every title block
    std::string dateText;              ///< "" = today
    std::string reportFolder;          ///< where the storm tabulation layout is looked for first
    int displaySet = 1;                ///< diagram label set of the plan sheet
    /// Other sources of the design criteria and the review findings; without them the project's
    /// own criteria and design review are used (the defaults when it keeps no criteria).
    CriteriaSource designCriteria;
    FindingsSource reviewFindings;
};

/// A bookmark of the package: title, first page (1-based) and depth (0 = system, 1 = section,
/// 2 = a sheet of a section, as the key plan and the plan sheets of a large system).
struct OutlineEntry {
    std::string title;
    int page = 1;
    int level = 0;
};

/// Receives the finished sheets in order.
class PageSink {
public:
    virtual ~PageSink() = default;
    virtual void page(const reports::Page& page) = 0;
    /// True when the sink can draw the shapes of the next page in pieces ahead of it (the network
    /// of a key plan of many thousand nodes); the others get the pieces as part of the page.
    virtual bool drawsAhead() const { return false; }
    /// Shapes of the next page, drawn under everything the page itself then brings.
    virtual void ahead(const reports::Page& part) { (void)part; }
};

/// What was computed for one system before its sheets are laid out.
struct SystemFacts;

/// Builds the package. `prepare` computes every system (verification, storm tabulation, cost:
/// their results are written to the project as the design steps write them); `write` then lays
/// the sheets out twice, once to count them and once to hand them to the sink, so no more than
/// one section is held at a time.
class SubmittalComposer {
public:
    SubmittalComposer(db::Project& project, Session& session, ui::UiPort& ui, SubmittalOptions options);
    ~SubmittalComposer();
    SubmittalComposer(const SubmittalComposer&) = delete;
    SubmittalComposer& operator=(const SubmittalComposer&) = delete;

    /// Computes the systems. Throws InputError naming a system that does not exist.
    void prepare();
    /// Lays the package out and sends every sheet to the sink. Call after prepare().
    void write(PageSink& sink);

    const SheetFrame& frame() const { return m_frame; }
    int pageCount() const { return m_pages; }
    const std::vector<OutlineEntry>& outline() const { return m_outline; }
    /// Systems whose storm tabulation could not be computed (their sheets say why).
    std::vector<std::string> failedSystems() const;
    std::string title() const;

private:
    void layout(PageSink* sink);
    /// The contents laid out from an outline: a function that sends their sheets to a sink.
    std::function<void(const BodySink&)> contentsTable(const std::vector<OutlineEntry>& outline) const;
    /// Sheets a layout makes (at least one).
    static int countSheets(const std::function<void(const BodySink&)>& layoutSheets);
    /// The design review of a computed system's stored results.
    review::ReviewResult reviewOf(const SystemFacts& facts) const;
    void emitSystem(SystemFacts& facts, const std::function<void(reports::Page&&, const std::string&)>& emit,
                    const std::function<void(const std::string&, int level)>& section);

    db::Project& m_project;
    Session& m_session;
    ui::UiPort& m_ui;
    SubmittalOptions m_options;
    SheetFrame m_frame;
    std::vector<std::unique_ptr<SystemFacts>> m_systems;
    std::string m_projectText, m_date;
    int m_pages = 0;
    int m_next = 1;  ///< number of the sheet being laid out
    bool m_counting = false;  ///< the sheets are only counted: those that can come blank do
    std::function<void(reports::Page&&)> m_ahead;  ///< shapes of the next sheet, sent ahead of it
    int m_contentsPages = 1;  ///< sheets of the contents, counted from the outline
    std::vector<OutlineEntry> m_outline;
};

/// Every system of a project, by name (the "<drains>" pseudo-system left out).
std::vector<std::string> projectSystems(db::Database& db);

}  // namespace kolv::submittal
