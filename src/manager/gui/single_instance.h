// At most one Orvalo window per user: the first holds a lock file and listens on a
// local socket, both in the user's private runtime folder; a later one finds the
// lock taken, asks the first to come to the front and ends before it reads any
// file. Raises Error when the user has no private folder.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <functional>
#include <memory>

namespace orvalo {

class SingleInstance : public QObject {
public:
    SingleInstance();
    // True for the first instance; false after the running one has been asked to
    // come to the front.
    bool claim();
    // Called in the first instance whenever a later one starts.
    void onAnotherStart(std::function<void()> handler) { handler_ = std::move(handler); }

private:
    QString name_;  // the socket's full path
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
    std::function<void()> handler_;
};

}  // namespace orvalo
