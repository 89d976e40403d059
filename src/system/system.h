// Framework services: frame time and wait slots, message boxes, the error report, the debug
// log, and system utilities (paths, save files, disk, memory, date, time, OS version).
#pragma once

#include <cstdint>

namespace gkSystem {

// Frame time.
extern uint32_t LastFrameTime;
extern float FrameDelta;  // seconds between the last two frames
void ResetFrameTime();
void UpdateFrameTime();

// Wait slots 1-10 (11 is Sleep's own deadline).
constexpr uint32_t kIdleWait = 999999999;
int SetWait(int no, uint32_t ms);
int InitWait(int no);
int CheckWait(int no);
void Sleep(uint32_t ms);

// Run at the end of every screen set-up: idle wait slots, key capture off, Alt-key mode 0,
// and in full-screen mode the pointer confined to the screen. Returns 1.
int Reset();

// Message boxes, error report, log.
void Message(const char* format, ...) __attribute__((format(printf, 1, 2)));
int Question(const char* format, ...) __attribute__((format(printf, 1, 2)));
int ErrorBox(const char* tag, const char* message, int code);  // always 0
int IsError();
int CheckError();
void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Utilities.
char* GetPath(int redirect);  // executable folder (or the data folder) ending in '/'
void SetDataFolder(const char* name);
void SaveMode(const char* file, int value);
void SaveValue(const char* file, int value);
int LoadMode(const char* file);
int LoadValue(const char* file);
const char* GetCommandLine();
uint32_t GetDiskFree(char drive);
uint32_t GetFreeMemory();
void GetDate(int* year, int* month, int* day, char* weekday);
void GetTime(int* hour, int* minute, int* second);
int GetOSVersion();
int OSVersionCode(int platformId, int major, int minor);  // the version table itself

}  // namespace gkSystem
