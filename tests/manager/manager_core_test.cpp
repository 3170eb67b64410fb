#include "manager/core/manager_core.h"

#include <gtest/gtest.h>

#include "eventlist/event_ids.h"
#include "support/temp_folder.h"
#include "support/test_helpers.h"

namespace orvalo {
namespace {

class ManagerCoreTest : public ::testing::Test {
protected:
    void startCore(bool serviceMode = false) {
        if (serviceMode) {
            ManagerSettings settings;
            settings.serviceActive = true;
            SettingsFile(home_ / "Orvalo.ini").writeManager(settings);
        }
        core_.emplace(home_.path(), loop_, scheduler_);
        core_->start();
    }
    ActionFields action(const std::string& name) {
        ActionFields fields;
        fields.name = name;
        fields.commandLine = "true";
        return fields;
    }
    TimeEventForm dailyAtNine() {
        TimeEventForm form = TimeEventForm::defaults({2026, 12, 1, 0, 0, 0, 0});
        form.type = TimeEventForm::Daily;
        form.freqOnceTimeMs = 9 * 3'600'000;
        return form;
    }
    std::vector<std::string> column(const char* field) {
        CsvDataSet list;
        configureEventListTable(list, (home_ / "L.csv").string(), false);
        list.open();
        std::vector<std::string> values;
        for (list.first(); !list.eof(); list.next()) values.push_back(list.value(field));
        return values;
    }

    test::TempFolder home_;
    MainLoop loop_;
    SchedulerThread scheduler_;
    std::optional<ManagerCore> core_;
};

TEST_F(ManagerCoreTest, AddsEventsWithTheirIdsRecordsEngineItemsAndWatchRows) {
    startCore();
    EXPECT_EQ(core_->addTimeEvent(action("Event1"), dailyAtNine()), 0);
    EXPECT_EQ(core_->addTimeEvent(action("Event2"), dailyAtNine()), 1);
    FileEventForm file;
    file.action = action("Watch");
    file.condition.path = (home_ / "in.csv").string();
    file.condition.loopWaitMinutes = "1";
    EXPECT_EQ(core_->addFileEvent(file), 1000);
    WebEventForm web;
    web.action = action("Web");
    web.condition.checkMinutes = "2";
    EXPECT_EQ(core_->addWebEvent(web), 10000);
    EXPECT_EQ(core_->addFileEvent(file), 10001);

    EXPECT_EQ(column("ID"), (std::vector<std::string>{"0", "1", "1000", "10000", "10001"}));
    EXPECT_EQ(column("ACTIVE"), std::vector<std::string>(5, "Disabled"));
    EXPECT_EQ(core_->engine().events().count(), 2);
    EXPECT_EQ(core_->engine().events().items(1).name(), "Event2");
    EXPECT_EQ(core_->engine().events().items(1).state(), eisStopped);
    ASSERT_EQ(core_->watcher().rows().size(), 3u);
    EXPECT_EQ(core_->watcher().rows()[0].waitNum, 5);
    EXPECT_EQ(core_->watcher().rows()[1].wCheck, 11);
    EXPECT_TRUE(core_->changesPending());

    core_->clearAll();
    EXPECT_TRUE(column("ID").empty());
    EXPECT_EQ(core_->engine().events().count(), 0);
    EXPECT_TRUE(core_->watcher().rows().empty());
    EXPECT_EQ(core_->addTimeEvent(action("Event1"), dailyAtNine()), 0);
}

TEST_F(ManagerCoreTest, ABadFieldChangesNothing) {
    startCore();
    core_->addTimeEvent(action("Event1"), dailyAtNine());
    const std::string before = test::readFile(home_ / "L.csv");
    TimeEventForm bad = dailyAtNine();
    bad.dailyEveryWeekDay = false;
    bad.dailyInterval = "often";
    EXPECT_THROW(core_->addTimeEvent(action("Event2"), bad), Error);
    ActionFields badKill = action("Event2");
    badKill.killMinutes = "-3";
    EXPECT_THROW(core_->addTimeEvent(badKill, dailyAtNine()), Error);
    FileEventForm file;
    file.condition.cycles = "x";
    EXPECT_THROW(core_->addFileEvent(file), Error);
    EXPECT_EQ(test::readFile(home_ / "L.csv"), before);
    EXPECT_EQ(core_->engine().events().count(), 1);
    EXPECT_TRUE(core_->watcher().rows().empty());
}

TEST_F(ManagerCoreTest, EnableStartsTimeEventsOnlyInApplicationMode) {
    startCore();
    core_->addTimeEvent(action("Event1"), dailyAtNine());
    FileEventForm file;
    file.condition.path = "/tmp/x";
    core_->addFileEvent(file);
    core_->enable(0);
    core_->enable(1000);
    EXPECT_EQ(core_->engine().events().items(0).state(), eisWaiting);
    EXPECT_EQ(core_->watcher().rows()[0].enable, 1);
    EXPECT_EQ(column("ACTIVE"), (std::vector<std::string>{"Enabled", "Enabled"}));
    core_->disable(0);
    EXPECT_EQ(core_->engine().events().items(0).state(), eisStopped);
    EXPECT_EQ(column("ACTIVE")[0], "Disabled");
    EXPECT_EQ(test::errorOf([&] { core_->enable(5); }), "There is no event 5");

    // Started again in "Service" mode, the manager leaves the events to the service.
    core_.reset();
    startCore(true);
    EXPECT_TRUE(core_->serviceMode());
    EXPECT_EQ(core_->engine().events().items(0).state(), eisStopped);
    core_->enable(0);
    EXPECT_EQ(core_->engine().events().items(0).state(), eisStopped);
    EXPECT_EQ(column("ACTIVE")[0], "Enabled");
    EXPECT_TRUE(core_->changesPending());
}

TEST_F(ManagerCoreTest, ABrokenRecordIsReportedAndTheRestLoads) {
    EventRecord broken = makeTimeEvent(0, {"Broken", "true", "Normal", 0}, "d", "not a schedule");
    broken.active = "Enabled";
    EventRecord good = makeTimeEvent(1, {"Good", "true", "Normal", 0}, "d",
                                     "# Schedule: Generic\r\nStart.Date = 2040/01/01\r\nStart.Time = 08:00:00.000\r\n"
                                     "# Schedule: Recurring info\r\nRecur type = srkOneShot\r\n");
    good.active = "Enabled";
    FileCondition condition;
    condition.path = "/tmp/x";
    EventRecord badFile = makeFileEvent(1000, {"F", "true", "Normal", 0}, condition);
    badFile.fLoopWait = "soon";
    writeEventListFile(home_ / "L.csv", {broken, good, badFile});
    startCore();
    EXPECT_EQ(core_->loadReports(), (std::vector<std::string>{"Event 0 was not loaded: Incorrect structure found",
                                                              "Event 1000 was not loaded: 'soon' is not a valid integer value"}))
        << ::testing::PrintToString(core_->loadReports());
    ASSERT_EQ(core_->engine().events().count(), 2);  // the broken one keeps its place
    EXPECT_EQ(core_->engine().events().items(1).state(), eisWaiting);
}

}  // namespace
}  // namespace orvalo
