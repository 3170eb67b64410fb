#include "execution/process_launcher.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>

#include "support/test_helpers.h"
#include <set>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "platform/main_loop.h"
#include "platform/system_error.h"
#include "support/temp_folder.h"

namespace orvalo {
namespace {

using namespace std::chrono_literals;
using test::errorOf;

bool alive(pid_t pid) { return ::kill(pid, 0) == 0; }

// A process that is gone, or at least not a zombie of ours. A process that is just
// ending may show an empty stat file; that counts as not yet known.
bool reaped(pid_t pid) {
    const std::string folder = "/proc/" + std::to_string(pid);
    if (!std::filesystem::exists(folder)) return true;
    std::string all;
    try {
        std::ifstream stat(folder + "/stat");
        all.assign(std::istreambuf_iterator<char>(stat), std::istreambuf_iterator<char>());
    } catch (const std::exception&) {
        return !std::filesystem::exists(folder);  // it went while we read
    }
    const auto close = all.rfind(')');
    if (close == std::string::npos || close + 2 >= all.size()) return !std::filesystem::exists(folder);
    return all[close + 2] != 'Z';
}

class ProcessLauncherTest : public ::testing::Test {
protected:
    template <typename Done>
    bool runUntil(Done done, std::chrono::milliseconds limit = 5s) {
        return test::pumpUntil(loop_, done, limit);
    }
    std::string output(const char* name) {
        std::string text = test::readFile(folder_ / name);
        while (!text.empty() && text.back() == '\n') text.pop_back();
        return text;
    }

