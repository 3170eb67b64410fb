#include "platform/current_user.h"

#include <unistd.h>

namespace orvalo {

unsigned currentUserId() { return static_cast<unsigned>(::getuid()); }

}  // namespace orvalo
