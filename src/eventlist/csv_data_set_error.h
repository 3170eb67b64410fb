// Errors of the CSV table file. CsvKeyError is a post that would duplicate a key.
#pragma once

#include "base/error.h"

namespace orvalo {

class CsvDataSetError : public Error {
public:
    using Error::Error;
};

class CsvKeyError : public CsvDataSetError {
public:
    using CsvDataSetError::CsvDataSetError;
};

}  // namespace orvalo
