// Tidy tree layout of a system drawn without coordinates, packed level by level.
#include "diagram/schematic_layout.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "common/text.h"
#include "db/undo_history.h"

namespace kolv::diagram {

namespace {

/// The rows a subtree takes at each level below its root: the topmost and bottommost row at
/// level k, relative to the root's row. Stored deepest level first, so that a parent puts its
/// own level in front with a push_back, and with a shift applied to every value, so that moving
/// a whole subtree costs nothing.
struct Contour {
    std::vector<double> top, bottom;
    double shift = 0;
    std::size_t levels() const { return top.size(); }
    double topAt(std::size_t k) const { return top[top.size() - 1 - k] + shift; }
    double bottomAt(std::size_t k) const { return bottom[bottom.size() - 1 - k] + shift; }
    void setTop(std::size_t k, double v) { top[top.size() - 1 - k] = v - shift; }
    void setBottom(std::size_t k, double v) { bottom[bottom.size() - 1 - k] = v - shift; }
    void pushRoot(double row) {
        top.push_back(row - shift);
        bottom.push_back(row - shift);
    }
};

}  // namespace

bool lacksCoordinates(const DiagramData& data) {
    if (data.entities.empty()) return false;
    for (const Entity& e : data.entities)
        if (e.x != 0 || e.y != 0) return false;
    return true;
}

std::vector<LayoutPoint> schematicLayout(const DiagramData& data, const LayoutSpacing& spacing) {
    const std::size_t n = data.entities.size();
    std::vector<LayoutPoint> at(n);
    if (n == 0) return at;

    std::unordered_map<std::string, std::size_t> index;  // upper-case name -> entity
    index.reserve(n);
    for (std::size_t i = 0; i < n; ++i) index.emplace(toUpper(data.entities[i].name), i);
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<std::size_t> down(n, kNone);  // the entity each one drains to (its first reach)
    for (const Relation& r : data.relations) {
        const auto from = index.find(toUpper(r.from)), to = index.find(toUpper(r.to));
        if (from == index.end() || to == index.end() || from->second == to->second) continue;
        if (down[from->second] == kNone) down[from->second] = to->second;
    }

    // The trees: the outfall's first, then every entity draining nowhere, in table order; an
    // entity on a loop is cut loose from its downstream node when the walks have not reached it.
    // Node n stands for a root above all trees, never drawn.
    std::vector<std::vector<std::size_t>> upstream(n + 1);
    std::vector<std::size_t> roots;
    for (std::size_t i = 0; i < n; ++i)
        if (data.entities[i].outfall) roots.push_back(i);
    for (std::size_t i = 0; i < n; ++i)
        if (down[i] == kNone && !data.entities[i].outfall) roots.push_back(i);
    for (std::size_t i = 0; i < n; ++i)
        if (down[i] != kNone && !data.entities[i].outfall) upstream[down[i]].push_back(i);
    std::vector<char> reached(n, 0);
    auto reach = [&](std::size_t root) {
        std::vector<std::size_t> stack{root};
        reached[root] = 1;
        while (!stack.empty()) {
            const std::size_t v = stack.back();
            stack.pop_back();
            for (std::size_t u : upstream[v])
                if (!reached[u]) {
                    reached[u] = 1;
                    stack.push_back(u);
                }
        }
    };
    for (std::size_t r : roots) reach(r);
    for (std::size_t i = 0; i < n; ++i) {
        if (reached[i]) continue;
        // i lies on a loop (or drains into one): it becomes a root, its reach is left out
        auto& siblings = upstream[down[i]];
        siblings.erase(std::remove(siblings.begin(), siblings.end(), i), siblings.end());
        roots.push_back(i);
        reach(i);
    }
    upstream[n] = roots;

    // Post-order without recursion (a chain of ten thousand nodes is ten thousand levels deep):
    // each subtree's contour is made from its branches' contours, stacked top to bottom, each
    // moved down just far enough to clear those above it at every level both reach.
    std::vector<double> offset(n + 1, 0);  // row relative to the parent's row
    std::vector<Contour> contour(n + 1);
    std::vector<std::pair<std::size_t, std::size_t>> stack{{n, 0}};  // node, next branch
    while (!stack.empty()) {
        auto& [v, next] = stack.back();
        if (next < upstream[v].size()) {
            const std::size_t u = upstream[v][next++];
            stack.push_back({u, 0});
            continue;
        }
        const std::vector<std::size_t>& branches = upstream[v];
        Contour merged;
        std::vector<double> rel(branches.size(), 0);  // rows relative to the first branch
        for (std::size_t b = 0; b < branches.size(); ++b) {
            Contour c = std::move(contour[branches[b]]);
            contour[branches[b]] = Contour{};
            if (b == 0) {
                merged = std::move(c);
                continue;
            }
            const std::size_t common = std::min(merged.levels(), c.levels());
            double r = -INFINITY;
            for (std::size_t k = 0; k < common; ++k) r = std::max(r, merged.bottomAt(k) - c.topAt(k) + 1);
            rel[b] = r;
            c.shift += r;
            // the deeper of the two keeps its arrays; the other's side is written over it
            if (c.levels() <= merged.levels()) {
                for (std::size_t k = 0; k < c.levels(); ++k) merged.setBottom(k, c.bottomAt(k));
            } else {
                for (std::size_t k = 0; k < merged.levels(); ++k) c.setTop(k, merged.topAt(k));
                merged = std::move(c);
            }
        }
        const double centre = branches.empty() ? 0 : (rel.front() + rel.back()) / 2;
        for (std::size_t b = 0; b < branches.size(); ++b) offset[branches[b]] = rel[b] - centre;
        merged.shift -= centre;
        merged.pushRoot(0);
        contour[v] = std::move(merged);
        stack.pop_back();
    }

    // Rows and levels from the top down, then positions: level 1 (the roots) at the right.
    std::vector<double> row(n + 1, 0);
    std::vector<std::size_t> level(n + 1, 0);
    std::size_t deepest = 1;
    double minRow = INFINITY;
    std::vector<std::size_t> order{n};
    while (!order.empty()) {
        const std::size_t v = order.back();
        order.pop_back();
        for (std::size_t u : upstream[v]) {
            row[u] = row[v] + offset[u];
            level[u] = level[v] + 1;
            deepest = std::max(deepest, level[u]);
            minRow = std::min(minRow, row[u]);
            order.push_back(u);
        }
    }
    // A system with many more branches than levels would be a thin strip: the levels move apart
    // (up to five times) towards the proportions of a window, the branches keep their spacing.
    double maxRow = 0;
    for (std::size_t i = 0; i < n; ++i) maxRow = std::max(maxRow, row[i] - minRow);
    const double wide = (maxRow + 1) * spacing.row * 1.6 / static_cast<double>(deepest);
    const double across = std::clamp(wide, spacing.level, spacing.level * 5);
    for (std::size_t i = 0; i < n; ++i) {
        at[i].x = spacing.margin + static_cast<double>(deepest - level[i]) * across;
        at[i].y = spacing.margin + (row[i] - minRow) * spacing.row;
    }
    return at;
}

void applySchematicLayout(DiagramData& data, const LayoutSpacing& spacing) {
    const std::vector<LayoutPoint> at = schematicLayout(data, spacing);
    for (std::size_t i = 0; i < at.size(); ++i) {
        data.entities[i].x = at[i].x;
        data.entities[i].y = at[i].y;
    }
    data.automaticLayout = true;
    setExtent(data);
}

void keepLayout(db::Database& db, const DiagramData& data) {
    db::UndoAction step(db, "Keep Automatic Layout");
    db::Transaction tx(db);
    db::Statement node = db.prepare("UPDATE NODE SET XD = ?, YD = ? WHERE SYSTEM = ? AND NAME = ?");
    db::Statement outfall = db.prepare("UPDATE T16 SET XD = ?, YD = ? WHERE SYSTEM = ?");
    for (const Entity& e : data.entities) {
        db::Statement& st = e.outfall ? outfall : node;
        st.reset();
        if (e.outfall) st.bindAll({e.x, e.y, data.system});
        else st.bindAll({e.x, e.y, data.system, e.name});
        st.step();
    }
    tx.commit();
}

}  // namespace kolv::diagram
