#include "service/event_loader.h"

#include "execution/event_list_loader.h"

namespace orvalo {

void loadServiceList(SharedEventList& list, ScheduledEvents& engine, ConditionWatcher& watcher, LogFile& log,
                     const EventCollectionItem::ExecuteHandler& onDue) {
    {
        std::lock_guard lock(list.lock());
        list.open();
        EventListLoading how;
        how.badRecord = EventListLoading::BadRecord::Stop;
        how.log = &log;
        how.activateEnabled = true;
        how.onDue = onDue;
        loadEventList(list.table(), engine, watcher, how);
    }
    log.writeLog("Service init OK");
}

}  // namespace orvalo
