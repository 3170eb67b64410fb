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

EventCollectionItem& ManagerCore::timeEventItem(const EventRecord& r, long long id) {
    requireKind(r, kFileTimeEvent, "a time event");
    if (id < 0 || id >= engine_.events().count())
        throw Error("Event " + r.id + " has no schedule: its ID does not follow the others");
    return engine_.events().items(static_cast<int>(id));
}

std::pair<ActionFields, TimeEventForm> ManagerCore::timeEventForm(long long id) {
    const EventRecord r = record(id);
    const EventCollectionItem& item = timeEventItem(r, id);
    TimeEventForm form = TimeEventForm::defaults(toLocalDateTime(nowStamp(clock_)));
    scheduleToControls(item.schedule(), form);
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

void ManagerCore::editRecord(long long id, std::string_view kind, const char* what,
                             const std::function<void(EventRecord&)>& change) {
    const auto lock = lockList();
    moveToEvent(id);
    EventRecord r = readEventRecord(list_);
    requireKind(r, kind, what);
    change(r);
    storeRecord(r, false);
}

void ManagerCore::editTimeEvent(long long id, const ActionFields& fields, const TimeEventForm& form) {
    const EventAction action = fields.action();
    EventCollectionItem& item = timeEventItem(record(id), id);
    // The new schedule is built aside, so a refused field leaves the running item alone.
    Schedule schedule = item.schedule();
    controlsToSchedule(form, schedule);
    const std::string text = scheduleToText(schedule);
    editRecord(id, kFileTimeEvent, "a time event", [&](EventRecord& r) {
        orvalo::editTimeEvent(r, action, timeEventDateText(toLocalDateTime(schedule.startDate())), text);
    });
    item.deactivate();
    item.setSchedule(schedule);
    item.setName(action.name);
}

void ManagerCore::editFileEvent(long long id, const FileEventForm& form) {
    form.check();
    editRecord(id, kFileFileEvent, "a file event",
               [&](EventRecord& r) { orvalo::editFileEvent(r, form.action.action(), form.condition); });
    replaceWatchRow(fileWatchRow(id, form, true, watcher_.now()));
}

void ManagerCore::editWebEvent(long long id, const WebEventForm& form) {
    form.check();
    editRecord(id, kFileWebEvent, "a web event",
               [&](EventRecord& r) { orvalo::editWebEvent(r, form.action.action(), form.condition); });
    replaceWatchRow(webWatchRow(id, form, true, watcher_.now()));
}

}  // namespace orvalo
