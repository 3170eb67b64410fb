// Opening the Orvalo window on a 2,000-event list, from loading the list until the
// grid has been painted, on Qt's offscreen platform. Each iteration starts a
// manager core (list, engine items, watch table, settings) and a window afresh.
#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QTableView>
#include <filesystem>
#include <optional>

#include "manager/core/manager_core.h"
#include "manager/gui/loop_bridge.h"
#include "manager/gui/main_window.h"
#include "sample_event_list.h"
#include "schedule/scheduler_thread.h"

namespace {

using namespace orvalo;

// Notes the first paint of the grid's cells.
class PaintSeen : public QObject {
public:
    bool seen = false;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) seen = true;
        return QObject::eventFilter(watched, event);
    }
};

void BM_OpenWindowOn2000Events(benchmark::State& state) {
    const auto folder = makeBenchFolder();
    writeSampleList(folder / "L.csv");
    for (auto _ : state) {
        MainLoop loop;
        SchedulerThread scheduler;
        ManagerCore core(folder, loop, scheduler);
        core.start();
        LoopBridge bridge(loop);
        MainWindow window(core);
        PaintSeen paint;
        window.findChild<QTableView*>("Grid1")->viewport()->installEventFilter(&paint);
        window.show();
        while (!paint.seen) QApplication::processEvents(QEventLoop::AllEvents, 5);
        state.PauseTiming();
        window.hide();
        core.beginStop();
        state.ResumeTiming();
    }
    state.counters["events"] = kRows;
    std::filesystem::remove_all(folder);
}
// The first opening in a process pays for Qt's fonts and styles, as a user's does.
BENCHMARK(BM_OpenWindowOn2000Events)->Name("FirstOpenInProcess")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_OpenWindowOn2000Events)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
