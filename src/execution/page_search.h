// The string test of a web event over a fetched page: the page's lines (ended by
// CR, LF or CR LF; nothing after a zero byte counts) are searched for a plain,
// case-sensitive substring. A string split across two lines is not found, and an
// empty string is never found. Pure functions.
#pragma once

#include <string_view>

namespace orvalo {

bool pageContains(std::string_view page, std::string_view text);

// Whether a web event's command runs: W_EXIST 1 wants the string on the page, any
// other value wants it absent; a page that could not be fetched counts as absent.
bool webConditionMet(bool fetched, bool found, long long wExist);

}  // namespace orvalo
