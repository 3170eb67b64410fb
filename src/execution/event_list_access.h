// How a run reaches the program's event list: each pass over the list runs under
// the list's one lock, so passes of different runs, and the program's own work on
// the list, never overlap. SharedEventList is the service's way: one table object,
// re-read from the file after a run's first pass. Thread-safe.
#pragma once

#include <functional>
#include <mutex>

#include "eventlist/csv_data_set.h"

namespace orvalo {

class EventListAccess {
public:
    using Pass = std::function<void(CsvDataSet& table)>;
    virtual ~EventListAccess() = default;
    // Runs pass over the open list, under the list lock.
    virtual void pass(const Pass& pass) = 0;
    // After a run's first pass and after its final pass.
    virtual void afterFirstPass() {}
    virtual void afterFinalPass() {}
};

class SharedEventList final : public EventListAccess {
public:
    // table must be open and outlive this object.
    explicit SharedEventList(CsvDataSet& table) : table_(table) {}

    void pass(const Pass& pass) override;
    // Closes the list, opens it again from the file and returns to the current row.
    void afterFirstPass() override;
    std::mutex& lock() { return mutex_; }

private:
    CsvDataSet& table_;
    std::mutex mutex_;
};

}  // namespace orvalo
