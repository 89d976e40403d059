// Headless window backend: no window system. The cursor, confinement, input method and
// message boxes are records that tests read; box answers come from a queue.
#include <deque>
#include <set>
#include <string>

#include "platform/sound.h"
#include "platform/window_backend.h"

namespace plat {

namespace {

struct HeadlessWindow {
    bool topMost = false;
    int showCursorCalls = 0;
    bool cursorImage = true;
    int cursorX = 0, cursorY = 0;
    bool clipped = false;
    Rect clip{};
    bool ime = true;
    std::deque<int> answers;
    std::vector<headless::BoxRecord> boxes;
    int beeps = 0;
    std::set<std::string> heldLocks;  // locks held by "other processes"
    std::string ownLock;
    int raiseRequests = 0;
    Rect client{};  // client area on the desktop, empty until the window is created
};

HeadlessWindow state;

// The desktop the headless window is centred on.
constexpr int kDesktopWidth = 1024;
constexpr int kDesktopHeight = 768;

bool Create(const char*, int width, int height, bool) {
    int x = (kDesktopWidth - width) / 2, y = (kDesktopHeight - height) / 2;
    state.client = {x, y, x + width, y + height};
    PostMessage(WM_MOVE, 0, MakeLParam(x, y));
    return true;
}

void Destroy() {}
void SetTopMostWindow() {
    state.topMost = true;
}
void Raise() {}
// Time has passed for the audio output too: mix up to the virtual clock, so that a song that
// ended meanwhile has posted its notification, as it would have on a real device.
void Pump() {
    sound::MixerLock catchUp;
}
void Wait() {}
void ShowCursorImage(bool) {
    ++state.showCursorCalls;
}
void SetCursorImage(bool arrow) {
    state.cursorImage = arrow;
}
void GetCursor(int& x, int& y) {
    x = state.cursorX;
    y = state.cursorY;
}
void SetCursorTo(int x, int y) {
    state.cursorX = x;
    state.cursorY = y;
}
void Clip(const Rect* rect) {
    state.clipped = rect != nullptr;
    if (rect) state.clip = *rect;
}
void IME(bool enable) {
    state.ime = enable;
}

int Box(const char* text, const char* title, UINT style) {
    state.boxes.push_back({title, text, style});
    if (!state.answers.empty()) {
        int answer = state.answers.front();
        state.answers.pop_front();
        return answer;
    }
    return (style & 0xF) == MB_YESNO ? IDNO : IDOK;
}

void Beep() {
    ++state.beeps;
}

}  // namespace

const WindowBackend& HeadlessWindowBackend() {
    static const WindowBackend backend{
        Create,         Destroy,   SetTopMostWindow, Raise, Pump, Wait, ShowCursorImage,
        SetCursorImage, GetCursor, SetCursorTo,      Clip,  IME,  Box,  Beep};
    return backend;
}

bool HeadlessAcquireInstanceLock(const char* name) {
    if (state.heldLocks.count(name)) {
        ++state.raiseRequests;
        return false;
    }
    state.heldLocks.insert(name);
    state.ownLock = name;
    return true;
}

void HeadlessReleaseInstanceLock() {
    state.heldLocks.erase(state.ownLock);
    state.ownLock.clear();
}

namespace headless {

void ResetWindow() {
    ResetSharedWindowState();
    state = HeadlessWindow{};
}

int ShowCursorCalls() {
    return state.showCursorCalls;
}
bool CursorImageShown() {
    return state.cursorImage;
}
bool ClientArea(Rect& rect) {
    rect = state.client;
    return state.client.right > state.client.left;
}
bool CursorClip(Rect& rect) {
    rect = state.clip;
    return state.clipped;
}
bool IMEEnabled() {
    return state.ime;
}
bool TopMost() {
    return state.topMost;
}
void QueueAnswer(int id) {
    state.answers.push_back(id);
}
const std::vector<BoxRecord>& Boxes() {
    return state.boxes;
}
int Beeps() {
    return state.beeps;
}
void HoldInstanceLock(const char* name) {
    state.heldLocks.insert(name);
}
int RaiseRequests() {
    return state.raiseRequests;
}

}  // namespace headless

}  // namespace plat
