#include "platform/helper_process.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <thread>

namespace orvalo {
namespace {

using namespace std::chrono_literals;

std::chrono::steady_clock::time_point in(std::chrono::milliseconds limit) { return std::chrono::steady_clock::now() + limit; }

// Our children that have not been reaped, zombies included.
int childrenLeft() {
    int count = 0;
    const std::string self = std::to_string(::getpid());
    DIR* proc = ::opendir("/proc/self/task");
    for (const dirent* task; proc != nullptr && (task = ::readdir(proc)) != nullptr;) {
        if (task->d_name[0] == '.') continue;
        std::FILE* children = std::fopen(("/proc/self/task/" + std::string(task->d_name) + "/children").c_str(), "r");
        for (int pid; children != nullptr && std::fscanf(children, "%d", &pid) == 1;) ++count;
        if (children != nullptr) std::fclose(children);
    }
    if (proc != nullptr) ::closedir(proc);
    return count;
}

HelperResult shell(const std::string& script, std::string_view input, std::string& output,
                   std::chrono::milliseconds limit = 10s, const std::atomic<bool>* abort = nullptr) {
    return runHelper("/bin/sh", {"-c", script}, input, in(limit), abort, [&](std::string_view piece) {
        output.append(piece);
        return true;
    });
}

// The request and the answer may each be larger than a pipe holds: both flow at once.
TEST(HelperProcess, TalksBothWaysAndReportsTheExitStatus) {
    std::string big(3u << 20, 'x');
    for (std::size_t i = 0; i < big.size(); i += 4096) big[i] = static_cast<char>('a' + i / 4096 % 26);
    std::string output;
    const HelperResult echoed = shell("cat; exit 3", big, output);
    EXPECT_EQ(echoed.end, HelperEnd::Exited);
    EXPECT_EQ(echoed.exitStatus, 3);
    EXPECT_EQ(output, big);

    // A helper that reads nothing: our write fails quietly, no SIGPIPE ends us.
    output.clear();
    const HelperResult deaf = shell("echo done", big, output);
    EXPECT_EQ(deaf.end, HelperEnd::Exited);
    EXPECT_EQ(deaf.exitStatus, 0);
    EXPECT_EQ(output, "done\n");
    EXPECT_EQ(childrenLeft(), 0);
}

TEST(HelperProcess, AnAbortTheDeadlineOrTheSinkEndIt) {
    std::atomic<bool> abort{false};
    std::thread aborter([&] {
        std::this_thread::sleep_for(200ms);
        abort = true;
    });
    std::string output;
    EXPECT_EQ(shell("sleep 30", "", output, 30s, &abort).end, HelperEnd::Aborted);
    aborter.join();
    EXPECT_EQ(shell("sleep 30", "", output, 300ms).end, HelperEnd::TimedOut);

    std::size_t taken = 0;
    const HelperResult stopped = runHelper("/usr/bin/yes", {}, "", in(30s), nullptr, [&](std::string_view piece) {
        taken += piece.size();
        return taken < (1u << 20);
    });
    EXPECT_EQ(stopped.end, HelperEnd::SinkStopped);
    EXPECT_EQ(childrenLeft(), 0);  // each of them was killed and reaped
}

TEST(HelperProcess, AProgramThatCannotStartSaysWhy) {
    std::string output;
    const HelperResult missing = runHelper("/nonexistent/orvalo-net", {"fetch"}, "x", in(5s), nullptr,
                                           [](std::string_view) { return true; });
    EXPECT_EQ(missing.end, HelperEnd::NotStarted);
    EXPECT_NE(missing.error.find("No such file or directory"), std::string::npos) << missing.error;
}

}  // namespace
}  // namespace orvalo
