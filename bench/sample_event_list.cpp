#include "sample_event_list.h"

#include <cstdlib>
#include <stdlib.h>
#include <string>

#include "eventlist/csv_data_set.h"
#include "eventlist/event_record.h"

namespace orvalo {


std::filesystem::path makeBenchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvalo-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern;
}

// A realistic mix: time events with a schedule text, file and web events.
void writeSampleList(const std::filesystem::path& path) {
    CsvDataSet table;
    configureEventListTable(table, path.string(), false);
    table.open();
    const std::string schedule =
        "# Schedule: Generic\r\nStart.Date = 2026/12/01\r\nStart.Time = 08:00:00.000\r\n"
        "# Schedule: Recurring info\r\nRecur type = srkDaily\r\n# Schedule: End info\r\nEnd type = sekNone\r\n"
        "# Schedule: Day frequency\r\nFrequency start = 08:00:00.000\r\nFrequency end = 17:00:00.000\r\n"
        "Frequency interval = 00:15:00.000\r\n# Schedule: Daily info\r\nDaily every weekday = False\r\n"
        "Daily interval = 1\r\n";
    const EventAction action{"Nightly backup of \"home\"", "/usr/bin/rsync -a /home/ /mnt/backup/", "Hide", 5};
    for (int i = 0; i < kRows; ++i) {
        EventRecord record;
        if (i < 1000) {
            record = makeTimeEvent(i, action, "12/01/26 08:00:00", schedule);
        } else if (i % 2 == 0) {
            FileCondition file;
            file.path = "/srv/incoming/file" + std::to_string(i) + ".csv";
            record = makeFileEvent(i, action, file);
        } else {
            WebCondition web;
            web.url = "http://127.0.0.1:8080/status?page=" + std::to_string(i);
            web.searchText = "ready; go";
            record = makeWebEvent(10000 + i, action, web);
        }
        record.lastRun = "12/10/26 23:59:59";
        table.append();
        writeEventRecord(table, record);
        table.post();
    }
    table.close();
}

}  // namespace orvalo
