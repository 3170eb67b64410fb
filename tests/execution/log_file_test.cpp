#include "execution/log_file.h"

#include <ctime>
#include <gtest/gtest.h>
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

TEST(LogFile, CreatesTheFileThenAppendsWholeLines) {
    test::TempFolder folder;
    ManualClock clock(localMoment(2015, 3, 5, 14, 7, 9));
    const LocalTimeFormat format("C");
    LogFile log(folder / "slog.txt", clock, format);
    log.writeLog("Service init OK");
    clock.advance(std::chrono::seconds(1));
    log.writeLog("");
    EXPECT_EQ(test::readFile(log.path()), "03/05/15:14:07:09:Service init OK\r\n03/05/15:14:07:10:\r\n");
}

TEST(LogFile, UsesTheUsersDateAndTimeFormats) {
    std::unique_ptr<LocalTimeFormat> german;
    try {
        german = std::make_unique<LocalTimeFormat>("de_DE.UTF-8");
    } catch (const Error&) {
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    }
    test::TempFolder folder;
    ManualClock clock(localMoment(2015, 3, 5, 14, 7, 9));
    LogFile log(folder / "slog.txt", clock, *german);
    log.writeLog("Service init OK");
    EXPECT_EQ(test::readFile(log.path()), "05.03.2015:14:07:09:Service init OK\r\n");
}

TEST(LogFile, KeepsTheTextsBytesAsTheyAre) {
    test::TempFolder folder;
    ManualClock clock(localMoment(2026, 1, 2, 3, 4, 5));
    const LocalTimeFormat format("C");
    LogFile log(folder / "applog.txt", clock, format);
    log.writeLog("Nastavení v pořádku.");
    EXPECT_EQ(test::readFile(log.path()), "01/02/26:03:04:05:Nastavení v pořádku.\r\n");
}

TEST(LogFile, LinesFromManyThreadsNeverInterleave) {
    test::TempFolder folder;
    ManualClock clock(localMoment(2026, 1, 2, 3, 4, 5));
    const LocalTimeFormat format("C");
    LogFile log(folder / "slog.txt", clock, format);
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
    const std::regex whole(R"(01/02/26:03:04:05:thread \d line \d+x{200}\r)");
    int count = 0;
    for (std::string line; std::getline(in, line); ++count) ASSERT_TRUE(std::regex_match(line, whole)) << line;
    EXPECT_EQ(count, kThreads * kLines);
}

TEST(LogFile, AFileThatCannotBeWrittenRaisesAnIoError) {
    test::TempFolder folder;
    LogFile log(folder / "missing-folder" / "slog.txt");
    EXPECT_THROW(log.writeLog("x"), IoError);
}

}  // namespace
}  // namespace orvalo
