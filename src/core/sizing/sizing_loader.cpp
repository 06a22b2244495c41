// Loading a system for pipe sizing: the storm tabulation's loading phases without its pass loop.
#include "sizing/sizing_loader.h"

#include <utility>

#include "hydraulics/system_loader.h"

namespace kolv::sizing {

std::optional<SizingSystem> loadSystemForSizing(db::Project& project, ui::UiPort& ui, const std::string& system,
                                                std::vector<std::string>& messages) {
    std::vector<SizingFields> fields;
    hydraulics::LoadOptions options;
    // A ditch is never sized: it keeps the pipe name and definition it has.
    options.ditchShapes = false;
    auto field = [&fields](std::size_t i) -> SizingFields& {
        if (fields.size() <= i) fields.resize(i + 1);
        return fields[i];
    };
    options.readNodeExtra = [field](std::size_t i, const db::TableRows& node) {
        field(i).nodeType = static_cast<int>(node.integer("NODE_TYPE"));
    };
    options.readReachExtra = [field](std::size_t i, const db::TableRows& reach) {
        SizingFields& f = field(i);
        f.sizeFlag = reach.integer("CALC_PIPESIZE") != 0;
        f.hasElev1 = !reach.isNull("ELEV1");
        f.hasElev2 = !reach.isNull("ELEV2");
        f.elev1 = reach.number("ELEV1");
        f.elev2 = reach.number("ELEV2");
    };
    auto loaded = hydraulics::loadSystemForRun(project, ui, system, messages, options);
    if (!loaded) return std::nullopt;

    SizingSystem out;
    out.records = std::move(loaded->records);
    fields.resize(out.records.size());
    out.fields = std::move(fields);
    out.tailwaterFt = loaded->tailwaterFt;
    out.storm = std::move(loaded->storm);
    return out;
}

}  // namespace kolv::sizing
