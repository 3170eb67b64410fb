#include "manager/core/watch_rows.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace orvalo {
namespace {

constexpr LocalMoment kNow = 123'456'789;

TEST(WatchRows, AddedFileEventsStartInactiveWithTheirFilesState) {
    test::TempFolder folder;
    test::writeFile(folder / "data.csv", "12345");
    FileEventForm form;
    form.condition.path = (folder / "data.csv").string();
    form.chooseChange();
    form.condition.runEvery = true;
    form.condition.cycles = "3";
    form.condition.loopWaitMinutes = "1";
    const WatchRow added = fileWatchRow(1000, form, false, kNow);
    EXPECT_EQ(added.id, 1000);
    EXPECT_TRUE(added.onChange);
    EXPECT_EQ(added.datetime, ConditionWatcher::modifiedMoment(form.condition.path).value());
    EXPECT_EQ(added.size, 5u);
    EXPECT_EQ(added.enable, 0);
    EXPECT_EQ(added.stillWatched, 1);
    EXPECT_EQ(added.loop, 1);
    EXPECT_EQ(added.loopNum, 3);
    EXPECT_EQ(added.waitNum, 5);
    EXPECT_EQ(added.waitNumMax, 5);

    const WatchRow edited = fileWatchRow(1000, form, true, kNow);
    EXPECT_EQ(edited.waitNum, 0);
    EXPECT_EQ(edited.waitNumMax, 5);  // the pause is kept for the next runs

    form.condition.path = (folder / "missing.csv").string();
    const WatchRow missing = fileWatchRow(1001, form, false, kNow);
    EXPECT_EQ(missing.datetime, kNow);
    EXPECT_EQ(missing.size, 0u);

    form.chooseExist();
    form.condition.infinity = true;
    EXPECT_EQ(fileWatchRow(1002, form, false, kNow).loopNum, -1);
    EXPECT_FALSE(fileWatchRow(1002, form, false, kNow).onChange);
    form.condition.oneExecution = true;  // wins over the cycles
    EXPECT_EQ(fileWatchRow(1002, form, false, kNow).loopNum, 1);
}

TEST(WatchRows, WebEventsCheckEveryPeriodAndAnEditedOneAtTheNextTick) {
    WebEventForm form;
    form.condition.checkMinutes = "2";
    form.condition.url = "http://127.0.0.1/";
    form.condition.searchText = "READY";
    form.condition.whenExists = false;
    form.condition.log = true;
    const WatchRow added = webWatchRow(10000, form, false, kNow);
    EXPECT_TRUE(added.isWebRow());
    EXPECT_EQ(added.wCheck, 11);
    EXPECT_EQ(added.wCheckCnt, 11);
    EXPECT_EQ(added.wExist, 0);
    EXPECT_EQ(added.log, 1);
    EXPECT_EQ(added.enable, 0);
    const WatchRow edited = webWatchRow(10000, form, true, kNow);
    EXPECT_EQ(edited.wCheck, 11);
    EXPECT_EQ(edited.wCheckCnt, 0);
}

}  // namespace
}  // namespace orvalo
