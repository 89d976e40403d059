// Internal to the platform layer: the two ways the mix reaches the outside (an SDL audio device,
// or the headless virtual-clock pump) and the render call both of them use.
#pragma once

#include <cstdint>

#include "platform/sound.h"

namespace plat::sound::detail {

// An output backend: a short table of entry points.
struct Output {
    bool (*open)(const WAVEFORMATEX& format);  // start pulling Render in this format
    void (*close)();
    void (*lock)();  // keep Render from running (headless: first mix up to the clock's time)
    void (*unlock)();
    void (*wait)();  // a short pause while a synchronous sound plays (headless: one virtual ms)
};
extern const Output kSdlOutput;
extern const Output kHeadlessOutput;

// Mixes `frames` frames in the output format into `out` and appends them to the GK_AUDIO_WAV
// file if one is being written. Called with the mixer lock held (SDL: in its audio callback).
void Render(uint8_t* out, uint32_t frames);

// Forgets the headless output's capture and availability (part of headless::Reset).
void ResetHeadlessOutput();

}  // namespace plat::sound::detail
