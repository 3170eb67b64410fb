// Feeds arbitrary text to the schedule text reader. A text that reads must give a
// schedule that is written and read back with the same settings and the same text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/error.h"
#include "fuzz_target.h"
#include "schedule/schedule_text_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const orvalo::ManualClock clock;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const orvalo::Schedule schedule = orvalo::scheduleFromText(text, clock);
        const std::string written = orvalo::scheduleToText(schedule);
        const orvalo::Schedule back = orvalo::scheduleFromText(written, clock);
        if (!back.sameSettings(schedule) || orvalo::scheduleToText(back) != written) std::abort();
    } catch (const orvalo::Error&) {
        // refused input is fine; crashing on it is not
    }
    return 0;
}
