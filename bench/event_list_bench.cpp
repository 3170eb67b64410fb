// Open and save of a 2,000-row event list, the largest list a user plausibly keeps
// (1,000 time events plus file and web events).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <stdlib.h>
#include <string>

#include "eventlist/csv_data_set.h"
#include "eventlist/event_record.h"
#include "sample_event_list.h"

namespace {

using namespace orvalo;

void BM_OpenEventList(benchmark::State& state) {
    const auto folder = makeBenchFolder();
    const auto path = folder / "L.csv";
    writeSampleList(path);
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
    const auto folder = makeBenchFolder();
    const auto path = folder / "L.csv";
    writeSampleList(path);
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
