// Every error Orvalo raises derives from orvalo::Error and carries the exact
// message text that users and logs see.
#pragma once

#include <exception>
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

// The message of a caught exception of any kind.
std::string errorText(std::exception_ptr error);
// Writes the message to standard error: the last resort of a loop's error handler.
void reportToStandardError(std::exception_ptr error);

}  // namespace orvalo
