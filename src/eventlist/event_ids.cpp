#include "eventlist/event_ids.h"

#include <algorithm>
#include <limits>
#include <string>

#include "base/error.h"
#include "base/text.h"
#include "eventlist/csv_data_set.h"

namespace orvalo {

std::vector<std::int64_t> eventIds(CsvDataSet& table) {
    std::vector<std::int64_t> ids;
    const int column = table.fieldIndex("ID");
    if (column < 0) return ids;
    const int saved = table.recNo();
    ids.reserve(static_cast<std::size_t>(table.recordCount()));
    for (table.first(); !table.eof(); table.next())
        if (auto id = parseInteger(table.valueAt(column))) ids.push_back(*id);
    table.moveTo(saved);
    return ids;
}

std::int64_t nextTimeEventId(const std::vector<std::int64_t>& ids) {
    std::int64_t next = 0;
    for (std::int64_t id : ids)
        if (id >= 0 && id < kMaxTimeEvents) next = std::max(next, id + 1);
    if (next >= kMaxTimeEvents)
        throw Error("The list already holds " + std::to_string(kMaxTimeEvents) +
                    " time events, the most it can hold; no time event can be added");
    return next;
}

namespace {
std::int64_t nextIdFrom(const std::vector<std::int64_t>& ids, std::int64_t lowest) {
    std::int64_t highest = std::numeric_limits<std::int64_t>::min();
    for (std::int64_t id : ids) highest = std::max(highest, id);
    if (highest == std::numeric_limits<std::int64_t>::max()) throw Error("No event ID is left above " + std::to_string(highest));
    return std::max(ids.empty() ? lowest : highest + 1, lowest);
}
}  // namespace

std::int64_t nextFileEventId(const std::vector<std::int64_t>& ids) { return nextIdFrom(ids, kFirstFileEventId); }
std::int64_t nextWebEventId(const std::vector<std::int64_t>& ids) { return nextIdFrom(ids, kFirstWebEventId); }

std::string proposedEventName(std::int64_t id) { return "Event" + std::to_string(id + 1); }

}  // namespace orvalo
