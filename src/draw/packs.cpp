// Image packs: the pack path, the scan that finds an entry by its upper-cased name, and loading
// an entry into a sprite slot through a locked staging slot and one surface-to-surface copy.
// The scan checks every header against the file's length before it seeks, and decodes the
// 5-5-5 pixels into whatever format the display has.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "draw/draw.h"
#include "platform/files.h"
#include "platform/sjis.h"
#include "system/system.h"

namespace {

constexpr size_t kMaxNameLength = 30;   // what a slot's name field holds
constexpr size_t kMaxStoredName = 127;  // longer names in the file end the scan
constexpr int kCopyAttempts = 10;
constexpr int kNewSlot = -1;  // LoadEntry: claim a new slot for the image

std::string packPath;

struct PackEntry {
    uint16_t width = 0, height = 0;
};

enum class Scan { Found, NoFile, NotFound };

uint16_t Read16(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

// Reads the header of the entry at the file's position: width, height and the stored name with
// its 0 byte into name (kMaxStoredName + 1 bytes). False at the end of the file, or when the
// name runs past it or past kMaxStoredName bytes.
bool ReadEntryHeader(FILE* file, PackEntry* entry, char* name, size_t* length) {
    uint8_t header[4];
    if (std::fread(header, 1, sizeof header, file) != sizeof header) return false;
    *length = 0;
    int c;
    while ((c = std::fgetc(file)) != EOF && c != 0 && *length < kMaxStoredName)
        name[(*length)++] = static_cast<char>(c);
    name[*length] = '\0';
    *entry = {Read16(header), Read16(header + 2)};
    return c == 0;
}

// Opens the pack and leaves it at the first pixel of the first entry named key. A directory or
// special file counts as a pack that cannot be opened.
Scan FindEntry(const std::string& key, FILE** result, PackEntry* entry) {
    FILE* file = packPath.empty() ? nullptr : plat::OpenFile(packPath.c_str(), "rb");
    struct stat info;
    if (!file || fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        if (file) std::fclose(file);
        return Scan::NoFile;
    }
    const uint64_t size = static_cast<uint64_t>(info.st_size);
    uint64_t position = 0;
    char name[kMaxStoredName + 1];
    size_t length;
    while (ReadEntryHeader(file, entry, name, &length)) {
        position += 4 + length + 1;
        if (length == key.size() && std::memcmp(name, key.data(), length) == 0) {
            *result = file;
            return Scan::Found;
        }
        const uint64_t payload = uint64_t{entry->width} * entry->height * 2;
        if (payload > size - position ||
            std::fseek(file, static_cast<long>(payload), SEEK_CUR) != 0)
            break;
        position += payload;
    }
    std::fclose(file);
    return Scan::NotFound;
}

// One 5-bit pack channel widened to a display channel of maximum max: 5 bits stay as they are,
// a 6-bit channel gets them in its top bits, an 8-bit one repeats the top bits downwards.
uint32_t WidenChannel(uint32_t value, uint32_t max) {
    if (max == 255) return value << 3 | value >> 2;
    return max == 63 ? value << 1 : value;
}

// A 5-5-5 pack pixel in the display's format; 0 stays 0, the default key.
uint32_t DecodePixel(uint32_t p) {
    const gkScreenState& s = gkScreen;
    return WidenChannel(p >> 10 & 31, s.RedMax) << s.RedShift |
           WidenChannel(p >> 5 & 31, s.GreenMax) << s.GreenShift |
           WidenChannel(p & 31, s.BlueMax) << s.BlueShift;
}

// Decodes the open entry's pixels into the locked surface; pixels the file does not hold whole
// are 0. Closes the file.
void DecodeEntry(FILE* file, const PackEntry& entry, uint8_t* pixels, int pitch, int bytes) {
    std::vector<uint8_t> row(size_t{entry.width} * 2);
    for (int y = 0; y < entry.height; ++y) {
        size_t got = std::fread(row.data(), 1, row.size(), file) & ~size_t{1};  // whole pixels
        std::memset(row.data() + got, 0, row.size() - got);
        uint8_t* out = pixels + static_cast<size_t>(y) * pitch;
        for (int x = 0; x < entry.width; ++x) {
            uint32_t value = DecodePixel(Read16(&row[size_t(x) * 2]));
            std::memcpy(out + size_t(x) * bytes, &value, bytes);
        }
    }
    std::fclose(file);
}

// Copies the staging slot onto the target slot, running RestoreObjects after a lost surface.
bool CopyStaging(int target, int staging, const PackEntry& entry) {
    const SpriteObject& t = gkSprites[target];
    const plat::Rect to{0, 0, t.width, t.height}, from{0, 0, entry.width, entry.height};
    for (int attempt = 1; attempt <= kCopyAttempts; ++attempt) {
        int32_t r = plat::Blt(gkSprites[target].surface, &to, gkSprites[staging].surface, &from,
                              plat::DDBLT_WAIT);
        if (r == plat::DD_OK) return true;
        if (r == plat::DDERR_SURFACELOST && attempt < kCopyAttempts) gkDraw::RestoreObjects();
    }
    return false;
}

// Both loads: find the entry, make the target (a new slot, or the given one refilled), decode
// into a staging slot and copy it over. The target slot, or 0. The slot is only touched once
// the entry has been found.
int LoadEntry(const char* tag, const char* name, int slot, int placement) {
    if (!name)
        return gkSystem::ErrorBox(tag, "BMPファイルを読み込めません", 0);  // as a missing entry
    if (std::strlen(name) > kMaxNameLength)
        return gkSystem::ErrorBox(tag, "ファイル名またはリソース名が長すぎます", 0);
    std::string key = name;
    plat::CharUpperBuff(key.data(), key.size());
    FILE* file = nullptr;
    PackEntry entry;
    switch (FindEntry(key, &file, &entry)) {
        case Scan::NoFile:
            return gkSystem::ErrorBox(tag, "パックファイル名が指定されていません", 0);
        case Scan::NotFound:
            return gkSystem::ErrorBox(tag, "BMPファイルを読み込めません", 0);
        case Scan::Found:
            break;
    }
    int target = 0;
    if (slot == kNewSlot) {
        target = gkDraw::CreateObject(entry.width, entry.height, placement);
    } else {
        SpriteObject& s = gkSprites[slot];
        if (s.surface) plat::ReleaseSurface(s.surface);
        s.surface = nullptr;
        std::strcpy(s.name, "*");
        s.fromPack = 0;
        s.placement = 2;
        target = gkDraw::FillBlankObject(slot, entry.width, entry.height, placement);
    }
    int staging = target ? gkDraw::CreateObject(entry.width, entry.height, 2) : 0;
    uint8_t* pixels = nullptr;
    int pitch = 0;
    if (!staging ||
        plat::Lock(gkSprites[staging].surface, &pixels, &pitch, plat::DDLOCK_WAIT) != plat::DD_OK) {
        std::fclose(file);
        if (staging) gkDraw::ReleaseObject(staging);
        return 0;
    }
    plat::Surface* surface = gkSprites[staging].surface;
    DecodeEntry(file, entry, pixels, pitch, plat::BytesPerPixel(surface->format));
    plat::Unlock(surface);
    const bool copied = CopyStaging(target, staging, entry);
    gkDraw::ReleaseObject(staging);
    if (!copied) return gkSystem::ErrorBox(tag, "サーフェース間で展開できません", 0);
    gkDraw::ApplyDefaultKey(target);
    SpriteObject& t = gkSprites[target];
    std::strcpy(t.name, key.c_str());
    t.fromPack = 1;
    t.placement = 2;
    t.width = entry.width;
    t.height = entry.height;
    return target;
}

}  // namespace

namespace gkDraw {

// No name leaves no pack, as ClearPackFile does.
void SetPackFile(const char* name) {
    packPath = name ? std::string(gkSystem::GetPath(0)) + name : std::string();
}

void ClearPackFile() {
    packPath.clear();
}

int LoadPack(const char* name, int placement) {
    return LoadEntry("gkDraw::LoadPack", name, kNewSlot, placement);
}

int SwapPack(const char* name, int slot, int placement) {
    if (!ValidSlot(slot)) return 0;
    return LoadEntry("gkDraw::SwapPack", name, slot, placement);
}

bool ReadPackEntry(FILE* pack, gkImagePackEntry* entry) {
    *entry = {};
    const long at = std::ftell(pack);
    struct stat info;
    PackEntry header;
    size_t length;
    bool whole = at >= 0 && fstat(fileno(pack), &info) == 0 &&
                 ReadEntryHeader(pack, &header, entry->Name, &length);
    if (whole) {
        const uint64_t payload = uint64_t{header.width} * header.height * 2;
        const uint64_t here = static_cast<uint64_t>(std::ftell(pack));
        whole = payload <= static_cast<uint64_t>(info.st_size) - here &&
                std::fseek(pack, static_cast<long>(payload), SEEK_CUR) == 0;
    }
    if (!whole) {
        std::fseek(pack, at, SEEK_SET);
        return false;
    }
    entry->Offset = static_cast<uint64_t>(at);
    entry->Width = header.width;
    entry->Height = header.height;
    return true;
}

}  // namespace gkDraw
