// Figures of the action runner, printed as a table:
//  - burst: 100 runs started in the same instant on a 1,000-row event list, each with
//    its two list passes; the time from the first start until every command runs;
//  - threads: the process's threads while 100 runs wait for their kill time, their
//    commands still running;
//  - recording: the delay from a run's start to its command's own time stamp, with
//    and without the run history, runs taken in turn;
//  - no leak: 10,000 short runs; open descriptors and threads before and after.
// Usage: runner_figures [runs for the leak check, default 10000]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <mutex>
#include <thread>
#include <vector>

#include "eventlist/event_record.h"
#include "execution/action_runner.h"
#include "execution/run_history.h"

namespace {

using namespace orvalo;
using namespace std::chrono;

std::filesystem::path makeFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvalo-figures-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern;
}

void writeList(const std::filesystem::path& file, int rows, const std::filesystem::path& markers) {
    CsvDataSet table;
    configureEventListTable(table, file.string(), true);
    table.open();
    for (int i = 0; i < rows; ++i) {
        EventRecord r = makeTimeEvent(i, {"Event" + std::to_string(i + 1), "touch " + (markers / ("run" + std::to_string(i))).string(),
                                          "Normal", 0},
                                      "12/11/26 08:00:00", "# Schedule: Generic\r\nStart.Date = 2026/12/11\r\n");
        table.append();
        writeEventRecord(table, r);
        table.post();
    }
    table.close();
}

std::size_t openDescriptors() {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

int threads() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
    return -1;
}

struct Setup {
    explicit Setup(int rows) : folder(makeFolder()), markers(folder / "markers") {
        std::filesystem::create_directory(markers);
        writeList(folder / "sl.csv", rows, markers);
        configureEventListTable(table, (folder / "sl.csv").string(), true);
        table.open();
        RunnerSettings settings;
        settings.service = true;
        settings.programFolder = folder;
        runner.emplace(settings, list, log, mail);
    }
    ~Setup() {
        runner.reset();
        table.close();
        std::filesystem::remove_all(folder);
    }
    std::size_t markerCount() const {
        std::size_t n = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(markers)) ++n;
        return n;
    }

    std::filesystem::path folder, markers;
    CsvDataSet table;
    SharedEventList list{table};
    LogFile log{folder / "slog.txt"};
    MailNotifier mail{log, MailNotifier::kServiceSubject, true};
    std::optional<ActionRunner> runner;
};

void burst() {
    Setup s(1000);
    const auto start = steady_clock::now();
    for (int i = 0; i < 100; ++i) s.runner->startRun(i);
    while (s.markerCount() < 100) std::this_thread::sleep_for(milliseconds(1));
    const double ms = duration<double, std::milli>(steady_clock::now() - start).count();
    while (s.runner->anyActive()) std::this_thread::sleep_for(milliseconds(5));
    std::printf("| burst: 100 runs at once on a 1,000-row list, until every command runs | %.1f ms |\n", ms);
}

void waitingThreads() {
    Setup s(100);
    const int before = threads();
    {
        CsvDataSet& table = s.table;
        std::lock_guard lock(s.list.lock());
        // Commands that go on running, each with its kill time ahead.
        for (table.first(); !table.eof(); table.next()) {
            table.edit();
            table.setValue("COMMANDLINE", table.value("COMMANDLINE") + "; exec sleep 60");
            table.setValue("KILL_AFTER_MINS", "1");
            table.post();
        }
    }
    for (int i = 0; i < 100; ++i) s.runner->startRun(i);
    while (s.markerCount() < 100) std::this_thread::sleep_for(milliseconds(1));
    for (int i = 0; i < 20; ++i) std::this_thread::sleep_for(milliseconds(10));  // every command has ended and been seen
    const int during = threads();
    s.runner->stop(steady_clock::now());
    std::printf("| threads while 100 runs wait for their kill time | %d before, %d during |\n", before, during);
}

double percentileOf(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

void recordingDelay(int runs) {
    Setup s(1);
    std::optional<RunHistory> history;
    history.emplace(s.folder / "runs.db", true);
    {
        std::lock_guard lock(s.list.lock());
        s.table.first();
        s.table.edit();
        s.table.setValue("COMMANDLINE", "date +%s%N > " + (s.markers / "stamp").string());
        s.table.post();
    }
    std::vector<double> with, without;
    for (int i = 0; i < runs; ++i) {
        const bool recorded = i % 2 == 0;
        s.runner->setHistory(recorded ? &*history : nullptr, 65536);
        std::filesystem::remove(s.markers / "stamp");
        const auto started = system_clock::now();
        s.runner->startRun(0);
        long long ns = 0;
        // Without the history the run does not wait for its command: wait for the stamp.
        while (s.runner->anyActive() || ns == 0) {
            std::this_thread::sleep_for(milliseconds(1));
            std::ifstream stamp(s.markers / "stamp");
            stamp >> ns;
        }
        const double delay = static_cast<double>(ns - duration_cast<nanoseconds>(started.time_since_epoch()).count()) / 1e6;
        (recorded ? with : without).push_back(delay);
    }
    s.runner->setHistory(nullptr, 0);
    std::printf("| run start to the command's own stamp, %d runs each | with history p50 %.2f ms, p99 %.2f ms; "
                "without p50 %.2f ms, p99 %.2f ms |\n",
                runs / 2, percentileOf(with, 0.5), percentileOf(with, 0.99), percentileOf(without, 0.5),
                percentileOf(without, 0.99));
}

void leak(int runs) {
    Setup s(10);
    // One warm-up run, so lazily made things (the reaper, libcurl) exist before counting.
    s.runner->startRun(0);
    while (s.runner->anyActive()) std::this_thread::sleep_for(milliseconds(1));
    s.runner->stop(steady_clock::now());
    const std::size_t fdsBefore = openDescriptors();
    const int threadsBefore = threads();
    const auto start = steady_clock::now();
    for (int done = 0; done < runs;) {
        for (int i = 0; i < 50 && done < runs; ++i, ++done) s.runner->startRun(done % 10);
        while (s.runner->anyActive()) std::this_thread::sleep_for(milliseconds(1));
    }
    s.runner->stop(steady_clock::now());
    std::this_thread::sleep_for(milliseconds(200));  // the reaper takes the last commands
    std::printf("| no leak: %d short runs (%.1f s) | descriptors %zu -> %zu | threads %d -> %d |\n", runs,
                duration<double>(steady_clock::now() - start).count(), fdsBefore, openDescriptors(), threadsBefore,
                threads());
}

}  // namespace

int main(int argc, char** argv) {
    std::printf("| what | figures |||\n|---|---|---|---|\n");
    burst();
    waitingThreads();
    recordingDelay(400);
    leak(argc > 1 ? std::atoi(argv[1]) : 10000);
    return 0;
}
