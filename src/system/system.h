// Framework services: frame time and wait slots, message boxes, the error report, the debug
// log, and system utilities (paths, save files, disk, memory, date, time, OS version).
#pragma once

#include <cstdint>

namespace gkSystem {

// Frame time.
extern uint32_t LastFrameTime;
extern float FrameDelta;  // seconds between the last two frames
void ResetFrameTime();    // FrameDelta 0, the frame clock restarts now
void UpdateFrameTime();   // FrameDelta = seconds since the last update (the loop calls it)

// Wait slots 1-10 (11 is Sleep's own deadline).
constexpr uint32_t kIdleWait = 999999999;
int SetWait(int no, uint32_t ms);  // slot no's deadline is now + ms; 1, or 0 after a report
int InitWait(int no);              // slot no idle again; 1, or 0 after a report
int CheckWait(int no);             // 1 once slot no's deadline has passed, else 0
void Sleep(uint32_t ms);           // blocks for ms milliseconds of the framework's clock

// Run at the end of every screen set-up: idle wait slots, key capture off, Alt-key mode 0,
// and in full-screen mode the pointer confined to the screen. Returns 1.
int Reset();

// Message boxes, error report, log.
// An information box titled "メッセージ" with the formatted text; returns when it is closed.
void Message(const char* format, ...) __attribute__((format(printf, 1, 2)));
// A Yes/No box titled "メッセージ": 1 for Yes, 0 for No or the close button.
int Question(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The error report "tag : message" in a box titled "エラー発生"; sets Error; always 0.
int ErrorBox(const char* tag, const char* message, int code);
int IsError();     // 1 once an error was reported since the last screen set-up
int CheckError();  // as IsError, calling Quit first when an error was reported
// Appends the formatted text and a newline to DEBUG.TXT in the current folder.
void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Utilities.
char* GetPath(int redirect);  // executable folder (or the data folder) ending in '/'
// Reads the data folder from the first line of the pointer file `name` in the system folder
// (none when the file is missing); GetPath(1) then leads there.
void SetDataFolder(const char* name);
// One number per file under GetPath(1), replaced whole; the loads return 0 for a missing file.
void SaveMode(const char* file, int value);
void SaveValue(const char* file, int value);
int LoadMode(const char* file);
int LoadValue(const char* file);
const char* GetCommandLine();      // the command line WinMain received
uint32_t GetDiskFree(char drive);  // free bytes on the drive (C is /), 0xFFFFFFFF above 4 GiB
uint32_t GetFreeMemory();          // available memory in bytes, 0xFFFFFFFF above 4 GiB
void GetDate(int* year, int* month, int* day, char* weekday);  // weekday: "日" … "土" (3 bytes)
void GetTime(int* hour, int* minute, int* second);
int GetOSVersion();  // the version code, e.g. 6010 for a 6.1 kernel
int OSVersionCode(int platformId, int major, int minor);  // the version table itself

}  // namespace gkSystem
