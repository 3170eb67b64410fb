// How long the window thread is kept busy while runs go on: 100 time events fire
// every second for 20 s (2,000 runs, each writing the list twice and refreshing the
// grid); a 10 ms timer on the window thread records how late it comes. Prints the
// largest delays. Offscreen unless QT_QPA_PLATFORM says otherwise.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "manager/core/manager_core.h"
#include "manager/gui/loop_bridge.h"
#include "manager/gui/main_window.h"
#include "sample_event_list.h"
#include "schedule/scheduler_thread.h"

int main(int argc, char** argv) {
    using namespace orvalo;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto folder = makeBenchFolder();
    MainLoop loop;
    SchedulerThread scheduler;
    ManagerCore core(folder, loop, scheduler);
    core.start();
    for (int i = 0; i < 100; ++i) {
        ActionFields action;
        action.name = "Every second " + std::to_string(i);
        action.commandLine = "true";
        TimeEventForm form = TimeEventForm::defaults(toLocalDateTime(nowStamp(SystemClock::instance())));
        form.type = TimeEventForm::Daily;
        form.freqOnce = false;
        form.freqIntervalUnit = TimeEventForm::Seconds;
        core.addTimeEvent(action, form);
    }
    LoopBridge bridge(loop);
    MainWindow window(core);
    window.show();
    for (int i = 0; i < 100; ++i) core.enable(i);
    window.refresh();

    std::vector<qint64> lateness;
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (last != 0) lateness.push_back(now - last - 10);
        last = now;
    });
    probe.start(10);
    QTimer::singleShot(20'000, [&] { app.quit(); });
    QApplication::exec();
    core.beginStop();
    while (core.runsActive()) QApplication::processEvents(QEventLoop::AllEvents, 50);
    core.finishStop();

    std::sort(lateness.begin(), lateness.end());
    const auto at = [&](double q) { return lateness[static_cast<std::size_t>(q * static_cast<double>(lateness.size() - 1))]; };
    std::printf("window thread delay over 20 s of 100 runs a second: p50 %lld ms, p99 %lld ms, max %lld ms (%zu probes)\n",
                static_cast<long long>(at(0.5)), static_cast<long long>(at(0.99)), static_cast<long long>(lateness.back()),
                lateness.size());
    std::filesystem::remove_all(folder);
    return 0;
}
