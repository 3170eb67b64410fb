#include "manager/gui/event_table_model.h"

#include <QColor>
#include <QFont>

#include "manager/gui/window_colors.h"

namespace orvalo {

namespace {

struct Column {
    const char* title;
    const char* field;
};
constexpr Column kGrid[EventTableModel::kColumns] = {
    {"Event name", "NAME"},       {"Start Date-time", "DATE"}, {"Command to execute", "COMMANDLINE"},
    {"State", "STATE"},           {"Active", "ACTIVE"},        {"Last run", "LASTRUN"},
    {"Start mode", "START_MODE"}, {"Kill after(min)", "KILL_AFTER_MINS"}};
constexpr int kStateColumn = 3;
constexpr int kActiveColumn = 4;

}  // namespace

EventTableModel::EventTableModel(ManagerCore& core, QObject* parent) : QAbstractTableModel(parent), core_(core) {
    refresh();
}

void EventTableModel::refresh() {
    // The list file is always replaced whole, so reading it needs no lock: the grid
    // never waits for runs that are writing the list.
    CsvDataSet list;
    configureEventListTable(list, core_.listFile().string(), false);
    try {
        list.open();
    } catch (const std::exception&) {
        return;  // a list that cannot be read keeps the rows shown; commands report it
    }
    std::vector<Row> rows;
    rows.reserve(static_cast<std::size_t>(list.recordCount()));
    std::vector<CsvField> fields;
    for (const Column& column : kGrid) fields.push_back(list.fieldByName(column.field));
    const CsvField id = list.fieldByName("ID");
    for (list.first(); !list.eof(); list.next()) {
        Row row;
        row.id = QString::fromStdString(id.asString());
        for (std::size_t c = 0; c < fields.size(); ++c) row.cells[c] = QString::fromStdString(fields[c].asString());
        rows.push_back(std::move(row));
    }
    if (rows.size() == rows_.size()) {
        rows_ = std::move(rows);
        if (!rows_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, kColumns - 1));
        return;
    }
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

QString EventTableModel::idAt(int row) const {
    return row >= 0 && row < rowCount() ? rows_[static_cast<std::size_t>(row)].id : QString();
}

int EventTableModel::rowOf(const QString& id) const {
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].id == id) return static_cast<int>(i);
    return -1;
}

int EventTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int EventTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant EventTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    const QString& text = row.cells[static_cast<std::size_t>(index.column())];
    switch (role) {
        case Qt::DisplayRole:
            return text;
        case Qt::ToolTipRole:
            // An elided command line is read whole here.
            if (index.column() == 2 && !text.isEmpty()) return text;
            return {};
        case Qt::FontRole:
            if (index.column() <= 1) {
                QFont bold;
                bold.setBold(true);
                return bold;
            }
            return {};
        case Qt::TextAlignmentRole:
            if (index.column() == 1) return int(Qt::AlignCenter);
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        case Qt::BackgroundRole:
            if (index.column() == kActiveColumn) return text == "Disabled" ? colors::kDisabledCell : colors::kGoodCell;
            if (index.column() == kStateColumn) return text == "Waiting" ? colors::kWaitingCell : colors::kGoodCell;
            return {};
        case Qt::ForegroundRole:
            if (index.column() == kActiveColumn || index.column() == kStateColumn) return QColor(Qt::black);
            return {};
        default:
            return {};
    }
}

QVariant EventTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumns) return {};
    return QString::fromLatin1(kGrid[section].title);
}

}  // namespace orvalo
