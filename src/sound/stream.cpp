// Streaming playback: a pack entry of 5 seconds or more plays from a looping ring buffer of 4
// seconds. Streaming, called once per frame on the game's thread, reads the pack and refills the
// half that has finished playing, goes back to the loop point at the entry's end, or lets a
// stream that was not started looping run out through one chunk of silence and stops it. The
// mixer only reads the ring.
//
// Every chunk and the loop point are whole sample frames, so the ring never splits a frame.
#include <cstring>
#include <vector>

#include "platform/files.h"
#include "platform/sound.h"
#include "sound/sound.h"
#include "system/system.h"

namespace {

namespace snd = plat::sound;

constexpr const char* kLoadTag = "gkSound::LoadStream";
constexpr const char* kRefillTag = "gkSound::Streaming";
constexpr const char* kRewindTag = "gkSound::ResetStream";
constexpr uint32_t kShortestStream = 5;  // seconds; shorter entries load whole

uint32_t FloorTo(uint32_t bytes, uint32_t align) {
    return bytes - bytes % align;
}

// Back at the entry's start with its first 2 seconds in the ring's first half.
void StartOver(gkSoundStream& s) {
    s.LastWritePosition = 0;
    s.WritePosition = s.HalfSize;
    s.DataRead = s.HalfSize;
    s.WrapGuard = -1;
    s.LastPlayPosition = 0;
    s.StopCountdown = 0;
}

// Opens the stream's pack at `offset`; null after a report under `tag`. A pack that no longer
// reaches the offset cannot be streamed.
std::FILE* OpenAt(const gkSoundStream& s, uint32_t offset, const char* tag) {
    std::FILE* f = plat::OpenFile(s.PackPath, "rb");
    if (!f) {
        gkSystem::ErrorBox(tag, "パックファイル名が指定されていません", 0);
        return nullptr;
    }
    if (std::fseek(f, 0, SEEK_END) != 0 || std::ftell(f) < long{offset} ||
        std::fseek(f, offset, SEEK_SET) != 0) {
        std::fclose(f);
        gkSystem::ErrorBox(tag, "ストリーミング再生できません", 0);
        return nullptr;
    }
    return f;
}

// Reads `bytes` from the file's position; what the file no longer holds is silence.
void ReadChunk(std::FILE* f, gkSoundStream& s, std::vector<uint8_t>& block, uint32_t bytes) {
    block.assign(bytes, s.Silence);
    std::fread(block.data(), 1, bytes, f);
    s.ReadPosition = static_cast<uint32_t>(std::ftell(f));
}

// Writes the block (silence when it is empty) into the ring at `offset`, across its end if needed.
void WriteRing(snd::Buffer* b, uint32_t offset, const std::vector<uint8_t>& block, uint32_t bytes,
               uint8_t silence) {
    void* region[2];
    uint32_t size[2];
    if (snd::Lock(b, offset, bytes, &region[0], &size[0], &region[1], &size[1]) != plat::DS_OK)
        return;
    for (int i = 0, done = 0; i < 2; done += size[i++]) {
        if (!region[i]) continue;
        if (block.empty()) {
            std::memset(region[i], silence, size[i]);
        } else {
            std::memcpy(region[i], block.data() + done, size[i]);
        }
    }
    snd::Unlock(b);
}

// 2 seconds, or the rest when less is left; when a full chunk would leave less than a chunk
// behind, the last two chunks share the rest.
uint32_t ChunkSize(const gkSoundStream& s) {
    const uint32_t rest = s.DataSize - s.DataRead;
    if (s.HalfSize > rest) return rest;
    if (rest - s.HalfSize < s.HalfSize) return FloorTo(rest / 2, s.BlockAlign);
    return s.HalfSize;
}

// Whether the half written last has started playing, which frees the other half. The wrap guard
// holds off a refill after a write to the ring's start while the cursor is still near its end.
bool RefillDue(const gkSoundStream& s, uint32_t cursor) {
    const uint32_t written = s.LastWritePosition;
    if (s.WrapGuard == -1) return cursor >= written || cursor < s.LastPlayPosition;
    const auto guard = static_cast<uint32_t>(s.WrapGuard);
    if (written < guard) return written <= cursor && cursor < guard;
    return cursor >= written;
}

// One stream's turn in Streaming; false after a report.
bool Refill(int slot, gkSoundObject& o) {
    gkSoundStream& s = o.Stream;
    snd::Buffer* b = o.Channel[0].Buffer;
    if (!b || !(snd::GetStatus(b) & plat::DSBSTATUS_PLAYING)) return true;
    const uint32_t cursor = snd::GetCurrentPosition(b);
    if (!RefillDue(s, cursor)) return true;
    s.LastPlayPosition = cursor;
    if (s.StopCountdown > 0 && --s.StopCountdown == 0) {
        gkSound::Stop(slot, -1);
        return true;
    }
    std::vector<uint8_t> block;
    uint32_t bytes = s.HalfSize;
    // With the last data written, a chunk of silence follows without reading the pack, so a
    // loop point close to the end cannot start the countdown over.
    if (s.StopCountdown != 1) {
        std::FILE* f = OpenAt(s, s.ReadPosition, kRefillTag);
        if (!f) return false;
        bytes = ChunkSize(s);
        ReadChunk(f, s, block, bytes);
        std::fclose(f);
        s.DataRead += bytes;
        if (s.DataRead >= s.DataSize) {
            s.ReadPosition = s.LoopStart;
            s.DataRead = s.LoopStart - s.DataStart;
            if (!o.Loop) s.StopCountdown = 2;
        }
    }
    WriteRing(b, s.WritePosition, block, bytes, s.Silence);
    s.WrapGuard = s.WritePosition < s.LastWritePosition ? static_cast<int32_t>(cursor) : -1;
    s.LastWritePosition = s.WritePosition;
    s.WritePosition = (s.WritePosition + bytes) % s.BufferSize;
    return true;
}

}  // namespace

