// The renumbering window: new node and reach names for the current system, from the grid or the order lists.
#pragma once

#include <QDialog>
#include <array>
#include <string>
#include <vector>

#include "renumber/renumber_list.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

namespace kolv::gui {

class MainWindow;

class RenumberWindow : public QDialog {
    Q_OBJECT
public:
    explicit RenumberWindow(MainWindow& main);

    /// Reads the list of the main window's current system again.
    void reload();
    /// Check duplicates: the report in the results list, or the all-clear message.
    void checkDuplicates();
    /// Renumber from the grid's new names.
    void renumberFromGrid();
    /// Renumber from the 'New Order' list with the prefix and start number.
    void renumberFromOrder();
    /// Moves every name (in grid order) from 'Current Order' to 'New Order', or back.
    void moveAllToNewOrder();
    void moveAllBack();
    /// Fills 'New Order' with the nodes in diagram order (by XD, then YD).
    void orderByPosition();
    /// Puts the new names of a map file ("node,new node[,new reach]" lines) into the grid.
    /// Returns false when the file was refused (its message shown).
    bool loadMap(const QString& path);
    /// Sorts the grid by the chosen keys.
    void sortGrid();
    /// Sorts the grid by one column (a click on its heading).
    void sortByColumn(int column);

    QTableWidget* grid() const { return m_grid; }
    QListWidget* currentOrder() const { return m_current; }
    QListWidget* newOrder() const { return m_newOrder; }
    QLineEdit* prefixField() const { return m_prefix; }
    QLineEdit* startField() const { return m_start; }
    QListWidget* results() const { return m_results; }
    QComboBox* sortKey(int i) const { return m_sortKeys.at(static_cast<std::size_t>(i)); }
    const std::vector<renumber::RenumberRow>& rows() const { return m_rows; }

private:
    void fillGrid();
    void fillOrderLists();
    void cellEdited(QTableWidgetItem* item);
    void showResult(const std::vector<std::string>& lines);
    void afterRenumber(const std::vector<std::string>& lines, int nodes, int reaches);

    MainWindow& m_main;
    std::string m_system;
    std::vector<renumber::RenumberRow> m_rows;
    QLabel* m_caption;
    QTableWidget* m_grid;
    QListWidget* m_current;
    QListWidget* m_newOrder;
    QLineEdit* m_prefix;
    QLineEdit* m_start;
    std::array<QComboBox*, 3> m_sortKeys{};
    QListWidget* m_results;
    bool m_filling = false;
};

}  // namespace kolv::gui
