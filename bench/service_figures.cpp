// Figures of the real service program, printed as a table:
//  - start-up: 1,000 enabled time events (none due for an hour) and 1,000 file events;
//    time from starting OrvaloS -console to "Service init OK" in slog.txt;
//  - idle: its CPU time over the idle seconds, and its resident memory;
//  - fire accuracy: an every-second event over the same seconds, the delay from the
//    due second to its command's own time stamp, p50 and p99.
// Usage: service_figures [idle seconds, default 60]
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "eventlist/csv_data_set.h"
#include "eventlist/event_record.h"
#include "platform/program_folder.h"

extern char** environ;

namespace {

using namespace orvalo;
using namespace std::chrono;

std::filesystem::path makeFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvalo-service-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern;
}

std::string schedule(const std::string& recur, const std::string& tail, const std::string& startTime) {
    return "# Schedule: Generic\r\nStart.Date = 2020/01/01\r\nStart.Time = " + startTime +
           "\r\n# Schedule: Recurring info\r\nRecur type = " + recur + "\r\n" + tail;
}

void writeList(const std::filesystem::path& home, const std::vector<EventRecord>& records) {
    writeEventListFile(home / "sl.csv", records);
}

pid_t startService(const std::filesystem::path& home) {
    const std::string program = (executableFolder() / ".." / "bin" / "OrvaloS").string();
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.push_back("ORVALO_HOME=" + home.string());
    std::vector<char*> envp;
    for (auto& v : env) envp.push_back(v.data());
    envp.push_back(nullptr);
    std::string arg0 = program, arg1 = "-console";
    char* argv[] = {arg0.data(), arg1.data(), nullptr};
    pid_t pid = -1;
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0) std::abort();
    return pid;
}

void stopService(pid_t pid) {
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
}

bool logHas(const std::filesystem::path& home, const char* text) {
    std::ifstream in(home / "slog.txt");
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return all.find(text) != std::string::npos;
}

double cpuMs(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream fields(all.substr(all.rfind(')') + 2));
    std::string f;
    long long utime = 0, stime = 0;
    for (int i = 3; fields >> f; ++i) {
        if (i == 14) utime = std::stoll(f);
        if (i == 15) {
            stime = std::stoll(f);
            break;
        }
    }
    return static_cast<double>(utime + stime) * 1000.0 / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// A field of /proc/<pid>/status in kB ("VmRSS:", "RssAnon:").
long statusKb(pid_t pid, const std::string& field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(field.size()));
    return -1;
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p / 100.0 * static_cast<double>(v.size() - 1) + 0.5)];
}

}  // namespace

int main(int argc, char** argv) {
    const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const auto home = makeFolder();
    std::vector<EventRecord> records;
    // 1,000 enabled time events, each once a day at a time an hour from now.
    const auto inAnHour = system_clock::to_time_t(system_clock::now() + hours(1));
    std::tm local{};
    localtime_r(&inAnHour, &local);
    char at[16];
    std::snprintf(at, sizeof at, "%02d:%02d:%02d.000", local.tm_hour, local.tm_min, local.tm_sec);
    const std::string daily = schedule("srkDaily",
                                       "# Schedule: End info\r\nEnd type = sekNone\r\n# Schedule: Day frequency\r\n"
                                       "Frequency start = " + std::string(at) + "\r\nFrequency end = " + at +
                                       "\r\nFrequency interval = 00:00:00.001\r\n# Schedule: Daily info\r\nDaily interval = 1\r\n",
                                       "00:00:00.000");
    for (int i = 0; i < 1000; ++i) {
        EventRecord r = makeTimeEvent(i, {"T", "true", "Normal", 0}, "d", daily);
        r.active = "Enabled";
        records.push_back(r);
    }
    for (int i = 0; i < 1000; ++i) {
        FileCondition f;
        f.path = (home / ("absent" + std::to_string(i))).string();
        EventRecord r = makeFileEvent(1000 + i, {"F", "true", "Normal", 0}, f);
        r.active = "Enabled";
        records.push_back(r);
    }
    writeList(home, records);

    const auto spawned = steady_clock::now();
    const pid_t idle = startService(home);
    while (!logHas(home, "Service init OK")) std::this_thread::sleep_for(microseconds(200));
    const double startMs = duration<double, std::milli>(steady_clock::now() - spawned).count();
    std::this_thread::sleep_for(std::chrono::seconds(1));

    // The every-second event runs in a second service beside the idle one.
    const auto home2 = makeFolder();
    const std::string everySecond = schedule("srkDaily",
                                             "# Schedule: End info\r\nEnd type = sekNone\r\n# Schedule: Day frequency\r\n"
                                             "Frequency start = 00:00:00.000\r\nFrequency end = 23:59:59.999\r\n"
                                             "Frequency interval = 00:00:01.000\r\n# Schedule: Daily info\r\nDaily interval = 1\r\n",
                                             "00:00:00.000");
    EventRecord tick = makeTimeEvent(0, {"Tick", "date +%s.%N >> " + (home2 / "ticks").string(), "Normal", 0}, "d", everySecond);
    tick.active = "Enabled";
    writeList(home2, {tick});
    const pid_t ticking = startService(home2);

    const double cpuBefore = cpuMs(idle);
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    const double cpu = cpuMs(idle) - cpuBefore;
    const long rss = statusKb(idle, "VmRSS:");
    const long anon = statusKb(idle, "RssAnon:");
    stopService(ticking);
    stopService(idle);

    std::vector<double> delays;
    std::ifstream ticks(home2 / "ticks");
    for (double stamp; ticks >> stamp;) delays.push_back((stamp - static_cast<double>(static_cast<long long>(stamp))) * 1000.0);
    std::printf("| what | figure |\n|---|---|\n");
    std::printf("| start to \"Service init OK\", 1,000 time + 1,000 file events | %.1f ms |\n", startMs);
    std::printf("| idle CPU over %d s | %.0f ms (%.3f %% of one core) |\n", idleSeconds, cpu, cpu / (idleSeconds * 10.0));
    std::printf("| resident memory | %.1f MB, of which %.1f MB its own (the rest shared library pages) |\n",
                static_cast<double>(rss) / 1024.0, static_cast<double>(anon) / 1024.0);
    std::printf("| every-second event, due second to command's own stamp (%zu fires) | p50 %.2f ms, p99 %.2f ms |\n",
                delays.size(), percentile(delays, 50), percentile(delays, 99));
    std::filesystem::remove_all(home);
    std::filesystem::remove_all(home2);
    return 0;
}
