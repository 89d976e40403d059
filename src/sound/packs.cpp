// Sound packs: the current pack, the entry lookup shared with the streams, and loading an entry
// whole into a sound object.
//
// A pack is a headerless run of entries: Size (4 bytes), the upper-case name and its NUL,
// HeadSize (4 bytes), the format record (HeadSize bytes) and Size sample bytes, integers
// little-endian. Every header is checked against the file's length before anything is allocated
// or skipped, so a damaged pack reads as "not found".
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/sjis.h"
#include "platform/sound.h"
#include "sound/sound.h"
#include "system/system.h"

namespace {

constexpr const char* kTag = "gkSound::LoadPack";
constexpr uint32_t kLongestFormat = 64 * 1024;  // format records are 18 bytes plus a few extras

bool ReadLe32(std::FILE* f, uint32_t* value) {
    uint8_t b[4];
    if (std::fread(b, 1, 4, f) != 4) return false;
    *value = b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
    return true;
}

// Reads the stored name up to its NUL and tells whether it equals `key`, keeping at most its
// first keptSize - 1 bytes in `kept` (when given) and nothing more: a damaged pack may hold a
// "name" as long as the file. False when the file ends first.
bool ReadName(std::FILE* f, const std::string& key, bool* equal, char* kept, size_t keptSize) {
    *equal = true;
    for (size_t i = 0;; ++i) {
        const int c = std::fgetc(f);
        if (c == EOF) return false;
        if (kept && i < keptSize) kept[i] = static_cast<char>(c);
        if (c == 0) {
            *equal = *equal && i == key.size();
            if (kept) kept[keptSize - 1] = '\0';
            return true;
        }
        *equal = *equal && i < key.size() && key[i] == static_cast<char>(c);
    }
}

// Reads an entry's header: Size, the name and HeadSize, leaving the file at the format record.
// False at the end of the file or when the entry would not end inside the file and inside the
// 32-bit offsets a stream keeps.
bool ReadHeader(std::FILE* f, uint64_t fileSize, const std::string& key, bool* equal, char* kept,
                size_t keptSize, uint32_t* dataSize, uint32_t* headSize) {
    if (!ReadLe32(f, dataSize) || !ReadName(f, key, equal, kept, keptSize) ||
        !ReadLe32(f, headSize))
        return false;
    const uint64_t end = uint64_t{*headSize} + *dataSize + static_cast<uint64_t>(std::ftell(f));
    return *headSize <= kLongestFormat && end <= fileSize && end <= UINT32_MAX;
}

uint64_t FileSize(std::FILE* f) {
    const long at = std::ftell(f);
    if (at < 0 || std::fseek(f, 0, SEEK_END) != 0) return 0;
    const long size = std::ftell(f);
    std::fseek(f, at, SEEK_SET);
    return size < 0 ? 0 : static_cast<uint64_t>(size);
}

// Only PCM the mixer can play; the byte rate must agree, since the streams size their buffers
// by it.
bool Playable(const plat::WAVEFORMATEX& f) {
    return f.wFormatTag == plat::WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2) &&
           (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) &&
           f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8 && f.nSamplesPerSec != 0 &&
           f.nAvgBytesPerSec == uint64_t{f.nSamplesPerSec} * f.nBlockAlign;
}

// The entry's format record, of which the first 18 bytes matter (a 16-byte record has no
// extra size, and a shorter one no sample size, so it is not playable); the file is left at the
// first sample.
bool ReadFormat(std::FILE* f, uint32_t headSize, plat::WAVEFORMATEX* format) {
    *format = {};
    const uint32_t kept = headSize < sizeof *format ? headSize : sizeof *format;
    return std::fread(format, 1, kept, f) == kept &&
           std::fseek(f, static_cast<long>(headSize - kept), SEEK_CUR) == 0 && Playable(*format);
}

}  // namespace

bool gkSound::FindPackEntry(std::FILE* f, const char* name, plat::WAVEFORMATEX* format,
                            uint32_t* size) {
    if (!name || std::fseek(f, 0, SEEK_SET) != 0) return false;
    const uint64_t fileSize = FileSize(f);
    std::string key = name;
    plat::CharUpperBuff(key.data(), key.size());
    bool found;
    uint32_t dataSize, headSize;
    while (ReadHeader(f, fileSize, key, &found, nullptr, 0, &dataSize, &headSize)) {
        if (found) {
            *size = dataSize;
            return ReadFormat(f, headSize, format);
        }
        if (std::fseek(f, static_cast<long>(headSize + dataSize), SEEK_CUR) != 0) return false;
    }
    return false;
}

bool gkSound::ReadPackEntry(std::FILE* f, gkSoundPackEntry* entry) {
    *entry = {};
    const long at = std::ftell(f);
    bool equal;
    if (at < 0) return false;
    if (!ReadHeader(f, FileSize(f), "", &equal, entry->Name, sizeof entry->Name, &entry->Size,
                    &entry->HeadSize)) {
        std::fseek(f, at, SEEK_SET);
        return false;
    }
    entry->Offset = static_cast<uint32_t>(at);
    plat::WAVEFORMATEX format;
    const long record = std::ftell(f);
    entry->Playable = ReadFormat(f, entry->HeadSize, &format);
    entry->FormatTag = format.wFormatTag;
    entry->Channels = format.nChannels;
    entry->Rate = format.nSamplesPerSec;
    entry->Bits = format.wBitsPerSample;
    return std::fseek(f, record + static_cast<long>(entry->HeadSize + entry->Size), SEEK_SET) == 0;
}

void gkSound::SetPack(const char* file) {
    // A path that does not fit is not cut short (that could name another file): the pack is then
    // unset, and loads report it. So is a missing name.
    const std::string path = file ? std::string(gkSystem::GetPath(0)) + file : std::string();
    char* current = gkSoundStatus.PackPath;
    if (file && path.size() < sizeof gkSoundStatus.PackPath) {
        std::memcpy(current, path.c_str(), path.size() + 1);
    } else {
        current[0] = '\0';
    }
}

int gkSound::LoadPack(const char* name, int mix) {
    if (!gkSoundStatus.Ready || !TakeSlot(kTag, mix)) return -1;
    std::FILE* f = plat::OpenFile(gkSoundStatus.PackPath, "rb");
    if (!f) {
        gkSystem::ErrorBox(kTag, "パックファイル名が指定されていません", 0);
        return -1;
    }
    plat::WAVEFORMATEX format;
    uint32_t size = 0;
    std::vector<uint8_t> samples;
    const bool found = FindPackEntry(f, name, &format, &size);
    if (found) {
        samples.resize(size);
        std::fread(samples.data(), 1, size, f);
    }
    std::fclose(f);
    if (!found) {
        gkSystem::ErrorBox(kTag, "WAVEファイルを読み込めません", 0);
        return -1;
    }
    return FillSlot(kTag, name, mix, 1, format, samples.data(), size, size);
}
