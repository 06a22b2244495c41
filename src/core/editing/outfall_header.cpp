// The outfall and header record of a system.
#include "editing/outfall_header.h"

#include <array>
#include <utility>

#include "common/number_input.h"
#include "common/text.h"
#include "common/vb_format.h"
#include "db/record_set.h"
#include "db/schema.h"
#include "editing/edit_panel.h"
#include "db/undo_history.h"

namespace kolv::editing {

using db::RecordSet;

namespace {

std::string shownNumber(const RecordSet& rs, const std::string& field) {
    const db::FieldDef* f = rs.layout().field(field);
    return editing::displayNumber(rs.value(field), f ? f->type : db::FieldType::Double);
}

int clampIndex(long v, int count) { return v < 0 || v >= count ? 0 : static_cast<int>(v); }

}  // namespace

std::vector<std::string> nodeTypeNames() { return {"Structure", "Ditch"}; }

std::vector<std::string> statusNames() {
    return {"Existing", "Proposed", "Future1", "Future2", "Future3", "Future4"};
}

std::string rainfallCaption(int intensityMethod) { return intensityMethod == 0 ? "Zone" : "Location"; }
std::string elevationCaption(int nodeType) { return nodeType == 1 ? "Ditch Bottom El." : "Inlet/Top El."; }
std::string topStatusCaption(int nodeType) { return nodeType == 1 ? "Status" : "Top Status"; }

std::optional<OutfallHeader> loadOutfallHeader(db::Database& db, const std::string& system) {
    RecordSet rs(db, "T16", "SYSTEM = ?", {trim(system)});
    if (rs.empty()) return std::nullopt;
    OutfallHeader h;
    h.designedBy = trim(rs.text("DESIGNED BY"));
    h.checkedBy = trim(rs.text("CHECKED BY"));
    h.areaC = {shownNumber(rs, "AREA1"), shownNumber(rs, "AREA2"), shownNumber(rs, "AREA3")};
    h.intensityMethod = rs.integer("INTENSITY_METHOD") == 0 ? 0 : 1;
    if (h.intensityMethod == 0) {
        h.rainfall1 = trim(rs.text("ZONE"));
        h.rainfall2 = rs.isNull("FREQ") ? "" : shortestText(rs.number("FREQ"));
    } else {
        h.rainfall1 = trim(rs.text("LOCATION"));
        h.rainfall2 = trim(rs.text("FREQUENCY"));
    }
    h.baseline = trim(rs.text("OUT_BL"));
    h.angle = shownNumber(rs, "ANGLE");
    h.autoRotate = rs.flag("AUTO_ROTATE");
    h.mirror = rs.flag("MIRROR");
    h.nodeType = clampIndex(rs.integer("NODE_TYPE"), 2);
    h.topStatus = clampIndex(rs.integer("TOP_STATUS"), 6);
    h.bottomStatus = clampIndex(rs.integer("BOTTOM_STATUS"), 6);
    h.outNode = trim(rs.text("OUT_NODE"));
    h.station = trim(rs.text("OUT_STA"));
    h.offset = shownNumber(rs, "OUT_OFF");
    h.tailwater = shownNumber(rs, "OUT_TW");
    h.elevation = shownNumber(rs, "OUT_EL");
    h.exitLoss = shownNumber(rs, "EXIT_LOSS_COEFF");
    h.structure = trim(rs.text("STRUCT_NAME"));
    return h;
}

std::optional<std::pair<std::string, std::string>> nodeNamed(db::Database& db, const std::string& name) {
    if (trim(name).empty()) return std::nullopt;
    RecordSet rs(db, "NODE", "UPPER(TRIM(NAME)) = UPPER(?)", {trim(name)});
    if (rs.empty()) return std::nullopt;
    return std::make_pair(trim(rs.text("NAME")), trim(rs.text("SYSTEM")));
}

namespace {

bool projectIsMetric(db::Database& db) {
    try {
        return db.scalar("SELECT " + db::quoteIdent("ENGLISH_METRIC") + " FROM T0").toInt() != 0;
    } catch (const std::exception&) {
        return false;  // a project without its settings row is English
    }
}

const std::array<std::pair<const char*, const char*>, 8> kNumberCaptions = {{
    {"AREA1", "Area 1-C"},
    {"AREA2", "Area 2-C"},
    {"AREA3", "Area 3-C"},
    {"ANGLE", "Angle"},
    {"OUT_OFF", "Outfall Offset"},
    {"OUT_TW", "Tailwater Elevation"},
    {"OUT_EL", "Outfall Elevation"},
    {"EXIT_LOSS_COEFF", "Exit Loss Coefficient"},
}};

input::NumberCheck checkNumberField(const std::string& field, std::string_view text, bool metric) {
    std::string caption = field;
    for (const auto& [f, c] : kNumberCaptions)
        if (field == f) caption = c;
    return input::checkField("T16", field, text, caption, metric);
}

}  // namespace

input::NumberCheck checkOutfallHeaderField(db::Database& db, const std::string& field, std::string_view text) {
    return checkNumberField(field, text, projectIsMetric(db));
}

std::optional<std::string> outfallHeaderFault(db::Database& db, const OutfallHeader& h) {
    const bool metric = projectIsMetric(db);
    const std::array<const std::string*, 8> texts = {&h.areaC[0], &h.areaC[1], &h.areaC[2], &h.angle,
                                                     &h.offset,   &h.tailwater, &h.elevation, &h.exitLoss};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const input::NumberCheck c = checkNumberField(kNumberCaptions[i].first, *texts[i], metric);
        if (!c.ok()) return c.error;
    }
    if (h.intensityMethod == 0 && !trim(h.rainfall2).empty()) {
        input::NumberRule years;
        years.min = 0.0;
        years.minExclusive = true;
        const input::NumberCheck c = input::checkNumber(h.rainfall2, "Frequency", years);
        if (!c.ok()) return c.error;
    }
    return std::nullopt;
}

