// The service program end to end: OrvaloS registered and started through the direct
// backend in a temporary program folder, with real commands, files and a web server.
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <optional>
#include <spawn.h>
#include <functional>
#include <sstream>
#include <thread>

#include "base/error.h"
#include "eventlist/csv_data_set.h"
#include "eventlist/event_record.h"
#include "execution/run_history.h"
#include "platform/service_manager.h"
#include "support/python_server.h"
#include "support/silent_server.h"
#include "support/test_helpers.h"
#include "support/temp_folder.h"

extern char** environ;

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

    // OrvaloS -console in the foreground on home_, its output in a file; prefix is
    // shell text put before the program (e.g. "ulimit -f 2;"), wrapper a program
    // that runs it (e.g. setpriv).
    class ConsoleService {
    public:
        ConsoleService(const std::filesystem::path& home, const std::filesystem::path& output,
                       const std::string& prefix = "", const std::string& wrapper = "")
            : output_(output) {
            const std::string command = prefix + " exec " + wrapper + " " + std::string(ORVALO_BIN_DIR) +
                                        "/OrvaloS -console >" + output.string() + " 2>&1";
            std::vector<std::string> environment;
            for (char** e = environ; *e != nullptr; ++e)
                if (!std::string_view(*e).starts_with("ORVALO_HOME=")) environment.emplace_back(*e);
            environment.push_back("ORVALO_HOME=" + home.string());
            std::vector<char*> envp;
            for (std::string& variable : environment) envp.push_back(variable.data());
            envp.push_back(nullptr);
            const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
            if (::posix_spawn(&pid_, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), envp.data()) != 0)
                throw std::runtime_error("cannot start OrvaloS");
        }
        ~ConsoleService() {
            if (!status_) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, nullptr, 0);
            }
        }
        pid_t pid() const { return pid_; }
        // The exit status once it has ended within limit.
        std::optional<int> waitExit(std::chrono::milliseconds limit) {
            const auto giveUp = std::chrono::steady_clock::now() + limit;
            while (!status_ && std::chrono::steady_clock::now() < giveUp) {
                int status = 0;
                if (::waitpid(pid_, &status, WNOHANG) == pid_) status_ = WEXITSTATUS(status);
                else std::this_thread::sleep_for(10ms);
            }
            return status_;
        }
        std::string output() const { return test::readFile(output_); }
        int threads() const {
            const std::string status = test::readFile("/proc/" + std::to_string(pid_) + "/status");
            const auto at = status.find("Threads:");
            return at == std::string::npos ? -1 : std::stoi(status.substr(at + 8));
        }

    private:
        std::filesystem::path output_;
        pid_t pid_ = -1;
        std::optional<int> status_;
    };
    bool serviceReady() { return slog().find("Service init OK") != std::string::npos; }

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
    // The page came through the network helper: the service never loads libcurl.
    const std::string pidFile = test::readFile(scm_ / "Orvalo.pid");
    const std::string maps = test::readFile("/proc/" + pidFile.substr(0, pidFile.find(' ')) + "/maps");
    EXPECT_NE(maps.find("OrvaloS"), std::string::npos);
    EXPECT_EQ(maps.find("libcurl"), std::string::npos);

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

