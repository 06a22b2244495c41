// Design review: every reach and node of a system held to the project's criteria and its last results.
#pragma once

#include <deque>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "db/project.h"
#include "hydraulics/profile_model.h"
#include "review/design_criteria.h"

namespace kolv::review {

enum class Severity { Note = 0, Warning = 1, Error = 2 };

/// "error", "warning", "note".
const char* severityName(Severity s);

/// A text of a review's findings, held once by the review: a finding points at it (a large
/// system has several findings a reach, most of them sharing their words).
class FindingText {
public:
    FindingText() = default;
    explicit FindingText(const std::string* text) : m_text(text) {}
    operator std::string_view() const { return view(); }
    std::string_view view() const { return m_text ? std::string_view(*m_text) : std::string_view(); }
    bool empty() const { return view().empty(); }
    friend bool operator==(FindingText a, std::string_view b) { return a.view() == b; }
    friend std::ostream& operator<<(std::ostream& out, FindingText t);

private:
    const std::string* m_text = nullptr;
};

/// The texts of a review's findings, each held once.
class FindingTexts {
public:
    /// The kept copy of `text`.
    FindingText keep(std::string_view text);

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_set<std::string, Hash, std::equal_to<>> m_texts;  ///< its nodes never move
};

/// One thing the review found. Values and limits are in the project's units, named in `unit`.
/// The texts are the review's own (`ReviewResult::texts`).
struct Finding {
    FindingText node;      ///< the node it belongs to (the upstream node of a reach finding)
    FindingText reach;     ///< the reach, empty for a node finding
    FindingText quantity;  ///< "velocity", "slope", "cover (upstream end)", ...
    double value = 0.0;
    double limit = 0.0;
    FindingText unit;      ///< "ft/s", "%", "ft", "cfs", ...
    FindingText rule;      ///< the rule in plain words
    Severity severity = Severity::Note;
};

/// What the review of one system found, worst first, then in flow order.
struct ReviewResult {
    std::string system;
    std::deque<Finding> findings;  ///< in blocks: no copy of them all is made while they are found
    /// The texts the findings view, shared by every copy of the result.
    std::shared_ptr<FindingTexts> texts = std::make_shared<FindingTexts>();
    bool hasResults = false;  ///< the system has results of Step 2 or Step 4 to check
    int count(Severity s) const;
    bool hasErrors() const { return count(Severity::Error) > 0; }
    /// Worst severity of the findings of a node (as a node or as its outgoing reach); -1 when none.
    int worstAt(std::string_view node) const;
};

/// Reviews a system: the network as it stands (pipes, inverts, cover, drops) and the last
/// results of Step 2 or Step 4 (velocity, grade lines, surcharge, inlet capacity, settling).
/// Reads only; nothing is written.
ReviewResult reviewSystem(db::Project& project, const std::string& system, const DesignCriteria& criteria);

/// Marks the structures of a profile that have findings, in the colour of the worst.
void addReviewMarks(hydraulics::ProfileGeometry& g, const ReviewResult& r);

/// Footnotes of the printed storm tabulation: each node with a warning or an error gets a mark
/// "[n]" (keyed by its name in upper case), and `notes` lists those findings in plain words under
/// its mark. Notes stay in the review; nothing when it found no warning or error.
/// The lines are handed to `note` one by one, so a caller may keep them packed.
void addStormTabFootnotes(const ReviewResult& r, std::map<std::string, std::string>& marks,
                          const std::function<void(std::string&&)>& note);
/// The same into any list of lines with push_back.
template <class Lines>
    requires requires(Lines& lines, std::string line) { lines.push_back(std::move(line)); }
void addStormTabFootnotes(const ReviewResult& r, std::map<std::string, std::string>& marks, Lines& notes) {
    addStormTabFootnotes(r, marks, [&notes](std::string&& line) { notes.push_back(std::move(line)); });
}

/// The findings as text lines (a heading, one line per finding, a count line).
std::vector<std::string> reviewText(const ReviewResult& r);
/// The same lines, each handed to `line` as it is made (a long review is never held twice).
void writeReviewText(const ReviewResult& r, const std::function<void(const std::string&)>& line);
/// The findings as CSV (RFC 4180 quoting), with a heading row.
std::string reviewCsv(const ReviewResult& r);
void writeReviewCsv(const ReviewResult& r, std::ostream& out);
/// The findings as a JSON document.
std::string reviewJson(const ReviewResult& r);
void writeReviewJson(const ReviewResult& r, std::ostream& out);

}  // namespace kolv::review
