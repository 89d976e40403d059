// Playback controls over the sound object table: starts (once, looping, round-robin, with echo;
// a stream rewound first), stop, pause, and the volume, pan and frequency setters, which keep every
// value in the table and apply it to the buffers. The echo effect replays a sound on its channels
// in turn with falling volume, driven by the game once per frame.
//
// Slots that hold no object and channel numbers at or above the object's channel count address
// nothing; channels left without a buffer by a failed rebuild are skipped.
#include <algorithm>
#include <cstdlib>

#include "platform/sound.h"
#include "sound/sound.h"
#include "system/system.h"

namespace {

namespace snd = plat::sound;

gkSoundObject* Object(int slot) {
    if (!gkSoundStatus.Ready || slot < 0 || slot >= gk::kSoundSlots) return nullptr;
    return gkSoundObjects[slot].Used ? &gkSoundObjects[slot] : nullptr;
}

// Calls f on the channels `ch` addresses. -2 means the next round-robin channel where
// `minusTwoIsNext`, every channel otherwise, like the other negatives.
template <class F>
void ForChannels(gkSoundObject& o, int ch, bool minusTwoIsNext, F f) {
    if (ch >= 0) {
        if (ch < o.ChannelCount) f(o.Channel[ch]);
    } else if (ch == -2 && minusTwoIsNext) {
        f(o.Channel[o.NextChannel]);
    } else {
        for (int j = 0; j < o.ChannelCount; ++j) f(o.Channel[j]);
    }
}

void Rewind(gkSoundChannel& c) {
    snd::Stop(c.Buffer);
    snd::SetCurrentPosition(c.Buffer, 0);
}

// Echo start: every channel back to its plain settings, the first copy at full volume.
void StartEcho(gkSoundObject& o, int slot, bool loop) {
    gkSound::ResetFrequency(slot, -1);
    gkSound::ResetPan(slot, -1);
    gkSound::ResetVolume(slot, -1);
    o.EchoStep = 1;
    o.EchoTimer = 0.0f;
    o.EchoLoop = loop;
    o.EchoPan = o.Channel[o.NextChannel].Pan / 100.0f;
    o.EchoPanDirection = (std::rand() & 1) ? 1 : -1;
}

void Start(int slot, int ch, bool loop) {
    gkSoundObject* o = Object(slot);
    if (!o || ch >= o->ChannelCount) return;
    if (ch == -2 && o->EchoStep != -1) StartEcho(*o, slot, loop);
    gkSoundChannel& c = o->Channel[ch >= 0 ? ch : o->NextChannel];
    if (c.Buffer) {
        Rewind(c);
        // A stream starts over from its first 2 seconds and always runs round its ring;
        // Streaming decides where it ends.
        if (o->Stream.DataSize) gkSound::ResetStream(slot);
        snd::Play(c.Buffer, loop || o->Stream.DataSize ? plat::DSBPLAY_LOOPING : 0);
    }
    if (ch < 0) o->NextChannel = (o->NextChannel + 1) % o->ChannelCount;
    o->Loop = loop;
}

enum class Setting { Volume, Pan, Frequency };

// Computes each addressed channel's new value from (object, channel), clamps it to the
// setting's range, keeps it and applies it to the buffer.
template <class F>
void Change(int slot, int ch, Setting setting, F value) {
    gkSoundObject* o = Object(slot);
    if (!o) return;
    ForChannels(*o, ch, true, [&](gkSoundChannel& c) {
        const int64_t v = value(*o, c);
        switch (setting) {
            case Setting::Volume:
                c.Volume = static_cast<int32_t>(
                    std::clamp<int64_t>(v, plat::DSBVOLUME_MIN, plat::DSBVOLUME_MAX));
                if (c.Buffer) snd::SetVolume(c.Buffer, c.Volume);
                break;
            case Setting::Pan:
                c.Pan = static_cast<int32_t>(
                    std::clamp<int64_t>(v, plat::DSBPAN_LEFT, plat::DSBPAN_RIGHT));
                if (c.Buffer) snd::SetPan(c.Buffer, c.Pan);
                break;
            case Setting::Frequency:
                c.Frequency = static_cast<uint32_t>(
                    std::clamp<int64_t>(v, plat::DSBFREQUENCY_MIN, plat::DSBFREQUENCY_MAX));
                if (c.Buffer) snd::SetFrequency(c.Buffer, c.Frequency);
                break;
        }
    });
}

// One frame of an echo; `pan` adds the swinging pan of EchoPan.
void RunEcho(int slot, int interval, int repeats, int volumeStep, bool pan, int panSpeed) {
    gkSoundObject* o = Object(slot);
    if (!o || o->EchoStep < 1 || repeats < 1) return;
    o->EchoTimer += gkSystem::FrameDelta * 1000.0f;
    if (o->EchoTimer < interval) return;
    o->EchoTimer = 0.0f;
    if (pan) {
        o->EchoPan += o->EchoPanDirection * gkSystem::FrameDelta * 100.0f * panSpeed;
        if (o->EchoPan < -30.0f || o->EchoPan > 30.0f) {
            o->EchoPan = std::clamp(o->EchoPan, -30.0f, 30.0f);
            o->EchoPanDirection = -o->EchoPanDirection;
        }
        gkSound::SetPan(slot, static_cast<int>(o->EchoPan), -2);
    }
    Change(slot, -2, Setting::Volume,
           [&](auto&, auto&) { return -int64_t{o->EchoStep} * volumeStep * 100; });
    Start(slot, -3, o->EchoLoop != 0);
    if (++o->EchoStep > repeats) o->EchoStep = 0;
}

}  // namespace

