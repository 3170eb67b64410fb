// The service program end to end: OrvaloS registered and started through the direct
// backend in a temporary program folder, with real commands, files and a web server.
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>

#include "base/error.h"
#include "eventlist/csv_data_set.h"
#include "eventlist/event_record.h"
#include "platform/service_manager.h"
#include "support/python_server.h"
#include "support/temp_folder.h"

namespace orvalo {
namespace {

using namespace std::chrono_literals;

const std::string kEverySecond =
    "# Schedule: Generic\r\nStart.Date = 2020/01/01\r\nStart.Time = 00:00:00.000\r\n# Schedule: Recurring info\r\n"
    "Recur type = srkDaily\r\n# Schedule: End info\r\nEnd type = sekNone\r\n# Schedule: Day frequency\r\n"
    "Frequency start = 00:00:00.000\r\nFrequency end = 23:59:59.999\r\nFrequency interval = 00:00:01.000\r\n"
    "# Schedule: Daily info\r\nDaily interval = 1\r\n";

class OrvaloServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("ORVALO_HOME", home_.path().c_str(), 1);
        ::setenv("ORVALO_SCM", "direct", 1);
        ::setenv("ORVALO_SCM_DIR", scm_.path().c_str(), 1);
        ::setenv("ORVALO_TICK_MS", "200", 1);
        manager_ = ServiceManager::forEnvironment();
    }
    void TearDown() override {
        if (manager_->query("Orvalo") == ServiceState::Running || manager_->query("Orvalo") == ServiceState::Paused)
            manager_->stop("Orvalo");
        for (const char* name : {"ORVALO_HOME", "ORVALO_SCM", "ORVALO_SCM_DIR", "ORVALO_TICK_MS"}) ::unsetenv(name);
    }
    // Runs OrvaloS with the arguments; returns its exit status and output.
    std::pair<int, std::string> orvaloS(const std::string& arguments) {
        const std::string command = std::string(ORVALO_BIN_DIR) + "/OrvaloS " + arguments + " 2>&1";
        std::FILE* pipe = ::popen(command.c_str(), "r");
        std::string output;
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
        const int status = ::pclose(pipe);
        return {WEXITSTATUS(status), output};
    }
    void writeList(const std::vector<EventRecord>& records) { writeEventListFile(home_ / "sl.csv", records); }
    EventRecord everySecond(const std::string& command, long long kill = 0) {
        EventRecord r = makeTimeEvent(0, {"Tick", command, "Normal", static_cast<double>(kill)}, "d", kEverySecond);
        r.active = "Enabled";
        return r;
    }
    template <typename Done>
    bool waitFor(Done done, std::chrono::milliseconds limit = 15s) {
        const auto giveUp = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > giveUp) return false;
            std::this_thread::sleep_for(20ms);
        }
        return true;
    }
    std::size_t lines(const char* name) {
        const std::string text = test::readFile(home_ / name);
        return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    }
    std::string slog() { return test::readFile(home_ / "slog.txt"); }

    test::TempFolder home_;
    test::TempFolder scm_;
    std::unique_ptr<ServiceManager> manager_;
};

TEST_F(OrvaloServiceTest, InstallAndUninstallSwitches) {
    EXPECT_EQ(orvaloS("-install -silent"), (std::pair<int, std::string>{0, ""}));
    EXPECT_EQ(manager_->query("Orvalo"), ServiceState::Stopped);
    EXPECT_EQ(orvaloS("-INSTALL"), (std::pair<int, std::string>{
                                       1, "Service \"Orvalo\" failed to install with error: \"The specified service "
                                          "already exists\"\n"}));
    EXPECT_EQ(orvaloS("/uninstall"), (std::pair<int, std::string>{0, "Service uninstalled successfully\n"}));
    EXPECT_EQ(manager_->query("Orvalo"), ServiceState::NotInstalled);
    EXPECT_EQ(orvaloS("-uninstall -silent").first, 1);
    const auto [status, output] = orvaloS("");
    EXPECT_EQ(status, 1);
    EXPECT_NE(output.find("could not connect to the service controller"), std::string::npos) << output;
}

