// Figures of the run history, printed as a table:
//  - recording: begin() and finish() of a run with 1 KiB of output, p50 and p99
//    (the run's worker does this after its command has started, so it never
//    delays the start);
//  - size: runs.db per 10,000 runs;
//  - reading: the newest 50 runs, and the newest run of every event, on a
//    database of 100,000 runs (as orvaloctl history --limit 50 and the grid do).
// Usage: history_figures [runs, default 100000]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "execution/run_history.h"

namespace {

using namespace orvalo;
using Clock = std::chrono::steady_clock;

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 100000;
    std::string pattern = (std::filesystem::temp_directory_path() / "orvalo-history-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return 1;
    const std::filesystem::path folder = pattern;
    std::vector<double> recording;
    recording.reserve(static_cast<std::size_t>(runs));
    {
        RunHistory history(folder / "runs.db", true);
        const std::string output(1024, 'x');
        const std::int64_t start = RunHistory::nowMs();
        for (int i = 0; i < runs; ++i) {
            const auto t0 = Clock::now();
            const long long run =
                history.begin({i % 100, "Event", RunTrigger::Time, start + i, start + i, "/usr/local/bin/backup"});
            RunEnd end;
            end.endMs = start + i + 1200;
            end.exitCode = i % 17 == 0 ? 1 : 0;
            end.output = output;
            history.finish(run, end);
            recording.push_back(ms(Clock::now() - t0));
        }
    }
    RunHistory reader(folder / "runs.db", false);
    std::vector<double> newest, lastOfEach;
    for (int i = 0; i < 20; ++i) {
        auto t0 = Clock::now();
        HistoryQuery query;
        query.limit = 50;
        if (reader.runs(query).size() != 50) return 1;
        newest.push_back(ms(Clock::now() - t0));
        t0 = Clock::now();
        reader.lastRuns();
        lastOfEach.push_back(ms(Clock::now() - t0));
    }
    std::uintmax_t size = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) size += entry.file_size();
    std::printf("| what | figure |\n|---|---|\n");
    std::printf("| record a run (begin + finish, 1 KiB output), %d runs | p50 %.3f ms, p99 %.3f ms |\n", runs,
                percentile(recording, 0.5), percentile(recording, 0.99));
    std::printf("| runs.db size | %.2f MB per 10,000 runs (1 KiB output each) |\n",
                static_cast<double>(size) / 1e6 * 10000.0 / runs);
    std::printf("| the newest 50 runs of %d | median %.2f ms |\n", runs, percentile(newest, 0.5));
    std::printf("| the newest run of every event (100 events) | median %.2f ms |\n", percentile(lastOfEach, 0.5));
    std::printf("| database folder | %s |\n", folder.c_str());
    return 0;
}
