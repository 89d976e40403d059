// Frame time, wait slots, the blocking sleep, and the reset run at every screen set-up.
#include "app/app.h"
#include "gk_limits.h"
#include "platform/clock.h"
#include "system/system.h"

namespace gkSystem {

uint32_t LastFrameTime;
float FrameDelta;

// deadline[1..10] for the game, deadline[11] for Sleep; index 0 unused.
static uint32_t deadline[gk::kWaitSlots + 1] = {kIdleWait, kIdleWait, kIdleWait, kIdleWait,
                                                kIdleWait, kIdleWait, kIdleWait, kIdleWait,
                                                kIdleWait, kIdleWait, kIdleWait, kIdleWait};

void ResetFrameTime() {
    FrameDelta = 0.0f;
    LastFrameTime = plat::Now();
}

void UpdateFrameTime() {
    uint32_t elapsed = plat::Now() - LastFrameTime;
    FrameDelta = static_cast<float>(elapsed) / 1000.0f;
    LastFrameTime = plat::Now();
}

static bool GameSlot(int no, const char* tag) {
    if (no >= 1 && no <= gk::kWaitSlots - 1) return true;
    ErrorBox(tag, "ウェイトNoが範囲外です", 0);
    return false;
}

int SetWait(int no, uint32_t ms) {
    if (!GameSlot(no, "gkSystem::SetWait")) return 0;
    deadline[no] = plat::Now() + ms;
    return 1;
}

int InitWait(int no) {
    if (!GameSlot(no, "gkSystem::InitWait")) return 0;
    deadline[no] = kIdleWait;
    return 1;
}

int CheckWait(int no) {
    if (no < 1 || no > gk::kWaitSlots) return 0;
    return plat::Now() >= deadline[no];
}

void Sleep(uint32_t ms) {
    uint32_t start = plat::Now();
    deadline[gk::kWaitSlots] = start + ms;
    // Elapsed time rather than the deadline is compared, so the wait also ends when the
    // deadline lies just before the clock wraps.
    while (plat::Now() - start <= ms) plat::BusyWaitTick();
    ResetFrameTime();
}

int Reset() {
    for (uint32_t& slot : deadline) slot = kIdleWait;
    EndKeyCapture();
    SetAltKey(0);
    if (gkApp.FullScreen) LimitMouseToScreen();
    return 1;
}

}  // namespace gkSystem
