#include "execution/page_search.h"

namespace orvalo {

bool pageContains(std::string_view page, std::string_view text) {
    if (text.empty()) return false;
    page = page.substr(0, page.find('\0'));
    // Last line first, as a reader of log-like pages finds the newest entry first.
    std::size_t end = page.size();
    for (;;) {
        const std::size_t breakAt = end == 0 ? std::string_view::npos : page.find_last_of("\r\n", end - 1);
        const std::size_t begin = breakAt == std::string_view::npos ? 0 : breakAt + 1;
        if (page.substr(begin, end - begin).find(text) != std::string_view::npos) return true;
        if (breakAt == std::string_view::npos) return false;
        end = breakAt;
    }
}

bool webConditionMet(bool fetched, bool found, long long wExist) {
    if (!fetched) return wExist != 1;
    return wExist == 1 ? found : !found;
}

}  // namespace orvalo
