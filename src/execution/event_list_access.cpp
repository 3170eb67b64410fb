#include "execution/event_list_access.h"

#include "eventlist/event_record.h"

namespace orvalo {

SharedEventList::SharedEventList(CsvDataSet& table) : table_(table) {
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

void SharedEventList::saveUpTo(std::uint64_t change) {
    std::lock_guard saving(saveMutex_);
    if (savedChange_ >= change) return;  // a write since then carried this change too
    std::string text;
    std::uint64_t upTo = 0;
    {
        std::lock_guard lock(mutex_);
        upTo = lastChange_;
        text = table_.takeChangedText();
    }
    // Written outside the table's lock: other runs go on with their passes meanwhile.
    table_.writeSavedText(text);
    savedChange_ = upTo;
    std::lock_guard lock(mutex_);
    knownFile_ = fileIdentity(table_.openedPath());
}

void SharedEventList::afterFirstPass() {
    std::lock_guard saving(saveMutex_);
    std::lock_guard lock(mutex_);
    // Re-reading the file this list wrote itself would give the same rows again.
    const std::optional<FileIdentity> onDisk = fileIdentity(table_.openedPath());
    if (onDisk && knownFile_ && *onDisk == *knownFile_) return;
    const int position = table_.recNo();
    table_.close();
    table_.open();
    table_.moveTo(position);
    table_.refreshKeepingPosition();
    knownFile_ = fileIdentity(table_.openedPath());
}

void PerPassEventList::pass(const Pass& pass) {
    std::lock_guard lock(mutex_);
    CsvDataSet table;
    configureEventListTable(table, file_.string(), true);
    table.open();
    pass(table);
    table.close();  // writes the pass's changes
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
