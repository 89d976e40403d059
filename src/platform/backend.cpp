// Backend choice, made once per process from GK_BACKEND unless a test sets it in code.
#include "platform/backend.h"

#include <optional>

#include "platform/environment.h"

namespace plat {

static std::optional<Backend> chosen;

Backend CurrentBackend() {
    if (!chosen) {
        chosen = EnvChoice("GK_BACKEND", {"sdl", "headless"}, 0) ? Backend::Headless : Backend::Sdl;
    }
    return *chosen;
}

void UseBackend(Backend backend) {
    chosen = backend;
}

}  // namespace plat
