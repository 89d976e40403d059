// Backend choice, made once per process from GK_BACKEND unless a test sets it in code.
#include "platform/backend.h"

#include <cstdlib>
#include <cstring>
#include <optional>

namespace plat {

static std::optional<Backend> chosen;

Backend CurrentBackend() {
    if (!chosen) {
        const char* name = std::getenv("GK_BACKEND");
        chosen = (name && std::strcmp(name, "headless") == 0) ? Backend::Headless : Backend::Sdl;
    }
    return *chosen;
}

void UseBackend(Backend backend) {
    chosen = backend;
}

}  // namespace plat
