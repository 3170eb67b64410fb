// Something that runs tasks one at a time on its own thread, in the order they were
// posted. post() may be called from any thread and never waits for the tasks.
#pragma once

#include <functional>

namespace orvalo {

class TaskQueue {
public:
    using Task = std::function<void()>;
    virtual ~TaskQueue() = default;
    virtual void post(Task task) = 0;
};

}  // namespace orvalo
