// One event of the event list: 25 text fields in fixed order, keyed by ID. This file
// holds the record as a value, the list's column definitions, the values each add
// and edit command writes, and the text conventions of DATE and CFG_SAVE.
// Pure data and functions; thread-safe as values are.
#pragma once

#include <array>
#include <filesystem>
#include <vector>
#include <optional>
#include <string>
#include <string_view>

#include "platform/local_time.h"

namespace orvalo {

class CsvDataSet;

// The event lists' file names: the manager's and the service's copy.
inline constexpr const char* kManagerListFile = "L.csv";
inline constexpr const char* kServiceListFile = "sl.csv";

// Column definitions of the event list, in file order, and its key.
inline constexpr std::string_view kEventListFieldDef =
    "ID:$20;NAME:$200;DATE:$300;COMMANDLINE:$300;CFG_SAVE:$600;STATE:$10;ACTIVE:$10;LASTRUN:$64;"
    "START_MODE:$10;KILL_AFTER_MINS:$10;F_RUNMODE:$10;FILE:$1;FILENAME:$300;F_EXIST:$1;F_ONE_EXEC:$1;"
    "F_INFINITY:$1;F_ENUMEND:$10;F_LOOPWAIT:$10;EMAIL:$1;LOG:$1;W_CHECK:$10;W_URL:$300;W_EXIST:$1;"
    "W_STR:$300;W_CHECK_CNT:$10";
inline constexpr std::string_view kEventListKeyDef = "ID";

// The longest kill time: one year. Forms refuse more; a list that holds more means
// one year.
inline constexpr long long kMaxKillMinutes = 525'600;

inline constexpr std::string_view kStateWaiting = "Waiting";
inline constexpr std::string_view kStateRunning = "Running";
inline constexpr std::string_view kActiveEnabled = "Enabled";
inline constexpr std::string_view kActiveDisabled = "Disabled";

// Field FILE: which condition fires the event.
enum class EventKind { Time, File, Web };
// The kind a FILE text names, read as a whole number as the runner and the loaders
// read it ("0", " 2"); nullopt for any other number or text.
std::optional<EventKind> eventKindOf(std::string_view fileField);
inline constexpr std::string_view kFileTimeEvent = "0";
inline constexpr std::string_view kFileFileEvent = "1";
inline constexpr std::string_view kFileWebEvent = "2";

struct EventRecord {
    std::string id;
    std::string name;
    std::string date;
    std::string commandLine;
    std::string cfgSave;
    std::string state;
    std::string active;
    std::string lastRun;
    std::string startMode;
    std::string killAfterMins;
    std::string fRunMode;
    std::string file;
    std::string fileName;
    std::string fExist;
    std::string fOneExec;
    std::string fInfinity;
    std::string fEnumEnd;
    std::string fLoopWait;
    std::string email;
    std::string log;
    std::string wCheck;
    std::string wUrl;
    std::string wExist;
    std::string wStr;
    std::string wCheckCnt;

    struct Field {
        std::string_view name;
        std::string EventRecord::*member;
    };
    // The 25 fields in file order.
    static const std::array<Field, 25> kFields;

    bool enabled() const { return active == kActiveEnabled; }
    // From FILE: "0" time, "1" file, "2" web; nullopt for any other text.
    std::optional<EventKind> kind() const;

    bool operator==(const EventRecord&) const = default;
};

// Sets separator, definitions and key of a table that holds the event list.
void configureEventListTable(CsvDataSet& table, std::string fileName, bool uniqueKeys);
// The current record of the table (in any state).
EventRecord readEventRecord(const CsvDataSet& table);
// Writes all 25 fields into the table's record being edited or appended.
void writeEventRecord(CsvDataSet& table, const EventRecord& record);
// Writes a whole event list file holding these records, replacing any old one.
void writeEventListFile(const std::filesystem::path& path, const std::vector<EventRecord>& records);

// What every event dialog supplies.
struct EventAction {
    std::string name;           // "Action name"
    std::string commandLine;    // "Execute command"
    std::string startMode;      // "Normal", "Hide" or "Minimize"
    double killAfterMinutes{};  // "Kill event after", rounded half to even when stored
};

// The file-event dialog's condition.
struct FileCondition {
    std::string path;
    bool runEvery = false;      // "Execute": "1" Every, "0" One time
    bool onExist = true;        // "exist file" rather than "change date/time/size"
    bool oneExecution = false;  // "Only one executing event" rather than "Loop"
    bool infinity = false;      // "Infinity" rather than "Number of cycles to end"
    std::string cycles = "1";   // stored as typed
    std::string loopWaitMinutes = "1";
    bool email = false;
    bool log = false;
};

// The web-event dialog's condition.
struct WebCondition {
    std::string url = "http://";
    std::string checkMinutes = "1";  // stored as typed
    bool whenExists = true;          // "Exists" rather than "Not Exists"
    std::string searchText;
    bool email = false;
    bool log = false;
};

// Kill minutes as stored: rounded to the nearest whole number, halves to even.
// Raises Error for a value that is not a finite number of minutes from 0 up.
std::string killMinutesText(double minutes);

// New records with the creation values of each kind.
EventRecord makeTimeEvent(long long id, const EventAction& action, std::string dateText, std::string scheduleText);
EventRecord makeFileEvent(long long id, const EventAction& action, const FileCondition& condition);
EventRecord makeWebEvent(long long id, const EventAction& action, const WebCondition& condition);

// Edits keep the ID and leave the event "Disabled", "Waiting", never run.
void editTimeEvent(EventRecord& record, const EventAction& action, std::string dateText, std::string scheduleText);
void editFileEvent(EventRecord& record, const EventAction& action, const FileCondition& condition);
void editWebEvent(EventRecord& record, const EventAction& action, const WebCondition& condition);

// DATE texts.
std::string timeEventDateText(const LocalDateTime& start, const LocalTimeFormat& format = LocalTimeFormat::user());
std::string fileEventDateText(bool onExist, std::string_view path);
std::string webEventDateText(std::string_view checkMinutes, std::string_view url);

// CFG_SAVE holds the schedule text with its line breaks stored as the characters
// \r\n; this turns each of them (in any letter case) back into CR LF.
std::string scheduleTextFromField(std::string_view cfgSave);

}  // namespace orvalo
