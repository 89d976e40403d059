// Kernel services the framework asks for: the executable's path, the system folder holding
// the data-folder pointer file, free disk and memory, local time, the OS version, and opening
// files by Windows-style Shift-JIS names.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace plat {

struct LocalTime {
    int year, month, day;  // month 1-12
    int dayOfWeek;         // Sunday = 0
    int hour, minute, second;
};

struct OSVersion {
    int platformId;  // 0 Win32s, 1 Windows 9x, 2 NT family; Linux reports the NT family
    int major, minor;
};

// Full path of the running executable (/proc/self/exe), native UTF-8.
std::string ExecutablePath();

// Folder in which the data-folder pointer file is looked for: GK_SYSTEM_DIR, else
// $XDG_CONFIG_HOME, else ~/.config. No trailing '/'.
std::string SystemFolder();

// Free bytes for the user on the file system a drive letter stands for: C is "/", any other
// letter X is "/mnt/x". False when that folder cannot be queried.
bool DiskFree(char drive, uint64_t& bytes);

// Available physical memory in bytes (MemAvailable of /proc/meminfo); 0 if unknown.
uint64_t AvailableMemory();

LocalTime GetLocalTime();
OSVersion GetOSVersion();

// fopen of a Windows-style Shift-JIS path (see NativePath).
FILE* OpenFile(const char* path, const char* mode);

namespace headless {
void SetExecutablePath(const std::string& path);  // empty: the real one
void SetLocalTime(const LocalTime& time);
void ResetFiles();  // real executable path and local time again
}  // namespace headless

}  // namespace plat
