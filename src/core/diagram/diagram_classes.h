// Assigning structures to entity classes and pipes to the twelve pipe classes of the diagram.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "db/database.h"

namespace kolv::diagram {

/// Entity classes a structure can be given, in the order the window offers them.
inline constexpr std::array<const char*, 7> kStructureClassChoices = {
    "Manhole", "Endwall - Straight", "Endwall - Sloped", "Ditch Inlet", "Gutter Inlet", "Curb Inlet", "Outfall"};

struct StructureClass {
    std::string structure;  ///< T6 NAME
    std::string className;  ///< DIAGRAM_CLASS_NAME ("" when none)
};

struct DiagramClasses {
    std::vector<StructureClass> structures;   ///< structures of the unit system, in table order
    std::array<std::string, 12> pipeOfClass;  ///< T0 PIPE_CLASS_0..11
    std::vector<std::string> pipes;           ///< pipes of the unit system by group and area
};

/// Reads the structures (T6, ENG_MET of the unit system), the pipes (T7, ordered by GROUPP,
/// AREA) and the pipe class assignment of T0.
DiagramClasses readDiagramClasses(db::Database& db, int engMet);

/// Writes each structure's class into its T6 record (by NAME) and the pipe names into T0
/// PIPE_CLASS_0..11, as one undo step.
void saveDiagramClasses(db::Database& db, int engMet, const DiagramClasses& classes);

}  // namespace kolv::diagram
