// BMP files: decoding through SDL's BMP reader into a device-independent bitmap of GDI colours,
// after checking the header against the file so that truncated, absurd or foreign files are
// refused before any decoding; and writing a surface as a 24-bit BMP.
#include <SDL.h>

#include <cstdio>
#include <cstring>

#include "platform/display.h"
#include "platform/files.h"

namespace plat {

namespace {

constexpr int kMaxBitmapSide = 16384;           // wider or taller is not an image we draw
constexpr int64_t kMaxBitmapPixels = 32 << 20;  // 32 Mpixels

std::vector<uint8_t> ReadFile(const char* path) {
    std::vector<uint8_t> bytes;
    FILE* f = OpenFile(path, "rb");
    if (!f) return bytes;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
    return bytes;
}

uint32_t Read32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

uint16_t Read16(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

// True when the header describes a plausible image whose pixel data the file really holds.
bool PlausibleBmp(const std::vector<uint8_t>& b) {
    if (b.size() < 26 || b[0] != 'B' || b[1] != 'M') return false;
    uint32_t offset = Read32(b, 10), headerSize = Read32(b, 14);
    int64_t width, height;
    uint32_t bits, compression = 0;
    if (headerSize == 12) {  // OS/2 core header
        width = Read16(b, 18);
        height = static_cast<int16_t>(Read16(b, 20));
        bits = Read16(b, 24);
    } else if (headerSize >= 40 && headerSize <= 124 && b.size() >= 14 + headerSize) {
        width = static_cast<int32_t>(Read32(b, 18));
        height = static_cast<int32_t>(Read32(b, 22));
        bits = Read16(b, 28);
        compression = Read32(b, 30);
    } else {
        return false;
    }
    if (height < 0) height = -height;
    if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide ||
        width * height > kMaxBitmapPixels)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    if (compression != 0 && compression != 3) return false;  // BI_RGB and BI_BITFIELDS only
    int64_t rowBytes = (width * bits + 31) / 32 * 4;
    return offset >= 14 + headerSize &&
           offset + rowBytes * height <= static_cast<int64_t>(b.size());
}

void Put16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(v & 0xFF);
    b.push_back(v >> 8);
}

void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

}  // namespace

std::unique_ptr<Bitmap> LoadBitmapFile(const char* path) {
    std::vector<uint8_t> bytes = ReadFile(path);
    if (!PlausibleBmp(bytes)) return nullptr;
    SDL_Surface* decoded = SDL_LoadBMP_RW(SDL_RWFromConstMem(bytes.data(), bytes.size()), 1);
    if (!decoded) return nullptr;
    // ABGR8888 holds 0xAABBGGRR per pixel: a GDI colour once the alpha byte is dropped.
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(decoded, SDL_PIXELFORMAT_ABGR8888, 0);
    SDL_FreeSurface(decoded);
    if (!rgba) return nullptr;
    auto bitmap = std::make_unique<Bitmap>();
    bitmap->width = rgba->w;
    bitmap->height = rgba->h;
    bitmap->pixels.resize(static_cast<size_t>(rgba->w) * rgba->h);
    SDL_LockSurface(rgba);
    for (int y = 0; y < rgba->h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(
            static_cast<const uint8_t*>(rgba->pixels) + static_cast<size_t>(y) * rgba->pitch);
        for (int x = 0; x < rgba->w; ++x)
            bitmap->pixels[static_cast<size_t>(y) * rgba->w + x] = row[x] & 0xFFFFFF;
    }
    SDL_UnlockSurface(rgba);
    SDL_FreeSurface(rgba);
    return bitmap;
}

bool SaveSurfaceBmp(const Surface* surface, const char* path) {
    const int rowBytes = (surface->width * 3 + 3) & ~3;
    const uint32_t dataSize = static_cast<uint32_t>(rowBytes) * surface->height;
    std::vector<uint8_t> b;
    b.reserve(54 + dataSize);
    b.push_back('B');
    b.push_back('M');
    Put32(b, 54 + dataSize);
    Put32(b, 0);
    Put32(b, 54);
    Put32(b, 40);
    Put32(b, surface->width);
    Put32(b, surface->height);  // bottom-up
    Put16(b, 1);
    Put16(b, 24);
    for (uint32_t v : {0u, dataSize, 2835u, 2835u, 0u, 0u}) Put32(b, v);
    const int bpp = BytesPerPixel(surface->format);
    for (int y = surface->height - 1; y >= 0; --y) {
        const uint8_t* row = surface->pixels.data() + static_cast<size_t>(y) * surface->pitch;
        for (int x = 0; x < surface->width; ++x) {
            uint32_t raw = 0;
            std::memcpy(&raw, row + x * bpp, bpp);
            uint32_t c = PixelToColor(surface->format, raw);
            b.push_back((c >> 16) & 0xFF);
            b.push_back((c >> 8) & 0xFF);
            b.push_back(c & 0xFF);
        }
        b.resize(b.size() + rowBytes - surface->width * 3, 0);
    }
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace plat
