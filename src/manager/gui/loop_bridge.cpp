#include "manager/gui/loop_bridge.h"

#include <algorithm>
#include <chrono>
#include <set>

namespace orvalo {

LoopBridge::LoopBridge(MainLoop& loop, QObject* parent)
    : QObject(parent), loop_(loop), wake_(loop.wakeDescriptor(), QSocketNotifier::Read) {
    timer_.setSingleShot(true);
    connect(&wake_, &QSocketNotifier::activated, this, [this] { serve(); });
    connect(&timer_, &QTimer::timeout, this, [this] { serve(); });
    follow();
}

void LoopBridge::serve() {
    loop_.runPending();
    follow();
}

void LoopBridge::follow() {
    const std::vector<int> fds = loop_.watchedDescriptors();
    const std::set<int> wanted(fds.begin(), fds.end());
    std::erase_if(watched_, [&](const auto& entry) { return !wanted.contains(entry.first); });
    for (int fd : wanted) {
        if (watched_.contains(fd)) continue;
        auto notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(notifier.get(), &QSocketNotifier::activated, this, [this] { serve(); });
        watched_.emplace(fd, std::move(notifier));
    }
    if (const auto due = loop_.nextTimerDue()) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - std::chrono::steady_clock::now());
        timer_.start(static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(wait.count(), 0, 86'400'000)));
    } else {
        timer_.stop();
    }
}

}  // namespace orvalo
