#include "execution/event_list_access.h"

#include <gtest/gtest.h>

#include "eventlist/event_record.h"
#include "platform/atomic_file.h"
#include "support/temp_folder.h"

namespace orvalo {
namespace {

// The service's list, sl.csv, shared by its runs; someone else replaces the file
// meanwhile, as the manager's copy or a user's editor does.
class SharedEventListTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeEventListFile(file(), {event(0, "old"), event(1, "old")});
        configureEventListTable(table_, file().string(), true);
        std::lock_guard lock(list_.lock());
        list_.open();
    }
    std::filesystem::path file() const { return folder_ / "sl.csv"; }
    static EventRecord event(long long id, const std::string& command) {
        return makeTimeEvent(id, {"Event" + std::to_string(id), command, "Normal", 0}, "d", "schedule");
    }
    // What a run's first pass does to its record.
    void markRunning(long long id, const std::string& lastRun) {
        list_.pass([&](CsvDataSet& table) {
            ASSERT_TRUE(table.locate("ID", std::to_string(id)));
            table.edit();
            table.setValue("LASTRUN", lastRun);
            table.setValue("STATE", "Running");
            table.post();
        });
    }
    std::vector<EventRecord> onDisk() {
        CsvDataSet table;
        configureEventListTable(table, file().string(), false);
        table.open();
        std::vector<EventRecord> records;
        for (table.first(); !table.eof(); table.next()) records.push_back(readEventRecord(table));
        return records;
    }

    test::TempFolder folder_;
    CsvDataSet table_;
    SharedEventList list_{table_};
};

TEST_F(SharedEventListTest, AReplacedFileKeepsItsRowsAndGetsTheRunFields) {
    markRunning(0, "run 1");
    // Replaced: new commands, a new event, and run fields of its own.
    EventRecord changed = event(0, "new");
    changed.lastRun = "theirs";
    writeEventListFile(file(), {changed, event(1, "new"), event(2, "added")});
    markRunning(1, "run 2");

    const std::vector<EventRecord> records = onDisk();
    ASSERT_EQ(records.size(), 3u);
    for (const EventRecord& r : records) EXPECT_EQ(r.commandLine, r.id == "2" ? "added" : "new") << r.id;
    EXPECT_EQ(records[0].lastRun, "run 1");
    EXPECT_EQ(records[0].state, "Running");
    EXPECT_EQ(records[1].lastRun, "run 2");
    EXPECT_EQ(records[2].lastRun, "");
    EXPECT_EQ(records[2].state, "Waiting");
}

TEST_F(SharedEventListTest, ClosingDoesNotWriteTheOldListOverAReplacedOne) {
    markRunning(0, "run 1");
    list_.pass([](CsvDataSet& table) {  // a pending change, as a final pass leaves it
        table.locate("ID", "0");
        table.edit();
        table.setValue("STATE", "Waiting");
        table.post();
    });
    writeEventListFile(file(), {event(0, "new")});
    {
        // Unsaved until the close: a change made without a pass.
        std::lock_guard lock(list_.lock());
        table_.locate("ID", "0");
        table_.edit();
        table_.setValue("LASTRUN", "run 3");
        table_.post();
    }
    list_.close();
    const std::vector<EventRecord> records = onDisk();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].commandLine, "new");
    EXPECT_EQ(records[0].lastRun, "run 3");
}

// A table its owner opened before handing it over counts as read from the file as
// it is: its first save is no reason to read the file again.
TEST(SharedEventList, ATableOpenedBeforeKeepsItsChanges) {
    test::TempFolder folder;
    writeEventListFile(folder / "sl.csv", {makeTimeEvent(0, {"Event1", "old", "Normal", 0}, "d", "s")});
    CsvDataSet table;
    configureEventListTable(table, (folder / "sl.csv").string(), true);
    table.open();
    SharedEventList list(table);
    list.pass([](CsvDataSet& t) {
        t.first();
        t.edit();
        t.setValue("COMMANDLINE", "new");
        t.post();
    });
    CsvDataSet check;
    configureEventListTable(check, (folder / "sl.csv").string(), false);
    check.open();
    EXPECT_EQ(check.value("COMMANDLINE"), "new");
}

}  // namespace
}  // namespace orvalo
