// Sound: the sound device, the table of 70 sound objects (each 1-10 identical playback buffers,
// its channels), the WAV reader, sound packs and streaming, the playback controls with the echo
// effect, the playback format and the sound pack writer.
#pragma once

#include <cstdint>
#include <cstdio>

#include "gk_limits.h"

namespace plat {
struct WAVEFORMATEX;
namespace sound {
struct Buffer;
}
}  // namespace plat

// ---- sound objects, WAV reader, playback controls and echo ------------------------------------

// One channel: a playback buffer and the settings last applied to it, kept so that a rebuild of
// every buffer can apply them again.
struct gkSoundChannel {
    plat::sound::Buffer* Buffer;  // none while released
    int32_t Volume;               // hundredths of a decibel, -10000..0
    uint32_t Frequency;           // Hz, 100..100000
    int32_t Pan;                  // hundredths of a decibel, -10000 (left)..10000 (right)
    uint32_t PausedPosition;      // play cursor in bytes saved by Pause
};

// What the streaming player keeps about a streamed object; DataSize is non-zero exactly when the
// object is a stream. Offsets named "start" or "position" without "write" are file offsets in
// the pack; the write positions are offsets in the 4-second ring buffer.
struct gkSoundStream {
    uint32_t DataStart;          // first sample byte of the entry
    uint32_t LoopStart;          // where reading resumes after the last sample byte
    uint32_t ReadPosition;       // next byte to read
    uint32_t DataSize;           // sample bytes (whole sample frames)
    uint32_t DataRead;           // bytes consumed so far, counted from DataStart
    uint32_t LastWritePosition;  // where the latest refill started writing
    uint32_t WritePosition;      // where the next refill writes
    uint32_t HalfSize;           // 2 seconds of sound
    uint32_t BufferSize;         // 4 seconds of sound
    int32_t WrapGuard;  // -1, or the play cursor when the latest refill wrapped to the start
    uint32_t LastPlayPosition;  // play cursor at the latest refill
    uint8_t StopCountdown;      // 2: the last data is written; 1: one chunk of silence is written
    uint16_t BlockAlign;        // bytes per sample frame; every chunk is a multiple of it
    uint8_t Silence;            // byte value of silence: 0x80 for 8-bit samples, else 0
    char PackPath[256];         // the pack the stream reads, folder included
};

struct gkSoundObject {
    int Used;
    int32_t ChannelCount;  // 1..10
    int32_t NextChannel;   // channel the next round-robin start uses
    uint32_t BaseFrequency;
    char Name[31];  // up to 30 bytes and NUL: what the object was loaded by
    int FromPack;
    int32_t EchoStep;  // -1 no echo possible, 0 idle, n >= 1 the next copy is number n
    int Loop;          // whether the last start was looping
    float EchoTimer;   // ms since the last echo copy
    float EchoPan;     // dB, -30..30
    int32_t EchoPanDirection;
    int EchoLoop;
    gkSoundStream Stream;
    gkSoundChannel Channel[gk::kSoundChannels];
};

// Module state. The device and its primary buffer live in the platform layer.
struct gkSoundState {
    int Ready;           // 1 once Init succeeded; 0 leaves every sound operation idle
    int ReloadMode;      // 1 while a rebuild refills slots in place
    int CurrentSlot;     // the slot the loaders work on
    char PackPath[256];  // current sound pack, folder included; empty until SetPack
};

// One sound pack entry as a walk over every entry reads it (listing a pack).
struct gkSoundPackEntry {
    uint32_t Offset;    // the entry's first byte in the pack
    uint32_t Size;      // sample bytes
    uint32_t HeadSize;  // format record bytes
    uint16_t FormatTag, Channels, Bits;
    uint32_t Rate;   // Hz
    int Playable;    // 1 when the mixer plays the format
    char Name[128];  // the stored name, cut to 127 bytes
};

extern gkSoundState gkSoundStatus;
extern gkSoundObject gkSoundObjects[gk::kSoundSlots];

