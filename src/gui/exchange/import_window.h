// The import window: file and separator, setup and column destinations, description links,
// destination system and rows, run, results log and its print.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "exchange/import_setup.h"
#include "exchange/system_import.h"
#include "gui/common/compute_context.h"

class QAbstractTableModel;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTableView;
class QTableWidget;

namespace kolv::gui::compute {
class ListingView;
}

namespace kolv::gui::exchange {

/// Four pages, captioned "Import Storm Sewer System - Page 0" to "... - Page 3":
/// 0 the file, its preview and the separator; 1 the rows in a grid and the destination of each
/// column under a setup; 2 the structure and pipe description links; 3 the destination system,
/// defaults and row listing, the run with its progress and Cancel, the results log and Print.
class ImportWindow : public QDialog {
    Q_OBJECT
public:
    ImportWindow(compute::ComputeContext ctx, QWidget* parent = nullptr);
    ~ImportWindow() override;

    /// Called after an import changed the project (the main window re-reads its lists).
    void setOnImported(std::function<void()> f) { m_onImported = std::move(f); }

    void showPage(int page);
    int page() const;

    // The commands of the pages, as their buttons run them (the tests drive these).
    /// Reads the file named in the file field with the chosen separator into the grid.
    bool readFile();
    void setFilePath(const std::string& path);
    void setSeparator(::kolv::exchange::Separator s, const std::string& other = {});
    /// Chooses a setup and applies its column assignments.
    void chooseSetup(const std::string& name);
    /// Creates a setup of the current assignments (the name is asked when empty).
    bool newSetup(const std::string& name = {});
    bool deleteSetup();
    bool saveSetup();
    bool saveLinks();
    void setDestination(int column, ::kolv::exchange::Destination d);
    /// Sets the linked name of a description in the structure (or pipe) grid.
    void setLink(bool structure, const std::string& description, const std::string& name);
    /// Runs the import with the last page's fields.
    ::kolv::exchange::ImportResult runImport();
    QDialog* printLog();
    void cancelImport() { m_cancelRequested = true; }

    const ::kolv::exchange::ImportFile& file() const { return m_file; }
    const std::vector<::kolv::exchange::Destination>& destinations() const { return m_dest; }
    std::string currentSetup() const;
    QLineEdit* rowListingField() const { return m_rows; }
    QComboBox* systemBox() const { return m_system; }
    QComboBox* defaultStructureBox() const { return m_defStructure; }
    QComboBox* defaultPipeBox() const { return m_defPipe; }
    QTableWidget* structureLinks() const { return m_structLinks; }
    QTableWidget* pipeLinks() const { return m_pipeLinks; }
    compute::ListingView* log() const { return m_log; }

private:
    class GridModel;
    class ProgressUi;

    QWidget* buildFilePage();
    QWidget* buildColumnsPage();
    QWidget* buildLinksPage();
    QWidget* buildRunPage();
    void browse();
    void fillSetups(const std::string& select);
    void fillColumnTable();
    void fillLinkGrids();
    void fillRunPage();
    void pickLink(QTableWidget* grid, int row, bool structure);
    std::vector<::kolv::exchange::DescriptionLink> linksOf(QTableWidget* grid) const;
    db::Database* database() const;

    compute::ComputeContext m_ctx;
    std::function<void()> m_onImported;
    ::kolv::exchange::ImportFile m_file;
    std::vector<::kolv::exchange::Destination> m_dest;
    bool m_cancelRequested = false;
    bool m_filling = false;

    QStackedWidget* m_pages = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_next = nullptr;
    // page 0
    QLineEdit* m_path = nullptr;
    QLabel* m_previewTitle = nullptr;
    QPlainTextEdit* m_preview = nullptr;
    QButtonGroup* m_sepGroup = nullptr;
    QLineEdit* m_sepOther = nullptr;
    QCheckBox* m_heading = nullptr;
    // page 1
    QComboBox* m_setup = nullptr;
    QTableView* m_grid = nullptr;
    GridModel* m_model = nullptr;
    QTableWidget* m_columns = nullptr;
    // page 2
    QTableWidget* m_structLinks = nullptr;
    QTableWidget* m_pipeLinks = nullptr;
    // page 3
    QComboBox* m_system = nullptr;
    QComboBox* m_defStructure = nullptr;
    QComboBox* m_defPipe = nullptr;
    QLineEdit* m_rows = nullptr;
    QPushButton* m_run = nullptr;
    QPushButton* m_cancel = nullptr;
    QProgressBar* m_progress = nullptr;
    compute::ListingView* m_log = nullptr;
};

}  // namespace kolv::gui::exchange
