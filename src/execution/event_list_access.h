// How a run reaches the program's event list: each pass over the list runs under
// the list's one lock, so passes of different runs, and the program's own work on
// the list, never overlap, and a pass's changes are in the file when pass()
// returns. SharedEventList is the service's way: one table object, re-read from the
// file after a run's first pass when someone else has written the file. Thread-safe.
#pragma once

#include <functional>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>

#include "eventlist/csv_data_set.h"
#include "platform/file_status.h"

namespace orvalo {

class EventListAccess {
public:
    using Pass = std::function<void(CsvDataSet& table)>;
    virtual ~EventListAccess() = default;
    // Runs pass over the open list, under the list lock, then saves its changes.
    virtual void pass(const Pass& pass) = 0;
    // After a run's first pass and after its final pass.
    virtual void afterFirstPass() {}
    virtual void afterFinalPass() {}
};

class SharedEventList final : public EventListAccess {
public:
    // table must be open and outlive this object.
    explicit SharedEventList(CsvDataSet& table);

    void pass(const Pass& pass) override;
    // Re-reads the list from the file and returns to the current row, when the file
    // is not the one this list wrote or read last.
    void afterFirstPass() override;
    std::mutex& lock() { return mutex_; }

private:
    // Writes every change up to the given one. Runs that wait here together are
    // served by one write of the whole list.
    void saveUpTo(std::uint64_t change);

    CsvDataSet& table_;
    std::mutex mutex_;       // the table
    std::mutex saveMutex_;   // one write at a time
    std::uint64_t lastChange_ = 0;
    std::uint64_t savedChange_ = 0;
    std::optional<FileIdentity> knownFile_;  // the file as this list last wrote or read it
};

// The manager's way: each pass opens its own table on the list file (unique keys),
// saves it and closes it again; after each pass of a run the owner re-reads the
// list it shows (under the same lock, which it shares for its own work on the file).
class PerPassEventList final : public EventListAccess {
public:
    PerPassEventList(std::filesystem::path file, std::mutex& lock, std::function<void()> reloadShownList = {})
        : file_(std::move(file)), mutex_(lock), reloadShownList_(std::move(reloadShownList)) {}

    void pass(const Pass& pass) override;
    void afterFirstPass() override;
    void afterFinalPass() override;

private:
    void reloadShownList();

    std::filesystem::path file_;
    std::mutex& mutex_;
    std::function<void()> reloadShownList_;
};

}  // namespace orvalo
