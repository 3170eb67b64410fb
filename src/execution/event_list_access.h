// How a run reaches the program's event list: each pass over the list runs under
// the list's one lock, so passes of different runs, and the program's own work on
// the list, never overlap. A pass's changes are saved before pass() returns; a save
// that fails does not raise: it is reported once per streak to the system log, and
// the change is carried by the next save that works (service) or lost (manager).
// SharedEventList is the service's way: one table object, re-read from the file
// after a run's first pass when someone else has written the file, and never
// written over a file that someone else replaced since it was read: the run fields
// (LASTRUN, STATE) are carried into their rows instead. Thread-safe.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>

#include "eventlist/csv_data_set.h"
#include "execution/failure_streak.h"
#include "platform/file_status.h"

namespace orvalo {

class EventListAccess {
public:
    using Pass = std::function<void(CsvDataSet& table)>;
    virtual ~EventListAccess() = default;
    // Runs pass over the open list, under the list lock, then saves its changes.
    // Errors of the pass itself are raised.
    virtual void pass(const Pass& pass) = 0;
    // After a run's first pass and after its final pass.
    virtual void afterFirstPass() {}
    virtual void afterFinalPass() {}
};

class SharedEventList final : public EventListAccess {
public:
    // table must outlive this object; it is opened through open() (or was opened
    // before, when the file as it is then counts as the one read).
    explicit SharedEventList(CsvDataSet& table);

    // Opens the table; the caller holds lock().
    void open();
    void pass(const Pass& pass) override;
    // Re-reads the list from the file and returns to the current row, when the file
    // is not the one this list wrote or read last.
    void afterFirstPass() override;
    // Closes the table, writing what is pending (merged as a save is).
    void close();
    std::mutex& lock() { return mutex_; }
    // The table itself, for the holder of lock().
    CsvDataSet& table() { return table_; }

private:
    // Writes every change up to the given one. Runs that wait here together are
    // served by one write of the whole list.
    void saveUpTo(std::uint64_t change);
    // Under mutex_: when the file is no longer the one this list read or wrote,
    // reads it and carries this list's run fields into its rows.
    void takeInReplacedFile();

    CsvDataSet& table_;
    std::mutex mutex_;       // the table
    std::mutex saveMutex_;   // one write at a time
    std::uint64_t lastChange_ = 0;
    std::uint64_t savedChange_ = 0;
    std::optional<FileIdentity> knownFile_;  // the file as this list last wrote or read it
    FailureStreak saveFailures_;
};

// The manager's way: each pass opens its own table on the list file (unique keys),
// saves it and closes it again; after each pass of a run the owner re-reads the
// list it shows (under the same lock, which it shares for its own work on the file).
class PerPassEventList final : public EventListAccess {
public:
    PerPassEventList(std::filesystem::path file, std::mutex& lock, std::function<void()> reloadShownList = {});

    void pass(const Pass& pass) override;
    void afterFirstPass() override;
    void afterFinalPass() override;

private:
    void reloadShownList();

    std::filesystem::path file_;
    std::mutex& mutex_;
    std::function<void()> reloadShownList_;
    FailureStreak saveFailures_;
};

}  // namespace orvalo
