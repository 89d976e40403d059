// SDL window backend: one real window whose SDL events are translated into window messages
// with Windows virtual-key codes, cursor control on the desktop, and SDL message boxes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gk_limits.h"
#include "platform/environment.h"
#include "platform/sdl_window.h"
#include "platform/sjis.h"
#include "platform/window_backend.h"

namespace plat {

namespace {

SDL_Window* window = nullptr;
SDL_Cursor* blankCursor = nullptr;
Uint32 lastRaiseCheck = 0;
int scale = 1;  // window pixels per game pixel

// GK_WINDOW_SCALE: a whole number from 1 to 4 that enlarges the window, reduced to the largest
// scale at which the window still fits the desktop.
int ScaleFromEnvironment(int width, int height) {
    int value = EnvNumber("GK_WINDOW_SCALE", 1, 4, 1);
    SDL_Rect desktop;
    if (SDL_GetDisplayUsableBounds(0, &desktop) != 0) return value;
    while (value > 1 && (width * value > desktop.w || height * value > desktop.h)) --value;
    return value;
}

// Without a window system the game would run invisibly: it ends with one line that says how to
// run it without a window. A driver the user chose in SDL_VIDEODRIVER is taken as chosen.
[[noreturn]] void NoDisplay(const char* why) {
    std::fprintf(stderr,
                 "gk: no display available (%s); set GK_BACKEND=headless to run without a window\n",
                 why);
    std::exit(EXIT_FAILURE);
}

void RequireDisplay() {
    bool chosen = EnvText("SDL_VIDEODRIVER") != nullptr;
    if (!chosen && !EnvText("DISPLAY") && !EnvText("WAYLAND_DISPLAY"))
        NoDisplay("neither DISPLAY nor WAYLAND_DISPLAY is set");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) NoDisplay(SDL_GetError());
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!chosen && driver && (!std::strcmp(driver, "offscreen") || !std::strcmp(driver, "dummy")))
        NoDisplay("only an off-screen video driver could be opened");
}

// Desktop positions as the game sees them: the client origin stays where it is and distances
// from it are in game pixels. Mouse events need no such mapping: the renderer's logical size
// already gives them in game pixels.
bool Scaled() {
    return window && scale > 1 && !(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN);
}
void DesktopToGame(int& x, int& y) {
    int left, top;
    SDL_GetWindowPosition(window, &left, &top);
    x = left + (x - left) / scale;
    y = top + (y - top) / scale;
}
void GameToDesktop(int& x, int& y) {
    int left, top;
    SDL_GetWindowPosition(window, &left, &top);
    x = left + (x - left) * scale;
    y = top + (y - top) * scale;
}

