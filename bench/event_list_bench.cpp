// Open and save of a 2,000-row event list, the largest list a user plausibly keeps
// (1,000 time events plus file and web events).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <stdlib.h>
#include <string>

#include "eventlist/csv_data_set.h"
#include "eventlist/event_record.h"

namespace {

using namespace orvalo;

constexpr int kRows = 2000;

std::filesystem::path makeFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvalo-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern;
}

// A realistic mix: time events with a schedule text, file and web events.
void writeList(const std::filesystem::path& path) {
    CsvDataSet table;
    configureEventListTable(table, path.string(), false);
    table.open();
    const std::string schedule =
        "# Schedule: Generic\r\nStart.Date = 2026/12/01\r\nStart.Time = 08:00:00.000\r\n"
        "# Schedule: Recurring info\r\nRecur type = srkDaily\r\n# Schedule: End info\r\nEnd type = sekNone\r\n"
        "# Schedule: Day frequency\r\nFrequency start = 08:00:00.000\r\nFrequency end = 17:00:00.000\r\n"
        "Frequency interval = 00:15:00.000\r\n# Schedule: Daily info\r\nDaily every weekday = False\r\n"
        "Daily interval = 1\r\n";
    const EventAction action{"Nightly backup of \"home\"", "/usr/bin/rsync -a /home/ /mnt/backup/", "Hide", 5};
    for (int i = 0; i < kRows; ++i) {
        EventRecord record;
        if (i < 1000) {
            record = makeTimeEvent(i, action, "12/01/26 08:00:00", schedule);
        } else if (i % 2 == 0) {
            FileCondition file;
            file.path = "/srv/incoming/file" + std::to_string(i) + ".csv";
            record = makeFileEvent(i, action, file);
        } else {
            WebCondition web;
            web.url = "http://127.0.0.1:8080/status?page=" + std::to_string(i);
            web.searchText = "ready; go";
            record = makeWebEvent(10000 + i, action, web);
        }
        record.lastRun = "12/10/26 23:59:59";
        table.append();
        writeEventRecord(table, record);
        table.post();
    }
    table.close();
}

void BM_OpenEventList(benchmark::State& state) {
    const auto folder = makeFolder();
    const auto path = folder / "L.csv";
    writeList(path);
    for (auto _ : state) {
        CsvDataSet table;
        configureEventListTable(table, path.string(), true);
        table.open();
        benchmark::DoNotOptimize(table.recordCount());
        table.close();
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_OpenEventList)->Unit(benchmark::kMillisecond);

// One record changed (as a run does when it stamps LASTRUN), then the whole list saved.
void BM_SaveEventList(benchmark::State& state) {
    const auto folder = makeFolder();
    const auto path = folder / "L.csv";
    writeList(path);
    CsvDataSet table;
    configureEventListTable(table, path.string(), true);
    table.open();
    table.moveTo(kRows / 2);
    int n = 0;
    for (auto _ : state) {
        table.edit();
        table.setValue("STATE", (++n % 2) ? "Running" : "Waiting");
        table.post();
        table.saveIfChanged();
    }
    table.close();
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SaveEventList)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
