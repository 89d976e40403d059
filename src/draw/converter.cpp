// The two file writers of the drawing module: the converter that appends a folder's BMP files
// to an image pack as 5-5-5 entries, and the screenshot that saves the back screen's top-left
// rectangle as a 24-bit BMP file.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "draw/draw.h"
#include "platform/files.h"
#include "platform/sjis.h"
#include "system/system.h"

namespace {

constexpr uint32_t kBmpHeaderSize = 58;     // file header, info header, one palette entry
constexpr uint32_t kPixelsPerMetre = 2834;  // 72 dots per inch

void Put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(value & 0xFF);
    out.push_back(value >> 8 & 0xFF);
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// A GDI colour as a 5-5-5 pack pixel. Only black becomes 0: a colour too dark for 5 bits keeps
// blue 1, so it does not turn transparent under the default black key.
uint16_t PackPixel(uint32_t color) {
    uint32_t r = color & 0xFF, g = color >> 8 & 0xFF, b = color >> 16 & 0xFF;
    if (r == 0 && g == 0 && b == 0) return 0;
    r >>= 3;
    g >>= 3;
    b >>= 3;
    if (r == 0 && g == 0 && b == 0) b = 1;
    return static_cast<uint16_t>(r << 10 | g << 5 | b);
}

// The file name after the last folder separator; a Shift-JIS trail byte that reads as '\' is
// part of its character, not a separator.
const char* FileNamePart(const char* source) {
    const char* name = source;
    for (const char* p = source; *p; ++p) {
        if (plat::IsLeadByte(static_cast<unsigned char>(*p)) && p[1])
            ++p;
        else if (*p == '\\')
            name = p + 1;
    }
    return name;
}

// One entry's bytes: width, height, name with its 0 byte, then the pixels read through the
// surface's device context.
std::vector<uint8_t> EncodeEntry(const SpriteObject& s, plat::Dc* dc, const char* name) {
    std::vector<uint8_t> out;
    Put16(out, s.width);
    Put16(out, s.height);
    out.insert(out.end(), name, name + std::char_traits<char>::length(name) + 1);
    out.reserve(out.size() + size_t{s.width} * s.height * 2);
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) Put16(out, PackPixel(plat::GetPixel(dc, x, y)));
    return out;
}

// A back screen pixel as blue, green and red bytes: 16-bit pixels give their 5-bit channels
// times 8 (a 6-bit channel loses its lowest bit), 32-bit pixels their 8-bit channels.
void PutScreenPixel(std::vector<uint8_t>& out, uint32_t p, bool wide) {
    const gkScreenState& s = gkScreen;
    auto channel = [&](uint32_t mask, uint16_t shift, uint32_t max) -> uint8_t {
        if (wide) return p >> shift & 0xFF;
        return static_cast<uint8_t>(((p & mask) >> shift >> (max == 63 ? 1 : 0)) * 8);
    };
    out.push_back(channel(s.BlueMask, s.BlueShift, s.BlueMax));
    out.push_back(channel(s.GreenMask, s.GreenShift, s.GreenMax));
    out.push_back(channel(s.RedMask, s.RedShift, s.RedMax));
}

// The whole BMP file of the locked back screen's top-left width × height pixels.
std::vector<uint8_t> EncodeScreen(const uint8_t* pixels, int pitch, int bytes, int width,
                                  int height) {
    const uint32_t rowSize = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    const uint32_t imageSize = rowSize * static_cast<uint32_t>(height);
    std::vector<uint8_t> out{'B', 'M'};
    out.reserve(kBmpHeaderSize + imageSize);
    for (uint32_t v : {kBmpHeaderSize + imageSize, 0u, kBmpHeaderSize, 40u,
                       static_cast<uint32_t>(width), static_cast<uint32_t>(height)})
        Put32(out, v);
    Put16(out, 1);
    Put16(out, 24);
    for (uint32_t v : {0u, imageSize, kPixelsPerMetre, kPixelsPerMetre, 0u, 0u, 0u}) Put32(out, v);
    for (int y = height - 1; y >= 0; --y) {
        const uint8_t* row = pixels + static_cast<size_t>(y) * pitch;
        for (int x = 0; x < width; ++x) {
            uint32_t p = 0;
            std::memcpy(&p, row + size_t(x) * bytes, bytes);
            PutScreenPixel(out, p, bytes == 4);
        }
        out.resize(out.size() + rowSize - static_cast<uint32_t>(width) * 3, 0);
    }
    return out;
}

}  // namespace

namespace gkDraw {

int Convert(const char* pack, const char* folder, int fresh) {
    if (!pack || !folder) return 0;  // no pack to write, or no folder to read
    if (gkSystem::GetColorDepth() <= 16)
        return gkSystem::ErrorBox("gkDraw::Convert", "画面をフルカラーにして下さい", 0);
    const std::string base = gkSystem::GetPath(0);
    if (fresh) plat::DeleteFile((base + pack).c_str());
    for (const std::string& file : plat::FindFiles((base + folder).c_str(), "*.BMP")) {
        std::string source = *folder ? std::string(folder) + "\\" + file : file;
        plat::CharUpperBuff(source.data(), source.size());
        AppendPackEntry(pack, source.c_str());
    }
    return 1;
}

void AppendPackEntry(const char* pack, const char* source) {
    int slot = pack ? LoadObject(source, 1) : 0;
    if (slot == 0) return;
    plat::Surface* surface = gkSprites[slot].surface;
    plat::Dc* dc = nullptr;
    if (plat::GetDC(surface, &dc) == plat::DD_OK) {
        std::vector<uint8_t> entry = EncodeEntry(gkSprites[slot], dc, FileNamePart(source));
        plat::ReleaseDC(surface, dc);
        // The entry is built whole first and appended with one write.
        if (FILE* file = plat::OpenFile((std::string(gkSystem::GetPath(0)) + pack).c_str(), "ab")) {
            std::fwrite(entry.data(), 1, entry.size(), file);
            std::fclose(file);
        }
    }
    ReleaseObject(slot);
}

int SaveScreen(const char* name, int width, int height) {
    plat::Surface* back = gkScreen.Back;
    if (!back || !name) return 0;  // no name: a file that cannot be written
    width = std::min(width, back->width);
    height = std::min(height, back->height);
    if (width <= 0 || height <= 0) return 0;
    uint8_t* pixels = nullptr;
    int pitch = 0;
    if (plat::Lock(back, &pixels, &pitch, plat::DDLOCK_WAIT) != plat::DD_OK) return 0;
    // The back screen's own format decides how its pixels are read.
    plat::PixelMasks masks;
    plat::GetPixelFormat(back, &masks);
    std::vector<uint8_t> file;
    if (masks.bitCount == 16 || masks.bitCount == 32)
        file = EncodeScreen(pixels, pitch, masks.bitCount / 8, width, height);
    plat::Unlock(back);
    if (file.empty()) return 0;
    const std::string path = std::string(gkSystem::GetPath(0)) + name;
    return plat::ReplaceFile(path.c_str(), file.data(), file.size()) ? 1 : 0;
}

}  // namespace gkDraw
