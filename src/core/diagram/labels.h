// Diagram labels: the name of each node, reach and outfall with the data lines of the current
// display option set, and the display option sets themselves (program setup rows of T27).
#pragma once

#include <array>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/database.h"
#include "ui/ui_port.h"

namespace kolv::diagram {

/// Number of display option sets the engineer can keep.
inline constexpr int kDisplaySetCount = 10;

/// One switch of a display option set: its T27 field, the object it labels and its caption.
struct LabelItem {
    const char* field;    ///< LVSINT2..LVSINT30, LVSSGL1..LVSSGL18
    enum class Object { Node, Reach, Outfall } object;
    const char* caption;  ///< shown in the display options window
    bool fromResults;     ///< comes from the hydraulics results (T60)
};

/// Every switch, in the order its line appears on a label.
const std::vector<LabelItem>& labelItems();

/// T27 RECNUM of display option set n (1..10); set 7 is kept in row 17 (row 7 holds the
/// hydraulics options).
int displaySetRecnum(int set);

/// The switches of one display option set, by field name.
struct DisplayOptions {
    std::map<std::string, bool> on;
    bool isOn(const std::string& field) const {
        auto it = on.find(field);
        return it != on.end() && it->second;
    }
};

/// Reads display option set n. When its row is missing, shows "Display option 'n' cannot be
/// found." and "Use 'Display Options' button to define this option." and returns false.
bool readDisplayOptions(db::Database& db, int set, DisplayOptions& out, ui::UiPort& ui);
/// Reads set n without messages; a missing row gives every switch off.
DisplayOptions displayOptionsOrEmpty(db::Database& db, int set);
/// Writes set n, adding its row when missing (one undo step).
void writeDisplayOptions(db::Database& db, int set, const DisplayOptions& options);

/// Builds the labels of one system: the records are read once, the labels then come from memory.
class LabelBuilder {
public:
    /// Reads NODE, REACH, T16, T60 of the system and the pipe definitions of the unit system.
    LabelBuilder(db::Database& db, const std::string& system, DisplayOptions options);

    /// Node label: name, then the switched-on node lines ("" when the node is unknown: name alone).
    std::string nodeLabel(const std::string& node) const;
    /// Reach label: the switched-on reach lines (its NAME line only when switched on); the name
    /// alone when no reach line is switched on.
    std::string reachLabel(const std::string& reach) const;
    /// Outfall label: OUT_NODE, then the switched-on outfall lines.
    std::string outfallLabel() const;

    LabelBuilder(const LabelBuilder&) = delete;  // the header and pipe rows point at their column lists
    LabelBuilder& operator=(const LabelBuilder&) = delete;

private:
    /// Field positions of one query (upper-case names), shared by all its rows.
    using Columns = std::unordered_map<std::string, int>;
    struct Row {
        const Columns* columns = nullptr;
        std::vector<db::Value> values;
    };
    static Row readRow(db::Statement& st, Columns& columns);
    static double num(const Row& r, const char* f);
    static std::string txt(const Row& r, const char* f);

    /// The lines a node's, a reach's or a result's own record gives, each after a carriage return.
    std::string nodeLines(const Row& node) const;
    std::string nodeResultLines(const Row& t60) const;
    struct ReachLines {
        std::string text;   ///< the lines, separated by carriage returns
        int count = 0;      ///< how many (a line may be empty)
        std::string node1;  ///< upper-case NODE1, whose results the reach's result lines come from
    };
    ReachLines reachLines(const Row& reach) const;
    ReachLines reachResultLines(const Row& t60) const;

    DisplayOptions m_options;
    /// The switches that are on, per object, in the order their lines appear: a record's own
    /// lines come before the lines of the results in each.
    std::vector<const LabelItem*> m_nodeOn, m_reachOn, m_outfallOn;
    bool m_metric = false;
    Columns m_headerColumns, m_pipeColumns;
    Row m_header;  // T16
    std::unordered_map<std::string, Row> m_pipes;  // T7 of the unit system, by upper-case name
    // The lines of each record, made as it is read: a system of many thousand nodes keeps its
    // labels' texts, not the records. Keys are upper-case names (FROM of the results).
    std::unordered_map<std::string, std::string> m_nodes, m_nodeResults;
    std::unordered_map<std::string, ReachLines> m_reaches, m_reachResults;
};

/// Splits a label into its lines (separated by carriage returns).
std::vector<std::string> labelLines(const std::string& label);

}  // namespace kolv::diagram
