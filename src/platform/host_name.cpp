#include "platform/host_name.h"

#include <unistd.h>

namespace orvalo {

std::string computerName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

}  // namespace orvalo
