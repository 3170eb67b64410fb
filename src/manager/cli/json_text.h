// JSON string literals for orvaloctl's --json output. Bytes from 0x80 up pass
// through unchanged (the list is UTF-8 text); control characters are escaped.
#pragma once

#include <string>
#include <string_view>

namespace orvalo {

std::string jsonString(std::string_view text);

}  // namespace orvalo
