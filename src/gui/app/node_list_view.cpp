#include "gui/app/node_list_view.h"

#include <QFont>
#include <QHeaderView>

#include "common/text.h"

namespace kolv::gui {

namespace {

const char* const kHeadings[] = {"Node",    "Structure", "Station", "Inlet/Top Elev",
                                 "To Node", "Pipe",      "Length",  "Pipe Slope (%)"};
constexpr int kColumns = 8;

bool numeric(int column) { return column == 3 || column == 6 || column == 7; }

}  // namespace

int NodeListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int NodeListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant NodeListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const editing::NodeListRow& r = line(index.row());
    switch (role) {
        case Qt::DisplayRole: {
            std::string text;
            switch (index.column()) {
                case 0: text = r.name; break;
                case 1: text = r.structure; break;
                case 2: text = r.station; break;
                case 3: text = r.inletElevText(); break;
                case 4: text = r.toNode; break;
                case 5: text = r.hasReach ? r.pipe : std::string(); break;
                case 6: text = r.hasReach ? r.lengthText() : std::string(); break;
                case 7: text = r.hasReach ? r.slopeText() : std::string(); break;
                default: break;
            }
            return QString::fromStdString(text);
        }
        case Qt::TextAlignmentRole:
            return numeric(index.column()) ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
        case Qt::FontRole:
            if (r.outfall && index.column() == 0) {
                QFont f;
                f.setItalic(true);
                return f;
            }
            return {};
        case Qt::UserRole: return r.outfall;
        default: return {};
    }
}

QVariant NodeListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumns) return {};
    return QString(kHeadings[section]);
}

void NodeListModel::setRows(std::vector<editing::NodeListRow> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    m_rowOf.clear();
    for (std::size_t r = 0; r < m_rows.size(); ++r) m_rowOf.emplace(toUpper(m_rows[r].name), static_cast<int>(r));
    endResetModel();
}

int NodeListModel::rowOf(const std::string& name) const {
    const auto at = m_rowOf.find(toUpper(trim(name)));
    return at == m_rowOf.end() ? -1 : at->second;
}

void NodeListModel::setRow(int row, editing::NodeListRow line) {
    if (row < 0 || row >= rowCount()) return;
    m_rows[static_cast<std::size_t>(row)] = std::move(line);
    emit dataChanged(index(row, 0), index(row, kColumns - 1));
}

NodeListView::NodeListView(QWidget* parent) : QTableView(parent), m_model(new NodeListModel(this)) {
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    setWordWrap(false);
    verticalHeader()->setVisible(false);
    // every line the same height: the view then never measures lines it does not show
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setStretchLastSection(false);
    // Column widths are fitted once per listing, to the first lines: fitting every column to
    // every line on each change costs seconds in a system of thousands of nodes.
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setResizeContentsPrecision(200);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &NodeListView::rowSelectionChanged);
}

QString NodeListView::text(int row, int col) const { return m_model->index(row, col).data().toString(); }

int NodeListView::column(const QString& heading) const {
    for (int c = 0; c < kColumns; ++c)
        if (heading == kHeadings[c]) return c;
    return -1;
}

bool NodeListView::isOutfallRow(int row) const { return row >= 0 && row < rowCount() && m_model->line(row).outfall; }

void NodeListView::setRows(std::vector<editing::NodeListRow> rows) {
    m_model->setRows(std::move(rows));
    resizeColumnsToContents();
}

}  // namespace kolv::gui
