// The manager's edit commands and the dialog values they start from.
#include "base/text.h"
#include "manager/core/manager_core.h"
#include "manager/core/watch_rows.h"
#include "schedule/schedule_text_store.h"

namespace orvalo {

namespace {

const char* kindWords(EventKind kind) {
    switch (kind) {
        case EventKind::Time: return "a time event";
        case EventKind::File: return "a file event";
        case EventKind::Web: return "a web event";
    }
    return "an event";
}

void requireKind(const EventRecord& record, EventKind kind) {
    if (record.kind() != kind)
        throw Error("Event " + record.id + " is not " + kindWords(kind) + ": its FILE is '" + record.file + "'");
}

}  // namespace

EventRecord ManagerCore::record(long long id) {
    const auto lock = lockList();
    moveToEvent(id);
    return readEventRecord(listCopy_);
}

EventCollectionItem& ManagerCore::timeEventItem(const EventRecord& r, long long id) {
    requireKind(r, EventKind::Time);
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
    requireKind(r, EventKind::File);
    return FileEventForm::fromRecord(r);
}

WebEventForm ManagerCore::webEventForm(long long id) {
    const EventRecord r = record(id);
    requireKind(r, EventKind::Web);
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

void ManagerCore::editRecord(long long id, EventKind kind, const std::function<void(EventRecord&)>& change) {
    const auto lock = lockList();
    moveToEvent(id);
    EventRecord r = readEventRecord(listCopy_);
    requireKind(r, kind);
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
    editRecord(id, EventKind::Time, [&](EventRecord& r) {
        orvalo::editTimeEvent(r, action, timeEventDateText(toLocalDateTime(schedule.startDate())), text);
    });
    item.deactivate();
    item.setSchedule(schedule);
    item.setName(action.name);
}

void ManagerCore::editFileEvent(long long id, const FileEventForm& form) {
    form.check();
    editRecord(id, EventKind::File, [&](EventRecord& r) { orvalo::editFileEvent(r, form.action.action(), form.condition); });
    replaceWatchRow(fileWatchRow(id, form, true, watcher_.now()));
}

void ManagerCore::editWebEvent(long long id, const WebEventForm& form) {
    form.check();
    editRecord(id, EventKind::Web, [&](EventRecord& r) { orvalo::editWebEvent(r, form.action.action(), form.condition); });
    replaceWatchRow(webWatchRow(id, form, true, watcher_.now()));
}

}  // namespace orvalo
