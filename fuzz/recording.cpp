// Recordings: any text is read or refused with a line and a reason; what is read writes back as
// lines that read again to the same events.
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/app.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    gkSystem::Recording recording;
    gkSystem::RecordingError error;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!gkSystem::ReadRecording(text, recording, error)) return 0;
    std::string written = "gk-recording 1\nseed " + std::to_string(recording.seed) + "\n";
    for (const gkSystem::RecordEvent& event : recording.events)
        written += gkSystem::FormatEvent(event) + "\n";
    written += "end " + std::to_string(recording.endFrame) + "\n";
    gkSystem::Recording again;
    if (!gkSystem::ReadRecording(written, again, error) || again.seed != recording.seed ||
        again.endFrame != recording.endFrame || again.events.size() != recording.events.size())
        std::abort();
    for (size_t i = 0; i < again.events.size(); ++i) {
        const gkSystem::RecordEvent &a = again.events[i], &b = recording.events[i];
        for (int k = 0; k < 4; ++k)
            if (a.values[k] != b.values[k]) std::abort();
        if (a.frame != b.frame || a.kind != b.kind) std::abort();
    }
    return 0;
}
