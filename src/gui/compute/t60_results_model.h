// The storm tabulation results of a system (T60) as a table model that reads only the rows in view.
#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/database.h"
#include "hydraulics/result_rows.h"

namespace kolv::gui::compute {

/// Rows of T60 for one system, every field but `SYSTEM`. Loading reads only the rowids; a row's
/// values are read when the view first asks for them and kept for a while, so a system of tens of
/// thousands of reaches shows at once and scrolls freely. Numbers show to 4 decimals. Headings
/// are in words with units; the field name is the heading's tooltip and user data.
class T60ResultsModel : public QAbstractTableModel {
public:
    /// `database` tells the open project's database each time (nullptr when none): the rows are
    /// read only from the database they were listed from.
    explicit T60ResultsModel(std::function<db::Database*()> database, QObject* parent = nullptr);

    /// Lists the system's rows again (after a run), in `orderBy` order or storage order.
    void load(const std::string& system, const std::string& orderBy = {});
    /// The storm tab's engineering columns first and numbers rounded as the printed tab rounds
    /// them (the design-step grids); otherwise stored order and 4 decimals. Takes effect on load.
    void setEngineeringView(bool on) { m_engineering = on; }
    /// Stored field of a column ("" when none).
    std::string field(int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    /// Column of a field (-1 when not listed).
    int column(const std::string& field) const;
    /// Lets one field be typed into. `commit` stores the text typed on a row (reporting any
    /// refusal itself); the row is then read again, so it shows what the project holds.
    void setEditableField(std::string field, std::function<void(int row, const std::string& text)> commit);

private:
    /// The values of a row, read on first use; nullptr when they cannot be read.
    const std::vector<db::Value>* row(int r) const;

    std::function<db::Database*()> m_database;
    std::optional<hydraulics::SystemResultRows> m_rows;  ///< the rows listed by the last load
    std::vector<std::string> m_fields;
    std::string m_editableField;
    bool m_engineering = false;
    std::function<void(int, const std::string&)> m_commit;
    mutable std::unordered_map<int, std::vector<db::Value>> m_cache;
};

}  // namespace kolv::gui::compute