// Windows virtual-key code of a key, by its position on a US keyboard; 0 when unknown.
int VirtualKey(SDL_Scancode code) {
    if (code >= SDL_SCANCODE_A && code <= SDL_SCANCODE_Z) return 'A' + (code - SDL_SCANCODE_A);
    if (code >= SDL_SCANCODE_1 && code <= SDL_SCANCODE_9) return '1' + (code - SDL_SCANCODE_1);
    if (code >= SDL_SCANCODE_F1 && code <= SDL_SCANCODE_F12)
        return VK_F1 + (code - SDL_SCANCODE_F1);
    if (code >= SDL_SCANCODE_F13 && code <= SDL_SCANCODE_F24)
        return 0x7C + (code - SDL_SCANCODE_F13);
    if (code >= SDL_SCANCODE_KP_1 && code <= SDL_SCANCODE_KP_9)
        return VK_NUMPAD0 + 1 + (code - SDL_SCANCODE_KP_1);
    switch (code) {
        case SDL_SCANCODE_0:
            return '0';
        case SDL_SCANCODE_KP_0:
            return VK_NUMPAD0;
        case SDL_SCANCODE_RETURN:
        case SDL_SCANCODE_KP_ENTER:
            return VK_RETURN;
        case SDL_SCANCODE_ESCAPE:
            return VK_ESCAPE;
        case SDL_SCANCODE_BACKSPACE:
            return VK_BACK;
        case SDL_SCANCODE_TAB:
            return VK_TAB;
        case SDL_SCANCODE_SPACE:
            return VK_SPACE;
        case SDL_SCANCODE_LSHIFT:
        case SDL_SCANCODE_RSHIFT:
            return VK_SHIFT;
        case SDL_SCANCODE_LCTRL:
        case SDL_SCANCODE_RCTRL:
            return VK_CONTROL;
        case SDL_SCANCODE_LALT:
        case SDL_SCANCODE_RALT:
            return VK_MENU;
        case SDL_SCANCODE_PAUSE:
            return VK_PAUSE;
        case SDL_SCANCODE_CAPSLOCK:
            return VK_CAPITAL;
        case SDL_SCANCODE_PAGEUP:
            return VK_PRIOR;
        case SDL_SCANCODE_PAGEDOWN:
            return VK_NEXT;
        case SDL_SCANCODE_END:
            return VK_END;
        case SDL_SCANCODE_HOME:
            return VK_HOME;
        case SDL_SCANCODE_LEFT:
            return VK_LEFT;
        case SDL_SCANCODE_UP:
            return VK_UP;
        case SDL_SCANCODE_RIGHT:
            return VK_RIGHT;
        case SDL_SCANCODE_DOWN:
            return VK_DOWN;
        case SDL_SCANCODE_PRINTSCREEN:
            return VK_SNAPSHOT;
        case SDL_SCANCODE_INSERT:
            return VK_INSERT;
        case SDL_SCANCODE_DELETE:
            return VK_DELETE;
        case SDL_SCANCODE_KP_MULTIPLY:
            return VK_MULTIPLY;
        case SDL_SCANCODE_KP_PLUS:
            return VK_ADD;
        case SDL_SCANCODE_KP_MINUS:
            return VK_SUBTRACT;
        case SDL_SCANCODE_KP_PERIOD:
            return VK_DECIMAL;
        case SDL_SCANCODE_KP_DIVIDE:
            return VK_DIVIDE;
        case SDL_SCANCODE_NUMLOCKCLEAR:
            return VK_NUMLOCK;
        case SDL_SCANCODE_SCROLLLOCK:
            return VK_SCROLL;
        case SDL_SCANCODE_SEMICOLON:
            return 0xBA;
        case SDL_SCANCODE_EQUALS:
            return 0xBB;
        case SDL_SCANCODE_COMMA:
            return 0xBC;
        case SDL_SCANCODE_MINUS:
            return 0xBD;
        case SDL_SCANCODE_PERIOD:
            return 0xBE;
        case SDL_SCANCODE_SLASH:
            return 0xBF;
        case SDL_SCANCODE_GRAVE:
            return 0xC0;
        case SDL_SCANCODE_LEFTBRACKET:
            return 0xDB;
        case SDL_SCANCODE_BACKSLASH:
            return 0xDC;
        case SDL_SCANCODE_RIGHTBRACKET:
            return 0xDD;
        case SDL_SCANCODE_APOSTROPHE:
            return 0xDE;
        default:
            return 0;
    }
}

// Keys pressed with Alt held, and F10, are system keys; the Alt key itself is one too.
void TranslateKey(const SDL_KeyboardEvent& key) {
    int vk = VirtualKey(key.keysym.scancode);
    if (vk == 0) return;
    bool down = key.type == SDL_KEYDOWN;
    bool alt = (key.keysym.mod & KMOD_ALT) != 0;
    SetKeyState(vk, down);
    LPARAM context = alt ? kKeyContextAlt : 0;
    bool system =
        down ? (alt || vk == VK_F10 || vk == VK_MENU) : ((alt && vk != VK_MENU) || vk == VK_F10);
    UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    PostMessage(message, static_cast<WPARAM>(vk), context);
}

void TranslateButton(const SDL_MouseButtonEvent& button) {
    bool left = button.button == SDL_BUTTON_LEFT;
    if (!left && button.button != SDL_BUTTON_RIGHT) return;
    bool down = button.type == SDL_MOUSEBUTTONDOWN;
    SetKeyState(left ? VK_LBUTTON : VK_RBUTTON, down);
    UINT message;
    if (!down) {
        message = left ? WM_LBUTTONUP : WM_RBUTTONUP;
    } else if (button.clicks % 2 == 0) {  // the second press within the double-click time
        message = left ? WM_LBUTTONDBLCLK : WM_RBUTTONDBLCLK;
    } else {
        message = left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN;
    }
    PostMessage(message, 0, MakeLParam(button.x, button.y));
}

void TranslateWindowEvent(const SDL_WindowEvent& event) {
    switch (event.event) {
        case SDL_WINDOWEVENT_MOVED:
            PostMessage(WM_MOVE, 0, MakeLParam(event.data1, event.data2));
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            PostMessage(WM_ACTIVATEAPP, 1, 0);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            PostMessage(WM_ACTIVATEAPP, 0, 0);
            break;
        case SDL_WINDOWEVENT_CLOSE:
            PostMessage(WM_CLOSE, 0, 0);
            break;
    }
}

void Pump() {
    SDL_Event event;
    while (window && SDL_PollEvent(&event)) {
        switch (event.type) {
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                TranslateKey(event.key);
                break;
            case SDL_MOUSEMOTION:
                PostMessage(WM_SETCURSOR, 0, MakeLParam(1, WM_MOUSEMOVE));  // HTCLIENT
                PostMessage(WM_MOUSEMOVE, 0, MakeLParam(event.motion.x, event.motion.y));
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                TranslateButton(event.button);
                break;
            case SDL_WINDOWEVENT:
                TranslateWindowEvent(event.window);
                break;
            case SDL_QUIT:  // a termination signal; the close box arrives as a window event
                PostMessage(WM_CLOSE, 0, 0);
                break;
        }
    }
    Uint32 now = SDL_GetTicks();
    if (now - lastRaiseCheck >= 20) {
        lastRaiseCheck = now;
        if (TakeRaiseRequest()) RaiseMainWindow();
    }
}

