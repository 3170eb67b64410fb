#include "manager/gui/log_viewer.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QScrollBar>
#include <QVBoxLayout>

#include "manager/gui/dialog_parts.h"

namespace orvalo {

LogViewer::LogViewer(const QString& path, QWidget* parent) : QDialog(parent), path_(path) {
    setObjectName("LogViewer");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QFileInfo(path).fileName());
    text_ = named(new QPlainTextEdit, "LogText");
    text_->setReadOnly(true);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    resize(900, 500);
    watcher_.addPath(path);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] {
        readNew();
        // A file that was replaced is watched anew.
        if (!watcher_.files().contains(path_)) watcher_.addPath(path_);
    });
    readNew();
}

void LogViewer::readNew() {
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) return;
    if (file.size() < read_) {  // truncated or replaced: start again
        text_->clear();
        read_ = 0;
    }
    file.seek(read_);
    const QByteArray bytes = file.readAll();
    read_ += bytes.size();
    if (bytes.isEmpty()) return;
    QScrollBar* bar = text_->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QString added = QString::fromUtf8(bytes);
    added.remove('\r');
    if (added.endsWith('\n')) added.chop(1);
    text_->appendPlainText(added);
    if (atEnd) bar->setValue(bar->maximum());
}

}  // namespace orvalo
