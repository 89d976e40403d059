// The application shell: the process entry WinMain, the message and frame loop, the window
// procedure, and the process-wide application and input records game code reads.
//
// A game plugs in through plain function pointers set before WinMain runs:
//     gkSystem::SetGameHooks({GameInit, GameFrame, GameKeyDown, nullptr});
//     gkSystem::SetGameTitle("My Game");
// init runs once after the window exists (it sets up the screen and sets gkApp.Scene = 1),
// frame runs once per loop pass while Scene is 1 and ends by presenting, keyDown receives
// every key press the window procedure routes (it should start with gkSystem::RouteKey),
// and activate, when set, is called by gkSystem::OnActivate. The title (Shift-JIS) is the window's
// caption and names the single-instance lock; without one it is the executable's file name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window.h"

struct gkAppState {
    HWND hWnd;
    HINSTANCE hInstance;
    std::string CommandLine;  // as WinMain received it
    int Mutex;                // 1 while the single-instance lock is held
    char MutexName[256];      // window title + ":GkMutex"
    uint32_t WindowFlags;     // bit 0 not top-most, bit 1 run while inactive, bit 2 hidden
    int FullScreen;
    int WindowWidth, WindowHeight;  // requested client size
    int ClipMouse;
    int Active;
    int Scene, PrevScene, SceneChanged, NextScene;
    int Pause;
    int Blink;  // 1 for 1000 ms, 0 for 200 ms
    uint32_t BlinkTime;
    uint32_t FrameStart;
    int CloseState;  // 0 running, 1 WM_CLOSE came first, 2 Quit posted or handled the close
    int Ended;       // Quit has released everything
    int CursorShown;
    int MessageBoxOpen;
    int Error;  // set by every error report, cleared by the screen set-up
};

struct gkInputState {
    int MouseX, MouseY;
    int PrevMouseX, PrevMouseY;
    int MouseMoveX, MouseMoveY;
    int LeftDown, RightDown;
    int LeftClick, RightClick;    // one frame
    int LeftDouble, RightDouble;  // one frame
    int LeftLatch, RightLatch;    // until the game clears them
    int MouseButton;              // held button: 1 left, 2 right, 0 none
    int LastMouseButton;
    int HeldKey, LastKey;
    int ViewerKey;
    int CaptureMode, CapturedKey, CapturedClick;
    int ShiftToggle;
    int WatchedKey, WatchedKeyCount;
    int AltKeyMode;  // WM_SYSKEYDOWN: 0 swallow all, 2 swallow Alt itself, else as WM_KEYDOWN
    int MouseLimited;
    int IMEEnabled;
};

extern gkAppState gkApp;
extern gkInputState gkInput;

// The process entry: the instance check, the window, the game's init hook, then the loop until
// the window closes. Returns 0.
int WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, const char* lpCmdLine, int nCmdShow);

namespace gkSystem {

struct GameHooks {
    void (*init)();
    void (*frame)();
    void (*keyDown)(int key);
    void (*activate)(int flag);
};
void SetGameHooks(const GameHooks& hooks);  // copied; call before WinMain
void SetGameTitle(const char* title);       // copied; nullptr or "" for the executable's name

void Init();  // application and input records back to their start values
int CheckMutex(
    const char* title);  // 1 when this is the only instance, else 0 (the first is raised)
// Releases fonts, sound and display and closes the window: the loop then ends. Returns 1.
int Quit();
void OnActivate(int flag);  // hands activation (1) or deactivation (0) to the game's hook

// One pass of the message loop: dispatches one waiting message, or waits, or runs one frame.
// Returns 0 once WM_QUIT was taken, else 1.
int RunLoopPass();
void RunFrame();  // one frame: frame time, the scene's frame hook, blink and mouse bookkeeping

// The main window's procedure: keys, mouse, activation, closing and the MIDI notification.
LRESULT WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Deterministic runs: a frame limit, the headless frame rate, and recording and replaying
// every input a run receives (see the README for the recording's text format).
struct RunOptions {
    int64_t frames = -1;         // GK_FRAMES: end after this many frames; -1 runs on
    int headlessFps = 60;        // GK_HEADLESS_FPS: frames per virtual second, 0 = not paced
    std::string record, replay;  // GK_RECORD, GK_REPLAY: file paths, empty when unset
};
RunOptions ReadRunOptions();  // from the environment

enum class RecordKind { Time, Message, Key, Joystick, Cursor, Box };
// One recorded input, taken in the frame numbered `frame` (frames run before it). Values by
// kind: Time {ms}; Message {message, wParam, lParam}; Key {vk, down}; Joystick {id, x or -1
// when unplugged, y, buttons}; Cursor {x, y} from the client
// area's top-left corner; Box {answer}.
struct RecordEvent {
    uint32_t frame;
    RecordKind kind;
    int64_t values[4];
    int line;  // line of the recording it was read from
};
struct Recording {
    uint32_t seed = 0;  // what rand() was seeded with
    std::vector<RecordEvent> events;
    uint32_t endFrame = 0;  // frames the run lasted
};
struct RecordingError {
    int line;
    std::string reason;
};
// Reads a recording's text. On a fault returns false with the line and reason of the first one.
bool ReadRecording(std::string_view text, Recording& recording, RecordingError& error);
// The event as one line of a recording, without the line end.
std::string FormatEvent(const RecordEvent& event);

// Starts the run the options ask for: loads the replay (an unreadable or malformed one is
// reported on stderr with its file and line: false) and holds the clock for a recorded or
// replayed run. OpenRecording then creates the recording (false when it cannot).
bool StartRun(const RunOptions& options);
bool OpenRecording();
void EndRun();          // writes the recording's end line and closes it; the replay stops
uint32_t RandomSeed();  // the recorded seed in a replay, else the calendar time
// A message box whose answer is recorded, or taken from the replay without showing the box.
int AnswerBox(const char* text, const char* title, UINT style);
// The cursor's screen position, recorded, or as the replay gives it (both relative to the
// client area, so a replay may place its window elsewhere).
void CursorPosition(int& x, int& y);

// Input operations.
void RouteKey(int key);  // HeldKey/LastKey, or ViewerKey while the picture viewer is on
void SetActive(int flag);
void EnableIME(int flag);
void KeyState(int vk, int* state);  // 0 idle, 1 pressed, 3 held, 2 released
// The four-state trigger step for a key or button that is `down` now; forced to 0 (and stored
// so) while a transition runs, the picture viewer is on or keys are captured.
void StepTrigger(int* state, bool down);
int GetClick(int code, ...);  // codes ended by 0
void SetMousePos(int x, int y);
void LimitMouse(int left, int top, int right, int bottom);
void LimitMouseToScreen();
void FreeMouse();
int IsMouseLimited();
void BeginKeyCapture();
void EndKeyCapture();
void WatchKey(int vk);
int GetWatchCount();
void SetAltKey(int mode);

}  // namespace gkSystem
