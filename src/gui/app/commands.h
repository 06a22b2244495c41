// Every command of the main window: menu entries and toolbar buttons with captions and hints.
#pragma once

#include <string>
#include <vector>

namespace kolv::gui {

enum class Command {
    // File
    NewProject, OpenProject, SaveProjectAs, CloseProject, RebuildProject, PrintActive, SetupFiles, Recent1, Recent2, Recent3, Recent4, ImportStormSewer, ImportLandXml, ImportGis, ExportCadGis, Exit,
    // Project
    ProjectSetup,
    // Edit
    EditNodes, EditReaches, Systems, OutfallHeader, DivideCombine, Renumber, StructureDefinitions, PipeDefinitions,
    DiagramClasses, IdfCoefficients, TimeIntensityTables,
    // Compute/Reports
    ComputePipeSizes, SetFlowLines, ComputeStormTabs, StormTabPrintOrder, VerifyData, PrintTcWorksheets,
    PrintStructureDetails, PrintPipeDetails, PrintNodeDetails, PrintReachDetails, ExportStructures, IdfReport,
    TimeIntensityReport, CostAnalysis,
    // Diagram
    Diagram,
    // Help
    UserGuide, VersionHistory, About, SpecialTableEdit, DiagnosisWindow, LoadClasses, PrinterDeviceName,
    // Toolbar-only
    RefreshDiagram, RefreshDiagramFit, ChangeLabels, ZoomIn, ZoomOut, ZoomFit, PrintDiagramDialog, PrintDiagramDirect,
};

/// How a command appears: menu path ("" for toolbar-only), caption as stored ("&&" shows "&"),
/// and whether it needs an open project.
struct CommandInfo {
    Command id;
    std::string menu;     ///< "File", "Edit", "Compute/Reports", "Help/Special", "Project", "Diagram", ""
    std::string caption;  ///< as stored, doubled ampersands included
    bool needsProject;
    bool separatorBefore = false;
};

/// Toolbar buttons: the command they run and their hint.
struct ToolButtonInfo {
    Command id;
    std::string hint;   ///< as stored ("&&" shows "&")
    bool separatorBefore = false;
};

const std::vector<CommandInfo>& commandTable();
const std::vector<ToolButtonInfo>& toolButtonTable();
const CommandInfo* commandInfo(Command id);

}  // namespace kolv::gui
