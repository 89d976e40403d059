// Headless output: no audio hardware. Whenever the game side touches the mixer, the mix catches
// up with the virtual clock (rate × elapsed ms / 1000 frames since the output opened), so buffer
// positions, status and the captured output follow virtual time exactly.
#include <algorithm>
#include <utility>

#include "platform/clock.h"
#include "platform/sound_output.h"

namespace plat::sound {
namespace detail {
namespace {

struct Headless {
    bool available = true;
    bool open = false;
    WAVEFORMATEX format{};
    uint32_t lastNow = 0;
    uint64_t elapsedMs = 0;
    uint64_t mixedFrames = 0;
    bool capturing = false;
    std::vector<uint8_t> capture;
};
Headless out;

void Pump() {
    if (!out.open) return;
    const uint32_t now = Now();
    const uint32_t delta = now - out.lastNow;
    out.lastNow = now;
    if (delta >= 0x80000000u) return;  // the clock was set back: count on from here
    out.elapsedMs += delta;
    const uint64_t target = out.elapsedMs * out.format.nSamplesPerSec / 1000;
    static uint8_t block[1024 * 4];
    while (out.mixedFrames < target) {
        const auto n = static_cast<uint32_t>(std::min<uint64_t>(target - out.mixedFrames, 1024));
        Render(block, n);
        if (out.capturing)
            out.capture.insert(out.capture.end(), block, block + n * out.format.nBlockAlign);
        out.mixedFrames += n;
    }
}

bool Open(const WAVEFORMATEX& f) {
    if (!out.available) return false;
    out.open = true;
    out.format = f;
    out.lastNow = Now();
    out.elapsedMs = out.mixedFrames = 0;
    return true;
}

void Close() {
    Pump();
    out.open = false;
}

void Unlock() {}

}  // namespace

const Output kHeadlessOutput = {Open, Close, Pump, Unlock, BusyWaitTick};

void ResetHeadlessOutput() {
    out = Headless{};
}

}  // namespace detail

void headless::SetDeviceAvailable(bool available) {
    detail::out.available = available;
}

void headless::StartCapture() {
    detail::Pump();
    detail::out.capturing = true;
    detail::out.capture.clear();
}

std::vector<uint8_t> headless::TakeCapture() {
    detail::Pump();
    return std::exchange(detail::out.capture, {});
}

}  // namespace plat::sound
