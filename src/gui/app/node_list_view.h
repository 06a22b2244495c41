// The main window's list of the nodes of the current system: a table view over the listed rows,
// so a system of tens of thousands of nodes lists at once and paints only the lines in sight.
#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <string>
#include <unordered_map>
#include <vector>

#include "editing/node_list.h"

namespace kolv::gui {

class NodeListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    /// Lists these lines in place of the ones before.
    void setRows(std::vector<editing::NodeListRow> rows);
    /// Shows one line again, as read after an edit.
    void setRow(int row, editing::NodeListRow line);
    const editing::NodeListRow& line(int row) const { return m_rows[static_cast<std::size_t>(row)]; }
    /// Line of a node (or the outfall) by name, trimmed and without regard to case; -1 when not listed.
    int rowOf(const std::string& name) const;

private:
    std::vector<editing::NodeListRow> m_rows;
    std::unordered_map<std::string, int> m_rowOf;  ///< upper-cased name -> its first line
};

class NodeListView : public QTableView {
    Q_OBJECT
public:
    explicit NodeListView(QWidget* parent = nullptr);

    NodeListModel* listModel() const { return m_model; }
    int rowCount() const { return m_model->rowCount(); }
    int columnCount() const { return m_model->columnCount(); }
    /// Text shown in a cell ("" for a node without an outgoing reach in the reach columns).
    QString text(int row, int column) const;
    /// Column of a heading (-1 when there is none).
    int column(const QString& heading) const;
    /// The line is the outfall's.
    bool isOutfallRow(int row) const;

    /// Lists the lines, the column widths fitted to the first of them.
    void setRows(std::vector<editing::NodeListRow> rows);

signals:
    /// The selected line changed (by a click, a key, or selectRow).
    void rowSelectionChanged();

private:
    NodeListModel* m_model;
};

}  // namespace kolv::gui
