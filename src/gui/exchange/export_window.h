// The export window: system choice ("<ALL>" or one), output file, Export, and the list of what was written.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "gui/common/compute_context.h"

class QComboBox;
class QLineEdit;

namespace kolv::gui::compute {
class ListingView;
}

namespace kolv::gui::exchange {

class ExportWindow : public QDialog {
public:
    ExportWindow(compute::ComputeContext ctx, QWidget* parent = nullptr);

    /// Re-reads the systems (the project or its systems may have changed since it was opened).
    void reload();
    void setSystem(const std::string& system);
    void setPath(const std::string& path);
    /// Writes the file; returns the lines listed (empty when nothing was written).
    std::vector<std::string> runExport();

    QComboBox* systemBox() const { return m_system; }
    compute::ListingView* list() const { return m_list; }

private:
    void browse();

    compute::ComputeContext m_ctx;
    QComboBox* m_system = nullptr;
    QLineEdit* m_path = nullptr;
    compute::ListingView* m_list = nullptr;
};

}  // namespace kolv::gui::exchange
