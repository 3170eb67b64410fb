#include "eventlist/event_record.h"

#include "base/text.h"

#include <cmath>
#include <limits>

#include "base/error.h"
#include "eventlist/csv_data_set.h"

namespace orvalo {

const std::array<EventRecord::Field, 25> EventRecord::kFields{{
    {"ID", &EventRecord::id},
    {"NAME", &EventRecord::name},
    {"DATE", &EventRecord::date},
    {"COMMANDLINE", &EventRecord::commandLine},
    {"CFG_SAVE", &EventRecord::cfgSave},
    {"STATE", &EventRecord::state},
    {"ACTIVE", &EventRecord::active},
    {"LASTRUN", &EventRecord::lastRun},
    {"START_MODE", &EventRecord::startMode},
    {"KILL_AFTER_MINS", &EventRecord::killAfterMins},
    {"F_RUNMODE", &EventRecord::fRunMode},
    {"FILE", &EventRecord::file},
    {"FILENAME", &EventRecord::fileName},
    {"F_EXIST", &EventRecord::fExist},
    {"F_ONE_EXEC", &EventRecord::fOneExec},
    {"F_INFINITY", &EventRecord::fInfinity},
    {"F_ENUMEND", &EventRecord::fEnumEnd},
    {"F_LOOPWAIT", &EventRecord::fLoopWait},
    {"EMAIL", &EventRecord::email},
    {"LOG", &EventRecord::log},
    {"W_CHECK", &EventRecord::wCheck},
    {"W_URL", &EventRecord::wUrl},
    {"W_EXIST", &EventRecord::wExist},
    {"W_STR", &EventRecord::wStr},
    {"W_CHECK_CNT", &EventRecord::wCheckCnt},
}};

std::optional<EventKind> eventKindOf(std::string_view fileField) {
    switch (parseInteger(fileField).value_or(-1)) {
        case 0: return EventKind::Time;
        case 1: return EventKind::File;
        case 2: return EventKind::Web;
        default: return std::nullopt;
    }
}

std::optional<EventKind> EventRecord::kind() const { return eventKindOf(file); }

void configureEventListTable(CsvDataSet& table, std::string fileName, bool uniqueKeys) {
    table.setFileName(std::move(fileName));
    table.setSeparator(';');
    table.setCsvFieldDef(std::string(kEventListFieldDef));
    table.setCsvKeyDef(std::string(kEventListKeyDef));
    table.setCsvUniqueKeys(uniqueKeys);
    table.setCaseInsensitive(false);
}

EventRecord readEventRecord(const CsvDataSet& table) {
    EventRecord record;
    for (const auto& field : EventRecord::kFields) record.*field.member = table.value(field.name);
    return record;
}

void writeEventRecord(CsvDataSet& table, const EventRecord& record) {
    for (const auto& field : EventRecord::kFields) table.setValue(field.name, record.*field.member);
}

void writeEventListFile(const std::filesystem::path& path, const std::vector<EventRecord>& records) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
    CsvDataSet table;
    configureEventListTable(table, path.string(), true);
    table.open();
    for (const EventRecord& record : records) {
        table.append();
        writeEventRecord(table, record);
        table.post();
    }
    table.close();
}

