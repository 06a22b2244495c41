// Print order of the storm tabulation: typed positions kept in T60 and carried to the nodes.
#include "editing/print_order.h"

#include <cmath>

#include "common/error.h"
#include "common/number_input.h"
#include "common/text.h"
#include "db/record_set.h"
#include "db/undo_history.h"

namespace kolv::editing {

bool setPrintPosition(db::Database& db, const std::string& system, const std::string& from, const db::Value& position) {
    db::UndoAction step(db, "Storm Tab Print Order");
    db::RecordSet t60(db, "T60", "SYSTEM = ?", {trim(system)});
    if (!t60.findFirst("FROM = ?", {trim(from)})) return false;
    db::Value v = position;
    if (v.isText()) {
        std::string t = trim(v.toText());
        const input::NumberCheck c = input::parseNumber(t, "Print position");
        if (t.empty()) v = db::Value();
        else if (!c.ok()) throw InputError("The print position '" + t + "' of node " + trim(from) + " is not a number.");
        else if (!(std::fabs(*c.value) < 1e15))
            throw InputError("The print position '" + t + "' of node " + trim(from) + " is out of range.");
        else v = db::Value(static_cast<std::int64_t>(*c.value));
    }
    t60.edit();
    t60.set("SEQUENCER", v);
    t60.update();
    return true;
}

int writePrintOrder(db::Database& db, const std::string& system) {
    db::UndoAction step(db, "Storm Tab Print Order");
    db::RecordSet t60(db, "T60", "SYSTEM = ?", {trim(system)});
    db::RecordSet nodes(db, "NODE");
    int written = 0;
    for (t60.moveFirst(); !t60.eof(); t60.moveNext()) {
        if (t60.isNull("SEQUENCER")) continue;
        if (!nodes.findFirst("NAME = ?", {trim(t60.text("FROM"))})) continue;
        nodes.edit();
        nodes.set("SEQUENCER", t60.value("SEQUENCER"));
        nodes.update();
        ++written;
    }
    return written;
}

}  // namespace kolv::editing
