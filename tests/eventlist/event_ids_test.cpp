#include "eventlist/event_ids.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "eventlist/csv_data_set.h"
#include "eventlist/event_record.h"
#include "support/temp_folder.h"

namespace orvalo {
namespace {

using Ids = std::vector<std::int64_t>;

TEST(EventIds, EachKindCountsOnFromItsOwnStart) {
    struct Case {
        const char* what;
        Ids ids;
        std::int64_t time, file, web;
    };
    const Case cases[] = {
        {"empty list", {}, 0, 1000, 10000},
        {"three time events", {0, 1, 2}, 3, 1000, 10000},
        {"times and a file event", {0, 1, 1000}, 2, 1001, 10000},
        {"times, file and web", {0, 1000, 10000}, 1, 10001, 10001},
        {"web event first in the file", {10000, 2, 0, 1}, 3, 10001, 10001},
        {"hand-made negative ID", {-5}, 0, 1000, 10000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(nextTimeEventId(c.ids), c.time) << c.what;
        EXPECT_EQ(nextFileEventId(c.ids), c.file) << c.what;
        EXPECT_EQ(nextWebEventId(c.ids), c.web) << c.what;
    }
}

TEST(EventIds, TheThousandAndFirstTimeEventIsRefused) {
    Ids ids;
    for (std::int64_t i = 0; i < 999; ++i) ids.push_back(i);
    EXPECT_EQ(nextTimeEventId(ids), 999);
    ids.push_back(999);
    ids.push_back(1000);
    try {
        nextTimeEventId(ids);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "The list already holds 1000 time events, the most it can hold; no time event can be added");
    }
    EXPECT_EQ(nextFileEventId(ids), 1001);
    EXPECT_THROW(nextFileEventId({std::numeric_limits<std::int64_t>::max()}), Error);
}

TEST(EventIds, ProposedNamesAreTheIdPlusOne) {
    EXPECT_EQ(proposedEventName(0), "Event1");
    EXPECT_EQ(proposedEventName(1000), "Event1001");
    EXPECT_EQ(proposedEventName(10000), "Event10001");
}

TEST(EventIds, ScanTheWholeTableAndKeepTheCursor) {
    test::TempFolder folder;
    test::writeFile(folder / "L.csv", "ID;NAME\r\n0;a\r\n10000;b\r\nbroken;c\r\n1;d\r\n1000;e\r\n");
    CsvDataSet table;
    configureEventListTable(table, (folder / "L.csv").string(), false);
    table.open();
    table.moveTo(2);
    const Ids ids = eventIds(table);
    EXPECT_EQ(ids, (Ids{0, 10000, 1, 1000}));
    EXPECT_EQ(table.recNo(), 2);
    EXPECT_EQ(nextTimeEventId(ids), 2);
    EXPECT_EQ(nextWebEventId(ids), 10001);
}

}  // namespace
}  // namespace orvalo
