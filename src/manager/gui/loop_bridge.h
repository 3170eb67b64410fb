// Runs a MainLoop inside Qt's event loop on the window thread: posted tasks, the
// loop's timers and its watched descriptors are served as Qt sees them become
// ready, with no polling in between.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <map>
#include <memory>

#include "platform/main_loop.h"

namespace orvalo {

class LoopBridge : public QObject {
public:
    explicit LoopBridge(MainLoop& loop, QObject* parent = nullptr);

    // Runs what is ready, then follows the loop's new timers and descriptors.
    void serve();

private:
    void follow();

    MainLoop& loop_;
    QSocketNotifier wake_;
    QTimer timer_;
    std::map<int, std::unique_ptr<QSocketNotifier>> watched_;
};

}  // namespace orvalo
