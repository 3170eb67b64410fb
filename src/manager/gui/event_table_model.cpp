#include "manager/gui/event_table_model.h"

#include <QColor>
#include <QFont>
#include <map>

#include "execution/run_history.h"
#include "manager/gui/window_colors.h"

namespace orvalo {

namespace {

struct Column {
    const char* title;
    const std::string& (*value)(const EventRecord&);
};
constexpr Column kGrid[EventTableModel::kColumns] = {
    {"Event name", [](const EventRecord& r) -> const std::string& { return r.name; }},
    {"Start Date-time", [](const EventRecord& r) -> const std::string& { return r.date; }},
    {"Command to execute", [](const EventRecord& r) -> const std::string& { return r.commandLine; }},
    {"State", [](const EventRecord& r) -> const std::string& { return r.state; }},
    {"Active", [](const EventRecord& r) -> const std::string& { return r.active; }},
    {"Last run", [](const EventRecord& r) -> const std::string& { return r.lastRun; }},
    {"Start mode", [](const EventRecord& r) -> const std::string& { return r.startMode; }},
    {"Kill after(min)", [](const EventRecord& r) -> const std::string& { return r.killAfterMins; }},
    {"Last result", [](const EventRecord&) -> const std::string& {
         static const std::string filledLater;
         return filledLater;
     }}};
constexpr int kStateColumn = 3;
constexpr int kActiveColumn = 4;

}  // namespace

EventTableModel::EventTableModel(ManagerCore& core, QObject* parent) : QAbstractTableModel(parent), core_(core) {
    refresh();
}

void EventTableModel::refresh() {
    std::vector<EventRecord> records;
    try {
        records = core_.readListFile();
    } catch (const std::exception&) {
        return;  // a list that cannot be read keeps the rows shown; commands report it
    }
    std::vector<Row> rows;
    rows.reserve(records.size());
    for (const EventRecord& record : records) {
        Row row;
        row.id = QString::fromStdString(record.id);
        for (std::size_t c = 0; c < kColumns; ++c) row.cells[c] = QString::fromStdString(kGrid[c].value(record));
        rows.push_back(std::move(row));
    }
    fillResults(rows);
    if (rows.size() == rows_.size()) {
        rows_ = std::move(rows);
        if (!rows_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, kColumns - 1));
        return;
    }
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void EventTableModel::fillResults(std::vector<Row>& rows) {
    RunHistory* history = core_.history();
    if (history == nullptr) return;
    const std::map<long long, RunRecord> last = history->lastRuns();
    for (Row& row : rows) {
        const auto found = last.find(row.id.toLongLong());
        if (found == last.end()) continue;
        row.cells[kLastResultColumn] = QString::fromStdString(runResultText(found->second));
        row.ended = found->second.end.has_value() || found->second.lost;
        row.succeeded = runSucceeded(found->second);
    }
}

void EventTableModel::refreshResults() {
    RunHistory* history = core_.history();
    if (rows_.empty() || history == nullptr) return;
    // Nothing recorded since the last look: nothing to read.
    const std::uint64_t version = history->version();
    if (version == resultsVersion_) return;
    resultsVersion_ = version;
    fillResults(rows_);
    emit dataChanged(index(0, kLastResultColumn), index(rowCount() - 1, kLastResultColumn));
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
            if (index.column() == kLastResultColumn && row.ended)
                return row.succeeded ? colors::kGoodCell : colors::kFailedCell;
            return {};
        case Qt::ForegroundRole:
            if (index.column() == kActiveColumn || index.column() == kStateColumn || index.column() == kLastResultColumn)
                return QColor(Qt::black);
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
