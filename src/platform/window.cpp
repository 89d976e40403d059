// The message queue, dispatch, default procedure, key table and cursor count shared by both
// window backends; everything that touches a window system goes through the backend table.
#include <deque>
#include <mutex>

#include "platform/backend.h"
#include "platform/window_backend.h"

namespace plat {

static std::mutex queueLock;  // MIDI end-of-song notices may be posted from the audio thread
static std::deque<Msg> queue;
static WindowProc procedure = nullptr;
static bool windowOpen = false;
static int windowToken;  // the main window's handle is its address
static bool keyDown[256];
static int cursorCount = 0;
static int defaultCalls = 0;

static const WindowBackend& Backend() {
    return IsHeadless() ? HeadlessWindowBackend() : SdlWindowBackend();
}

static HWND Handle() {
    return windowOpen ? &windowToken : nullptr;
}

HWND CreateMainWindow(const char* title, int width, int height, bool visible, WindowProc proc) {
    if (!Backend().create(title, width, height, visible)) return nullptr;
    procedure = proc;
    windowOpen = true;
    return Handle();
}

void DestroyWindow() {
    if (!windowOpen) return;
    SendMessage(WM_DESTROY, 0, 0);
    Backend().destroy();
    windowOpen = false;
}

void SetTopMost() {
    if (windowOpen) Backend().setTopMost();
}

void RaiseMainWindow() {
    if (windowOpen) Backend().raise();
}

bool PeekMessage(Msg& msg) {
    Backend().pump();
    std::lock_guard<std::mutex> hold(queueLock);
    if (queue.empty()) return false;
    msg = queue.front();
    queue.pop_front();
    return true;
}

void WaitMessage() {
    Backend().pump();
    if (QueueIsEmpty()) Backend().wait();
}

bool QueueIsEmpty() {
    std::lock_guard<std::mutex> hold(queueLock);
    return queue.empty();
}

void PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    std::lock_guard<std::mutex> hold(queueLock);
    queue.push_back({message, wParam, lParam});
}

void PostQuitMessage(int code) {
    PostMessage(WM_QUIT, static_cast<WPARAM>(code), 0);
}

LRESULT SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!procedure || !windowOpen) return 0;
    return procedure(Handle(), message, wParam, lParam);
}

LRESULT DispatchMessage(const Msg& msg) {
    return SendMessage(msg.message, msg.wParam, msg.lParam);
}

LRESULT DefWindowProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    ++defaultCalls;
    switch (message) {
        case WM_CLOSE:
            DestroyWindow();
            break;
        case WM_SYSKEYDOWN:
            if (wParam == VK_F4 && (lParam & kKeyContextAlt))
                SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) SendMessage(WM_CLOSE, 0, 0);
            break;
        case WM_SETCURSOR:
            SetCursor(true);
            return 1;
    }
    return 0;
}

void SetKeyState(int vk, bool down) {
    if (vk >= 0 && vk < 256) keyDown[vk] = down;
}

bool IsKeyDown(int vk) {
    return vk >= 0 && vk < 256 && keyDown[vk];
}

int ShowCursor(bool show) {
    cursorCount += show ? 1 : -1;
    Backend().showCursor(cursorCount >= 0);
    return cursorCount;
}

void SetCursor(bool arrow) {
    Backend().setCursor(arrow);
}

void GetCursorPos(int& x, int& y) {
    Backend().getCursorPos(x, y);
}

void SetCursorPos(int x, int y) {
    Backend().setCursorPos(x, y);
}

void ClipCursor(const Rect* rect) {
    Backend().clipCursor(rect);
}

void EnableIME(bool enable) {
    Backend().enableIME(enable);
}

int MessageBox(const char* text, const char* title, UINT style) {
    return Backend().messageBox(text, title, style);
}

void MessageBeep() {
    Backend().beep();
}

void ResetSharedWindowState() {
    {
        std::lock_guard<std::mutex> hold(queueLock);
        queue.clear();
    }
    procedure = nullptr;
    windowOpen = false;
    for (bool& down : keyDown) down = false;
    cursorCount = 0;
    defaultCalls = 0;
}

namespace headless {

void SetKeyDown(int vk, bool down) {
    SetKeyState(vk, down);
}

int CursorCount() {
    return cursorCount;
}

bool WindowOpen() {
    return windowOpen;
}

int DefWindowProcCalls() {
    return defaultCalls;
}

}  // namespace headless

}  // namespace plat