    MainLoop loop_;
    test::TempFolder folder_;
};

TEST_F(ProcessLauncherTest, AProgramThatEndsByItselfMakesTheLauncherReady) {
    ProcessLauncher launcher(loop_);
    std::vector<std::uint32_t> reported;
    launcher.setOnTerminate([&](ProcessLauncher& sender, std::uint32_t code) {
        EXPECT_EQ(&sender, &launcher);
        EXPECT_EQ(sender.state(), ProcessLauncher::State::Ready);
        reported.push_back(code);
    });
    launcher.setCommandLine("exit 3");
    launcher.run();
    EXPECT_EQ(launcher.state(), ProcessLauncher::State::Watching);
    ASSERT_TRUE(runUntil([&] { return !reported.empty(); }));
    EXPECT_EQ(reported, std::vector<std::uint32_t>{3});
    EXPECT_EQ(launcher.exitCode(), 3u);
    EXPECT_EQ(errorOf([&] { launcher.requestClose(); }), "Process is not running");
    EXPECT_EQ(errorOf([&] { launcher.kill(); }), "Process is not running");
    // Held unreaped while the launcher has it, so its pid, the id of its group,
    // cannot pass to another process.
    const pid_t first = launcher.processId();
    EXPECT_FALSE(reaped(first));

    // The same launcher may run again once it is ready; it lets go of the first.
    launcher.setCommandLine("exit 0");
    launcher.run();
    ASSERT_TRUE(runUntil([&] { return reported.size() == 2; }));
    EXPECT_EQ(reported.back(), 0u);
    EXPECT_TRUE(runUntil([&] { return reaped(first); }));
}

TEST_F(ProcessLauncherTest, TheGroupIsReachedAfterTheCommandHasEnded) {
    pid_t group = -1;
    {
        ProcessLauncher launcher(loop_);
        launcher.setCommandLine("sleep 30 & exit 0");
        launcher.run();
        group = launcher.processId();
        ASSERT_TRUE(runUntil([&] { return launcher.state() == ProcessLauncher::State::Ready; }));
        EXPECT_TRUE(launcher.groupAlive());  // the background sleep
        EXPECT_TRUE(launcher.signalProcessGroup(SIGTERM));
        EXPECT_TRUE(runUntil([&] { return !launcher.groupAlive(); }));
    }
    EXPECT_TRUE(runUntil([&] { return reaped(group); }));
}

TEST_F(ProcessLauncherTest, CloseRequestEndsTheWholeGroup) {
    ProcessLauncher launcher(loop_);
    launcher.setCommandLine("sleep 30 & sleep 30; wait");
    launcher.run();
    EXPECT_EQ(errorOf([&] { launcher.run(); }), "Cannot perform this operation when process is running");
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(launcher.requestClose());
    ASSERT_TRUE(runUntil([&] { return launcher.state() == ProcessLauncher::State::Ready; }));
    EXPECT_EQ(launcher.exitCode(), 128u + SIGTERM);
    // No live process of the group is left.
    EXPECT_TRUE(runUntil([&] { return !launcher.groupAlive(); }));
}

TEST_F(ProcessLauncherTest, AProgramIgnoringTheCloseRequestIsKilled) {
    ProcessLauncher launcher(loop_);
    launcher.setCommandLine("trap '' TERM; sleep 30");
    launcher.run();
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(launcher.requestClose());
    EXPECT_FALSE(runUntil([&] { return launcher.state() == ProcessLauncher::State::Ready; }, 300ms));
    EXPECT_TRUE(launcher.kill());
    ASSERT_TRUE(runUntil([&] { return launcher.state() == ProcessLauncher::State::Ready; }));
    EXPECT_EQ(launcher.exitCode(), 128u + SIGKILL);
}

TEST_F(ProcessLauncherTest, DetachingOrDestroyingLeavesTheProgramRunningWithoutAReport) {
    int reports = 0;
    pid_t detached = -1, destroyed = -1;
    {
        ProcessLauncher a(loop_), b(loop_);
        for (ProcessLauncher* l : {&a, &b}) {
            l->setCommandLine("sleep 30");
            l->setOnTerminate([&](ProcessLauncher&, std::uint32_t) { ++reports; });
            l->run();
        }
        detached = a.processId();
        destroyed = b.processId();
        a.detach();
        EXPECT_EQ(a.state(), ProcessLauncher::State::Ready);
        EXPECT_EQ(a.exitCode(), ProcessLauncher::kStoppedWatching);
    }
    EXPECT_TRUE(alive(detached));
    EXPECT_TRUE(alive(destroyed));
    ::kill(-detached, SIGKILL);
    ::kill(-destroyed, SIGKILL);
    loop_.runOnce(200ms);
    EXPECT_EQ(reports, 0);
    // Nobody watches them any more, yet they do not stay behind as zombies.
    const auto giveUp = std::chrono::steady_clock::now() + 5s;
    while ((!reaped(detached) || !reaped(destroyed)) && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(reaped(detached));
    EXPECT_TRUE(reaped(destroyed));
}

TEST_F(ProcessLauncherTest, AReportForADestroyedLauncherIsDropped) {
    int reports = 0;
    {
        ProcessLauncher launcher(loop_);
        launcher.setOnTerminate([&](ProcessLauncher&, std::uint32_t) { ++reports; });
        launcher.setCommandLine("exit 0");
        launcher.run();
        std::this_thread::sleep_for(200ms);  // the report is queued, not yet delivered
    }
    loop_.runPending();
    EXPECT_EQ(reports, 0);
}

TEST_F(ProcessLauncherTest, TheChildGetsACleanStart) {
    ::setenv("NOTIFY_SOCKET", "/run/systemd/notify", 1);
    ::setenv("ORVALO_TEST_KEPT", "yes", 1);
    const int leaked = ::open("/dev/null", O_RDONLY);  // deliberately without close-on-exec
    ProcessLauncher launcher(loop_);
    launcher.setCurrentDirectory("  " + folder_.path().string() + "  ");
    launcher.setCommandLine(
        "  pwd > dir; echo \"${NOTIFY_SOCKET:-unset} $ORVALO_TEST_KEPT\" > env; ls /proc/self/fd > fds; "
        "cat > stdin; ps -o sess=,pgid= -p $$ > ids; echo $$ > pid");
    launcher.run();
    ASSERT_TRUE(runUntil([&] { return launcher.state() == ProcessLauncher::State::Ready; }));
    ::close(leaked);
    ::unsetenv("NOTIFY_SOCKET");
    ::unsetenv("ORVALO_TEST_KEPT");

    EXPECT_EQ(output("dir"), folder_.path().string());
    EXPECT_EQ(output("env"), "unset yes");
    EXPECT_EQ(output("stdin"), "");
    std::istringstream fds(output("fds"));
    std::set<int> open;
    for (int fd; fds >> fd;) open.insert(fd);
    EXPECT_EQ(open, (std::set<int>{0, 1, 2, 3}));  // 3 is ls reading the folder
    std::istringstream ids(output("ids"));
    int session = 0, group = 0;
    ids >> session >> group;
    const int pid = std::stoi(output("pid"));
    EXPECT_EQ(session, pid);
    EXPECT_EQ(group, pid);
}

TEST_F(ProcessLauncherTest, IdlePriorityRunsNiced) {
    ProcessLauncher launcher(loop_);
    launcher.setPriority(ppIdle);
    launcher.setCurrentDirectory(folder_.path().string());
    launcher.setCommandLine("sleep 0.3; cut -d' ' -f19 /proc/$$/stat > nice");
    launcher.run();
    ASSERT_TRUE(runUntil([&] { return launcher.state() == ProcessLauncher::State::Ready; }));
    EXPECT_EQ(output("nice"), "19");
}

TEST_F(ProcessLauncherTest, FailedStartsCarryTheSystemError) {
    ProcessLauncher launcher(loop_);
    try {
        launcher.run();
        FAIL();
    } catch (const SystemError& e) {
        EXPECT_EQ(e.code(), EINVAL);
        EXPECT_STREQ(e.what(), "System Error.  Code: 22.\nInvalid argument");
    }
    launcher.setCommandLine("true");
    launcher.setApplicationName("  /no/such/shell  ");
    try {
        launcher.run();
        FAIL();
    } catch (const SystemError& e) {
        EXPECT_EQ(e.code(), ENOENT);
    }
    EXPECT_EQ(launcher.state(), ProcessLauncher::State::Ready);

    launcher.setApplicationName(" /bin/bash ");
    launcher.setCurrentDirectory(folder_.path().string());
    launcher.setCommandLine("echo $BASH_VERSION > shell");
    launcher.run();
    ASSERT_TRUE(runUntil([&] { return launcher.state() == ProcessLauncher::State::Ready; }));
    EXPECT_FALSE(output("shell").empty());
}

TEST_F(ProcessLauncherTest, WithoutWatchingTheProcessIsStartedAndStillReaped) {
    ProcessLauncher launcher(loop_);
    launcher.setWaitForTerminate(false);
    launcher.setCommandLine("exit 0");
    launcher.run();
    EXPECT_EQ(launcher.state(), ProcessLauncher::State::Started);
    const pid_t pid = launcher.processId();
    const auto giveUp = std::chrono::steady_clock::now() + 5s;
    while (!reaped(pid) && std::chrono::steady_clock::now() < giveUp) std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(reaped(pid));
}

TEST(ProcessLauncherSettings, WindowSettingsMapAsOnWindows) {
    CPSStartupInfo info;
    StartupRecord record = startupRecord(info);
    EXPECT_EQ(record.size, 68u);
    EXPECT_EQ(record.flags, 0u);  // the show mode counts only without the default window state
    info.showWindow = swHide;
    info.defaultWindowState = false;
    EXPECT_EQ(startupRecord(info).flags, 1u);
    EXPECT_EQ(startupRecord(info).showCommand, 0u);
    info.defaultPosition = false;
    info.left = 10;
    info.top = 20;
    info.defaultSize = false;
    info.width = 300;
    info.forceOnFeedback = info.forceOffFeedback = true;
    record = startupRecord(info);
    EXPECT_EQ(record.flags, 1u | 2u | 4u | 0x40u | 0x80u);
    EXPECT_EQ(record.x, 10);
    EXPECT_EQ(record.width, 300);
    EXPECT_EQ(showCommand(swMinimize), 2u);
    EXPECT_EQ(showCommand(swMaximize), 3u);
    EXPECT_EQ(showCommand(swNormal), 1u);
    EXPECT_EQ(creationFlags(ppNormal, 0), 0x20u);
    EXPECT_EQ(creationFlags(ppIdle, cpsFlag(cfSuspended) | cpsFlag(cfNewConsole)), 0x40u | 0x4u | 0x10u);
    EXPECT_EQ(creationFlags(ppRealTime, cpsFlag(cfDefaultErrorMode)), 0x100u | 0x04000000u);
}

}  // namespace
}  // namespace orvalo
