// System utilities: the executable-relative path and its data-folder redirect, one-number
// save files, the command line, and disk, memory, date, time and OS-version queries.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/app.h"
#include "gk_limits.h"
#include "platform/files.h"
#include "platform/sjis.h"
#include "system/system.h"

namespace gkSystem {

static char pathBuffer[256];
static char dataFolder[256];
static char folderTail[256];

// Copies text into a fixed buffer, cut at a character boundary when it does not fit.
template <size_t N>
static void CopyBounded(char (&target)[N], const char* text) {
    size_t length = plat::SjisFit(text, N - 1);
    std::memmove(target, text, length);
    target[length] = '\0';
}

char* GetPath(int redirect) {
    std::string exe = plat::ExecutablePath();
    CopyBounded(pathBuffer, exe.substr(0, exe.rfind('/') + 1).c_str());
    if (redirect && dataFolder[0]) {
        // The executable folder's own name, kept for folders under the data folder.
        int length = static_cast<int>(std::strlen(pathBuffer));
        for (int i = length - 2; i >= 0; --i) {
            if (pathBuffer[i] == '/') {
                CopyBounded(folderTail, pathBuffer + i + 1);
                break;
            }
        }
        std::string redirected = std::string(dataFolder) + "/" + folderTail;
        CopyBounded(pathBuffer, redirected.c_str());
    }
    return pathBuffer;
}

void SetDataFolder(const char* name) {
    dataFolder[0] = '\0';
    folderTail[0] = '\0';
    if (!name) return;  // no name: no pointer file, as for a missing one
    std::string path = plat::SystemFolder();
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    FILE* file = plat::OpenFile(path.c_str(), "r");
    if (!file) return;
    char line[256];
    if (std::fgets(line, sizeof line, file)) {
        size_t length = std::strlen(line);
        while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) --length;
        if (length > 0 && (line[length - 1] == '\\' || line[length - 1] == '/')) --length;
        line[length] = '\0';
        CopyBounded(dataFolder, line);
    }
    std::fclose(file);
}

// The file is replaced whole, so the save is either the old or the new one, never partial.
void SaveMode(const char* file, int value) {
    if (!file) return;
    char digits[16];
    int length = std::snprintf(digits, sizeof digits, "%d", value);
    plat::ReplaceFile((std::string(GetPath(1)) + file).c_str(), digits,
                      static_cast<size_t>(length));
}

void SaveValue(const char* file, int value) {
    SaveMode(file, value);
}

// The leading decimal number of the stream, read as %d reads it; 0 when there is none or when
// it lies outside int, where a wrapped value would be some other number.
static int ReadNumber(FILE* stream) {
    int c = std::fgetc(stream);
    while (std::isspace(c)) c = std::fgetc(stream);
    const bool negative = c == '-';
    if (c == '-' || c == '+') c = std::fgetc(stream);
    if (!std::isdigit(c)) return 0;
    int64_t value = 0;
    for (; std::isdigit(c); c = std::fgetc(stream))
        if ((value = value * 10 + (c - '0')) > int64_t{INT32_MAX} + 1) return 0;
    value = negative ? -value : value;
    return value == gk::SaturateInt(value) ? static_cast<int>(value) : 0;
}

int LoadMode(const char* file) {
    FILE* stream = file ? plat::OpenFile((std::string(GetPath(1)) + file).c_str(), "r") : nullptr;
    if (!stream) return 0;
    const int value = ReadNumber(stream);
    std::fclose(stream);
    return value;
}

int LoadValue(const char* file) {
    return LoadMode(file);
}

const char* GetCommandLine() {
    return gkApp.CommandLine.c_str();
}

uint32_t GetDiskFree(char drive) {
    uint64_t bytes = 0;
    if (!plat::DiskFree(drive, bytes)) return 0;
    return bytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(bytes);
}

uint32_t GetFreeMemory() {
    uint64_t bytes = plat::AvailableMemory();
    return bytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(bytes);
}

void GetDate(int* year, int* month, int* day, char* weekday) {
    static const char* const names[7] = {"日", "月", "火", "水", "木", "金", "土"};
    plat::LocalTime now = plat::GetLocalTime();
    *year = now.year;
    *month = now.month;
    *day = now.day;
    std::strcpy(weekday, names[now.dayOfWeek]);
}

void GetTime(int* hour, int* minute, int* second) {
    plat::LocalTime now = plat::GetLocalTime();
    *hour = now.hour;
    *minute = now.minute;
    *second = now.second;
}

// Version numbers whose code would not fit an int give -1, the code of an unknown platform.
int OSVersionCode(int platformId, int major, int minor) {
    int64_t code = -1;
    switch (platformId) {
        case 0:
            code = 310;
            break;
        case 1:
            code = major == 4 ? (minor == 0 ? 950 : 980) : int64_t{major} * 100 + minor;
            break;
        case 2:
            code = major == 5 ? 2000 : int64_t{major} * 1000 + int64_t{minor} * 10;
            break;
    }
    return code == gk::SaturateInt(code) ? static_cast<int>(code) : -1;
}

int GetOSVersion() {
    plat::OSVersion version = plat::GetOSVersion();
    return OSVersionCode(version.platformId, version.major, version.minor);
}

}  // namespace gkSystem