TEST_F(OrvaloServiceTest, RunsTimeFileAndWebEventsAndStopsCleanly) {
    test::TempFolder site;
    test::writeFile(site / "status.html", "state: READY\n");
    test::PythonServer http("http_server.py", {site.path().string()});
    FileCondition file;
    file.path = (home_ / "trigger").string();
    EventRecord fileEvent = makeFileEvent(1000, {"File", "touch " + (home_ / "fileRan").string(), "Normal", 0}, file);
    fileEvent.active = "Enabled";
    WebCondition web;
    web.url = http.url("/status.html");
    web.searchText = "READY";
    EventRecord webEvent = makeWebEvent(10000, {"Web", "touch " + (home_ / "webRan").string(), "Normal", 0}, web);
    webEvent.active = "Enabled";
    writeList({everySecond("date +%s.%N >> " + (home_ / "ticks").string()), fileEvent, webEvent});

    ASSERT_EQ(orvaloS("-install -silent").first, 0);
    manager_->start("Orvalo");
    EXPECT_EQ(manager_->query("Orvalo"), ServiceState::Running);
    EXPECT_TRUE(waitFor([&] { return lines("ticks") >= 3; }));
    test::writeFile(home_ / "trigger", "go");
    EXPECT_TRUE(waitFor([&] { return std::filesystem::exists(home_ / "fileRan"); }));
    EXPECT_TRUE(waitFor([&] { return std::filesystem::exists(home_ / "webRan"); }));

    manager_->pause("Orvalo");
    EXPECT_EQ(manager_->query("Orvalo"), ServiceState::Paused);
    const std::size_t before = lines("ticks");
    EXPECT_TRUE(waitFor([&] { return lines("ticks") >= before + 2; }));  // events go on while paused
    manager_->resume("Orvalo");
    EXPECT_EQ(manager_->query("Orvalo"), ServiceState::Running);

    const auto stopStart = std::chrono::steady_clock::now();
    manager_->stop("Orvalo");
    const auto took = std::chrono::steady_clock::now() - stopStart;
    EXPECT_GE(took, 5900ms);
    EXPECT_LE(took, 15s);
    EXPECT_EQ(manager_->query("Orvalo"), ServiceState::Stopped);

    CsvDataSet list;
    configureEventListTable(list, (home_ / "sl.csv").string(), false);
    list.open();
    for (list.first(); !list.eof(); list.next()) EXPECT_EQ(list.value("STATE"), "Waiting") << list.value("ID");
    EXPECT_NE(slog().find(" ====== Start service ============== \r\n"), std::string::npos);
    EXPECT_NE(slog().find("Service init OK"), std::string::npos);
}

TEST_F(OrvaloServiceTest, AStopEndsACommandWaitingForItsKillTime) {
    EventRecord event = everySecond("echo $$ > " + (home_ / "pid").string() + "; exec sleep 1000", 1000);
    event.log = "1";
    writeList({event});
    ASSERT_EQ(orvaloS("-install -silent").first, 0);
    manager_->start("Orvalo");
    ASSERT_TRUE(waitFor([&] { return lines("pid") >= 1; }));
    const pid_t pid = std::stoi(test::readFile(home_ / "pid"));
    manager_->stop("Orvalo");
    // Gone, or a zombie the service no longer had time to reap before it ended.
    const std::string folder = "/proc/" + std::to_string(pid);
    EXPECT_TRUE(!std::filesystem::exists(folder) || test::readFile(folder + "/stat").find(") Z") != std::string::npos);
    EXPECT_NE(slog().find("Terminate event0"), std::string::npos);
}

TEST_F(OrvaloServiceTest, ABrokenScheduleStopsTheStartWithTheStoresMessage) {
    EventRecord event = everySecond("true");
    event.cfgSave = "# Schedule: Generic\r\nStart.Date = 2020/02/30\r\n";
    writeList({event});
    ASSERT_EQ(orvaloS("-install -silent").first, 0);
    EXPECT_THROW(manager_->start("Orvalo"), Error);
    EXPECT_NE(slog().find("Service failed on execute: Event 0: Invalid argument to date encode"), std::string::npos)
        << slog();
}

TEST_F(OrvaloServiceTest, UninstallLeavesARunningServiceRunning) {
    writeList({});
    ASSERT_EQ(orvaloS("-install -silent").first, 0);
    manager_->start("Orvalo");
    const pid_t pid = std::stoi(test::readFile(scm_ / "Orvalo.pid"));
    ASSERT_EQ(orvaloS("-uninstall -silent").first, 0);
    EXPECT_EQ(manager_->query("Orvalo"), ServiceState::NotInstalled);
    EXPECT_EQ(::kill(pid, 0), 0);
    ::kill(pid, SIGTERM);
    EXPECT_TRUE(waitFor([&] {
        const std::string folder = "/proc/" + std::to_string(pid);
        return !std::filesystem::exists(folder) || test::readFile(folder + "/stat").find(") Z") != std::string::npos;
    }));
}

}  // namespace
}  // namespace orvalo