// A stop ends the service within its six seconds and the close grace, also when a
// run falls due inside the six seconds: from the stop request on nothing fires
// (once, such a run kept the service for its whole kill time).
TEST_F(OrvaloServiceTest, NothingFiresOnceAStopIsAskedFor) {
    const LocalDateTime due = toLocalDateTime(std::chrono::time_point_cast<WallTime::duration>(
        std::chrono::system_clock::now() + 4s));
    char start[128];
    std::snprintf(start, sizeof start,
                  "# Schedule: Generic\r\nStart.Date = %04d/%02d/%02d\r\nStart.Time = %02d:%02d:%02d.000\r\n"
                  "# Schedule: Recurring info\r\nRecur type = srkOneShot\r\n",
                  due.year, due.month, due.day, due.hour, due.minute, due.second);
    EventRecord once = makeTimeEvent(0, {"Once", "touch " + (home_ / "ran").string(), "Normal", 1}, "d", start);
    once.active = "Enabled";
    writeList({once});
    ConsoleService service(home_.path(), home_ / "out.txt");
    ASSERT_TRUE(waitFor([&] { return serviceReady(); }));
    // Asked to stop two seconds before the run is due.
    const auto dueAt = std::chrono::system_clock::now() + 4s;
    std::this_thread::sleep_until(std::chrono::system_clock::now() +
                                  (dueAt - std::chrono::system_clock::now()) / 2);
    const auto asked = std::chrono::steady_clock::now();
    ::kill(service.pid(), SIGTERM);
    ASSERT_EQ(service.waitExit(30s), 0) << service.output();
    const auto took = std::chrono::steady_clock::now() - asked;
    std::printf("stop took %lld ms with a run due inside the six seconds\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
    EXPECT_GE(took, 5900ms);
    EXPECT_LE(took, 8s);
    EXPECT_FALSE(std::filesystem::exists(home_ / "ran"));
}

// One service per program folder: a second refuses to start and says why.
TEST_F(OrvaloServiceTest, ASecondServiceOnTheSameFolderRefusesToStart) {
    writeList({});
    ConsoleService first(home_.path(), home_ / "first.txt");
    ASSERT_TRUE(waitFor([&] { return serviceReady(); }));
    ConsoleService second(home_.path(), home_ / "second.txt");
    EXPECT_EQ(second.waitExit(10s), 1);
    EXPECT_NE(second.output().find("Service failed on execute: Another OrvaloS is already running on the program folder " +
                                   home_.path().string()),
              std::string::npos)
        << second.output();
    EXPECT_EQ(::kill(first.pid(), 0), 0);
}

// What an interrupted save left is removed at start; files of other names stay.
TEST_F(OrvaloServiceTest, LeftoversOfInterruptedSavesAreRemovedAtStart) {
    writeList({});
    for (const char* name : {".sl.csv.Ab12Cd", ".sl.csv.toolong1", "keep.sl.csv.123456", ".L.csv.Ab12Cd"})
        test::writeFile(home_ / name, "x");
    ConsoleService service(home_.path(), home_ / "out.txt");
    ASSERT_TRUE(waitFor([&] { return serviceReady(); }));
    EXPECT_FALSE(std::filesystem::exists(home_ / ".sl.csv.Ab12Cd"));
    for (const char* name : {".sl.csv.toolong1", "keep.sl.csv.123456", ".L.csv.Ab12Cd"})
        EXPECT_TRUE(std::filesystem::exists(home_ / name)) << name;
}

// A web event against a server that never answers is not checked again while its
// run waits: the service's threads stay few (once, one more every check).
TEST_F(OrvaloServiceTest, AHangingWebCheckIsNotStartedAgain) {
    test::SilentServer silent;
    WebCondition web;
    web.url = "http://127.0.0.1:" + std::to_string(silent.port()) + "/";
    web.searchText = "x";
    web.checkMinutes = "1";  // every six ticks
    EventRecord event = makeWebEvent(10000, {"Web", "true", "Normal", 0}, web);
    event.active = "Enabled";
    writeList({event});
    ::setenv("ORVALO_TICK_MS", "50", 1);
    ConsoleService service(home_.path(), home_ / "out.txt");
    ASSERT_TRUE(waitFor([&] { return serviceReady(); }));
    std::this_thread::sleep_for(3s);  // ten checks due
    const int threads = service.threads();
    EXPECT_GT(threads, 0);
    EXPECT_LE(threads, 6) << "threads";
    const std::string log = slog();
    std::size_t checks = 0;
    for (auto at = log.find("Active event 10000 "); at != std::string::npos; at = log.find("Active event 10000 ", at + 1))
        ++checks;
    EXPECT_EQ(checks, 1u);
    ::kill(service.pid(), SIGTERM);
    EXPECT_EQ(service.waitExit(20s), 0);  // the stop ends the transfer
}

// A full disk (here a file size limit smaller than the list and the log) stops no
// run: the commands go on, and each failure is reported once.
TEST_F(OrvaloServiceTest, AFullDiskStopsNoRun) {
    EventRecord padding = makeTimeEvent(1, {std::string(200, 'n'), std::string(300, 'c'), "Normal", 0}, "d", kEverySecond);
    writeList({everySecond("touch " + (home_ / "ran").string()), padding});
    ASSERT_GT(std::filesystem::file_size(home_ / "sl.csv"), 1024u);
    ConsoleService service(home_.path(), home_ / "out.txt", "ulimit -f 2;");  // 1 KiB
    ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(home_ / "ran"); }));
    std::filesystem::remove(home_ / "ran");
    ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(home_ / "ran"); }));  // and again
    std::this_thread::sleep_for(1500ms);
    ::kill(service.pid(), SIGTERM);
    EXPECT_EQ(service.waitExit(20s), 0);
    const std::string output = service.output();
    const auto count = [&](const std::string& text) {
        std::size_t n = 0;
        for (auto at = output.find(text); at != std::string::npos; at = output.find(text, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("The event list cannot be saved; runs go on: "), 1u) << output;
    EXPECT_EQ(count("The log file " + (home_ / "slog.txt").string() + " cannot be written: File too large"), 1u)
        << output;
}

// The direct backend knows its service by pid and start time: another OrvaloS that
// has the recorded pid is neither taken for it nor signalled.
TEST_F(OrvaloServiceTest, AForeignProcessWithTheRecordedPidIsNotTheService) {
    test::TempFolder elsewhere;
    writeEventListFile(elsewhere / "sl.csv", {});
    ConsoleService foreign(elsewhere.path(), elsewhere / "out.txt");
    ASSERT_TRUE(waitFor([&] { return test::readFile(elsewhere / "slog.txt").find("Service init OK") != std::string::npos; }));
    ASSERT_EQ(orvaloS("-install -silent").first, 0);
    for (const std::string& record : {std::to_string(foreign.pid()) + "\n",  // a pid alone names nobody
                                      std::to_string(foreign.pid()) + " 12345\n"}) {
        test::writeFile(scm_ / "Orvalo.pid", record);
        EXPECT_EQ(manager_->query("Orvalo"), ServiceState::Stopped) << record;
        EXPECT_EQ(test::errorOf([&] { manager_->stop("Orvalo"); }), "The service has not been started");
        EXPECT_EQ(::kill(foreign.pid(), 0), 0);
    }
}

// Strict modes: a service refuses a folder, list or settings file that another
// user could change, says why, and writes nothing there. A user's service checks
// the same against its user.
TEST_F(OrvaloServiceTest, AServiceRefusesFilesOthersCouldChange) {
    if (::geteuid() != 0) GTEST_SKIP() << "handing files to another user needs root";
    writeList({everySecond("touch " + (home_ / "ran").string())});
    struct Case {
        const char* what;
        std::string prefix;  // how the service is started
        std::function<void()> setUp;
        bool starts;
    };
    const auto own = [&](uid_t user, mode_t folderMode) {
        ASSERT_EQ(::chown(home_.path().c_str(), user, user), 0);
        ASSERT_EQ(::chown((home_ / "sl.csv").c_str(), user, user), 0);
        ASSERT_EQ(::chmod(home_.path().c_str(), folderMode), 0);
        ASSERT_EQ(::chmod((home_ / "sl.csv").c_str(), 0644), 0);
    };
    const std::string asNobody = "setpriv --reuid=65534 --regid=65534 --clear-groups";
    const Case cases[] = {
        {"root, a folder others may write", "", [&] { own(0, 0777); }, false},
        {"root, a list of another user", "", [&] { own(0, 0755); ::chown((home_ / "sl.csv").c_str(), 65534, 65534); }, false},
        {"root, a group-writable list", "", [&] { own(0, 0755); ::chmod((home_ / "sl.csv").c_str(), 0664); }, false},
        {"nobody, a list of a third user", asNobody, [&] { own(65534, 0700); ::chown((home_ / "sl.csv").c_str(), 1234, 1234); }, false},
        {"nobody, its own files", asNobody, [&] { own(65534, 0700); }, true},
    };
    for (const Case& c : cases) {
        c.setUp();
        std::filesystem::remove(home_ / "slog.txt");
        const std::filesystem::path output = scm_ / "out.txt";
        // Its output goes to a file that root keeps.
        std::optional<ConsoleService> service;
        service.emplace(home_.path(), output, "", c.prefix);
        if (c.starts) {
            EXPECT_TRUE(waitFor([&] { return serviceReady(); })) << c.what << ": " << service->output();
            continue;
        }
        EXPECT_EQ(service->waitExit(10s), 1) << c.what;
        EXPECT_NE(service->output().find("Service failed on execute: The service runs as "), std::string::npos)
            << c.what << ": " << service->output();
        EXPECT_FALSE(std::filesystem::exists(home_ / "slog.txt")) << c.what;
    }
    own(0, 0700);
}

// Commands start in the program folder with the documented environment, whoever
// started the service and from wherever.
TEST_F(OrvaloServiceTest, CommandsStartInTheProgramFolderWithAKnownEnvironment) {
    writeList({everySecond("pwd > " + (home_ / "pwd.txt").string() + "; env > " + (home_ / "env.txt").string())});
    ASSERT_EQ(orvaloS("-install -silent").first, 0);
    ::setenv("ORVALO_TEST_SECRET", "from the installer", 1);
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(scm_.path());
    manager_->start("Orvalo");
    std::filesystem::current_path(before);
    ::unsetenv("ORVALO_TEST_SECRET");
    ASSERT_TRUE(waitFor([&] { return test::readFile(home_ / "env.txt").find("ORVALO_HOME=") != std::string::npos; }));
    EXPECT_EQ(test::readFile(home_ / "pwd.txt"), home_.path().string() + "\n");
    std::vector<std::string> names;
    std::istringstream lines(test::readFile(home_ / "env.txt"));
    for (std::string line; std::getline(lines, line);) names.push_back(line.substr(0, line.find('=')));
    std::sort(names.begin(), names.end());
    names.erase(std::remove(names.begin(), names.end(), "LANG"), names.end());  // when the service has one
    names.erase(std::remove(names.begin(), names.end(), "PWD"), names.end());   // the shell's own
    EXPECT_EQ(names, (std::vector<std::string>{"HOME", "LOGNAME", "ORVALO_HOME", "PATH", "SHELL", "USER"}));
}

// The service mails a failed run's result to a real SMTP server, and a run that a
// crash cut off reads as ended without a result after the next start.
TEST_F(OrvaloServiceTest, FailedRunsAreMailedAndACrashLeavesNoRunOpen) {
    test::TempFolder inbox;
    test::PythonServer smtp("smtp_server.py", {inbox.path().string()});
    test::writeFile(home_ / "Orvalo.ini", "[MAIN]\r\nemail=ops@example.org\r\n[MAIL]\r\nEEmail=orvalo@example.org\r\n"
                                         "ESMTP=127.0.0.1:" + std::to_string(smtp.port()) + "\r\nResultMail=failure\r\n");
    EventRecord failing = everySecond("echo OUT; exit 7");
    EventRecord hanging = everySecond("sleep 100");
    hanging.id = "1";
    hanging.name = "Hang";
    writeList({failing, hanging});
    {
        ConsoleService service(home_.path(), home_ / "out.txt");
        ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(inbox / "mail1.txt"); }));
        const std::string mail = test::readFile(inbox / "mail1.txt");
        EXPECT_NE(mail.find("Subject: Orvalo: Tick failed (exit 7)\r\n"), std::string::npos) << mail;
        EXPECT_NE(mail.find("OUT\r\n"), std::string::npos) << mail;
        RunHistory history(home_ / "runs.db", false);
        ASSERT_TRUE(waitFor([&] { return history.lastRuns().count(1) > 0; }));
        ::kill(service.pid(), SIGKILL);  // while "Hang" runs
        service.waitExit(5s);
    }
    ConsoleService again(home_.path(), home_ / "again.txt");
    ASSERT_TRUE(waitFor([&] { return slog().find("Service init OK", slog().find("Service init OK") + 1) != std::string::npos; }));
    RunHistory history(home_ / "runs.db", false);
    HistoryQuery hangs;
    hangs.event = 1;
    hangs.limit = 1000;
    const auto runs = history.runs(hangs);
    ASSERT_FALSE(runs.empty());
    EXPECT_EQ(runResultText(runs.back()), "ended without a result");  // the first, cut off by the crash
}

// Commands never see the variables by which a service manager talks to its
// service: an OrvaloS started by an event would take itself for the service.
TEST_F(OrvaloServiceTest, CommandsDoNotInheritTheServiceManagersVariables) {
    EventRecord event = everySecond("env > " + (home_ / "env.txt").string());
    writeList({event});
    ASSERT_EQ(orvaloS("-install -silent").first, 0);
    manager_->start("Orvalo");
    ASSERT_TRUE(waitFor([&] { return test::readFile(home_ / "env.txt").find("ORVALO_HOME=") != std::string::npos; }));
    const std::string environment = test::readFile(home_ / "env.txt");
    for (const char* name : {"ORVALO_SERVICE_STATUS_FILE=", "INVOCATION_ID=", "NOTIFY_SOCKET=", "LISTEN_FDS="})
        EXPECT_EQ(environment.find(name), std::string::npos) << name;
}

}  // namespace
}  // namespace orvalo
