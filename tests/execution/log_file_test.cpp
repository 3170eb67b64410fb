#include "execution/log_file.h"

#include <ctime>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <regex>
#include <sstream>
#include <thread>

#include "base/error.h"
#include "support/temp_folder.h"

namespace orvalo {
namespace {

WallTime localMoment(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

// A log in a fresh folder, on a clock set to 2015-03-05 14:07:09 local time.
class LogFileTest : public ::testing::Test {
protected:
    LogFile makeLog(const LocalTimeFormat& format, const char* name = "slog.txt") {
        return LogFile(folder_ / name, clock_, format);
    }
    test::TempFolder folder_;
    ManualClock clock_{localMoment(2015, 3, 5, 14, 7, 9)};
    const LocalTimeFormat c_{"C"};
};

TEST_F(LogFileTest, CreatesTheFileThenAppendsWholeLines) {
    LogFile log = makeLog(c_);
    log.writeLog("Service init OK");
    clock_.advance(std::chrono::seconds(1));
    log.writeLog("");
    EXPECT_EQ(test::readFile(log.path()), "03/05/15:14:07:09:Service init OK\r\n03/05/15:14:07:10:\r\n");
}

TEST_F(LogFileTest, UsesTheUsersDateAndTimeFormats) {
    std::unique_ptr<LocalTimeFormat> german;
    try {
        german = std::make_unique<LocalTimeFormat>("de_DE.UTF-8");
    } catch (const Error&) {
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    }
    LogFile log = makeLog(*german);
    log.writeLog("Service init OK");
    EXPECT_EQ(test::readFile(log.path()), "05.03.2015:14:07:09:Service init OK\r\n");
}

TEST_F(LogFileTest, KeepsTheTextsBytesAsTheyAre) {
    LogFile log = makeLog(c_, "applog.txt");
    log.writeLog("Nastavení v pořádku.");
    EXPECT_EQ(test::readFile(log.path()), "03/05/15:14:07:09:Nastavení v pořádku.\r\n");
}

TEST_F(LogFileTest, LinesFromManyThreadsNeverInterleave) {
    LogFile log = makeLog(c_);
    constexpr int kThreads = 8;
    constexpr int kLines = 300;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kLines; ++i)
                log.writeLog("thread " + std::to_string(t) + " line " + std::to_string(i) + std::string(200, 'x'));
        });
    for (auto& thread : threads) thread.join();

    std::istringstream in(test::readFile(log.path()));
    const std::regex whole(R"(03/05/15:14:07:09:thread \d line \d+x{200}\r)");
    int count = 0;
    for (std::string line; std::getline(in, line); ++count) ASSERT_TRUE(std::regex_match(line, whole)) << line;
    EXPECT_EQ(count, kThreads * kLines);
}

// A new log is private, and a link planted at its name is never written through.
TEST(LogFile, IsCreatedPrivateAndNeverThroughALink) {
    test::TempFolder folder;
    LogFile log(folder / "slog.txt");
    log.writeLog("x");
    struct stat st {};
    ASSERT_EQ(::stat((folder / "slog.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    test::writeFile(folder / "passwd", "precious");
    std::filesystem::create_symlink(folder / "passwd", folder / "applog.txt");
    LogFile linked(folder / "applog.txt");
    EXPECT_THROW(linked.writeLog("x"), IoError);
    EXPECT_FALSE(linked.tryWriteLog("x"));
    EXPECT_EQ(test::readFile(folder / "passwd"), "precious");
}

TEST(LogFile, AFileThatCannotBeWrittenRaisesAnIoError) {
    test::TempFolder folder;
    LogFile log(folder / "missing-folder" / "slog.txt");
    EXPECT_THROW(log.writeLog("x"), IoError);
}

}  // namespace
}  // namespace orvalo
