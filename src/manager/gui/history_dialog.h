// "History": the runs of one event, newest first, with the selected run's output
// below; it follows new runs while it is open (a look at the history every second).
// Non-modal; deletes itself when closed.
#pragma once

#include <QDialog>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTimer>
#include <vector>

#include "execution/run_history.h"

namespace orvalo {

class HistoryDialog : public QDialog {
public:
    HistoryDialog(RunHistory& history, long long event, const QString& name, QWidget* parent = nullptr);
    // Reads the event's runs again, keeping the selected one.
    void refresh();

private:
    void showOutput();

    RunHistory& history_;
    long long event_;
    std::vector<RunRecord> runs_;
    QTableWidget* table_;
    QPlainTextEdit* output_;
    QTimer follow_;
};

}  // namespace orvalo
