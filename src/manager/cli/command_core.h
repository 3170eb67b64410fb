// The manager core as one orvaloctl command uses it: loaded without running any
// event, and, for a command that changes the list or the settings, holding the
// program folder's lock so that a running Orvalo window is never overwritten.
#pragma once

#include <optional>

#include "manager/core/manager_core.h"
#include "platform/folder_lock.h"
#include "platform/main_loop.h"
#include "schedule/scheduler_thread.h"

namespace orvalo {

class CommandCore {
public:
    static constexpr const char* kListInUse =
        "The event list is in use by a running Orvalo window; make the change there, or close the window first";

    // Raises Error kListInUse when changes is true and the lock stays taken.
    explicit CommandCore(bool changes);
    ManagerCore& operator*() { return *core_; }
    ManagerCore* operator->() { return &*core_; }

private:
    FolderLock lock_;
    MainLoop loop_;
    SchedulerThread scheduler_;
    std::optional<ManagerCore> core_;
};

}  // namespace orvalo
