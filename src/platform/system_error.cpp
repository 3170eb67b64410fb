#include "platform/system_error.h"

#include <cstring>
#include <string>

namespace orvalo {

SystemError::SystemError(int code)
    : Error("System Error.  Code: " + std::to_string(code) + ".\n" + std::strerror(code)), code_(code) {}

}  // namespace orvalo
