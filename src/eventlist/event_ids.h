// ID assignment for new events. Time events take 0..999 in order, file events
// 1000 and up, web events 10000 and up, each one more than the highest ID that
// counts for its kind. Pure functions over the IDs present in the list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvalo {

class CsvDataSet;

inline constexpr std::int64_t kMaxTimeEvents = 1000;
inline constexpr std::int64_t kFirstFileEventId = 1000;
inline constexpr std::int64_t kFirstWebEventId = 10000;

// Every ID of the table that reads as a whole number; the cursor is left where it was.
std::vector<std::int64_t> eventIds(CsvDataSet& table);

// One more than the highest ID from 0 to 999, or 0. Raises Error when the list
// already holds the most time events it can.
std::int64_t nextTimeEventId(const std::vector<std::int64_t>& ids);
// One more than the highest ID, raised to 1000.
std::int64_t nextFileEventId(const std::vector<std::int64_t>& ids);
// One more than the highest ID, raised to 10000.
std::int64_t nextWebEventId(const std::vector<std::int64_t>& ids);

// The name a dialog proposes for a new event: "Event" and the new ID plus one.
std::string proposedEventName(std::int64_t id);

}  // namespace orvalo
