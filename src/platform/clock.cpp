// Real clock from the monotonic system clock; virtual clock for the headless backend; the
// held clock of recorded and replayed runs.
#include "platform/clock.h"

#include <time.h>

#include "platform/backend.h"

namespace plat {

static uint32_t virtualNow = 0;
static bool held = false;
static uint32_t heldNow = 0;

static uint32_t RealNow() {
    // <chrono> cannot be compiled with a Shift-JIS execution character set, so read the
    // monotonic clock directly.
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms =
        static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    static const uint64_t start = ms;
    return static_cast<uint32_t>(ms - start);
}

static bool Later(uint32_t a, uint32_t b) {
    return static_cast<int32_t>(a - b) > 0;
}

static void RealSleepUntil(uint32_t ms) {
    while (Later(ms, RealNow())) {
        timespec pause{0, 500000};  // half a millisecond: the wake-up lands close to ms
        nanosleep(&pause, nullptr);
    }
}

uint32_t Now() {
    if (IsHeadless()) return virtualNow;
    return held ? heldNow : RealNow();
}

void BusyWaitTick() {
    if (IsHeadless()) {
        virtualNow += 1;
    } else if (held) {
        heldNow += 1;
        RealSleepUntil(RealNow() + 1);
    }
}

void HoldClock(bool hold) {
    if (hold && !held) heldNow = RealNow();
    held = hold;
}

void SampleClock() {
    if (held) heldNow = RealNow();
}

void SetClock(uint32_t ms) {
    if (IsHeadless()) {
        virtualNow = ms;
    } else {
        heldNow = ms;
    }
}

void SleepUntil(uint32_t ms) {
    if (!Later(ms, Now())) return;
    if (IsHeadless() || held) {
        SetClock(ms);
    } else {
        RealSleepUntil(ms);
    }
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
