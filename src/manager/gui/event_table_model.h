// The grid's model: the manager's list as its eight columns, with the colours of the
// "Active" and "State" cells, and a ninth, "Last result", from the run history
// (green for exit 0, red for any other end). It shows a copy of the rows read
// through the core from the list file, which is always replaced whole, so neither
// painting nor a refresh ever waits for a run that is writing the list.
#pragma once

#include <QAbstractTableModel>
#include <array>
#include <string>
#include <vector>

#include "manager/core/manager_core.h"

namespace orvalo {

class EventTableModel : public QAbstractTableModel {
public:
    static constexpr int kColumns = 9;
    static constexpr int kLastResultColumn = 8;
    explicit EventTableModel(ManagerCore& core, QObject* parent = nullptr);

    // Takes a fresh copy of the list file and the last results.
    void refresh();
    // Takes the last results only (they change without the list).
    void refreshResults();
    // The event ID of a row; empty text when there is no such row.
    QString idAt(int row) const;
    int rowOf(const QString& id) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row {
        QString id;
        std::array<QString, kColumns> cells;
        bool succeeded = false;  // the last run's
        bool ended = false;
    };
    // The last result cells of the rows.
    void fillResults(std::vector<Row>& rows);
    ManagerCore& core_;
    std::vector<Row> rows_;
    std::uint64_t resultsVersion_ = 0;
};

}  // namespace orvalo
