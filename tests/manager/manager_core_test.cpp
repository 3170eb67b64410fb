#include "manager/core/manager_core.h"

#include <gtest/gtest.h>

#include "eventlist/event_ids.h"
#include "manager/core/test_action.h"
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

// In "Application" mode the window's engine follows time-zone changes (and clock
// settings) as the service's does: busy items restart and the scheduler wakes.
TEST_F(ManagerCoreTest, AZoneChangeWakesTheEngine) {
    test::TempFolder zone;
    test::writeFile(zone / "localtime", "UTC0");
    core_.emplace(home_.path(), loop_, scheduler_, SystemClock::instance(), zone / "localtime");
    core_->start();
    loop_.runPending();
    const unsigned long scans = scheduler_.scans();
    test::writeFile(zone / "localtime.new", "CET-1");
    std::filesystem::rename(zone / "localtime.new", zone / "localtime");
    EXPECT_TRUE(test::pumpUntil(loop_, [&] { return scheduler_.scans() > scans; }));
}

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

TEST_F(ManagerCoreTest, EditsLeaveEventsDisabledWaitingAndNeverRun) {
    startCore();
    core_->addTimeEvent(action("Event1"), dailyAtNine());
    FileEventForm file;
    file.action = action("Watch");
    file.condition.path = (home_ / "in.csv").string();
    file.condition.loopWaitMinutes = "1";
    core_->addFileEvent(file);
    WebEventForm web;
    web.action = action("Web");
    web.condition.checkMinutes = "2";
    core_->addWebEvent(web);
    for (long long id : {0LL, 1000LL, 10000LL}) core_->enable(id);
    {
        // As a run leaves them.
        std::lock_guard lock(core_->listLock());
        for (core_->listCopy().first(); !core_->listCopy().eof(); core_->listCopy().next()) {
            core_->listCopy().edit();
            core_->listCopy().setValue("STATE", "Running");
            core_->listCopy().setValue("LASTRUN", "1.12.2026 09:00:00");
            core_->listCopy().post();
        }
        core_->listCopy().saveIfChanged();
    }

    auto [fields, form] = core_->timeEventForm(0);
    EXPECT_EQ(fields.name, "Event1");
    EXPECT_EQ(form.type, TimeEventForm::Daily);
    EXPECT_EQ(form.freqOnceTimeMs, 9 * 3'600'000);
    fields.name = "Renamed";
    form.freqOnceTimeMs = 10 * 3'600'000;
    core_->editTimeEvent(0, fields, form);

    FileEventForm editedFile = core_->fileEventForm(1000);
    EXPECT_EQ(editedFile.condition.loopWaitMinutes, "1");
    editedFile.condition.loopWaitMinutes = "2";
    core_->editFileEvent(1000, editedFile);
    WebEventForm editedWeb = core_->webEventForm(10000);
    editedWeb.condition.searchText = "ready";
    core_->editWebEvent(10000, editedWeb);

    EXPECT_EQ(column("NAME"), (std::vector<std::string>{"Renamed", "Watch", "Web"}));
    EXPECT_EQ(column("ACTIVE"), std::vector<std::string>(3, "Disabled"));
    EXPECT_EQ(column("STATE"), std::vector<std::string>(3, "Waiting"));
    EXPECT_EQ(column("LASTRUN"), std::vector<std::string>(3, ""));
    EXPECT_EQ(column("F_LOOPWAIT")[1], "2");
    EXPECT_EQ(column("W_STR")[2], "ready");
    EventCollectionItem& item = core_->engine().events().items(0);
    EXPECT_EQ(item.state(), eisStopped);
    EXPECT_EQ(item.name(), "Renamed");
    EXPECT_EQ(core_->timeEventForm(0).second.freqOnceTimeMs, 10 * 3'600'000);
    const auto& rows = core_->watcher().rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].enable, 0);
    EXPECT_EQ(rows[0].waitNum, 0);  // the pause under way ends with the edit
    EXPECT_EQ(rows[0].waitNumMax, 11);
    EXPECT_EQ(rows[1].enable, 0);
    EXPECT_EQ(rows[1].wCheckCnt, 0);  // checked at the next tick
    EXPECT_EQ(rows[1].wStr, "ready");
}

