#include "manager/gui/background_task.h"

#include <QGuiApplication>
#include <QPointer>
#include <QThread>
#include <memory>

namespace orvalo {

void runInBackground(QWidget* owner, std::function<void()> work, std::function<void(const std::string& error)> done) {
    auto error = std::make_shared<std::string>();
    QThread* thread = QThread::create([work = std::move(work), error] {
        try {
            work();
        } catch (const std::exception& e) {
            *error = e.what();
        }
    });
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    owner->setEnabled(false);
    QPointer<QWidget> guard(owner);
    // finished comes on this (the owner's) thread, whether or not the owner still
    // exists; the thread object goes once it has ended.
    QObject::connect(thread, &QThread::finished, thread, [guard, thread, error, done = std::move(done)] {
        thread->deleteLater();
        QGuiApplication::restoreOverrideCursor();
        if (!guard) return;
        guard->setEnabled(true);
        done(*error);
    });
    thread->start();
}

}  // namespace orvalo
