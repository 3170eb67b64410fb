// The computer's name, as gethostname reports it; empty when it cannot be had.
#pragma once

#include <string>

namespace orvalo {

std::string computerName();

}  // namespace orvalo