int gkSound::LoadStream(const char* name, uint32_t loopOffset) {
    if (!gkSoundStatus.Ready || !TakeSlot(kLoadTag, 1)) return -1;
    std::FILE* f = plat::OpenFile(gkSoundStatus.PackPath, "rb");
    if (!f) {
        gkSystem::ErrorBox(kLoadTag, "パックファイル名が指定されていません", 0);
        return -1;
    }
    plat::WAVEFORMATEX format;
    uint32_t size = 0;
    if (!FindPackEntry(f, name, &format, &size)) {
        std::fclose(f);
        gkSystem::ErrorBox(kLoadTag, "WAVEファイルを読み込めません", 0);
        return -1;
    }
    if (size / format.nAvgBytesPerSec < kShortestStream) {
        std::fclose(f);
        return LoadPack(name, 1);
    }
    gkSoundStream s{};
    std::memcpy(s.PackPath, gkSoundStatus.PackPath, sizeof s.PackPath);
    s.BlockAlign = format.nBlockAlign;
    s.Silence = format.wBitsPerSample == 8 ? 0x80 : 0;
    s.DataSize = FloorTo(size, s.BlockAlign);
    s.BufferSize = format.nAvgBytesPerSec * 4;
    s.HalfSize = s.BufferSize / 2;
    s.DataStart = static_cast<uint32_t>(std::ftell(f));
    // A loop point inside a sample frame goes back to that frame's start; one at or past the end
    // loops the whole entry.
    loopOffset = FloorTo(loopOffset, s.BlockAlign);
    s.LoopStart = s.DataStart + (loopOffset < s.DataSize ? loopOffset : 0);
    std::vector<uint8_t> block;
    ReadChunk(f, s, block, s.HalfSize);
    std::fclose(f);
    StartOver(s);
    const int slot = FillSlot(kLoadTag, name, 1, 1, format, block.data(), s.HalfSize, s.BufferSize);
    if (slot >= 0) gkSoundObjects[slot].Stream = s;
    return slot;
}

int gkSound::Streaming() {
    if (!gkSoundStatus.Ready) return 0;
    for (int slot = 0; slot < gk::kSoundSlots; ++slot) {
        gkSoundObject& o = gkSoundObjects[slot];
        if (o.Stream.DataSize && !Refill(slot, o)) return 0;
    }
    return 1;
}

int gkSound::ResetStream(int slot) {
    if (!gkSoundStatus.Ready || slot < 0 || slot >= gk::kSoundSlots) return 0;
    gkSoundObject& o = gkSoundObjects[slot];
    gkSoundStream& s = o.Stream;
    if (!o.Used || !s.DataSize || !o.Channel[0].Buffer) return 0;
    std::FILE* f = OpenAt(s, s.DataStart, kRewindTag);
    if (!f) return 0;
    std::vector<uint8_t> block;
    ReadChunk(f, s, block, s.HalfSize);
    std::fclose(f);
    StartOver(s);
    WriteRing(o.Channel[0].Buffer, 0, block, s.HalfSize, s.Silence);
    return 1;
}
