// A read-only view of a log file inside the window, for machines without a viewer
// for text files (no xdg-open): it shows the file and follows the lines appended to
// it, as "tail -f" does (an inotify watch, no polling). Non-modal; deletes itself
// when closed.
#pragma once

#include <QDialog>
#include <QFileSystemWatcher>
#include <QPlainTextEdit>

namespace orvalo {

class LogViewer : public QDialog {
public:
    LogViewer(const QString& path, QWidget* parent = nullptr);
    // Reads what was appended since the last read (or all after a truncation).
    void readNew();

private:
    QString path_;
    qint64 read_ = 0;
    QPlainTextEdit* text_;
    QFileSystemWatcher watcher_;
};

}  // namespace orvalo
