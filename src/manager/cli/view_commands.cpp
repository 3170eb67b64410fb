#include "manager/cli/view_commands.h"

#include <cstdio>
#include <utility>

#include "base/error.h"
#include "base/text.h"
#include "eventlist/csv_data_set.h"
#include "eventlist/event_record.h"
#include "execution/log_file.h"
#include "manager/cli/history_commands.h"
#include "manager/cli/json_text.h"
#include "manager/cli/moment_text.h"
#include "manager/core/fire_preview.h"
#include "manager/core/manager_core.h"
#include "manager/core/schedule_description.h"
#include "platform/atomic_file.h"
#include "platform/program_folder.h"
#include "schedule/schedule_text_store.h"

namespace orvalo {

namespace {

// The grid's columns: title and field.
constexpr std::pair<const char*, const char*> kGridColumns[] = {
    {"Event name", "NAME"},     {"Start Date-time", "DATE"}, {"Command to execute", "COMMANDLINE"},
    {"State", "STATE"},         {"Active", "ACTIVE"},        {"Last run", "LASTRUN"},
    {"Start mode", "START_MODE"}, {"Kill after(min)", "KILL_AFTER_MINS"}};

void openList(CsvDataSet& table) {
    configureEventListTable(table, (programFolder() / kManagerListFile).string(), false);
    table.open();
}

bool findEvent(CsvDataSet& table, long long id) {
    const CsvField idField = table.fieldByName("ID");
    for (table.first(); !table.eof(); table.next())
        if (parseInteger(idField.asString()) == id) return true;
    return false;
}

}  // namespace

void listEvents(bool json) {
    CsvDataSet table;
    openList(table);
    if (json) {
        std::string out = "[";
        for (table.first(); !table.eof(); table.next()) {
            out += out.size() > 1 ? ",\n {" : "\n {";
            bool firstField = true;
            for (const auto& field : EventRecord::kFields) {
                out += (firstField ? "" : ", ") + jsonString(field.name) + ": " + jsonString(table.value(field.name));
                firstField = false;
            }
            // Not a field of the list: from the run history.
            out += ", \"last_result\": " + jsonString(lastResultText(parseInteger(table.value("ID")).value_or(-1))) + "}";
        }
        std::printf("%s\n]\n", out.c_str());
        return;
    }
    std::string header = "ID";
    for (const auto& [title, field] : kGridColumns) header += std::string("\t") + title;
    std::printf("%s\tLast result\n", header.c_str());
    for (table.first(); !table.eof(); table.next()) {
        std::string line = table.value("ID");
        for (const auto& [title, field] : kGridColumns) line += "\t" + table.value(field);
        line += "\t" + lastResultText(parseInteger(table.value("ID")).value_or(-1));
        std::printf("%s\n", line.c_str());
    }
}

void showEvent(long long id) {
    CsvDataSet table;
    openList(table);
    if (!findEvent(table, id)) throw Error("There is no event " + std::to_string(id));
    for (const auto& field : EventRecord::kFields) {
        if (field.name == "CFG_SAVE") continue;
        std::printf("%-16s %s\n", (std::string(field.name) + ":").c_str(), table.value(field.name).c_str());
    }
    std::printf("%-16s %s\n", "Last result:", lastResultText(id).c_str());
    if (eventKindOf(table.value("FILE")) == EventKind::Time) {
        const Schedule schedule =
            scheduleFromText(scheduleTextFromField(table.value("CFG_SAVE")), SystemClock::instance());
        std::printf("%-16s %s\n", "Schedule:", describeSchedule(schedule).c_str());
    }
}

void printNextFires(long long id, int count, const std::string& from) {
    CsvDataSet table;
    openList(table);
    if (!findEvent(table, id)) throw Error("There is no event " + std::to_string(id));
    if (eventKindOf(table.value("FILE")) != EventKind::Time) throw Error("Event " + std::to_string(id) + " is not a time event");
    const Schedule schedule = scheduleFromText(scheduleTextFromField(table.value("CFG_SAVE")), SystemClock::instance());
    const ScheduleStamp activatedAt = from.empty() ? nowStamp(SystemClock::instance()) : parseMoment(from);
    const std::vector<ScheduleStamp> fires = upcomingFires(schedule, activatedAt, count);
    for (const ScheduleStamp fire : fires) std::printf("%s\n", formatMoment(fire).c_str());
    if (fires.empty())
        std::fprintf(stderr, "Event %lld will not fire again: %s\n", id, whyNoFire(schedule, activatedAt).c_str());
}

bool printLog(bool service) {
    std::string text;
    if (!readWholeFile(programFolder() / (service ? LogFile::kServiceLog : LogFile::kManagerLog), text)) return false;
    std::fwrite(text.data(), 1, text.size(), stdout);
    return true;
}

}  // namespace orvalo
