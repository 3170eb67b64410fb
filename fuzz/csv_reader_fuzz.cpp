// Feeds arbitrary file text to the event list table, reads every field of every row
// and writes each value back into its row. The rows as held in memory must then
// read exactly as the saved text reads when loaded again.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "fuzz_target.h"
#include "eventlist/csv_data_set.h"
#include "eventlist/event_record.h"

namespace {

std::vector<std::vector<std::string>> allValues(orvalo::CsvDataSet& table) {
    std::vector<std::vector<std::string>> rows;
    for (table.first(); !table.eof(); table.next()) {
        std::vector<std::string> values;
        for (int c = 0; c < static_cast<int>(table.columns().size()); ++c) values.push_back(table.valueAt(c));
        rows.push_back(std::move(values));
    }
    return rows;
}

void configure(orvalo::CsvDataSet& table) {
    table.setCsvFieldDef(std::string(orvalo::kEventListFieldDef));
    table.setCsvKeyDef(std::string(orvalo::kEventListKeyDef));
}

// A header that repeats a name leaves a file column no field covers; a stray quote
// there may join columns when the text is split again, so such files are only
// checked for crashes.
bool everyFileColumnIsAField(const orvalo::CsvDataSet& table) {
    std::set<int> positions;
    for (const auto& column : table.columns()) positions.insert(column.position);
    return static_cast<int>(positions.size()) == *positions.rbegin() + 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    orvalo::CsvDataSet table;
    configure(table);
    try {
        table.loadText(text);
    } catch (const orvalo::Error&) {
        return 0;  // refused input is fine; crashing on it is not
    }
    bool allWritten = true;
    for (table.first(); !table.eof(); table.next()) {
        table.edit();
        for (int c = 0; c < static_cast<int>(table.columns().size()); ++c) {
            try {
                table.setValueAt(c, table.valueAt(c));
            } catch (const orvalo::Error&) {
                allWritten = false;
            }
        }
        table.post();
    }
    orvalo::CsvDataSet reread;
    configure(reread);
    reread.loadText(table.fileText());
    if (allWritten && everyFileColumnIsAField(table) && allValues(reread) != allValues(table)) std::abort();
    return 0;
}
