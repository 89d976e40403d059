// Kernel services on Linux: /proc for the executable and memory, statvfs for disk space,
// localtime_r and uname for the date and the version, dirent for the folder search. The headless
// backend may pin the executable path and the local time for tests.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/backend.h"
#include "platform/sjis.h"

namespace plat {

static std::string pinnedExecutable;
static std::optional<LocalTime> pinnedTime;

std::string ExecutablePath() {
    if (IsHeadless() && !pinnedExecutable.empty()) return pinnedExecutable;
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length < 0) return "";
    return std::string(path, static_cast<size_t>(length));
}

std::string SystemFolder() {
    if (const char* dir = std::getenv("GK_SYSTEM_DIR"); dir && *dir) return dir;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) return config;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config";
}

bool DiskFree(char drive, uint64_t& bytes) {
    char letter = static_cast<char>(drive | 0x20);
    if (letter < 'a' || letter > 'z') return false;
    std::string root = letter == 'c' ? "/" : std::string("/mnt/") + letter;
    struct statvfs info;
    if (statvfs(root.c_str(), &info) != 0) return false;
    bytes = static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
    return true;
}

uint64_t AvailableMemory() {
    FILE* file = std::fopen("/proc/meminfo", "r");
    if (!file) return 0;
    char line[256];
    unsigned long long kb = 0;
    while (std::fgets(line, sizeof line, file)) {
        if (std::sscanf(line, "MemAvailable: %llu kB", &kb) == 1) break;
    }
    std::fclose(file);
    return static_cast<uint64_t>(kb) * 1024u;
}

LocalTime GetLocalTime() {
    if (IsHeadless() && pinnedTime) return *pinnedTime;
    time_t now = time(nullptr);
    tm parts;
    localtime_r(&now, &parts);
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_wday,
            parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

OSVersion GetOSVersion() {
    utsname name;
    int major = 0, minor = 0;
    if (uname(&name) == 0) std::sscanf(name.release, "%d.%d", &major, &minor);
    return {2, major, minor};
}

FILE* OpenFile(const char* path, const char* mode) {
    return path ? std::fopen(NativePath(path).c_str(), mode) : nullptr;
}

bool DeleteFile(const char* path) {
    return unlink(NativePath(path).c_str()) == 0;
}

bool ReplaceFile(const char* path, const void* data, size_t size) {
    if (!path) return false;
    std::string target = NativePath(path);
    std::string temporary = target + ".tmp";
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const char* bytes = static_cast<const char*>(data);
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(fd, bytes + done, size - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    bool written = done == size && fsync(fd) == 0 && fchmod(fd, 0644) == 0;
    written = close(fd) == 0 && written;
    if (written && std::rename(temporary.c_str(), target.c_str()) == 0) return true;
    unlink(temporary.c_str());
    return false;
}

// Wildcard match of a Shift-JIS name: '*' any run of characters, '?' one character, ASCII
// letters without case. Backtracks to the last '*' only, so the work stays linear per star.
static bool MatchesPattern(const char* name, const char* pattern) {
    auto width = [](const char* text) {
        return IsLeadByte(static_cast<unsigned char>(*text)) && text[1] ? 2 : 1;
    };
    auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    const char* starPattern = nullptr;
    const char* starName = nullptr;
    while (*name) {
        int n = width(name);
        if (*pattern == '*') {
            starPattern = ++pattern;
            starName = name;
        } else if (*pattern == '?') {
            ++pattern;
            name += n;
        } else if (*pattern && width(pattern) == n &&
                   (n == 2 ? pattern[0] == name[0] && pattern[1] == name[1]
                           : fold(*pattern) == fold(*name))) {
            pattern += n;
            name += n;
        } else if (starPattern) {
            pattern = starPattern;
            name = starName += width(starName);
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == 0;
}

std::vector<std::string> FindFiles(const char* folder, const char* pattern) {
    std::vector<std::string> names;
    if (!folder || !*folder || !pattern) return names;
    std::string dir = NativePath(folder);
    if (dir.back() != '/') dir += '/';
    DIR* d = opendir(dir.c_str());
    if (!d) return names;
    while (dirent* entry = readdir(d)) {
        std::string name;
        struct stat info;
        if (Utf8ToSjis(entry->d_name, name) && MatchesPattern(name.c_str(), pattern) &&
            stat((dir + entry->d_name).c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            names.push_back(name);
        }
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

namespace headless {
void SetExecutablePath(const std::string& path) {
    pinnedExecutable = path;
}
void SetLocalTime(const LocalTime& time) {
    pinnedTime = time;
}
void ResetFiles() {
    pinnedExecutable.clear();
    pinnedTime.reset();
}
}  // namespace headless

}  // namespace plat
