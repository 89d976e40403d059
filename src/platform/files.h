// Kernel services the framework asks for: the executable's path, the system folder holding
// the data-folder pointer file, free disk and memory, local time, the OS version, opening,
// deleting and replacing files by Windows-style Shift-JIS names, and the search of a folder for
// files matching a pattern.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

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

// fopen of a Windows-style Shift-JIS path (see NativePath); no path opens nothing.
FILE* OpenFile(const char* path, const char* mode);

// Deletes the file at a Windows-style Shift-JIS path; false when there was none to delete.
bool DeleteFile(const char* path);

// Writes size bytes as the whole new content of the file at a Windows-style Shift-JIS path:
// into a temporary file beside it, renamed over it once every byte is on disk, so the file is
// always either the old one or the complete new one. False (old file untouched) on any failure.
// The temporary is the path plus ".tmp": one left by a process killed before its rename is
// reused by the next replacement of that file instead of piling up.
bool ReplaceFile(const char* path, const void* data, size_t size);

// Names (Shift-JIS, without the folder) of the regular files in a Windows-style Shift-JIS folder
// whose names match a wildcard pattern ('*' and '?') without regard to case, sorted by name.
// The folder is found like NativePath finds it, with or without a trailing separator; a relative
// folder is taken from the current directory as every open is. An empty folder names no folder
// and yields no names: callers pass the full folder (e.g. the executable's folder + "bmp").
// '?' stands for one character, single- or double-byte; only ASCII letters ignore case. Files
// whose names have no Shift-JIS form cannot be opened by a Shift-JIS name and are left out.
std::vector<std::string> FindFiles(const char* folder, const char* pattern);

namespace headless {
void SetExecutablePath(const std::string& path);  // empty: the real one
void SetLocalTime(const LocalTime& time);
void ResetFiles();  // real executable path and local time again
}  // namespace headless

}  // namespace plat