bool saveOutfallHeader(db::Database& db, const std::string& system, const OutfallHeader& h, ui::UiPort& ui) {
    if (auto fault = outfallHeaderFault(db, h)) {
        ui.beep();
        ui.message("INVALID DATA", *fault, ui::Icon::Exclamation);
        return false;
    }
    const auto number = [](const std::string& text) { return *input::parseNumber(text, "").value; };
    db::UndoAction step(db, "Outfall & Header Details");
    RecordSet rs(db, "T16", "SYSTEM = ?", {trim(system)});
    if (rs.empty()) {
        ui.message("MISSING DATA", "System '" + trim(system) + "' not found.", ui::Icon::Exclamation);
        return false;
    }
    // Node names are unique in the whole project and the outfall is named only here: a name
    // that a node already bears would make two objects of one name in the network.
    const std::string outNode = left(trim(h.outNode), 8);
    if (auto clash = nodeNamed(db, outNode)) {
        ui.beep();
        ui.message("DUPLICATE RECORD",
                   "The outfall can not be named '" + outNode + "': node '" + clash->first + "' of system '" +
                       clash->second + "' has that name.\rEnter a name that no node uses.",
                   ui::Icon::Exclamation);
        return false;
    }
    const std::string first = trim(h.rainfall1);
    const std::string second = trim(h.rainfall2);
    rs.edit();
    rs.set("DESIGNED BY", left(trim(h.designedBy), 30));
    rs.set("CHECKED BY", left(trim(h.checkedBy), 30));
    rs.set("AREA1", number(h.areaC[0]));
    rs.set("AREA2", number(h.areaC[1]));
    rs.set("AREA3", number(h.areaC[2]));
    rs.set("INTENSITY_METHOD", h.intensityMethod == 0 ? 0 : 1);
    // both pairs take the selectors' texts, whichever method is chosen (ZONE holds 10 characters)
    rs.set("ZONE", left(first, 10));
    rs.set("LOCATION", left(first, 20));
    // a time-intensity table's frequency is a name; its number part is kept where it has one
    const input::NumberCheck freq = input::parseNumber(second, "Frequency");
    rs.set("FREQ", freq.ok() ? *freq.value : 0.0);
    rs.set("FREQUENCY", left(second, 20));
    rs.set("OUT_BL", left(trim(h.baseline), 8));
    rs.set("ANGLE", number(h.angle));
    rs.set("AUTO_ROTATE", h.autoRotate);
    rs.set("MIRROR", h.mirror);
    rs.set("NODE_TYPE", h.nodeType);
    rs.set("TOP_STATUS", h.topStatus);
    rs.set("BOTTOM_STATUS", h.bottomStatus);
    rs.set("OUT_NODE", outNode);
    rs.set("OUT_STA", left(trim(h.station), 12));
    rs.set("OUT_OFF", number(h.offset));
    rs.set("OUT_TW", number(h.tailwater));
    rs.set("OUT_EL", number(h.elevation));
    rs.set("EXIT_LOSS_COEFF", number(h.exitLoss));
    rs.set("STRUCT_NAME", left(trim(h.structure), 8));
    rs.update();
    return true;
}

}  // namespace kolv::editing
