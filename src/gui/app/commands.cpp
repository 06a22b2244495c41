// The main window's command table.
#include "gui/app/commands.h"

namespace kolv::gui {

const std::vector<CommandInfo>& commandTable() {
    static const std::vector<CommandInfo> table = {
        {Command::NewProject, "File", "New Project", false},
        {Command::OpenProject, "File", "Open Project", false},
        {Command::SaveProjectAs, "File", "Save Project As...", true},
        {Command::CloseProject, "File", "Close Project", true},
        {Command::RebuildProject, "File", "Rebuild Project Database...", false},
        {Command::SetupFiles, "File", "Setup Files", false, true},
        {Command::PrintActive, "File", "Print...", false},
        {Command::ImportStormSewer, "File/Utilities", "Import Storm Sewer", true},
        {Command::ImportLandXml, "File/Import", "LandXML Pipe Networks...", true},
        {Command::ImportGis, "File/Import", "GIS Layers (GeoPackage, Shapefile, GeoJSON)...", true},
        {Command::ExportCadGis, "File/Export", "LandXML, SWMM, GIS or CAD...", true},
        {Command::Recent1, "File", "1", false, true},
        {Command::Recent2, "File", "2", false},
        {Command::Recent3, "File", "3", false},
        {Command::Recent4, "File", "4", false},
        {Command::Exit, "File", "Exit", false, true},
        {Command::ProjectSetup, "Project", "Project", true},
        {Command::EditNodes, "Edit", "Nodes", true},
        {Command::EditReaches, "Edit", "Reaches", true},
        {Command::Systems, "Edit", "Storm Sewer System Add/Delete/Rename", true, true},
        {Command::OutfallHeader, "Edit", "SS Outfall && Header Details", true},
        {Command::DivideCombine, "Edit", "Divide/Combine System(s)", true},
        {Command::Renumber, "Edit", "Renumber Nodes && Reaches", true},
        {Command::StructureDefinitions, "Edit", "Structure Definitions", true, true},
        {Command::PipeDefinitions, "Edit", "Pipe Definitions", true},
        {Command::DiagramClasses, "Edit", "Diagram Object Classes", true},
        {Command::IdfCoefficients, "Edit", "IDF Coefficients", true, true},
        {Command::TimeIntensityTables, "Edit", "Storm Time-Intensity Tables (user defined)", true},
        {Command::ComputePipeSizes, "Compute/Reports", "Step 2: Compute Pipe Sizes", true},
        {Command::SetFlowLines, "Compute/Reports", "Step 3: Set Flow Lines", true},
        {Command::ComputeStormTabs, "Compute/Reports", "Step 4: Compute/Print Storm Tabs", true},
        {Command::StormTabPrintOrder, "Compute/Reports", "Storm Tab Print Order", true},
        {Command::VerifyData, "Compute/Reports", "Verify Node && Reach Data", true, true},
        {Command::PrintTcWorksheets, "Compute/Reports", "Print Tc Worksheets", true, true},
        {Command::PrintStructureDetails, "Compute/Reports", "Print Structure Details", true},
        {Command::PrintPipeDetails, "Compute/Reports", "Print Pipe Details", true},
        {Command::PrintNodeDetails, "Compute/Reports", "Print Node Details", true},
        {Command::PrintReachDetails, "Compute/Reports", "Print Reach Details", true},
        {Command::ExportStructures, "Compute/Reports", "Export Drainage Structure Data", true, true},
        {Command::IdfReport, "Compute/Reports", "IDF Curve - Storm Data", true, true},
        {Command::TimeIntensityReport, "Compute/Reports", "User Defined - Storm Data", true},
        {Command::CostAnalysis, "Compute/Reports", "Storm Sewer Cost Analysis", true, true},
        {Command::Diagram, "Diagram", "Diagram", true},
        {Command::UserGuide, "Help", "User Guide", false},
        {Command::VersionHistory, "Help", "Version Changes and Updates", false, true},
        {Command::About, "Help", "About KOLV....", false},
        {Command::SpecialTableEdit, "Help/Support Tools", "Special Table Edit", true, true},
        {Command::DiagnosisWindow, "Help/Support Tools", "Diagnosis Window - On/Off", false},
        {Command::LoadClasses, "Help/Support Tools", "Load Classes", true},
        {Command::PrinterDeviceName, "Help/Support Tools", "Get Printer Device Name", false},
        {Command::RefreshDiagram, "", "Refresh Diagram && Labels", true},
        {Command::RefreshDiagramFit, "", "Refresh Diagram && Labels - Fit Window", true},
        {Command::ChangeLabels, "", "Change Diagram Labels", true},
        {Command::ZoomIn, "", "Zoom In", true},
        {Command::ZoomOut, "", "Zoom Out", true},
        {Command::ZoomFit, "", "Fit in Window", true},
        {Command::PrintDiagramDialog, "", "Print Diagram Dialog Window", true},
        {Command::PrintDiagramDirect, "", "Send Direct to Printer", true},
    };
    return table;
}

const std::vector<ToolButtonInfo>& toolButtonTable() {
    static const std::vector<ToolButtonInfo> table = {
        {Command::RefreshDiagram, "Refresh Diagram && Labels"},
        {Command::RefreshDiagramFit, "Refresh Diagram && Labels - Fit Window"},
        // the design steps in the order they are run
        {Command::ComputePipeSizes, "Compute Pipe Sizes", true},
        {Command::SetFlowLines, "Compute Flow Line (Invert) Elevations"},
        {Command::ComputeStormTabs, "Compute Hydraulics (Storm Sewer Tabulation)"},
        {Command::ChangeLabels, "Change Diagram Labels", true},
        {Command::ZoomIn, "Zoom In"},
        {Command::ZoomOut, "Zoom Out"},
        {Command::ZoomFit, "Fit in Window"},
        {Command::PrintDiagramDialog, "Print Diagram Dialog Window", true},
        {Command::PrintDiagramDirect, "Send Direct to Printer"},
        {Command::ProjectSetup, "Project Setup", true},
        {Command::Systems, "Storm Sewer System Add/Delete/Rename"},
        {Command::StructureDefinitions, "Edit Structure Definitions"},
        {Command::PipeDefinitions, "Edit Pipe Definitions"},
        {Command::DiagramClasses, "Assign Structures && Pipe to Diagramming Classes"},
        {Command::CostAnalysis, "Compute Storm Sewer Cost", true},
    };
    return table;
}

const CommandInfo* commandInfo(Command id) {
    for (const auto& c : commandTable())
        if (c.id == id) return &c;
    return nullptr;
}

}  // namespace kolv::gui
