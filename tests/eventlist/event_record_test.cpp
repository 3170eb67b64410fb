#include "eventlist/event_record.h"

#include <cmath>
#include <gtest/gtest.h>

#include "base/error.h"
#include "eventlist/csv_data_set.h"
#include "support/temp_folder.h"

namespace orvalo {
namespace {

// The 25 field values in file order.
std::vector<std::string> fieldsOf(const EventRecord& record) {
    std::vector<std::string> values;
    for (const auto& field : EventRecord::kFields) values.push_back(record.*field.member);
    return values;
}

const EventAction kAction{"Backup", "/usr/bin/backup --all", "Hide", 2.5};

TEST(EventRecord, FieldsFollowTheDefinitionOrder) {
    CsvDataSet table;
    table.setCsvFieldDef(std::string(kEventListFieldDef));
    table.loadText("");
    ASSERT_EQ(table.columns().size(), EventRecord::kFields.size());
    for (std::size_t i = 0; i < EventRecord::kFields.size(); ++i)
        EXPECT_EQ(table.columns()[i].name, EventRecord::kFields[i].name);
    EXPECT_EQ(table.headerRow(),
              "ID;NAME;DATE;COMMANDLINE;CFG_SAVE;STATE;ACTIVE;LASTRUN;START_MODE;KILL_AFTER_MINS;F_RUNMODE;FILE;"
              "FILENAME;F_EXIST;F_ONE_EXEC;F_INFINITY;F_ENUMEND;F_LOOPWAIT;EMAIL;LOG;W_CHECK;W_URL;W_EXIST;W_STR;"
              "W_CHECK_CNT");
}

TEST(EventRecord, CreationValuesPerKind) {
    const EventRecord time = makeTimeEvent(0, kAction, "date text", "schedule\r\ntext\r\n");
    EXPECT_EQ(fieldsOf(time), (std::vector<std::string>{
                                  "0", "Backup", "date text", "/usr/bin/backup --all", "schedule\r\ntext\r\n",
                                  "Waiting", "Disabled", "", "Hide", "2", "0", "0", "", "0", "0", "0", "0", "0",
                                  "0", "0", "0", "", "0", "", "0"}));

    FileCondition fc;
    fc.path = "/srv/in/new.txt";
    fc.runEvery = true;
    fc.onExist = false;
    fc.oneExecution = false;
    fc.infinity = true;
    fc.cycles = "03";
    fc.loopWaitMinutes = "5";
    fc.email = true;
    fc.log = false;
    const EventRecord file = makeFileEvent(1000, kAction, fc);
    EXPECT_EQ(fieldsOf(file), (std::vector<std::string>{
                                  "1000", "Backup", "[File change]: /srv/in/new.txt", "/usr/bin/backup --all", "",
                                  "Waiting", "Disabled", "", "Hide", "2", "1", "1", "/srv/in/new.txt", "0", "0",
                                  "1", "03", "5", "1", "0", "0", "", "0", "", "0"}));

    WebCondition wc;
    wc.url = "http://127.0.0.1/status";
    wc.checkMinutes = "5";
    wc.whenExists = false;
    wc.searchText = "DOWN";
    wc.email = false;
    wc.log = true;
    const EventRecord web = makeWebEvent(10000, kAction, wc);
    EXPECT_EQ(fieldsOf(web), (std::vector<std::string>{
                                 "10000", "Backup", "[WebRequest]:5 http://127.0.0.1/status", "/usr/bin/backup --all",
                                 "", "Waiting", "Disabled", "", "Hide", "2", "0", "2", "", "0", "0", "0", "0", "0",
                                 "0", "1", "5", "http://127.0.0.1/status", "0", "DOWN", "5"}));
    EXPECT_EQ(web.kind(), EventKind::Web);
    EXPECT_EQ(file.kind(), EventKind::File);
    EXPECT_EQ(time.kind(), EventKind::Time);
}

TEST(EventRecord, EditsLeaveTheEventDisabledWaitingAndNeverRun) {
    FileCondition fc;
    fc.path = "/a";
    EventRecord record = makeFileEvent(1000, kAction, fc);
    record.active = "Enabled";
    record.state = "Running";
    record.lastRun = "01.01.2026 10:00:00";
    record.wUrl = "kept web field";

    fc.onExist = false;
    fc.path = "/b";
    editFileEvent(record, {"Renamed", "cmd", "Normal", 0}, fc);
    EXPECT_EQ(record.id, "1000");
    EXPECT_EQ(record.name, "Renamed");
    EXPECT_EQ(record.date, "[File change]: /b");
    EXPECT_EQ(record.active, "Disabled");
    EXPECT_EQ(record.state, "Waiting");
    EXPECT_EQ(record.lastRun, "");
    EXPECT_EQ(record.wUrl, "kept web field");

    EventRecord time = makeTimeEvent(4, kAction, "d", "s");
    time.active = "Enabled";
    time.fEnumEnd = "kept";
    editTimeEvent(time, kAction, "d2", "s2");
    EXPECT_EQ(time.id, "4");
    EXPECT_EQ(time.active, "Disabled");
    EXPECT_EQ(time.cfgSave, "s2");
    EXPECT_EQ(time.fEnumEnd, "kept");

    EventRecord web = makeWebEvent(10003, kAction, {});
    web.active = "Enabled";
    web.lastRun = "x";
    WebCondition wc;
    wc.url = "http://other";
    editWebEvent(web, kAction, wc);
    EXPECT_EQ(web, [&] {
        EventRecord expected = makeWebEvent(10003, kAction, wc);
        return expected;
    }());
}

TEST(EventRecord, KillMinutesRoundHalvesToEven) {
    const std::pair<double, const char*> cases[] = {{0, "0"},   {0.4, "0"}, {0.5, "0"}, {1.5, "2"},
                                                    {2.5, "2"}, {3.5, "4"}, {1.6, "2"}, {-0.4, "0"}};
    for (const auto& [minutes, text] : cases) EXPECT_EQ(killMinutesText(minutes), text) << minutes;
    for (double bad : {-1.0, std::nan(""), static_cast<double>(INFINITY)}) EXPECT_THROW(killMinutesText(bad), Error) << bad;
}

TEST(EventRecord, DateTexts) {
    const LocalTimeFormat c("C");
    EXPECT_EQ(timeEventDateText({2026, 3, 5, 0, 0, 0, 0}, c), "03/05/26");
    EXPECT_EQ(timeEventDateText({2026, 3, 5, 8, 30, 0, 0}, c), "03/05/26 08:30:00");
    EXPECT_EQ(fileEventDateText(true, "/tmp/a b"), "[File on create]: /tmp/a b");
    EXPECT_EQ(fileEventDateText(false, "/tmp/a b"), "[File change]: /tmp/a b");
    EXPECT_EQ(webEventDateText("5", "http://x"), "[WebRequest]:5 http://x");
}

TEST(EventRecord, ScheduleTextSurvivesTheListWithItsLineBreaks) {
    test::TempFolder folder;
    const auto path = folder / "L.csv";
    const std::string schedule = "# Schedule: Generic\r\nStart.Date = 2009/03/02\r\nStart.Time = 08:00:00.000\r\n";
    {
        CsvDataSet table;
        configureEventListTable(table, path.string(), true);
        table.open();
        table.append();
        writeEventRecord(table, makeTimeEvent(0, kAction, "d", schedule));
        table.post();
        table.close();
    }
    const std::string file = test::readFile(path);
    EXPECT_NE(file.find("\"# Schedule: Generic\\r\\nStart.Date = 2009/03/02\\r\\n"), std::string::npos) << file;

    CsvDataSet table;
    configureEventListTable(table, path.string(), true);
    table.open();
    EXPECT_EQ(scheduleTextFromField(table.value("cfg_save")), schedule);
}

TEST(EventRecord, ScheduleEscapesAreMatchedInAnyCase) {
    EXPECT_EQ(scheduleTextFromField("a\\R\\Nb\\r\\Nc\\R\\nd"), "a\r\nb\r\nc\r\nd");
    EXPECT_EQ(scheduleTextFromField("lone\\r and \\n stay"), "lone\\r and \\n stay");
    EXPECT_EQ(scheduleTextFromField("end\\r\\"), "end\\r\\");
}

}  // namespace
}  // namespace orvalo