TEST_F(ManagerCoreTest, AnEditThatCannotBeMadeChangesNothing) {
    startCore();
    EXPECT_EQ(test::errorOf([&] { core_->fileEventForm(1000); }), "There is no event 1000");
    core_->addTimeEvent(action("Event1"), dailyAtNine());
    FileEventForm file;
    file.condition.path = "/tmp/x";
    core_->addFileEvent(file);
    core_->enable(0);
    const std::string before = test::readFile(home_ / "L.csv");

    auto [fields, form] = core_->timeEventForm(0);
    form.freqOnce = false;
    form.freqInterval = "0x10";
    EXPECT_THROW(core_->editTimeEvent(0, fields, form), Error);
    fields.killMinutes = "1.5";
    EXPECT_THROW(core_->editTimeEvent(0, fields, core_->timeEventForm(0).second), Error);
    FileEventForm badFile = core_->fileEventForm(1000);
    badFile.condition.cycles = "";
    EXPECT_THROW(core_->editFileEvent(1000, badFile), Error);
    EXPECT_EQ(test::errorOf([&] { core_->webEventForm(1000); }), "Event 1000 is not a web event: its FILE is '1'");
    EXPECT_THROW(core_->editWebEvent(1000, WebEventForm{}), Error);

    EXPECT_EQ(test::readFile(home_ / "L.csv"), before);
    EXPECT_EQ(core_->engine().events().items(0).state(), eisWaiting);  // still running
    EXPECT_EQ(core_->watcher().rows()[0].waitNumMax, 5);
}

TEST_F(ManagerCoreTest, TestActionRunsTheCommandAndWritesNothing) {
    startCore();
    const auto marker = home_ / "ran";
    ActionFields quick = action("Quick");
    quick.commandLine = "echo once >> '" + marker.string() + "'";
    core_->addTimeEvent(quick, dailyAtNine());
    ActionFields slow = action("Slow");
    slow.commandLine = "exec 2>/dev/null; trap 'echo closed >> \"" + marker.string() + "\"; exit 0' TERM; echo started >> '" +
                       marker.string() + "'; while :; do sleep 0.05; done";
    slow.killMinutes = "5";
    core_->addTimeEvent(slow, dailyAtNine());
    const std::string list = test::readFile(home_ / "L.csv");

    const auto started = std::chrono::steady_clock::now();
    core_->testAction(0);  // no kill minutes: no test time
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    ASSERT_TRUE(test::pumpUntil(loop_, [&] { return test::readFile(marker) == "once\n"; }));

    // The test itself, with a test time shorter than the ten seconds: the command
    // runs through it and is asked to close after it.
    runTestAction(TestAction::fromRecord(core_->record(1)), std::chrono::milliseconds(500));
    EXPECT_TRUE(test::pumpUntil(loop_, [&] { return test::readFile(marker) == "once\nstarted\nclosed\n"; }));
    EXPECT_EQ(test::readFile(home_ / "L.csv"), list);
    EXPECT_FALSE(std::filesystem::exists(home_ / "applog.txt"));
    EXPECT_EQ(core_->engine().events().items(1).state(), eisStopped);
}

TEST_F(ManagerCoreTest, StartupOptionsKeepOneAutostartEntryAndTheSettings) {
    startCore();
    const AutostartFolders folders{home_ / "user", home_ / "all"};
    std::filesystem::create_directories(folders.currentUser);
    std::filesystem::create_directories(folders.allUsers);
    core_->setAutostart(folders, "/opt/orvalo/Orvalo");
    const auto userEntry = folders.currentUser / "Orvalo.desktop";
    const auto allEntry = folders.allUsers / "Orvalo.desktop";

    core_->setStartupOptions(true, false, 0);
    EXPECT_NE(test::readFile(userEntry).find("Exec=/opt/orvalo/Orvalo -tray\n"), std::string::npos);
    core_->setStartupOptions(true, false, 1);
    EXPECT_NE(test::readFile(userEntry).find("Exec=/opt/orvalo/Orvalo\n"), std::string::npos);
    core_->setStartupOptions(true, true, 1);
    EXPECT_FALSE(std::filesystem::exists(userEntry));
    EXPECT_TRUE(std::filesystem::exists(allEntry));
    ManagerSettings saved = SettingsFile(home_ / "Orvalo.ini").readManager();
    EXPECT_TRUE(saved.appStart && saved.appStartAllUsers);
    EXPECT_EQ(saved.appStartMode, 1);
    core_->setStartupOptions(false, true, 1);
    EXPECT_FALSE(std::filesystem::exists(userEntry) || std::filesystem::exists(allEntry));
    EXPECT_FALSE(SettingsFile(home_ / "Orvalo.ini").readManager().appStart);
}

TEST_F(ManagerCoreTest, MailSettingsAreSavedEvenWhenTheTestFails) {
    startCore();
    MailSettings mail;
    mail.smtpServer = "127.0.0.1:1";
    mail.login = "bot";
    mail.password = "new secret";
    const std::string outcome = core_->saveAndTestMail(mail);
    EXPECT_EQ(outcome.rfind("ERROR: ", 0), 0u) << outcome;
    core_->setNotifyEmail("ops@example.org");
    const ManagerSettings saved = SettingsFile(home_ / "Orvalo.ini").readManager();
    EXPECT_EQ(saved.mail, mail);
    EXPECT_EQ(saved.notifyEmail, "ops@example.org");
}

}  // namespace
}  // namespace orvalo
