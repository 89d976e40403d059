// The main window's procedure: window messages become gkInput fields, key presses go to the
// game, and activation, moves and the close box are handled.
#include "app/app.h"
#include "draw/draw.h"
#include "platform/mci.h"
#include "sound/sound.h"
#include "system/system.h"

namespace gkSystem {

void RouteKeyToGame(int key);  // app.cpp

static int LowWord(LPARAM value) {
    return static_cast<int>(value & 0xFFFF);
}
static int HighWord(LPARAM value) {
    return static_cast<int>((value >> 16) & 0xFFFF);
}

static void OnMove(LPARAM lParam) {
    gkScreen.OriginX = static_cast<int16_t>(LowWord(lParam));
    gkScreen.OriginY = static_cast<int16_t>(HighWord(lParam));
    gkScreen.ClientRect = {gkScreen.OriginX, gkScreen.OriginY, gkScreen.OriginX + gkScreen.Width,
                           gkScreen.OriginY + gkScreen.Height};
    if (gkApp.ClipMouse) LimitMouseToScreen();
}

// The end of a MIDI song: replay or close it, but only for a song still open that has really
// stopped; aborted and superseded plays are not the song's end.
static void OnMidiNotify(WPARAM code) {
    if (code != plat::MCI_NOTIFY_SUCCESSFUL || !gkMidi.SongOpen) return;
    char mode[32];
    plat::MciSendString("status midi mode", mode, sizeof mode, nullptr);
    if (mode[0] == 's' && mode[1] == 't') gkSound::MidiNotify();
}

static void OnClose() {
    if (gkApp.CloseState == 0) gkApp.CloseState = 1;
    if (gkApp.CloseState < 2) Quit();
    plat::DestroyWindow();
}

static void OnActivateApp(bool active) {
    if (!active) {
        SetActive(0);
        if (!gkApp.CursorShown) {
            plat::ShowCursor(true);
            gkApp.CursorShown = 1;
        }
        if (gkApp.ClipMouse) FreeMouse();
        return;
    }
    SetActive(1);
    ResetFrameTime();
    if (gkApp.ClipMouse) LimitMouseToScreen();
    OnActivate(1);
}

static void OnKeyDown(WPARAM key) {
    if (gkInput.CaptureMode) {
        gkInput.CapturedKey = static_cast<int>(key);
    } else {
        RouteKeyToGame(static_cast<int>(key));
    }
}

static void OnKeyUp(WPARAM wParam) {
    int key = static_cast<int>(wParam);
    if (key == gkInput.HeldKey) gkInput.HeldKey = 0;
    if (key == gkInput.ViewerKey) gkInput.ViewerKey = 0;
    if (key == gkInput.CapturedKey) gkInput.CapturedKey = 0;
    if (key == VK_SHIFT) gkInput.ShiftToggle = !gkInput.ShiftToggle;
    if (key == gkInput.WatchedKey) gkInput.WatchedKeyCount += 1;
}

static void OnButtonDown(int button) {
    bool left = button == VK_LBUTTON;
    if (gkInput.CaptureMode) {
        if (left) gkInput.CapturedClick = 1;
        return;
    }
    (left ? gkInput.LeftDown : gkInput.RightDown) = 1;
    (left ? gkInput.LeftClick : gkInput.RightClick) = 1;
    (left ? gkInput.LeftLatch : gkInput.RightLatch) = 1;
    gkInput.MouseButton = button;
    gkInput.LastMouseButton = button;
}

static void OnButtonUp(int button) {
    bool left = button == VK_LBUTTON;
    (left ? gkInput.LeftDown : gkInput.RightDown) = 0;
    if (gkInput.MouseButton == button) gkInput.MouseButton = 0;
    if (left) gkInput.CapturedClick = 0;
}

static void OnRightDouble() {
    if (!gkInput.CaptureMode) gkInput.RightDouble = 1;
    if (!gkApp.ClipMouse) return;
    if (gkInput.MouseLimited) {
        FreeMouse();
    } else {
        LimitMouseToScreen();
    }
}

static void OnHotKey(WPARAM id) {
    if (gkInput.CaptureMode) return;
    if (id == 0xBF01) RouteKeyToGame(VK_SNAPSHOT);
    if (id == 0xBF02) RouteKeyToGame(0x101);  // above the virtual-key range
}

LRESULT WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            plat::PostQuitMessage(0);
            return 0;
        case WM_MOVE:
            OnMove(lParam);
            break;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_ACTIVATEAPP:
            OnActivateApp(wParam != 0);
            return 0;
        case WM_SETCURSOR:
            if (gkApp.FullScreen && !gkApp.MessageBoxOpen) {
                plat::SetCursor(false);
                return 1;
            }
            break;
        case WM_SYSKEYDOWN:
            if (gkInput.AltKeyMode == 0) return 0;
            if (gkInput.AltKeyMode == 2 && wParam == VK_MENU) return 0;
            OnKeyDown(wParam);
            break;
        case WM_KEYDOWN:
            OnKeyDown(wParam);
            break;
        case WM_KEYUP:
            OnKeyUp(wParam);
            break;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_SCREENSAVE) return 0;
            break;
        case WM_MOUSEMOVE:
            gkInput.MouseX = LowWord(lParam);
            gkInput.MouseY = HighWord(lParam);
            break;
        case WM_LBUTTONDOWN:
            OnButtonDown(VK_LBUTTON);
            break;
        case WM_LBUTTONUP:
            OnButtonUp(VK_LBUTTON);
            break;
        case WM_LBUTTONDBLCLK:
            if (!gkInput.CaptureMode) gkInput.LeftDouble = 1;
            return 0;
        case WM_RBUTTONDOWN:
            OnButtonDown(VK_RBUTTON);
            break;
        case WM_RBUTTONUP:
            OnButtonUp(VK_RBUTTON);
            break;
        case WM_RBUTTONDBLCLK:
            OnRightDouble();
            return 0;
        case WM_HOTKEY:
            OnHotKey(wParam);
            return 0;
        case plat::MM_MCINOTIFY:
            OnMidiNotify(wParam);
            break;
    }
    return plat::DefWindowProc(hWnd, message, wParam, lParam);
}

}  // namespace gkSystem