void gkSound::Play(int slot, int ch) {
    Start(slot, ch, false);
}

void gkSound::PlayLoop(int slot, int ch) {
    Start(slot, ch, true);
}

void gkSound::Stop(int slot, int ch) {
    gkSoundObject* o = Object(slot);
    if (!o) return;
    ForChannels(*o, ch, false, [](gkSoundChannel& c) {
        if (c.Buffer) Rewind(c);
    });
    if (ch < 0 && o->EchoStep != -1) o->EchoStep = 0;
}

void gkSound::Pause(int slot, int ch) {
    gkSoundObject* o = Object(slot);
    if (!o) return;
    const uint32_t flags = o->Loop || o->Stream.DataSize ? plat::DSBPLAY_LOOPING : 0;
    ForChannels(*o, ch, false, [&](gkSoundChannel& c) {
        if (!c.Buffer) return;
        if (snd::GetStatus(c.Buffer) & plat::DSBSTATUS_PLAYING) {
            c.PausedPosition = snd::GetCurrentPosition(c.Buffer);
            snd::Stop(c.Buffer);
        } else {
            snd::SetCurrentPosition(c.Buffer, c.PausedPosition);
            snd::Play(c.Buffer, flags);
        }
    });
}

void gkSound::AddVolume(int slot, int step, int ch) {
    Change(slot, ch, Setting::Volume,
           [&](auto&, auto& c) { return c.Volume + int64_t{step} * 100; });
}

void gkSound::SetVolume(int slot, int value, int ch) {
    Change(slot, ch, Setting::Volume, [&](auto&, auto&) { return int64_t{value} * 100; });
}

void gkSound::ResetVolume(int slot, int ch) {
    Change(slot, ch, Setting::Volume, [](auto&, auto&) { return int64_t{0}; });
}

void gkSound::AddPan(int slot, int step, int ch) {
    Change(slot, ch, Setting::Pan, [&](auto&, auto& c) { return c.Pan + int64_t{step} * 100; });
}

void gkSound::SetPan(int slot, int value, int ch) {
    Change(slot, ch, Setting::Pan, [&](auto&, auto&) { return int64_t{value} * 100; });
}

void gkSound::ResetPan(int slot, int ch) {
    Change(slot, ch, Setting::Pan, [](auto&, auto&) { return int64_t{0}; });
}

void gkSound::PanLeft(int slot, int ch) {
    Change(slot, ch, Setting::Pan, [](auto&, auto&) { return int64_t{plat::DSBPAN_LEFT}; });
}

void gkSound::PanRight(int slot, int ch) {
    Change(slot, ch, Setting::Pan, [](auto&, auto&) { return int64_t{plat::DSBPAN_RIGHT}; });
}

void gkSound::AddFrequency(int slot, int step, int ch) {
    Change(slot, ch, Setting::Frequency,
           [&](auto&, auto& c) { return c.Frequency + int64_t{step} * 100; });
}

void gkSound::SetFrequency(int slot, int offset, int ch) {
    Change(slot, ch, Setting::Frequency,
           [&](auto& o, auto&) { return o.BaseFrequency + int64_t{offset} * 100; });
}

void gkSound::ResetFrequency(int slot, int ch) {
    Change(slot, ch, Setting::Frequency, [](auto& o, auto&) { return int64_t{o.BaseFrequency}; });
}

void gkSound::Echo(int slot, int interval, int repeats, int volumeStep) {
    RunEcho(slot, interval, repeats, volumeStep, false, 0);
}

void gkSound::EchoPan(int slot, int interval, int repeats, int volumeStep, int panSpeed) {
    RunEcho(slot, interval, repeats, volumeStep, true, panSpeed);
}
