// Internal to the platform layer: the entry points each window backend supplies, and the
// shared message queue and key table the backends feed.
#pragma once

#include "platform/window.h"

namespace plat {

struct WindowBackend {
    bool (*create)(const char* title, int width, int height, bool visible);
    void (*destroy)();
    void (*setTopMost)();
    void (*raise)();
    void (*pump)();  // turns pending window-system events into queued messages
    void (*wait)();  // blocks until an event may have arrived
    void (*showCursor)(bool shown);
    void (*setCursor)(bool arrow);
    void (*getCursorPos)(int& x, int& y);
    void (*setCursorPos)(int x, int y);
    void (*clipCursor)(const Rect* rect);
    void (*enableIME)(bool enable);
    int (*messageBox)(const char* text, const char* title, UINT style);
    void (*beep)();
};

const WindowBackend& SdlWindowBackend();
const WindowBackend& HeadlessWindowBackend();

// Called by the backends while translating events.
bool QueueIsEmpty();
// Empty queue, no window, keys up, cursor count 0.
void ResetSharedWindowState();

// Single-instance lock. The real one (a lock file and a socket) is used by the SDL backend,
// whose event pump asks it for raise requests; the headless one is a set of names.
bool TakeRaiseRequest();
bool HeadlessAcquireInstanceLock(const char* name);
void HeadlessReleaseInstanceLock();

}  // namespace plat