void Wait() {
    SDL_WaitEventTimeout(nullptr, 20);
}

bool Create(const char* title, int width, int height, bool visible) {
    RequireDisplay();
    Uint32 flags = visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
    scale = ScaleFromEnvironment(width, height);
    window = SDL_CreateWindow(SjisToUtf8(title).c_str(), SDL_WINDOWPOS_CENTERED,
                              SDL_WINDOWPOS_CENTERED, width * scale, height * scale, flags);
    if (!window) {
        std::fprintf(stderr, "gk: cannot open the window: %s\n", SDL_GetError());
        return false;
    }
    int x, y;
    SDL_GetWindowPosition(window, &x, &y);
    PostMessage(WM_MOVE, 0, MakeLParam(x, y));
    return true;
}

void Destroy() {
    SDL_DestroyWindow(window);
    window = nullptr;
}

void SetTopMostWindow() {
    SDL_SetWindowAlwaysOnTop(window, SDL_TRUE);
}

void Raise() {
    SDL_RestoreWindow(window);
    SDL_RaiseWindow(window);
}

void ShowCursorImage(bool shown) {
    SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
}

void SetCursorImage(bool arrow) {
    if (!arrow && !blankCursor) {
        static const Uint8 empty[1] = {0};
        blankCursor = SDL_CreateCursor(empty, empty, 8, 1, 0, 0);
    }
    SDL_SetCursor(arrow ? SDL_GetDefaultCursor() : blankCursor);
}

void GetCursor(int& x, int& y) {
    SDL_GetGlobalMouseState(&x, &y);
    if (Scaled()) DesktopToGame(x, y);
}

void SetCursorTo(int x, int y) {
    if (Scaled()) GameToDesktop(x, y);
    SDL_WarpMouseGlobal(x, y);
}

void Clip(const Rect* rect) {
    if (!window) return;
    if (!rect) {
        SDL_SetWindowMouseRect(window, nullptr);
        return;
    }
    int x, y;
    SDL_GetWindowPosition(window, &x, &y);
    // In 64 bits: a rectangle reaching the ends of the int range confines to what an int holds.
    auto scaled = [](int64_t v) { return gk::SaturateInt(v * scale); };
    SDL_Rect area{scaled(int64_t{rect->left} - x), scaled(int64_t{rect->top} - y),
                  scaled(int64_t{rect->right} - rect->left),
                  scaled(int64_t{rect->bottom} - rect->top)};
    SDL_SetWindowMouseRect(window, &area);
}

void IME(bool enable) {
    if (enable) {
        SDL_StartTextInput();
    } else {
        SDL_StopTextInput();
    }
}

// Yes on Return, No on Escape; closing the box counts as No.
int Box(const char* text, const char* title, UINT style) {
    std::string utf8Text = SjisToUtf8(text), utf8Title = SjisToUtf8(title);
    std::string yes = SjisToUtf8("はい"), no = SjisToUtf8("いいえ");
    bool question = (style & 0xF) == MB_YESNO;
    const SDL_MessageBoxButtonData okButton[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK,
         "OK"}};
    const SDL_MessageBoxButtonData yesNoButtons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, yes.c_str()},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, no.c_str()}};
    Uint32 icon =
        (style & 0xF0) == MB_ICONQUESTION ? SDL_MESSAGEBOX_INFORMATION : SDL_MESSAGEBOX_WARNING;
    SDL_MessageBoxData data{icon,
                            window,
                            utf8Title.c_str(),
                            utf8Text.c_str(),
                            question ? 2 : 1,
                            question ? yesNoButtons : okButton,
                            nullptr};
    int pressed = -1;
    if (SDL_ShowMessageBox(&data, &pressed) != 0) {
        std::fprintf(stderr, "%s: %s\n", utf8Title.c_str(), utf8Text.c_str());
        return 0;
    }
    return pressed < 0 ? IDNO : pressed;
}

void Beep() {
    std::fputc('\a', stderr);
    std::fflush(stderr);
}

}  // namespace

const WindowBackend& SdlWindowBackend() {
    static const WindowBackend backend{
        Create,         Destroy,   SetTopMostWindow, Raise, Pump, Wait, ShowCursorImage,
        SetCursorImage, GetCursor, SetCursorTo,      Clip,  IME,  Box,  Beep};
    return backend;
}

namespace sdl {
SDL_Window* MainWindow() {
    return window;
}
int WindowScale() {
    return scale;
}
}  // namespace sdl

}  // namespace plat
