// Reading and saving the diagram class assignment of structures and pipes.
#include "diagram/diagram_classes.h"

#include "common/text.h"
#include "db/record_set.h"
#include "db/undo_history.h"

namespace kolv::diagram {

DiagramClasses readDiagramClasses(db::Database& db, int engMet) {
    DiagramClasses c;
    db::RecordSet t6(db, "T6", "ENG_MET = ?", {engMet});
    for (t6.moveFirst(); !t6.eof(); t6.moveNext())
        c.structures.push_back({trim(t6.text("NAME")), trim(t6.text("DIAGRAM_CLASS_NAME"))});
    db::RecordSet t7(db, "T7", "ENG_MET = ?", {engMet}, "GROUPP, AREA");
    for (t7.moveFirst(); !t7.eof(); t7.moveNext()) c.pipes.push_back(trim(t7.text("NAME")));
    db::RecordSet t0(db, "T0");
    if (!t0.empty())
        for (std::size_t i = 0; i < c.pipeOfClass.size(); ++i)
            c.pipeOfClass[i] = trim(t0.text("PIPE_CLASS_" + std::to_string(i)));
    return c;
}

void saveDiagramClasses(db::Database& db, int engMet, const DiagramClasses& classes) {
    db::UndoAction step(db, "Diagram Object Classes");
    db::RecordSet t6(db, "T6", "ENG_MET = ?", {engMet});
    for (const StructureClass& s : classes.structures) {
        if (!t6.findFirst("NAME = ?", {trim(s.structure)})) continue;
        t6.edit();
        t6.set("DIAGRAM_CLASS_NAME", s.className);
        t6.update();
    }
    db::RecordSet t0(db, "T0");
    if (t0.empty()) return;
    t0.moveFirst();
    t0.edit();
    for (std::size_t i = 0; i < classes.pipeOfClass.size(); ++i)
        t0.set("PIPE_CLASS_" + std::to_string(i), trim(classes.pipeOfClass[i]));
    t0.update();
}

}  // namespace kolv::diagram
