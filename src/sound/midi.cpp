// MIDI songs through MCI command strings. A failed command is not examined: a missing file
// leaves the alias unopened and the commands after it fail quietly.
#include <cstdio>

#include "app/app.h"
#include "platform/mci.h"
#include "sound/sound.h"
#include "system/system.h"

gkMidiState gkMidi = {0, 1};

namespace {

void Send(const char* command) {
    plat::MciSendString(command, nullptr, 0, nullptr);
}

// From the beginning, with the end of the song reported to the main window.
void PlayFromStart() {
    Send("seek midi to start");
    plat::MciSendString("play midi notify", nullptr, 0, gkApp.hWnd);
}

}  // namespace

namespace gkSound {

int InitMidi() {
    gkMidi = {0, 1};
    return 1;
}

void PlayMidi(const char* file, int loop) {
    char open[256];
    // No name opens nothing, like a missing file.
    int length = file ? std::snprintf(open, sizeof open, "open \"%s%s\" type sequencer alias midi",
                                      gkSystem::GetPath(0), file)
                      : -1;
    if (gkMidi.SongOpen) StopMidi();
    // A name too long for the command would open a cut-off path: it is not opened at all,
    // like a missing file.
    if (length > 0 && length < static_cast<int>(sizeof open)) Send(open);
    PlayFromStart();
    gkMidi.SongOpen = 1;
    gkMidi.Loop = loop;
}

void StopMidi() {
    if (!gkMidi.SongOpen) return;
    CloseMidi();
    gkMidi.SongOpen = 0;
}

void CloseMidi() {
    Send("stop midi");
    Send("close midi");
}

void EndMidiLoop() {
    gkMidi.Loop = 0;
}

void MidiNotify() {
    if (gkMidi.Loop == 1)
        PlayFromStart();
    else
        StopMidi();
}

}  // namespace gkSound
