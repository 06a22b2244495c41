// The report commands of the windows: which template, which selection, which sort field.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kolv::reports {

/// Template reports started from the main window, the definition windows, the rainfall
/// windows and the Compute Hydraulics window.
enum class ReportCommand {
    Nodes,          ///< "NODES.RPT", the current system's nodes
    Reaches,        ///< "REACHES.RPT"
    Pipes,          ///< "PIPES.RPT", the project's unit system, by pipe group
    Structures,     ///< "STRUCTS.RPT"
    TimesOfConcentration,  ///< "TC.RPT", nodes with a Tc worksheet
    IdfData,        ///< "IDF.RPT"
    TimeIntensity,  ///< "TIME_INT.RPT"
    StormTabs,      ///< T60v11 family
    ZeriTabs,       ///< T60v3ZERI family
    Ditches,        ///< DITCH family
};

/// Layout variant of the storm tab and ditch families (the Compute Hydraulics report options).
/// Standard: T60v11 / T60v3ZERI / DITCH; Units: the same with units in every heading
/// (T60v11u, DITCHu); Wide: the one-line tabloid layout (T60v114). Ditch layouts 1..3
/// are the geometry, depth and limits pages.
struct LayoutOptions {
    enum class Variant { Standard, Units, Wide } variant = Variant::Standard;
    int ditchPage = 0;  ///< 0 = DITCH, 1..3 = DITCH1..DITCH3 (English only)
};

/// What a command hands to the engine.
struct ReportRequest {
    std::string templateName;  ///< file name in the report folder
    std::string selection;     ///< "" = none
    std::string sortField;     ///< "" = none
};

/// The request of a command for a system (trimmed) and unit system. The selection formulas
/// are the engine's own language: the system name is quoted with its quote marks doubled.
ReportRequest reportRequest(ReportCommand command, const std::string& system, bool metric,
                            const LayoutOptions& layout = {});

/// The command a template name belongs to (for kolv-cli): NODES.RPT -> Nodes, T60v11m.RPT ->
/// StormTabs, DITCHu2.RPT -> Ditches. False for a template of no command.
bool commandOfTemplate(const std::string& templateName, ReportCommand& command);

/// The selection of a template by name: the command's formula when the template belongs to a
/// command, else none. Keeps the name asked for (a copied template keeps its command's selection
/// only when its name is one of the command's).
ReportRequest requestForTemplate(const std::string& templateName, const std::string& system, bool metric);

/// Every template the commands name.
const std::vector<std::string>& commandTemplates();

/// The report data shown before a report runs: label and value pairs for the template name, its
/// folder, the selection formula and the sort field; "n/a" where a value does not apply.
std::vector<std::pair<std::string, std::string>> reportData(const ReportRequest& request,
                                                            const std::string& templatePath);

/// The report data of a command as the main window shows it before the report runs: the
/// template is looked for in the report folder, then the installation; "n/a" for the path when
/// it is found nowhere.
std::vector<std::pair<std::string, std::string>> reportDataForCommand(ReportCommand command,
                                                                      const std::string& system, bool metric,
                                                                      const std::string& reportFolder,
                                                                      const LayoutOptions& layout = {});

/// A text quoted for a selection formula: 'O''Brien'.
std::string formulaText(const std::string& text);

}  // namespace kolv::reports
