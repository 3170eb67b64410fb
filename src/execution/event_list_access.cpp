#include "execution/event_list_access.h"

namespace orvalo {

void SharedEventList::pass(const Pass& pass) {
    std::lock_guard lock(mutex_);
    pass(table_);
}

void SharedEventList::afterFirstPass() {
    std::lock_guard lock(mutex_);
    const int position = table_.recNo();
    table_.close();
    table_.open();
    table_.moveTo(position);
    table_.refreshKeepingPosition();
}

}  // namespace orvalo
