// Writing storm sewer systems as LandXML 1.2 pipe networks, with the last storm tab's flows and grade lines.
#pragma once

#include <string>
#include <vector>

#include "db/database.h"

namespace kolv::exchange {

/// What an export wrote, for the log.
struct ExportResult {
    std::vector<std::string> log;
    int structures = 0, pipes = 0;
};

/// The LandXML document of the systems (all of them when `systems` is empty): Units, Project,
/// Application, one storm PipeNetwork per system. Lengths, elevations and sizes are written in
/// the project's length unit, flows in cfs or m3/s, areas in acres or hectares. A system's fields
/// that LandXML has no attribute for travel in a Feature coded "KOLV", so that a file read back
/// by this program gives the same system. Throws kolv::InputError for an unknown system.
std::string landXmlText(db::Database& db, const std::vector<std::string>& systems, ExportResult& result,
                        const std::string& projectName = "");

/// Writes the document to a file (throws kolv::Error 53 / 61 when it cannot be written).
ExportResult exportLandXml(db::Database& db, const std::vector<std::string>& systems, const std::string& path);

/// Writes text to a file through a temporary beside it, so a failed write never leaves half a file.
void writeTextFile(const std::string& path, const std::string& text);

}  // namespace kolv::exchange
