// Real clock from the monotonic system clock; virtual clock for the headless backend.
#include "platform/clock.h"

#include <time.h>

#include "platform/backend.h"

namespace plat {

static uint32_t virtualNow = 0;

uint32_t Now() {
    if (IsHeadless()) return virtualNow;
    // <chrono> cannot be compiled with a Shift-JIS execution character set, so read the
    // monotonic clock directly.
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms =
        static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    static const uint64_t start = ms;
    return static_cast<uint32_t>(ms - start);
}

void BusyWaitTick() {
    if (IsHeadless()) virtualNow += 1;
}

namespace headless {
void SetTime(uint32_t ms) {
    virtualNow = ms;
}
void AdvanceTime(uint32_t ms) {
    virtualNow += ms;
}
}  // namespace headless

}  // namespace plat
