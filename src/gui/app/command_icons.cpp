// Icons of the main window's commands: the desktop theme's where it has one, else the program's own drawings.
#include "gui/app/command_icons.h"

#include <QString>

namespace kolv::gui {

QIcon themedIcon(const char* themeName, const char* ownName) {
    QIcon own(QStringLiteral(":/icons/") + QString::fromLatin1(ownName) + QStringLiteral(".svg"));
    if (!themeName || !*themeName) return own;
    return QIcon::fromTheme(QString::fromLatin1(themeName), own);
}

QIcon commandIcon(Command id) {
    switch (id) {
        // generic actions: the desktop's own icons when its theme has them
        case Command::NewProject: return themedIcon("document-new", "new");
        case Command::OpenProject: return themedIcon("document-open", "open");
        case Command::SaveProjectAs: return themedIcon("document-save-as", "save-as");
        case Command::CloseProject: return themedIcon("document-close", "close");
        case Command::PrintActive: return themedIcon("document-print", "print");
        case Command::Exit: return themedIcon("application-exit", "exit");
        case Command::UserGuide: return themedIcon("help-contents", "help");
        case Command::RefreshDiagram: return themedIcon("view-refresh", "refresh");
        case Command::ZoomIn: return themedIcon("zoom-in", "zoom-in");
        case Command::ZoomOut: return themedIcon("zoom-out", "zoom-out");
        case Command::ZoomFit: return themedIcon("zoom-fit-best", "zoom-fit");
        case Command::PrintDiagramDialog: return themedIcon("document-print", "print");
        case Command::ProjectSetup: return themedIcon("document-properties", "project-setup");
        // the program's own subjects: always its own drawings
        case Command::RefreshDiagramFit: return themedIcon(nullptr, "refresh-fit");
        case Command::ComputePipeSizes: return themedIcon(nullptr, "pipe-sizes");
        case Command::SetFlowLines: return themedIcon(nullptr, "flow-lines");
        case Command::ComputeStormTabs: return themedIcon(nullptr, "storm-tabs");
        case Command::ChangeLabels: return themedIcon(nullptr, "labels");
        case Command::PrintDiagramDirect: return themedIcon(nullptr, "print-direct");
        case Command::Systems: return themedIcon(nullptr, "systems");
        case Command::StructureDefinitions: return themedIcon(nullptr, "structures");
        case Command::PipeDefinitions: return themedIcon(nullptr, "pipes");
        case Command::DiagramClasses: return themedIcon(nullptr, "classes");
        case Command::CostAnalysis: return themedIcon(nullptr, "cost");
        default: return {};
    }
}

}  // namespace kolv::gui
