// The main window and its message queue (the part of USER the framework uses): window messages
// dispatched to one registered window procedure, the default procedure's behaviour, key-down
// state, the system cursor (balanced show count, position, confinement), the input method
// switch, blocking message boxes, the beep, and the single-instance lock.
// SDL backend: a real window whose events become Windows-style messages. Headless: no window
// system; tests inject messages, key state and the cursor, and read back what was shown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/display.h"  // plat::Rect

// Windows vocabulary shared by the framework and game code.
using HWND = void*;
using HINSTANCE = void*;
using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ACTIVATEAPP = 0x001C;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
constexpr UINT WM_HOTKEY = 0x0312;

constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM SC_SCREENSAVE = 0xF140;

// lParam bit of WM_SYSKEYDOWN/WM_SYSKEYUP: the Alt key was held.
constexpr LPARAM kKeyContextAlt = LPARAM(1) << 29;

constexpr int VK_LBUTTON = 0x01;
constexpr int VK_RBUTTON = 0x02;
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_PAUSE = 0x13;
constexpr int VK_CAPITAL = 0x14;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;
constexpr int VK_NEXT = 0x22;
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_SNAPSHOT = 0x2C;
constexpr int VK_INSERT = 0x2D;
constexpr int VK_DELETE = 0x2E;
constexpr int VK_NUMPAD0 = 0x60;
constexpr int VK_MULTIPLY = 0x6A;
constexpr int VK_ADD = 0x6B;
constexpr int VK_SUBTRACT = 0x6D;
constexpr int VK_DECIMAL = 0x6E;
constexpr int VK_DIVIDE = 0x6F;
constexpr int VK_F1 = 0x70;
constexpr int VK_F4 = 0x73;
constexpr int VK_F10 = 0x79;
constexpr int VK_NUMLOCK = 0x90;
constexpr int VK_SCROLL = 0x91;

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONWARNING = 0x00000030;
constexpr UINT MB_SYSTEMMODAL = 0x00001000;
constexpr int IDOK = 1;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

namespace plat {

struct Msg {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

using WindowProc = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

// Packs two 16-bit halves into an lParam, as mouse and move messages carry them.
inline LPARAM MakeLParam(int low, int high) {
    return static_cast<LPARAM>((static_cast<uint32_t>(high & 0xFFFF) << 16) |
                               static_cast<uint32_t>(low & 0xFFFF));
}

// Opens the main window with a client area of width x height centred on the desktop,
// captioned with the Shift-JIS title. Messages go to proc. A WM_MOVE with the client origin
// is queued. Returns null when no window can be made.
HWND CreateMainWindow(const char* title, int width, int height, bool visible, WindowProc proc);
// Sends WM_DESTROY to the window procedure, then closes the window.
void DestroyWindow();
void SetTopMost();
void RaiseMainWindow();

// Message queue.
bool PeekMessage(Msg& msg);  // takes the next message if one waits (PM_REMOVE)
void WaitMessage();          // blocks until a message may be waiting
void PostMessage(UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int code);
LRESULT DispatchMessage(const Msg& msg);
LRESULT SendMessage(UINT message, WPARAM wParam, LPARAM lParam);
// What the window system does with a message the procedure passes on: WM_CLOSE destroys the
// window, Alt+F4 as a system key closes it, WM_SETCURSOR restores the arrow.
LRESULT DefWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Keyboard and cursor.
bool IsKeyDown(int vk);               // the high bit of GetKeyState
void SetKeyState(int vk, bool down);  // set by the backends from events, and by a replay
int ShowCursor(bool show);            // returns the new display count; shown while >= 0
void SetCursor(bool arrow);           // arrow or no cursor image over the window
void GetCursorPos(int& x, int& y);    // screen coordinates
void SetCursorPos(int x, int y);
void ClipCursor(const Rect* rect);  // screen rectangle, null frees the pointer
void EnableIME(bool enable);

// Blocking message box with Shift-JIS title and text; returns IDOK, IDYES or IDNO, or 0 when
// no box could be shown.
int MessageBox(const char* text, const char* title, UINT style);
void MessageBeep();

// Single-instance lock named name. Returns true for the first instance. Otherwise asks the
// holder to bring its window forward and returns false.
bool AcquireInstanceLock(const char* name);
void ReleaseInstanceLock();

namespace headless {

struct BoxRecord {
    std::string title, text;  // Shift-JIS bytes as shown
    UINT style;
};

void ResetWindow();                  // no window, empty queue, keys up, cursor shown
void SetKeyDown(int vk, bool down);  // injected key state
int CursorCount();                   // the ShowCursor display count
int ShowCursorCalls();
bool CursorImageShown();
bool ClientArea(Rect& rect);  // true once the window exists, with its client rectangle
bool CursorClip(Rect& rect);  // true while confined, with the rectangle
bool IMEEnabled();
bool WindowOpen();
bool TopMost();
int DefWindowProcCalls();  // how many messages reached the default procedure
void QueueAnswer(int id);  // next message box answer; default IDNO for Yes/No, else IDOK
const std::vector<BoxRecord>& Boxes();
int Beeps();
void HoldInstanceLock(const char* name);  // as if another process held the lock
int RaiseRequests();                      // raise requests sent to the holder

}  // namespace headless

}  // namespace plat
