// The "Special Table Edit" confirmation and direct row editing.
#include "editing/special_table_edit.h"

#include "common/text.h"
#include "db/record_set.h"
#include "editing/edit_panel.h"
#include "common/number_input.h"
#include "db/undo_history.h"

namespace kolv::editing {

using db::RecordSet;

bool confirmSpecialTableEdit(ui::UiPort& ui) {
    return ui.message("Special Table Edit",
                      "The 'Special Table Edit' screen is used to fix internal database problems and should\r"
                      "be used only with instruction from KOLV tech support. (555) 010-0199\r"
                      "Do you want to continue?",
                      ui::Icon::Exclamation, ui::Buttons::YesNo, ui::Answer::No) == ui::Answer::Yes;
}

SpecialTableRows loadSystemRows(db::Database& db, const std::string& table, const std::string& system) {
    SpecialTableRows g;
    g.table = table;
    RecordSet rs(db, table, "SYSTEM = ?", {trim(system)});
    for (const auto& f : rs.layout().fields) g.fields.push_back(f.name);
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        g.rowids.push_back(rs.rowid());
        std::vector<std::string> row;
        for (const auto& f : rs.layout().fields) {
            db::Value v = rs.value(f.name);
            row.push_back(v.isNull() ? "" : editing::displayNumber(v, f.type));
        }
        g.cells.push_back(std::move(row));
    }
    return g;
}

bool writeCell(db::Database& db, const std::string& table, long long rowid, const std::string& field,
               const std::string& text, std::string* refusal) {
    db::UndoAction step(db, "Special Table Edit: " + table + "." + field);
    RecordSet rs(db, table, "rowid = ?", {db::Value(rowid)});
    if (rs.empty()) return false;
    const db::FieldDef* f = rs.layout().field(field);
    if (!f) return false;
    db::Value v;
    if (!text.empty()) {
        if (f->type == db::FieldType::Text || f->type == db::FieldType::Memo) v = db::Value(text);
        else {
            // a number that does not read is refused, never stored as 0
            input::NumberCheck r = input::checkField(table, field, text, field);
            if (!r.ok()) {
                if (refusal) *refusal = r.error;
                return false;
            }
            v = db::Value(*r.value);
        }
    }
    rs.edit();
    rs.set(field, v);
    rs.update();
    return true;
}

}  // namespace kolv::editing
