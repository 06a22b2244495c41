// A grid of storm tabulation results: From and To kept in view, a column chooser, copy and CSV export.
#pragma once

#include <QTableView>
#include <QWidget>
#include <string>

#include "gui/compute/t60_results_model.h"

class QPushButton;

namespace kolv::gui::compute {

/// Shows a T60ResultsModel in the engineering view: the first columns (From, To) stay in view
/// while the others scroll; the columns shown are chosen from a menu and kept in the settings
/// folder; the selection (or the whole grid) is copied as tab-separated text and exported as CSV.
class ResultsGrid : public QWidget {
public:
    /// `settingsKey` names the grid's column choice in the settings ("hydraulics").
    ResultsGrid(T60ResultsModel* model, std::string settingsKey, QWidget* parent = nullptr);

    /// The scrolling part of the grid (every column but the frozen ones).
    QTableView* view() const { return m_view; }
    /// The frozen part (From, To).
    QTableView* frozenView() const { return m_frozen; }
    QPushButton* columnsButton() const { return m_columns; }

    /// Shows the chosen columns after the model was loaded again.
    void applyColumnChoice();
    /// Shows or hides a field's column and keeps the choice.
    void setFieldShown(const std::string& field, bool shown);
    bool fieldShown(const std::string& field) const;
    /// The selected cells (or every row when nothing is selected) of the shown columns with
    /// their headings, as rows of text.
    std::vector<std::vector<std::string>> shownCells(bool selectionOnly) const;
    /// Copies the selection (or the grid) to the clipboard as tab-separated text.
    void copy();
    /// Writes the shown columns of every row to a CSV file; false when it could not be written.
    bool exportCsv(const QString& path);

private:
    void showColumnMenu();
    QString settingsPath() const;

    T60ResultsModel* m_model;
    std::string m_key;
    QTableView* m_frozen;
    QTableView* m_view;
    QPushButton* m_columns;
};

}  // namespace kolv::gui::compute