namespace {

const char* flag(bool on) { return on ? "1" : "0"; }

// The ten fields every add and edit writes.
void writeCommonFields(EventRecord& record, const EventAction& action, std::string dateText,
                       std::string scheduleText) {
    record.name = action.name;
    record.date = std::move(dateText);
    record.commandLine = action.commandLine;
    record.cfgSave = std::move(scheduleText);
    record.state = kStateWaiting;
    record.active = kActiveDisabled;
    record.lastRun.clear();
    record.startMode = action.startMode;
    record.killAfterMins = killMinutesText(action.killAfterMinutes);
}

void writeFileFields(EventRecord& record, const FileCondition& condition) {
    record.fRunMode = flag(condition.runEvery);
    record.file = kFileFileEvent;
    record.fileName = condition.path;
    record.fExist = flag(condition.onExist);
    record.fOneExec = flag(condition.oneExecution);
    record.fInfinity = flag(condition.infinity);
    record.fEnumEnd = condition.cycles;
    record.fLoopWait = condition.loopWaitMinutes;
    record.email = flag(condition.email);
    record.log = flag(condition.log);
}

void writeWebFields(EventRecord& record, const WebCondition& condition) {
    record.wCheck = condition.checkMinutes;
    record.wUrl = condition.url;
    record.wExist = flag(condition.whenExists);
    record.wStr = condition.searchText;
    record.wCheckCnt = condition.checkMinutes;
}

// A record of the given ID with every field at its "nothing here" value.
EventRecord blankRecord(long long id) {
    EventRecord record;
    record.id = std::to_string(id);
    for (std::string* field : {&record.fRunMode, &record.file, &record.fExist, &record.fOneExec, &record.fInfinity,
                               &record.fEnumEnd, &record.fLoopWait, &record.email, &record.log, &record.wCheck,
                               &record.wExist, &record.wCheckCnt})
        *field = "0";
    return record;
}

}  // namespace

std::string killMinutesText(double minutes) {
    const double rounded = std::nearbyint(minutes);  // default rounding: halves to even
    if (!std::isfinite(rounded) || rounded < 0 || rounded > 1e15)
        throw Error("The kill time must be a number of minutes from 0 up");
    return std::to_string(static_cast<long long>(rounded));
}

EventRecord makeTimeEvent(long long id, const EventAction& action, std::string dateText, std::string scheduleText) {
    EventRecord record = blankRecord(id);
    writeCommonFields(record, action, std::move(dateText), std::move(scheduleText));
    return record;
}

EventRecord makeFileEvent(long long id, const EventAction& action, const FileCondition& condition) {
    EventRecord record = blankRecord(id);
    writeCommonFields(record, action, fileEventDateText(condition.onExist, condition.path), "");
    writeFileFields(record, condition);
    return record;
}

EventRecord makeWebEvent(long long id, const EventAction& action, const WebCondition& condition) {
    EventRecord record = blankRecord(id);
    writeCommonFields(record, action, webEventDateText(condition.checkMinutes, condition.url), "");
    record.file = kFileWebEvent;
    record.email = flag(condition.email);
    record.log = flag(condition.log);
    writeWebFields(record, condition);
    return record;
}

void editTimeEvent(EventRecord& record, const EventAction& action, std::string dateText, std::string scheduleText) {
    writeCommonFields(record, action, std::move(dateText), std::move(scheduleText));
}

void editFileEvent(EventRecord& record, const EventAction& action, const FileCondition& condition) {
    writeCommonFields(record, action, fileEventDateText(condition.onExist, condition.path), "");
    writeFileFields(record, condition);
}

void editWebEvent(EventRecord& record, const EventAction& action, const WebCondition& condition) {
    const std::string id = record.id;
    record = makeWebEvent(0, action, condition);
    record.id = id;
}

std::string timeEventDateText(const LocalDateTime& start, const LocalTimeFormat& format) {
    return format.dateTime(start);
}

std::string fileEventDateText(bool onExist, std::string_view path) {
    return std::string(onExist ? "[File on create]: " : "[File change]: ") + std::string(path);
}

std::string webEventDateText(std::string_view checkMinutes, std::string_view url) {
    return "[WebRequest]:" + std::string(checkMinutes) + " " + std::string(url);
}

std::string scheduleTextFromField(std::string_view cfgSave) {
    std::string text;
    text.reserve(cfgSave.size());
    for (std::size_t i = 0; i < cfgSave.size(); ++i) {
        if (cfgSave[i] == '\\' && i + 3 < cfgSave.size() && (cfgSave[i + 1] == 'r' || cfgSave[i + 1] == 'R') &&
            cfgSave[i + 2] == '\\' && (cfgSave[i + 3] == 'n' || cfgSave[i + 3] == 'N')) {
            text += "\r\n";
            i += 3;
        } else {
            text.push_back(cfgSave[i]);
        }
    }
    return text;
}

}  // namespace orvalo
