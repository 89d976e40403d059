// SDL output: an SDL audio device whose callback pulls the mix in the primary format. SDL
// converts to whatever the hardware takes; the mixer lock is SDL's device lock.
#include <SDL.h>

#include "platform/sound_output.h"

namespace plat::sound::detail {
namespace {

SDL_AudioDeviceID device = 0;
uint16_t blockAlign = 4;

void Pull(void*, Uint8* stream, int len) {
    Render(stream, static_cast<uint32_t>(len) / blockAlign);
}

bool Open(const WAVEFORMATEX& f) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(f.nSamplesPerSec);
    want.format = f.wBitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(f.nChannels);
    want.samples = f.nSamplesPerSec > 22050 ? 1024 : 512;  // about 23 ms either way
    want.callback = Pull;
    blockAlign = f.nBlockAlign;
    device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    SDL_PauseAudioDevice(device, 0);
    return true;
}

void Close() {
    SDL_CloseAudioDevice(device);
    device = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void Lock() {
    SDL_LockAudioDevice(device);
}

void Unlock() {
    SDL_UnlockAudioDevice(device);
}

void Wait() {
    SDL_Delay(1);
}

}  // namespace

const Output kSdlOutput = {Open, Close, Lock, Unlock, Wait};

}  // namespace plat::sound::detail
