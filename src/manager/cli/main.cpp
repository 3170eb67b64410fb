// orvaloctl: the manager's commands for terminals and scripts.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <string>

#include "base/error.h"
#include "base/text.h"
#include "eventlist/csv_data_set.h"
#include "eventlist/event_record.h"
#include "manager/cli/json_text.h"
#include "manager/core/fire_preview.h"
#include "manager/core/manager_core.h"
#include "manager/core/schedule_description.h"
#include "platform/program_folder.h"
#include "platform/terminal.h"
#include "schedule/schedule_text_store.h"

namespace {

using namespace orvalo;

constexpr const char* kManagerList = "L.csv";

// The grid's columns: title and field.
constexpr std::pair<const char*, const char*> kGridColumns[] = {
    {"Event name", "NAME"},     {"Start Date-time", "DATE"}, {"Command to execute", "COMMANDLINE"},
    {"State", "STATE"},         {"Active", "ACTIVE"},        {"Last run", "LASTRUN"},
    {"Start mode", "START_MODE"}, {"Kill after(min)", "KILL_AFTER_MINS"}};

void openList(CsvDataSet& table) {
    configureEventListTable(table, (programFolder() / kManagerList).string(), false);
    table.open();
}

bool findEvent(CsvDataSet& table, long long id) {
    const CsvField idField = table.fieldByName("ID");
    for (table.first(); !table.eof(); table.next())
        if (parseInteger(idField.asString()) == id) return true;
    return false;
}

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
            out += "}";
        }
        std::printf("%s\n]\n", out.c_str());
        return;
    }
    std::string header = "ID";
    for (const auto& [title, field] : kGridColumns) header += std::string("\t") + title;
    std::printf("%s\n", header.c_str());
    for (table.first(); !table.eof(); table.next()) {
        std::string line = table.value("ID");
        for (const auto& [title, field] : kGridColumns) line += "\t" + table.value(field);
        std::printf("%s\n", line.c_str());
    }
}

ScheduleStamp parseMoment(const std::string& text) {
    int y, mo, d, h, mi, s;
    char tail;
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6 || h < 0 || h > 23 ||
        mi < 0 || mi > 59 || s < 0 || s > 59)
        throw Error("'" + text + "' is not a moment of the form YYYY-MM-DD HH:MM:SS");
    try {
        return {((h * 60 + mi) * 60 + s) * 1000, dateOf(y, mo, d)};
    } catch (const Error&) {
        throw Error("'" + text + "' is not a date of the calendar");
    }
}

std::string formatMoment(ScheduleStamp stamp) {
    const LocalDateTime t = toLocalDateTime(stamp);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, t.millisecond);
    return text;
}

void showEvent(long long id) {
    CsvDataSet table;
    openList(table);
    if (!findEvent(table, id)) throw Error("There is no event " + std::to_string(id));
    for (const auto& field : EventRecord::kFields) {
        if (field.name == "CFG_SAVE") continue;
        std::printf("%-16s %s\n", (std::string(field.name) + ":").c_str(), table.value(field.name).c_str());
    }
    if (table.value("FILE") == kFileTimeEvent) {
        const Schedule schedule =
            scheduleFromText(scheduleTextFromField(table.value("CFG_SAVE")), SystemClock::instance());
        std::printf("%-16s %s\n", "Schedule:", describeSchedule(schedule).c_str());
    }
}

// A manager core that loads the list without running any event.
struct CommandCore {
    MainLoop loop;
    SchedulerThread scheduler;
    ManagerCore core{programFolder(), loop, scheduler};
    CommandCore() { core.start(false); }
};

void setActive(long long id, bool enabled) {
    CommandCore c;
    if (enabled) c.core.enable(id);
    else c.core.disable(id);
}

void clearAll(bool yes) {
    if (!yes) {
        if (!standardInputIsTerminal()) throw Error("Really all delete ? Give --yes to confirm without a terminal");
        std::printf("%s [y/N] ", ManagerCore::kClearQuestion);
        std::fflush(stdout);
        std::string answer;
        std::getline(std::cin, answer);
        if (answer != "y" && answer != "Y" && answer != "yes") return;
    }
    CommandCore c;
    c.core.clearAll();
}

void nextFires(long long id, int count, const std::string& from) {
    CsvDataSet table;
    openList(table);
    if (!findEvent(table, id)) throw Error("There is no event " + std::to_string(id));
    if (table.value("FILE") != kFileTimeEvent) throw Error("Event " + std::to_string(id) + " is not a time event");
    const Schedule schedule = scheduleFromText(scheduleTextFromField(table.value("CFG_SAVE")), SystemClock::instance());
    const ScheduleStamp activatedAt = from.empty() ? nowStamp(SystemClock::instance()) : parseMoment(from);
    for (const ScheduleStamp fire : upcomingFires(schedule, activatedAt, count))
        std::printf("%s\n", formatMoment(fire).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"orvaloctl: Orvalo's commands for terminals and scripts. The event list is L.csv in the "
                 "program folder (ORVALO_HOME when set)."};
    app.require_subcommand(1);

    bool json = false;
    auto* list = app.add_subcommand("list", "Show every event with the grid's columns");
    list->add_flag("--json", json, "A JSON array with one object per event, every field by its name");

    long long id = 0;
    auto* show = app.add_subcommand("show", "Every field of an event, and its schedule in words");
    show->add_option("ID", id, "The event's ID")->required();

    int count = 10;
    std::string from;
    auto* next = app.add_subcommand("next", "The fire times a time event would have if it were enabled now");
    next->add_option("ID", id, "The event's ID")->required();
    next->add_option("--count", count, "How many fire times (default 10)")->check(CLI::PositiveNumber);
    next->add_option("--from", from, "Activate at this moment, \"YYYY-MM-DD HH:MM:SS\" (default now)");

    auto* enable = app.add_subcommand("enable", "Enable an event");
    enable->add_option("ID", id, "The event's ID")->required();
    auto* disable = app.add_subcommand("disable", "Disable an event");
    disable->add_option("ID", id, "The event's ID")->required();
    auto* remove = app.add_subcommand("delete", "Events are not deleted one by one: disable it instead");
    remove->add_option("ID", id, "The event's ID")->required();
    bool yes = false;
    auto* clear = app.add_subcommand("clear", "Delete all events");
    clear->add_flag("--yes", yes, "Do not ask \"Really all delete ?\"");

    CLI11_PARSE(app, argc, argv);
    try {
        if (*list) listEvents(json);
        else if (*show) showEvent(id);
        else if (*next) nextFires(id, count, from);
        else if (*enable) setActive(id, true);
        else if (*disable) setActive(id, false);
        else if (*remove) throw Error(ManagerCore::kOnlyDisable);
        else if (*clear) clearAll(yes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
