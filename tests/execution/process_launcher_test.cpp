#include "execution/process_launcher.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "platform/system_error.h"
#include "platform/wake_event.h"
#include "support/temp_folder.h"
#include "support/test_helpers.h"

namespace orvalo {
namespace {

using namespace std::chrono_literals;
using test::errorOf;
using Wait = ProcessLauncher::WaitResult;

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

template <typename Done>
bool within(Done done, std::chrono::milliseconds limit = 5s) {
    const auto giveUp = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

ProcessLauncher::Deadline in(std::chrono::milliseconds time) { return std::chrono::steady_clock::now() + time; }

class ProcessLauncherTest : public ::testing::Test {
protected:
    std::string output(const char* name) {
        std::string text = test::readFile(folder_ / name);
        while (!text.empty() && text.back() == '\n') text.pop_back();
        return text;
    }
    test::TempFolder folder_;
};

// The owner sees its command end itself: wait() returns at the end, with its code.
TEST_F(ProcessLauncherTest, TheOwnerSeesItsCommandEnd) {
    ProcessLauncher launcher;
    launcher.setCommandLine("exit 3");
    launcher.run();
    EXPECT_TRUE(launcher.running());
    EXPECT_EQ(launcher.wait(in(5s)), Wait::Ended);
    EXPECT_FALSE(launcher.running());
    EXPECT_EQ(launcher.exitCode(), 3u);
    EXPECT_EQ(errorOf([&] { launcher.requestClose(); }), "Process is not running");
    EXPECT_EQ(errorOf([&] { launcher.kill(); }), "Process is not running");
    // Held unreaped while the launcher has it, so its pid, the id of its group,
    // cannot pass to another process.
    const pid_t first = launcher.processId();
    EXPECT_FALSE(reaped(first));

    // An ended command is not waited for again: the deadline or the stop ends a wait.
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(launcher.wait(in(200ms)), Wait::DeadlinePassed);
    EXPECT_GE(std::chrono::steady_clock::now() - started, 190ms);

    // The same launcher may run again once its command has ended; it lets go of the first.
    launcher.setCommandLine("exit 0");
    launcher.run();
    EXPECT_EQ(launcher.wait(in(5s)), Wait::Ended);
    EXPECT_EQ(launcher.exitCode(), 0u);
    EXPECT_TRUE(within([&] { return reaped(first); }));
}

TEST_F(ProcessLauncherTest, AWaitEndsAtItsDeadlineOrItsStop) {
    ProcessLauncher launcher;
    launcher.setCommandLine("sleep 30");
    launcher.run();
    EXPECT_EQ(launcher.wait(in(100ms)), Wait::DeadlinePassed);
    int stop = openWakeEvent();
    std::thread stopper([stop] {
        std::this_thread::sleep_for(100ms);
        signalWakeEvent(stop);
    });
    EXPECT_EQ(launcher.wait(ProcessLauncher::Deadline::max(), stop), Wait::Stopped);
    stopper.join();
    closeWakeEvent(stop);
    EXPECT_TRUE(launcher.running());
    EXPECT_TRUE(launcher.kill());
    EXPECT_EQ(launcher.wait(in(5s)), Wait::Ended);
    EXPECT_EQ(launcher.exitCode(), 128u + SIGKILL);
}

TEST_F(ProcessLauncherTest, TheGroupIsReachedAfterTheCommandHasEnded) {
    pid_t group = -1;
    {
        ProcessLauncher launcher;
        launcher.setCommandLine("sleep 30 & exit 0");
        launcher.run();
        group = launcher.processId();
        ASSERT_EQ(launcher.wait(in(5s)), Wait::Ended);
        EXPECT_TRUE(launcher.groupAlive());  // the background sleep
        EXPECT_TRUE(launcher.signalProcessGroup(SIGTERM));
        EXPECT_TRUE(within([&] { return !launcher.groupAlive(); }));
    }
    EXPECT_TRUE(within([&] { return reaped(group); }));
}

TEST_F(ProcessLauncherTest, CloseRequestEndsTheWholeGroup) {
    ProcessLauncher launcher;
    launcher.setCommandLine("sleep 30 & sleep 30; wait");
    launcher.run();
    EXPECT_EQ(errorOf([&] { launcher.run(); }), "Cannot perform this operation when process is running");
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(launcher.requestClose());
    ASSERT_EQ(launcher.wait(in(5s)), Wait::Ended);
    EXPECT_EQ(launcher.exitCode(), 128u + SIGTERM);
    EXPECT_TRUE(within([&] { return !launcher.groupAlive(); }));
}

TEST_F(ProcessLauncherTest, AProgramIgnoringTheCloseRequestIsKilled) {
    ProcessLauncher launcher;
    launcher.setCommandLine("trap '' TERM; sleep 30");
    launcher.run();
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(launcher.requestClose());
    EXPECT_EQ(launcher.wait(in(300ms)), Wait::DeadlinePassed);
    EXPECT_TRUE(launcher.kill());
    ASSERT_EQ(launcher.wait(in(5s)), Wait::Ended);
    EXPECT_EQ(launcher.exitCode(), 128u + SIGKILL);
}

// A launcher let go of leaves its running command running, and it is reaped when
// it ends: nothing stays behind as a zombie.
TEST_F(ProcessLauncherTest, ALauncherLetGoOfLeavesItsCommandRunningAndReaped) {
    pid_t pid = -1;
    {
        ProcessLauncher launcher;
        launcher.setCommandLine("sleep 30");
        launcher.run();
        pid = launcher.processId();
    }
    EXPECT_TRUE(alive(pid));
    ::kill(-pid, SIGKILL);
    EXPECT_TRUE(within([&] { return reaped(pid); }));
}

TEST_F(ProcessLauncherTest, TheChildGetsACleanStart) {
    ::setenv("NOTIFY_SOCKET", "/run/systemd/notify", 1);
    ::setenv("INVOCATION_ID", "0123", 1);
    ::setenv("ORVALO_TEST_KEPT", "yes", 1);
    const int leaked = ::open("/dev/null", O_RDONLY);  // deliberately without close-on-exec
    ProcessLauncher launcher;
    launcher.setCurrentDirectory("  " + folder_.path().string() + "  ");
    launcher.setCommandLine(
        "  pwd > dir; echo \"${NOTIFY_SOCKET:-unset} ${INVOCATION_ID:-unset} $ORVALO_TEST_KEPT\" > env; "
        "ls /proc/self/fd > fds; cat > stdin; ps -o sess=,pgid= -p $$ > ids; echo $$ > pid");
    launcher.run();
    ASSERT_EQ(launcher.wait(in(5s)), Wait::Ended);
    ::close(leaked);
    ::unsetenv("NOTIFY_SOCKET");
    ::unsetenv("INVOCATION_ID");
    ::unsetenv("ORVALO_TEST_KEPT");

    EXPECT_EQ(output("dir"), folder_.path().string());
    EXPECT_EQ(output("env"), "unset unset yes");
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

TEST_F(ProcessLauncherTest, AGivenEnvironmentIsTheWholeEnvironment) {
    ProcessLauncher launcher;
    launcher.setCurrentDirectory(folder_.path().string());
    launcher.setEnvironment({"PATH=/usr/bin:/bin", "ONLY=this"});
    launcher.setCommandLine("env | grep -v '^PWD=' | sort > env");
    launcher.run();
    ASSERT_EQ(launcher.wait(in(5s)), Wait::Ended);
    EXPECT_EQ(output("env"), "ONLY=this\nPATH=/usr/bin:/bin");
}

TEST_F(ProcessLauncherTest, FailedStartsCarryTheSystemError) {
    ProcessLauncher launcher;
    try {
        launcher.run();
        FAIL();
    } catch (const SystemError& e) {
        EXPECT_EQ(e.code(), EINVAL);
        EXPECT_STREQ(e.what(), "System Error.  Code: 22.\nInvalid argument");
    }
    launcher.setCommandLine("true");
    launcher.setCurrentDirectory("/no/such/folder");
    try {
        launcher.run();
        FAIL();
    } catch (const SystemError& e) {
        EXPECT_EQ(e.code(), ENOENT);
    }
    EXPECT_FALSE(launcher.running());
}

}  // namespace
}  // namespace orvalo
