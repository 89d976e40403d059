// The sound device and the sound object table: device creation and release, loading a WAV file
// into a slot's channels (each its own buffer with its own copy of the samples), the slot choice
// and filling that the pack and stream loaders share, freeing a slot, rebuilding every slot in
// place the way it was made, synchronous playback and the play cursor.
//
// The program carries no WAVE resources: a name that is not a readable WAV file next to the
// executable is reported as a missing resource.
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/sound.h"
#include "sound/sound.h"
#include "system/system.h"

gkSoundState gkSoundStatus;
gkSoundObject gkSoundObjects[gk::kSoundSlots];

namespace {

namespace snd = plat::sound;

constexpr const char* kTag = "gkSound::LoadObject";
constexpr size_t kLongestName = sizeof(gkSoundObject::Name) - 1;

void FreeChannel(gkSoundChannel& c) {
    if (!c.Buffer) return;
    snd::Stop(c.Buffer);
    snd::ReleaseBuffer(c.Buffer);
    c.Buffer = nullptr;
}

void FreeAllChannels(gkSoundObject& o) {
    for (gkSoundChannel& c : o.Channel) FreeChannel(c);
}

// Frees the slot's buffers and makes it unused; settings outside the slot's identity (echo
// fields, paused positions) stay as they are.
void ClearSlot(gkSoundObject& o) {
    o.Used = 0;
    o.BaseFrequency = 0;
    o.Name[0] = '\0';
    o.FromPack = 0;
    o.Stream.DataSize = 0;
    for (int j = 0; j < o.ChannelCount; ++j) {
        gkSoundChannel& c = o.Channel[j];
        c.Volume = c.Pan = 0;
        c.Frequency = 0;
        FreeChannel(c);
    }
    o.ChannelCount = 1;
}

void CopyIn(snd::Buffer* buffer, const uint8_t* samples, uint32_t bytes) {
    void *first, *second;
    uint32_t firstBytes, secondBytes;
    if (snd::Lock(buffer, 0, bytes, &first, &firstBytes, &second, &secondBytes) != plat::DS_OK) {
        return;
    }
    std::memcpy(first, samples, firstBytes);
    if (second) std::memcpy(second, samples + firstBytes, secondBytes);
    snd::Unlock(buffer);
}

// No name gives no path, which opens nothing: a missing name is a missing file.
std::string ExePath(const char* name) {
    return name ? std::string(gkSystem::GetPath(0)) + name : std::string();
}

struct Wave {
    uint8_t* format = nullptr;
    uint32_t formatSize = 0;
    uint8_t* data = nullptr;
    uint32_t dataSize = 0;
    ~Wave() {
        std::free(format);
        std::free(data);
    }
    bool Read(const std::string& path) {
        return gkSound::ReadWave(path.c_str(), &format, &formatSize, &data, &dataSize) == 0;
    }
    plat::WAVEFORMATEX Format() const {
        plat::WAVEFORMATEX f;
        std::memcpy(&f, format, sizeof f);
        return f;
    }
};

}  // namespace

// A mix of 0 is refused with the out-of-range report, since an object without channels would
// break every playback operation.
bool gkSound::TakeSlot(const char* tag, int mix) {
    if (mix < -gk::kSoundChannels || mix > gk::kSoundChannels || mix == 0) {
        gkSystem::ErrorBox(tag, "ミックス数が多過ぎます", 0);
        return false;
    }
    if (gkSoundStatus.ReloadMode) return true;
    for (int s = 0; s < gk::kSoundSlots; ++s) {
        if (!gkSoundObjects[s].Used) {
            gkSoundStatus.CurrentSlot = s;
            return true;
        }
    }
    gkSystem::ErrorBox(tag, "オブジェクト数が多過ぎます", 0);
    return false;
}

