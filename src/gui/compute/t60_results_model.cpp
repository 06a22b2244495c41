// T60 rows read as the view shows them.
#include "gui/compute/t60_results_model.h"

#include <QColor>

#include "common/text.h"
#include "common/vb_format.h"
#include "hydraulics/result_grid.h"
#include "hydraulics/result_headings.h"
#include "hydraulics/result_rows.h"

namespace kolv::gui::compute {

namespace {

/// Rows kept read; beyond this the kept rows are dropped and read again as needed.
constexpr std::size_t kKeptRows = 4000;

}  // namespace

T60ResultsModel::T60ResultsModel(std::function<db::Database*()> database, QObject* parent)
    : QAbstractTableModel(parent), m_database(std::move(database)) {}

void T60ResultsModel::load(const std::string& system, const std::string& orderBy) {
    beginResetModel();
    m_rows.reset();
    m_fields.clear();
    m_cache.clear();
    db::Database* db = m_database ? m_database() : nullptr;
    try {
        if (db) {
            m_rows.emplace(*db, system, orderBy, m_engineering);
            m_fields = m_rows->fields();
        }
    } catch (...) {
        m_rows.reset();
        m_fields.clear();
        endResetModel();
        throw;
    }
    endResetModel();
}

int T60ResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !m_rows ? 0 : static_cast<int>(m_rows->size());
}

int T60ResultsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_fields.size());
}

const std::vector<db::Value>* T60ResultsModel::row(int r) const {
    if (auto it = m_cache.find(r); it != m_cache.end()) return &it->second;
    // rows are read only from the database they were listed from (the project may have been closed)
    db::Database* db = m_database ? m_database() : nullptr;
    if (!m_rows || !db || db != m_rows->database() || r < 0) return nullptr;
    std::vector<db::Value> values;
    try {
        if (!m_rows->read(static_cast<std::size_t>(r), values)) return nullptr;
    } catch (...) {
        return nullptr;  // painting never stops on a read fault; the cells stay empty
    }
    if (m_cache.size() >= kKeptRows) m_cache.clear();
    return &m_cache.emplace(r, std::move(values)).first->second;
}

QVariant T60ResultsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::BackgroundRole) {
        // the column that takes typing
        if (!m_editableField.empty() && index.column() == column(m_editableField)) return QColor(255, 249, 214);
        return {};
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::TextAlignmentRole) return {};
    const auto* values = row(index.row());
    if (!values || index.column() >= static_cast<int>(values->size())) return {};
    const db::Value& v = (*values)[static_cast<std::size_t>(index.column())];
    if (role == Qt::TextAlignmentRole)
        return v.isNumber() ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    if (v.isNull()) return QString();
    if (m_engineering)
        return QString::fromStdString(hydraulics::t60CellText(m_fields[static_cast<std::size_t>(index.column())], v));
    if (v.isNumber()) return QString::fromStdString(shortestText(roundHalfAway(v.toDouble(), 4)));
    return QString::fromStdString(v.toText());
}

QVariant T60ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    if (section < 0 || section >= static_cast<int>(m_fields.size())) return {};
    const std::string& field = m_fields[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole) return QString::fromStdString(hydraulics::t60Heading(field));
    if (role == Qt::ToolTipRole || role == Qt::UserRole) return QString::fromStdString(field);
    return {};
}

Qt::ItemFlags T60ResultsModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && !m_editableField.empty() && index.column() == column(m_editableField))
        f |= Qt::ItemIsEditable;
    return f;
}

bool T60ResultsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable) || !m_commit) return false;
    m_commit(index.row(), value.toString().toStdString());
    m_cache.erase(index.row());  // shows what the project now holds
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
    return true;
}

std::string T60ResultsModel::field(int column) const {
    return column >= 0 && column < static_cast<int>(m_fields.size()) ? m_fields[static_cast<std::size_t>(column)]
                                                                      : std::string();
}

int T60ResultsModel::column(const std::string& field) const {
    for (std::size_t c = 0; c < m_fields.size(); ++c)
        if (m_fields[c] == field) return static_cast<int>(c);
    return -1;
}

void T60ResultsModel::setEditableField(std::string field, std::function<void(int, const std::string&)> commit) {
    m_editableField = std::move(field);
    m_commit = std::move(commit);
}

}  // namespace kolv::gui::compute
