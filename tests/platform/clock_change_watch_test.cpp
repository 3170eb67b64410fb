#include "platform/clock_change_watch.h"

#include <cerrno>
#include <ctime>
#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace orvalo {
namespace {

using namespace std::chrono_literals;

bool runUntil(MainLoop& loop, const int& count, int wanted) {
    const auto give_up = std::chrono::steady_clock::now() + 5s;
    while (count < wanted && std::chrono::steady_clock::now() < give_up) loop.runOnce(10ms);
    return count >= wanted;
}

TEST(ClockChangeWatch, SettingTheClockIsSeen) {
    MainLoop loop;
    test::TempFolder folder;
    ClockChangeWatch watch(loop, folder / "localtime");
    int changes = 0;
    watch.subscribe([&] { ++changes; });
    loop.runPending();
    EXPECT_EQ(changes, 0);

    // Setting the clock to the time it already shows is a setting all the same.
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    if (::clock_settime(CLOCK_REALTIME, &now) != 0) GTEST_SKIP() << "no permission to set the clock here";
    ASSERT_TRUE(runUntil(loop, changes, 1));
    // The timer is armed again for the next setting.
    ::clock_gettime(CLOCK_REALTIME, &now);
    ASSERT_EQ(::clock_settime(CLOCK_REALTIME, &now), 0);
    ASSERT_TRUE(runUntil(loop, changes, 2));
}

TEST(ClockChangeWatch, ReplacingTheZoneFileIsSeen) {
    MainLoop loop;
    test::TempFolder folder;
    test::writeFile(folder / "localtime", "zone one");
    ClockChangeWatch watch(loop, folder / "localtime");
    int changes = 0;
    const int id = watch.subscribe([&] { ++changes; });
    test::writeFile(folder / "unrelated", "x");
    loop.runOnce(50ms);
    EXPECT_EQ(changes, 0);

    test::writeFile(folder / "localtime.new", "zone two");
    std::filesystem::rename(folder / "localtime.new", folder / "localtime");
    ASSERT_TRUE(runUntil(loop, changes, 1));

    watch.unsubscribe(id);
    const int before = changes;
    test::writeFile(folder / "localtime", "zone three");
    loop.runOnce(50ms);
    EXPECT_EQ(changes, before);
}

}  // namespace
}  // namespace orvalo
