// Every error Orvalo raises derives from orvalo::Error and carries the exact
// message text that users and logs see.
#pragma once

#include <stdexcept>
#include <string>

namespace orvalo {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// A file could not be opened, read, written or closed.
class IoError : public Error {
public:
    using Error::Error;
};

// A text could not be converted to a number.
class ConvertError : public Error {
public:
    using Error::Error;
};

}  // namespace orvalo
