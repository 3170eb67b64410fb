// The manager's edit commands and the dialog values they start from.
#include "base/text.h"
#include "manager/core/manager_core.h"
#include "manager/core/watch_rows.h"
#include "schedule/schedule_text_store.h"

namespace orvalo {

namespace {

void requireKind(const EventRecord& record, std::string_view kind, const char* what) {
    if (record.file != kind)
        throw Error("Event " + record.id + " is not " + what + ": its FILE is '" + record.file + "'");
}

}  // namespace

EventRecord ManagerCore::record(long long id) {
    const auto lock = lockList();
    moveToEvent(id);
    return readEventRecord(list_);
}

std::pair<ActionFields, TimeEventForm> ManagerCore::timeEventForm(long long id) {
    const EventRecord r = record(id);
    requireKind(r, kFileTimeEvent, "a time event");
    if (id < 0 || id >= engine_.events().count())
        throw Error("Event " + r.id + " has no schedule: its ID does not follow the others");
    TimeEventForm form = TimeEventForm::defaults(toLocalDateTime(nowStamp(clock_)));
    scheduleToControls(engine_.events().items(static_cast<int>(id)).schedule(), form);
    return {actionFromRecord(r), form};
}

FileEventForm ManagerCore::fileEventForm(long long id) {
    const EventRecord r = record(id);
    requireKind(r, kFileFileEvent, "a file event");
    return FileEventForm::fromRecord(r);
}

WebEventForm ManagerCore::webEventForm(long long id) {
    const EventRecord r = record(id);
    requireKind(r, kFileWebEvent, "a web event");
    return WebEventForm::fromRecord(r);
}

void ManagerCore::replaceWatchRow(const WatchRow& row) {
    std::lock_guard rows(watcher_.lock());
    for (WatchRow& existing : watcher_.rows())
        if (existing.id == row.id) {
            existing = row;
            return;
        }
}

void ManagerCore::editTimeEvent(long long id, const ActionFields& fields, const TimeEventForm& form) {
    const EventAction action = fields.action();
    timeEventForm(id);  // the record exists, is a time event and has its engine item
    EventCollectionItem& item = engine_.events().items(static_cast<int>(id));
    // The new schedule is built aside, so a refused field leaves the running item alone.
    Schedule schedule = item.schedule();
    controlsToSchedule(form, schedule);
    const std::string text = scheduleToText(schedule);
    {
        const auto lock = lockList();
        moveToEvent(id);
        EventRecord r = readEventRecord(list_);
        orvalo::editTimeEvent(r, action, timeEventDateText(toLocalDateTime(schedule.startDate())), text);
        storeRecord(r, false);
    }
    item.deactivate();
    item.setSchedule(schedule);
    item.setName(action.name);
}

void ManagerCore::editFileEvent(long long id, const FileEventForm& form) {
    form.check();
    {
        const auto lock = lockList();
        moveToEvent(id);
        EventRecord r = readEventRecord(list_);
        requireKind(r, kFileFileEvent, "a file event");
        orvalo::editFileEvent(r, form.action.action(), form.condition);
        storeRecord(r, false);
    }
    replaceWatchRow(fileWatchRow(id, form, true, watcher_.now()));
}

void ManagerCore::editWebEvent(long long id, const WebEventForm& form) {
    form.check();
    {
        const auto lock = lockList();
        moveToEvent(id);
        EventRecord r = readEventRecord(list_);
        requireKind(r, kFileWebEvent, "a web event");
        orvalo::editWebEvent(r, form.action.action(), form.condition);
        storeRecord(r, false);
    }
    replaceWatchRow(webWatchRow(id, form, true, watcher_.now()));
}

}  // namespace orvalo
