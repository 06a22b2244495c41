// Reading a system for the diagram: classes of nodes and outfall, reaches, limits and the fit rule.
#include "diagram/diagram_model.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "common/text.h"
#include "common/vb_format.h"
#include "db/record_set.h"
#include "diagram/schematic_layout.h"
#include "editing/survey_lengths.h"

namespace kolv::diagram {

std::string entityNodeName(const std::string& text) {
    const auto cr = text.find('\r');
    return trim(cr == std::string::npos ? std::string_view(text) : std::string_view(text).substr(0, cr));
}

int pipeClassIndex(const std::string& className) {
    for (std::size_t i = 0; i < kPipeClasses.size(); ++i)
        if (equalsIgnoreCase(className, kPipeClasses[i])) return static_cast<int>(i);
    return -1;
}

namespace {

/// A stored coordinate; one that is not a finite number counts as none (0).
double coordinate(double v) { return std::isfinite(v) ? v : 0; }

}  // namespace

std::string pointerText(double x, double y) { return "xy: " + vbFormat(x, "0") + "," + vbFormat(y, "0"); }

std::optional<DiagramData> loadDiagram(db::Database& db, const std::string& systemName, int engMet,
                                       Session& session, ui::UiPort& /*ui*/) {
    DiagramData d;
    d.system = trim(systemName);

    // structure name -> diagram class, for the unit system's definitions
    std::unordered_map<std::string, std::string> classOf;
    {
        db::Statement st = db.prepare("SELECT NAME, DIAGRAM_CLASS_NAME FROM T6 WHERE ENG_MET = ?");
        st.bind(1, engMet);
        while (st.step()) classOf[toUpper(trim(st.column(0).toText()))] = trim(st.column(1).toText());
    }
    auto structureClass = [&](const std::string& structure) -> std::string {
        auto it = classOf.find(toUpper(trim(structure)));
        if (it == classOf.end() || it->second.empty()) return kDefaultEntityClass;
        return it->second;
    };

    {
        db::Statement st = db.prepare("SELECT NAME, STRUCT_NAME, XD, YD FROM NODE WHERE SYSTEM = ? ORDER BY rowid");
        st.bind(1, d.system);
        while (st.step()) {
            Entity e;
            e.name = trim(st.column(0).toText());
            e.className = structureClass(st.column(1).toText());
            e.x = coordinate(st.column(2).toDouble());
            e.y = coordinate(st.column(3).toDouble());
            d.entities.push_back(std::move(e));
        }
    }
    {
        db::Statement st = db.prepare("SELECT OUT_NODE, STRUCT_NAME, XD, YD, BACKGROUND_PICTURE FROM T16 WHERE SYSTEM = ?");
        st.bind(1, d.system);
        const bool found = st.step();
        if (found) d.backgroundPicture = trim(st.column(4).toText());
        if (found && !trim(st.column(0).toText()).empty()) {
            Entity e;
            e.name = trim(st.column(0).toText());
            session.log("Attempting to find Structure Name in the System Outfall and Header Detail record.");
            e.className = classOf.count(toUpper(trim(st.column(1).toText()))) ? kOutfallClass : kUnknownClass;
            e.x = coordinate(st.column(2).toDouble());
            e.y = coordinate(st.column(3).toDouble());
            e.outfall = true;
            d.entities.push_back(std::move(e));
        }
    }

    {
        db::Statement st = db.prepare("SELECT NAME, NODE1, NODE2 FROM REACH WHERE SYSTEM = ? ORDER BY rowid");
        st.bind(1, d.system);
        while (st.step()) {
            Relation r;
            r.name = trim(st.column(0).toText());
            r.from = trim(st.column(1).toText());
            r.to = trim(st.column(2).toText());
            if (r.to.empty()) continue;  // a reach without a downstream node has nothing to point at
            d.relations.push_back(std::move(r));
        }
    }
    if (lacksCoordinates(d)) {
        // a layout of its own, drawn as it is laid out; an empty survey system places its first
        // symbols north up already
        d.northUp = d.entities.empty() && editing::surveyCoordinates(db);
        applySchematicLayout(d);
    } else {
        d.northUp = editing::surveyCoordinates(db);
        if (d.northUp)
            for (Entity& e : d.entities) e.y = storedY(d, e.y);
        setExtent(d);
    }
    return d;
}

void setExtent(DiagramData& d) {
    if (d.entities.empty()) {
        d.minX = d.minY = d.maxX = d.maxY = 0;
        return;
    }
    d.minX = d.maxX = d.entities.front().x;
    d.minY = d.maxY = d.entities.front().y;
    for (const Entity& e : d.entities) {
        d.minX = std::min(d.minX, e.x);
        d.maxX = std::max(d.maxX, e.x);
        d.minY = std::min(d.minY, e.y);
        d.maxY = std::max(d.maxY, e.y);
    }
}

FitView fitView(const DiagramData& data, double windowWidth, double windowHeight) {
    FitView v;
    if (data.empty()) return v;  // nothing to fit: the origin at one pixel per unit
    v.originX = data.minX - 50;
    v.originY = data.minY - 50;
    v.scale = std::min(windowWidth / (data.maxX - data.minX + 100), windowHeight / (data.maxY - data.minY + 100));
    return v;
}

}  // namespace kolv::diagram
