#include "platform/clock.h"

namespace orvalo {

const SystemClock& SystemClock::instance() {
    static const SystemClock clock;
    return clock;
}

}  // namespace orvalo