// Outside reload mode the channels start at full volume, centred, at the sound's own rate; in
// reload mode they get their kept settings back. A failure outside reload mode releases what it
// created and leaves the slot unused.
int gkSound::FillSlot(const char* tag, const char* name, int mix, int fromPack,
                      const plat::WAVEFORMATEX& format, const uint8_t* samples,
                      uint32_t sampleBytes, uint32_t bufferBytes) {
    const int slot = gkSoundStatus.CurrentSlot;
    gkSoundObject& o = gkSoundObjects[slot];
    const bool reload = gkSoundStatus.ReloadMode != 0;
    o.ChannelCount = std::abs(mix);
    o.EchoStep = mix > 1 ? 0 : -1;
    if (!reload) o.NextChannel = 0;
    for (int j = 0; j < o.ChannelCount; ++j) {
        gkSoundChannel& c = o.Channel[j];
        const int32_t result = snd::CreateBuffer(format, bufferBytes, &c.Buffer);
        if (result != plat::DS_OK) {
            gkSystem::ErrorBox(tag, "サウンドバッファが生成できません", result);
            if (!reload) ClearSlot(o);
            return -1;
        }
        CopyIn(c.Buffer, samples, sampleBytes);
        if (reload) {
            snd::SetVolume(c.Buffer, c.Volume);
            snd::SetFrequency(c.Buffer, c.Frequency);
            snd::SetPan(c.Buffer, c.Pan);
        } else {
            c.Frequency = o.BaseFrequency = snd::GetFrequency(c.Buffer);
            c.Volume = c.Pan = 0;
        }
    }
    o.Used = 1;
    o.FromPack = fromPack;
    o.Stream.DataSize = 0;
    if (!reload) {
        if (std::strlen(name) > kLongestName) {
            gkSystem::ErrorBox(
                tag, fromPack ? "ファイル名が長すぎます" : "ファイル名またはリソース名が長すぎます",
                0);
            ClearSlot(o);
            return -1;
        }
        std::strcpy(o.Name, name);
    }
    return slot;
}

void gkSound::ReleaseBuffers() {
    for (gkSoundObject& o : gkSoundObjects) FreeAllChannels(o);
}

// A stream reads from the pack it was loaded from, which becomes the current pack again; pack
// objects reload from the current pack as it is at that moment.
void gkSound::ReloadObjects() {
    gkSoundStatus.ReloadMode = 1;
    for (int s = 0; s < gk::kSoundSlots; ++s) {
        gkSoundObject& o = gkSoundObjects[s];
        if (!o.Used) continue;
        gkSoundStatus.CurrentSlot = s;
        if (o.Stream.DataSize) {
            std::memcpy(gkSoundStatus.PackPath, o.Stream.PackPath, sizeof o.Stream.PackPath);
            gkSound::LoadStream(o.Name, o.Stream.LoopStart - o.Stream.DataStart);
        } else if (o.FromPack) {
            gkSound::LoadPack(o.Name, o.ChannelCount);
        } else {
            gkSound::LoadObject(o.Name, o.ChannelCount);
        }
    }
    gkSoundStatus.ReloadMode = 0;
}

int gkSound::Init() {
    // Buffers still held from an earlier device are freed rather than left sounding unreachable.
    ReleaseBuffers();
    snd::ReleaseDevice();
    if (snd::CreateDevice() != plat::DS_OK) {
        gkSoundStatus.Ready = 0;
        return 0;
    }
    gkSoundStatus.ReloadMode = 0;
    gkSoundStatus.Ready = 1;
    return 1;
}

void gkSound::Release() {
    if (!gkSoundStatus.Ready) return;
    ReleaseBuffers();
    snd::ReleaseDevice();
}

void gkSound::EmptyObjects() {
    for (gkSoundObject& o : gkSoundObjects) {
        FreeAllChannels(o);
        o = gkSoundObject{};
        o.ChannelCount = 1;
        o.EchoStep = -1;
    }
}

int gkSound::LoadObject(const char* name, int mix) {
    if (!gkSoundStatus.Ready || !TakeSlot(kTag, mix)) return -1;
    Wave wave;
    if (!wave.Read(ExePath(name))) {
        gkSystem::ErrorBox(kTag, "WAVEリソースが見つかりません", 0);
        return -1;
    }
    return FillSlot(kTag, name, mix, 0, wave.Format(), wave.data, wave.dataSize, wave.dataSize);
}

void gkSound::ReleaseObject(int slot) {
    if (!gkSoundStatus.Ready || slot < 0 || slot >= gk::kSoundSlots) return;
    if (gkSoundObjects[slot].Used) ClearSlot(gkSoundObjects[slot]);
}

void gkSound::RestoreAll() {
    if (!gkSoundStatus.Ready) return;
    gkSound::Init();
    ReloadObjects();
}

void gkSound::PlaySync(const char* file) {
    gkSound::Release();
    Wave wave;
    if (file && wave.Read(file)) snd::PlaySync(wave.Format(), wave.data, wave.dataSize);
    gkSound::RestoreAll();
}

uint32_t gkSound::GetPlayPosition(int slot) {
    if (slot < 0 || slot >= gk::kSoundSlots) return 0;
    plat::sound::Buffer* b = gkSoundObjects[slot].Channel[0].Buffer;
    return b ? snd::GetCurrentPosition(b) : 0;
}
