// Input operations over gkInput: key routing, the four-state trigger, the press-and-release
// detector, the mouse pointer and its confinement, key capture, watched key and Alt policy.
#include <cstdarg>

#include "app/app.h"
#include "draw/draw.h"
#include "gk_limits.h"

namespace gkSystem {

// Press-and-release detector: 0 idle, 1 armed, 2 tracking code clickCode.
static int clickStage = 0;
static int clickCode = 0;

void ResetClickDetector() {
    clickStage = 0;
    clickCode = 0;
}

void RouteKey(int key) {
    if (gkDraw::ViewerShown()) {
        gkInput.ViewerKey = key;
    } else {
        gkInput.HeldKey = key;
        gkInput.LastKey = key;
    }
}

void SetActive(int flag) {
    gkApp.Active = flag;
}

void EnableIME(int flag) {
    plat::EnableIME(flag != 0);
    gkInput.IMEEnabled = flag;
}

void StepTrigger(int* state, bool down) {
    if (down) {
        *state = *state == 0 ? 1 : 3;
    } else {
        *state = (*state == 1 || *state == 3) ? 2 : 0;
    }
    if (gkDraw::TransitionRunning() || gkDraw::ViewerShown() || gkInput.CaptureMode) *state = 0;
}

void KeyState(int vk, int* state) {
    StepTrigger(state, plat::IsKeyDown(vk));
}

static bool IsButton(int code) {
    return code == VK_LBUTTON || code == VK_RBUTTON;
}

int GetClick(int code, ...) {
    if (clickStage == 0 && gkInput.HeldKey == 0 && gkInput.MouseButton == 0) clickStage = 1;
    if (clickStage == 1) {
        va_list codes;
        va_start(codes, code);
        for (int c = code; c != 0; c = va_arg(codes, int)) {
            clickCode = c;
            if (gkInput.LastKey == c || gkInput.LastMouseButton == c) {
                clickStage = 2;
                break;
            }
        }
        va_end(codes);
    }
    if (clickStage == 2) {
        bool button = IsButton(clickCode);
        if ((button ? gkInput.LastMouseButton : gkInput.LastKey) != clickCode) clickStage = 0;
        if ((button ? gkInput.MouseButton : gkInput.HeldKey) == 0) {
            clickStage = 0;
            gkInput.LastKey = 0;
            gkInput.LastMouseButton = 0;
            return clickCode;
        }
    }
    return 0;
}

void SetMousePos(int x, int y) {
    plat::SetCursorPos(gk::SaturateInt(int64_t{x} + gkScreen.OriginX),
                       gk::SaturateInt(int64_t{y} + gkScreen.OriginY));
}

void LimitMouse(int left, int top, int right, int bottom) {
    plat::Rect area{left, top, right, bottom};
    plat::ClipCursor(&area);
    gkInput.MouseLimited = 1;
}

void LimitMouseToScreen() {
    if (gkApp.FullScreen) {
        LimitMouse(0, 0, gkScreen.Width, gkScreen.Height);
    } else {
        LimitMouse(gkScreen.OriginX, gkScreen.OriginY, gkScreen.OriginX + gkScreen.Width,
                   gkScreen.OriginY + gkScreen.Height);
    }
}

void FreeMouse() {
    plat::ClipCursor(nullptr);
    gkInput.MouseLimited = 0;
}

int IsMouseLimited() {
    return gkInput.MouseLimited;
}

void BeginKeyCapture() {
    gkInput.CaptureMode = 1;
}

void EndKeyCapture() {
    gkInput.CaptureMode = 0;
    gkInput.HeldKey = 0;
}

void WatchKey(int vk) {
    gkInput.WatchedKey = vk;
    gkInput.WatchedKeyCount = 0;
}

int GetWatchCount() {
    return gkInput.WatchedKeyCount;
}

void SetAltKey(int mode) {
    gkInput.AltKeyMode = mode;
}

}  // namespace gkSystem
