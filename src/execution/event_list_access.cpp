#include "execution/event_list_access.h"

#include <map>
#include <utility>

#include "eventlist/event_record.h"

namespace orvalo {

namespace {

// The reason names the file.
FailureStreak saveStreak() { return {"The event list cannot be saved; runs go on", "The event list is saved again"}; }

}  // namespace

SharedEventList::SharedEventList(CsvDataSet& table) : table_(table), saveFailures_(saveStreak()) {
    if (table_.active()) knownFile_ = fileIdentity(table_.openedPath());
}

void SharedEventList::open() {
    table_.open();
    knownFile_ = fileIdentity(table_.openedPath());
}

void SharedEventList::pass(const Pass& pass) {
    std::uint64_t change = 0;
    {
        std::lock_guard lock(mutex_);
        pass(table_);
        if (!table_.changed()) return;
        change = ++lastChange_;
    }
    saveUpTo(change);
}

void SharedEventList::takeInReplacedFile() {
    const std::optional<FileIdentity> onDisk = fileIdentity(table_.openedPath());
    if (!knownFile_) {
        knownFile_ = onDisk;  // opened by its owner: the file as it is now is the one read
        return;
    }
    if (onDisk == knownFile_) return;
    std::map<std::string, std::pair<std::string, std::string>> runFields;
    for (table_.first(); !table_.eof(); table_.next())
        runFields[table_.value("ID")] = {table_.value("LASTRUN"), table_.value("STATE")};
    table_.reload();
    knownFile_ = fileIdentity(table_.openedPath());
    for (table_.first(); !table_.eof(); table_.next()) {
        const auto ours = runFields.find(table_.value("ID"));
        if (ours == runFields.end()) continue;
        table_.edit();
        table_.setValue("LASTRUN", ours->second.first);
        table_.setValue("STATE", ours->second.second);
        table_.post();
    }
}

void SharedEventList::saveUpTo(std::uint64_t change) {
    std::lock_guard saving(saveMutex_);
    if (savedChange_ >= change) return;  // a write since then carried this change too
    std::string text;
    std::uint64_t upTo = 0;
    try {
        {
            std::lock_guard lock(mutex_);
            takeInReplacedFile();
            upTo = lastChange_;
            text = table_.takeChangedText();
        }
        // Written outside the table's lock: other runs go on with their passes meanwhile.
        table_.writeSavedText(text);
    } catch (const std::exception& e) {
        std::lock_guard lock(mutex_);
        if (table_.active()) table_.markChanged();  // the next save tries again
        saveFailures_.failed(e.what());
        return;
    }
    savedChange_ = upTo;
    saveFailures_.succeeded();
    std::lock_guard lock(mutex_);
    knownFile_ = fileIdentity(table_.openedPath());
}

void SharedEventList::afterFirstPass() {
    std::lock_guard saving(saveMutex_);
    std::lock_guard lock(mutex_);
    // Re-reading the file this list wrote itself would give the same rows again.
    const std::optional<FileIdentity> onDisk = fileIdentity(table_.openedPath());
    if (onDisk && knownFile_ && *onDisk == *knownFile_) return;
    // A change that could not be saved yet stays: the file is taken in with it.
    if (table_.changed()) return takeInReplacedFile();
    const int position = table_.recNo();
    table_.reload();
    table_.moveTo(position);
    table_.refreshKeepingPosition();
    knownFile_ = fileIdentity(table_.openedPath());
}

void SharedEventList::close() {
    std::lock_guard saving(saveMutex_);
    std::lock_guard lock(mutex_);
    if (!table_.active()) return;
    if (table_.changed()) takeInReplacedFile();
    table_.close();
}

PerPassEventList::PerPassEventList(std::filesystem::path file, std::mutex& lock, std::function<void()> reloadShownList)
    : file_(std::move(file)), mutex_(lock), reloadShownList_(std::move(reloadShownList)), saveFailures_(saveStreak()) {}

void PerPassEventList::pass(const Pass& pass) {
    std::lock_guard lock(mutex_);
    CsvDataSet table;
    configureEventListTable(table, file_.string(), true);
    table.open();
    pass(table);
    try {
        table.close();  // writes the pass's changes
        saveFailures_.succeeded();
    } catch (const std::exception& e) {
        saveFailures_.failed(e.what());
    }
}

void PerPassEventList::afterFirstPass() { reloadShownList(); }

void PerPassEventList::afterFinalPass() { reloadShownList(); }

void PerPassEventList::reloadShownList() {
    if (!reloadShownList_) return;
    // The shown list is the owner's, read by its thread under the same lock.
    std::lock_guard lock(mutex_);
    reloadShownList_();
}

}  // namespace orvalo
