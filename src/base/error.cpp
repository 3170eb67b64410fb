#include "base/error.h"

#include <cstdio>

namespace orvalo {

std::string errorText(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown error";
    }
}

void reportToStandardError(std::exception_ptr error) { std::fprintf(stderr, "%s\n", errorText(error).c_str()); }

}  // namespace orvalo
