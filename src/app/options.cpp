// The run options read from the environment: GK_FRAMES, GK_HEADLESS_FPS, GK_RECORD, GK_REPLAY.
// A value that is not a number in range is reported and leaves the option at its default.
#include <climits>

#include "app/app.h"
#include "platform/environment.h"

namespace gkSystem {

static std::string Text(const char* name) {
    const char* text = plat::EnvText(name);
    return text ? text : "";
}

RunOptions ReadRunOptions() {
    RunOptions options;
    options.frames = plat::EnvNumber("GK_FRAMES", 0, INT_MAX, -1);
    options.headlessFps = plat::EnvNumber("GK_HEADLESS_FPS", 0, 1000, 60);
    options.record = Text("GK_RECORD");
    options.replay = Text("GK_REPLAY");
    return options;
}

}  // namespace gkSystem
