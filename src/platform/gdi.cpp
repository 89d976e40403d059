// Device contexts on surfaces and bitmaps: pixel access and StretchBlt, all through the display's
// GDI colour <-> pixel conversion. A context on a surface holds the surface as a lock does, so
// blits to it wait until ReleaseDC; releasing a context on the primary surface presents it.
#include "platform/gdi.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "gk_limits.h"

namespace plat {

namespace {

bool InsideDc(const Dc* dc, int x, int y) {
    int w = dc->surface ? dc->surface->width : dc->bitmap->width;
    int h = dc->surface ? dc->surface->height : dc->bitmap->height;
    return x >= 0 && y >= 0 && x < w && y < h;
}

uint8_t* SurfacePixel(Surface* s, int x, int y) {
    return s->pixels.data() + static_cast<size_t>(y) * s->pitch + x * BytesPerPixel(s->format);
}

// The context released last, kept for the next GetDC: text and shapes take a context and give
// it back for every call.
Dc*& SpareDc() {
    static Dc* spare = nullptr;
    return spare;
}

}  // namespace

int32_t GetDC(Surface* surface, Dc** dc) {
    *dc = nullptr;
    if (!surface) return DDERR_INVALIDPARAMS;
    if (surface->lost) return DDERR_SURFACELOST;
    uint8_t* pixels;
    int pitch;
    if (int32_t r = Lock(surface, &pixels, &pitch, DDLOCK_WAIT); r != DD_OK) return r;
    *dc = std::exchange(SpareDc(), nullptr);
    if (!*dc) *dc = new Dc;
    **dc = Dc{surface, nullptr};
    return DD_OK;
}

int32_t ReleaseDC(Surface* surface, Dc* dc) {
    if (SpareDc())
        delete dc;
    else
        SpareDc() = dc;
    return Unlock(surface);
}

Dc* CreateBitmapDC(const Bitmap* bitmap) {
    return bitmap ? new Dc{nullptr, bitmap} : nullptr;
}

void DeleteDC(Dc* dc) {
    delete dc;
}

uint32_t GetPixel(const Dc* dc, int x, int y) {
    if (!dc || !InsideDc(dc, x, y)) return CLR_INVALID;
    if (dc->bitmap) return dc->bitmap->pixels[static_cast<size_t>(y) * dc->bitmap->width + x];
    uint32_t raw = 0;
    std::memcpy(&raw, SurfacePixel(dc->surface, x, y), BytesPerPixel(dc->surface->format));
    return PixelToColor(dc->surface->format, raw);
}

uint32_t SetPixel(Dc* dc, int x, int y, uint32_t color) {
    if (!dc || !dc->surface || !InsideDc(dc, x, y)) return CLR_INVALID;
    uint32_t raw = ColorToPixel(dc->surface->format, color);
    std::memcpy(SurfacePixel(dc->surface, x, y), &raw, BytesPerPixel(dc->surface->format));
    return PixelToColor(dc->surface->format, raw);
}

bool StretchBlt(Dc* dst, int dx, int dy, int dw, int dh, const Dc* src, int sx, int sy, int sw,
                int sh, uint32_t rop) {
    if (!dst || !dst->surface || !src || rop != SRCCOPY || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0)
        return false;
    // Only destination pixels inside the surface are visited: the work is bounded by it.
    const int64_t x0 = std::max<int64_t>(0, -int64_t{dx}), y0 = std::max<int64_t>(0, -int64_t{dy});
    const int64_t x1 = std::min<int64_t>(dw, int64_t{dst->surface->width} - dx);
    const int64_t y1 = std::min<int64_t>(dh, int64_t{dst->surface->height} - dy);
    for (int64_t y = y0; y < y1; ++y) {
        const int fy = gk::SaturateInt(sy + y * sh / dh);
        for (int64_t x = x0; x < x1; ++x) {
            uint32_t c = GetPixel(src, gk::SaturateInt(sx + x * sw / dw), fy);
            SetPixel(dst, static_cast<int>(dx + x), static_cast<int>(dy + y),
                     c == CLR_INVALID ? 0 : c);
        }
    }
    return true;
}

}  // namespace plat
