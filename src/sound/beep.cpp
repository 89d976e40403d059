// The standard beep: a short tone through the sound output when it is open (sound device or
// music), else the system's own beep.
#include "platform/sound.h"
#include "platform/window.h"
#include "sound/sound.h"

void gkSound::Beep() {
    if (!plat::sound::Beep()) plat::MessageBeep();
}
