// GK_* settings: plain lookups with one warning for a value that is not accepted.
#include "platform/environment.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace plat {

static void WarnUnaccepted(const char* name, const char* value, const std::string& accepted) {
    std::fprintf(stderr, "gk: %s=%s is not accepted (%s); using the default\n", name, value,
                 accepted.c_str());
}

const char* EnvText(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

int EnvChoice(const char* name, std::initializer_list<const char*> accepted, int fallback) {
    const char* value = EnvText(name);
    if (!value) return fallback;
    std::string list;
    int index = 0;
    for (const char* choice : accepted) {
        if (std::strcmp(value, choice) == 0) return index;
        list += (index++ ? ", " : "one of ") + std::string(choice);
    }
    WarnUnaccepted(name, value, list);
    return fallback;
}

int EnvNumber(const char* name, int low, int high, int fallback) {
    const char* value = EnvText(name);
    if (!value) return fallback;
    char* end = nullptr;
    errno = 0;
    long number = std::strtol(value, &end, 10);
    if (errno == 0 && *end == '\0' && number >= low && number <= high)
        return static_cast<int>(number);
    WarnUnaccepted(name, value,
                   "a whole number from " + std::to_string(low) + " to " + std::to_string(high));
    return fallback;
}

}  // namespace plat
