#include "manager/gui/history_dialog.h"

#include <QDateTime>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QVBoxLayout>

#include "manager/gui/dialog_parts.h"
#include "manager/gui/window_colors.h"

namespace orvalo {

namespace {

QString moment(std::int64_t ms) { return QDateTime::fromMSecsSinceEpoch(ms).toString("yyyy-MM-dd HH:mm:ss"); }

}  // namespace

HistoryDialog::HistoryDialog(RunHistory& history, long long event, const QString& name, QWidget* parent)
    : QDialog(parent), history_(history), event_(event) {
    setObjectName("HistoryDialog");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString("History of event %1 (%2)").arg(event).arg(name));
    table_ = named(new QTableWidget(0, 5), "RunsTable");
    table_->setHorizontalHeaderLabels({"Run", "Started", "Trigger", "Duration", "Result"});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->verticalHeader()->setVisible(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    output_ = named(new QPlainTextEdit, "RunOutput");
    output_->setReadOnly(true);
    output_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(table_);
    split->addWidget(output_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split);
    resize(760, 560);
    connect(table_, &QTableWidget::itemSelectionChanged, this, [this] { showOutput(); });
    connect(&follow_, &QTimer::timeout, this, [this] { refresh(); });
    follow_.start(1000);
    refresh();
}

void HistoryDialog::refresh() {
    const int selected = table_->currentRow();
    const long long selectedRun = selected >= 0 && selected < static_cast<int>(runs_.size()) ? runs_[static_cast<std::size_t>(selected)].run : 0;
    HistoryQuery query;
    query.event = event_;
    query.limit = 200;
    std::vector<RunRecord> runs = history_.runs(query);
    // A table that shows what it showed is left alone, selection and scroll included.
    const bool same = runs.size() == runs_.size() &&
                      std::equal(runs.begin(), runs.end(), runs_.begin(), [](const RunRecord& a, const RunRecord& b) {
                          return a.run == b.run && a.end.has_value() == b.end.has_value() && a.lost == b.lost;
                      });
    if (same) return;
    runs_ = std::move(runs);
    const QSignalBlocker quiet(table_);
    table_->setRowCount(static_cast<int>(runs_.size()));
    int reselect = runs_.empty() ? -1 : 0;
    for (std::size_t i = 0; i < runs_.size(); ++i) {
        const RunRecord& r = runs_[i];
        const int row = static_cast<int>(i);
        const QString duration = r.end ? QString("%1 s").arg(static_cast<double>(r.end->endMs - r.start.startMs) / 1000.0, 0, 'f', 1) : "";
        const QStringList cells = {QString::number(r.run), moment(r.start.startMs), runTriggerName(r.start.trigger), duration,
                                   QString::fromStdString(runResultText(r))};
        for (int c = 0; c < cells.size(); ++c) table_->setItem(row, c, new QTableWidgetItem(cells[c]));
        if (r.end || r.lost) table_->item(row, 4)->setBackground(runSucceeded(r) ? colors::kGoodCell : colors::kFailedCell);
        if (r.run == selectedRun) reselect = row;
    }
    table_->resizeColumnsToContents();
    if (reselect >= 0) table_->selectRow(reselect);
    showOutput();
}

void HistoryDialog::showOutput() {
    const int row = table_->currentRow();
    if (row < 0 || row >= static_cast<int>(runs_.size())) return output_->clear();
    const RunRecord& r = runs_[static_cast<std::size_t>(row)];
    const std::optional<std::string> output = history_.output(r.run);
    QString text = QString::fromUtf8(output ? output->data() : "", output ? static_cast<int>(output->size()) : 0);
    if (r.end && r.end->outputTruncated) text.prepend("(only the last part of the output is kept)\n");
    output_->setPlainText(text);
}

}  // namespace orvalo
