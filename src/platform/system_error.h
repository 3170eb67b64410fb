// An operating-system call failed: carries the error number and the system's text,
// as "System Error.  Code: <n>.\n<text>".
#pragma once

#include "base/error.h"

namespace orvalo {

class SystemError : public Error {
public:
    explicit SystemError(int code);
    int code() const { return code_; }

private:
    int code_;
};

}  // namespace orvalo
