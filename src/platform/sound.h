// Sound output (DirectSound's role): a device with a primary format and secondary buffers that
// a software mixer plays into one output stream. SDL backend: an SDL audio device pulls the
// mix. Headless: the mix advances with the virtual clock and can be captured. With GK_AUDIO_WAV
// set, either backend also writes everything it outputs to that WAV file.
//
// Every call is made from the game thread. Calls that change a buffer take the mixer lock for a
// few instructions; the mixing itself never allocates, blocks or logs.
#pragma once

#include <cstdint>
#include <vector>

namespace plat {

// Results, with the platform's values.
constexpr int32_t DS_OK = 0;
constexpr int32_t DSERR_INVALIDPARAM = static_cast<int32_t>(0x80070057);
constexpr int32_t DSERR_OUTOFMEMORY = static_cast<int32_t>(0x8007000E);
constexpr int32_t DSERR_BADFORMAT = static_cast<int32_t>(0x88780064);
constexpr int32_t DSERR_NODRIVER = static_cast<int32_t>(0x88780078);
constexpr int32_t DSERR_UNINITIALIZED = static_cast<int32_t>(0x887800AA);

constexpr uint32_t DSBPLAY_LOOPING = 0x1;
constexpr uint32_t DSBSTATUS_PLAYING = 0x1;
constexpr uint32_t DSBSTATUS_LOOPING = 0x4;

constexpr int32_t DSBVOLUME_MIN = -10000;  // hundredths of a decibel; this value is silence
constexpr int32_t DSBVOLUME_MAX = 0;
constexpr int32_t DSBPAN_LEFT = -10000;  // the right side silenced
constexpr int32_t DSBPAN_CENTER = 0;
constexpr int32_t DSBPAN_RIGHT = 10000;  // the left side silenced
constexpr uint32_t DSBFREQUENCY_MIN = 100;
constexpr uint32_t DSBFREQUENCY_MAX = 100000;

constexpr uint16_t WAVE_FORMAT_PCM = 1;

// The wave format record, byte for byte as stored in WAV files and sound packs.
#pragma pack(push, 1)
struct WAVEFORMATEX {
    uint16_t wFormatTag;
    uint16_t nChannels;
    uint32_t nSamplesPerSec;
    uint32_t nAvgBytesPerSec;
    uint16_t nBlockAlign;
    uint16_t wBitsPerSample;
    uint16_t cbSize;  // extra format bytes that follow the record
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

namespace sound {

// A secondary buffer: PCM, 8-bit unsigned or 16-bit signed, mono or stereo, any rate.
struct Buffer;

// Device (DirectSoundCreate / Release). Creating it opens the output in the primary format;
// without an audio device it fails with DSERR_NODRIVER and nothing sounds.
int32_t CreateDevice();
void ReleaseDevice();
bool HasDevice();

// The primary format decides the output: PCM, 1 or 2 channels, 8 or 16 bits, 100-100000 Hz.
// Default 44100 Hz, 16-bit, stereo. A change reopens an open output in the new format.
int32_t SetPrimaryFormat(const WAVEFORMATEX& format);
WAVEFORMATEX GetPrimaryFormat();

// Secondary buffers of `bytes` bytes (at least one sample frame), silent until written.
// Needs the device. The play position starts at 0, volume 0, pan 0, frequency = the format's.
int32_t CreateBuffer(const WAVEFORMATEX& format, uint32_t bytes, Buffer** out);
void ReleaseBuffer(Buffer* buffer);

// The writable bytes from `offset` for `bytes` bytes: the first region up to the buffer's end,
// the second (or none) continuing from its start. `bytes` 0 means the whole buffer. The game
// writes parts the mixer is not playing, as with any streaming buffer; Unlock is a no-op kept
// for the pairing.
int32_t Lock(Buffer* buffer, uint32_t offset, uint32_t bytes, void** region1, uint32_t* bytes1,
             void** region2, uint32_t* bytes2);
void Unlock(Buffer* buffer);

// Play from the current position, once or looping; Stop keeps the position. A buffer played once
// stops at its end with its position back at 0.
void Play(Buffer* buffer, uint32_t flags);
void Stop(Buffer* buffer);
uint32_t GetStatus(Buffer* buffer);
// Play cursor in bytes from the buffer's start (a whole sample frame). Setting a position at or
// past the end is refused with DSERR_INVALIDPARAM.
uint32_t GetCurrentPosition(Buffer* buffer);
int32_t SetCurrentPosition(Buffer* buffer, uint32_t position);

// Settings outside their ranges are refused with DSERR_INVALIDPARAM and leave the buffer as it was.
int32_t SetFrequency(Buffer* buffer, uint32_t hz);
uint32_t GetFrequency(Buffer* buffer);
int32_t SetVolume(Buffer* buffer, int32_t hundredthsDb);
int32_t GetVolume(Buffer* buffer);
int32_t SetPan(Buffer* buffer, int32_t pan);
int32_t GetPan(Buffer* buffer);

// Plays a sound on the output and returns when it has ended (sndPlaySound's synchronous role).
// Opens the output for that time if nothing holds it. False when the sound cannot be played.
bool PlaySync(const WAVEFORMATEX& format, const void* samples, uint32_t bytes);

// A short tone on the output if it is open; false when there is no output to sound on.
bool Beep();

// Music: the mixer calls the source for every block it mixes, on the audio thread with the mixer
// lock held. The source fills `frames` interleaved stereo 16-bit frames at `rate` Hz (the output
// rate); the mixer adds them to the buffers' mix. nullptr removes the source.
using MusicSource = void (*)(int16_t* stereo, uint32_t frames, uint32_t rate);
void SetMusicSource(MusicSource source);

// The music player opens the output itself, whether or not a device was created. Each successful
// OpenOutput is paired with one CloseOutput; the output closes when no one holds it.
bool OpenOutput();
void CloseOutput();
bool IsOutputOpen();

// Holds the mixer lock for a scope, for state the music source reads.
class MixerLock {
  public:
    MixerLock();
    ~MixerLock();
    MixerLock(const MixerLock&) = delete;
    MixerLock& operator=(const MixerLock&) = delete;

  private:
    const void* held_;  // the output locked, if one was open
};

namespace headless {
// Closes the output, frees every buffer, forgets the music source, stops capturing and makes the
// device available again.
void Reset();
// While unavailable, CreateDevice, OpenOutput and PlaySync fail as without an audio device.
void SetDeviceAvailable(bool available);
// Captures the output (in the output format) from now on, and hands over what was captured
// since the last call, first mixing up to the virtual clock's time.
void StartCapture();
std::vector<uint8_t> TakeCapture();
// The loop every buffer is mixed with: the fastest one the processor runs, the two-frame one of
// processors without AVX2, or the plain per-frame loop that the others must match exactly.
enum class MixLoop { Fastest, TwoFrames, Reference };
void UseMixLoop(MixLoop loop);
}  // namespace headless

}  // namespace sound
}  // namespace plat