namespace gkSound {

// Device. Init creates it (1, or 0 when there is no sound output: the game then runs silent);
// Release frees every buffer and the device but keeps the table for RestoreAll.
int Init();
void Release();
// Empties all 70 slots (screen set-up does this right after Init).
void EmptyObjects();

// Loads a WAV file next to the executable into a free slot with |mix| channels (1..10); mix > 1
// makes the echo available. Returns the slot, or -1 (reported, except when sound is off).
int LoadObject(const char* name, int mix);
void ReleaseObject(int slot);
// Rebuilds every used slot in place after Release, with its settings.
void RestoreAll();
// Sound packs: SetPack names the current pack (relative to the executable's folder); LoadPack
// loads an entry whole, like LoadObject. Names are looked up without regard to case.
void SetPack(const char* file);
int LoadPack(const char* name, int mix);

// Streams: an entry of 5 seconds or more plays from a 4-second ring buffer that Streaming, called
// once per frame, refills from the pack 2 seconds at a time; after the entry's end it goes on at
// loopOffset bytes into the entry, or stops after a looping play. Shorter entries load whole.
// ResetStream rewinds a stream to its start (the plays call it). Both return 1, or 0 on failure.
int LoadStream(const char* name, uint32_t loopOffset);
int Streaming();
int ResetStream(int slot);

// Output format (channels, rate in Hz or 8/11/22/44 for 8000/11025/22050/44100, bits); every
// loaded sound is rebuilt in its slot. 0 when the output refuses the format.
int SelectFormat(uint16_t channels, uint32_t rate, uint16_t bits);
// Sound packs from WAV files: ConvertWav appends every *.WAV file of a folder next to the
// executable (overwrite != 0 starts a new pack) and returns 1; AppendWav appends one file.
int ConvertWav(const char* pack, const char* folder, int overwrite);
void AppendWav(const char* pack, const char* file);

// Plays a WAV file (path as given) and returns when it has ended; every object is rebuilt after.
void PlaySync(const char* file);
// Play cursor of the slot's channel 0, in bytes.
uint32_t GetPlayPosition(int slot);
// The standard beep: a short tone on the sound output when it is open, else the system's bell.
void Beep();

// Reads a RIFF WAVE file: the format record (18 + extra bytes) and the "data" chunk, two blocks
// allocated with std::malloc that the caller frees with std::free. 0 on success; 1 on failure, with
// both blocks none and the data size 0.
int ReadWave(const char* path, uint8_t** format, uint32_t* formatSize, uint8_t** data,
             uint32_t* dataSize);

// Playback. ch >= 0 is one channel. For the plays, -2 is a round-robin start that also starts the
// echo, other negatives a round-robin start. For the setters, -2 is the channel the next
// round-robin start uses, other negatives every channel. Stop and Pause take every channel for
// any negative ch.
void Play(int slot, int ch);
void PlayLoop(int slot, int ch);
void Stop(int slot, int ch);
void Pause(int slot, int ch);
// Volume and pan in decibels, frequency in steps of 100 Hz.
void AddVolume(int slot, int step, int ch);
void SetVolume(int slot, int value, int ch);
void ResetVolume(int slot, int ch);
void AddPan(int slot, int step, int ch);
void SetPan(int slot, int value, int ch);
void ResetPan(int slot, int ch);
void PanLeft(int slot, int ch);
void PanRight(int slot, int ch);
void AddFrequency(int slot, int step, int ch);
void SetFrequency(int slot, int offset, int ch);
void ResetFrequency(int slot, int ch);
// Called every frame while an echo runs: a copy every `interval` ms, `repeats` copies after the
// first, each `volumeStep` dB quieter; EchoPan also swings the copies' pan at `panSpeed`.
void Echo(int slot, int interval, int repeats, int volumeStep);
void EchoPan(int slot, int interval, int repeats, int volumeStep, int panSpeed);

// Helpers shared by the loaders.
// Checks the mix (1..10 channels either sign) and picks the slot a load fills: the lowest unused
// one, or in reload mode the current slot. False after a report under `tag`.
bool TakeSlot(const char* tag, int mix);
// Fills the current slot with |mix| buffers of bufferBytes, the first sampleBytes of each holding
// the samples, and names it (a name over 30 bytes is reported). Returns the slot, or -1.
int FillSlot(const char* tag, const char* name, int mix, int fromPack,
             const plat::WAVEFORMATEX& format, const uint8_t* samples, uint32_t sampleBytes,
             uint32_t bufferBytes);
// Frees every channel's buffer; the slots keep everything else for ReloadObjects.
void ReleaseBuffers();
// Loads every used slot again in place, each the way it was made, with its settings.
void ReloadObjects();
// Looks `name` up in an open pack from its start. True when the entry is there with a format the
// mixer plays: the format and the sample byte count are set and the file is at the first sample.
bool FindPackEntry(std::FILE* pack, const char* name, plat::WAVEFORMATEX* format, uint32_t* size);
// Reads the entry at the pack's position, the same checks as the lookup, and leaves the pack at
// the next entry. False at the pack's end or at an entry that does not fit in the pack; the
// pack is then at the start of that entry (a listing shows the offset of the damage).
bool ReadPackEntry(std::FILE* pack, gkSoundPackEntry* entry);

}  // namespace gkSound

// ---- MIDI songs: one at a time, opened under the MCI alias "midi", replayed or closed at its
// end when the window procedure hands over the end-of-song notification.

struct gkMidiState {
    int SongOpen;  // 1 while a song is open under the alias (also after a failed open)
    int Loop;      // 1: replay the song at its end; 0: close it then
};
extern gkMidiState gkMidi;

namespace gkSound {
int InitMidi();                             // no song, looping; returns 1
void PlayMidi(const char* file, int loop);  // file relative to the executable's folder
void StopMidi();                            // stops and closes an open song
void CloseMidi();                           // stops and closes whatever the state
void EndMidiLoop();                         // the current pass becomes the last
void MidiNotify();                          // the song has ended: replay it or close it
}  // namespace gkSound
