// Surface helpers of the sprite table: surface caps for a placement, loading a BMP into a new
// surface, copying a bitmap onto a surface through its device context, and turning a GDI colour
// into the surface's raw key value the same way the copy converts the image's pixels.
#include <cstring>
#include <memory>

#include "draw/draw.h"
#include "platform/gdi.h"

namespace gkDraw {

uint32_t PlacementCaps(int placement) {
    return placement == 2 ? plat::DDSCAPS_OFFSCREENPLAIN
                          : plat::DDSCAPS_OFFSCREENPLAIN | plat::DDSCAPS_SYSTEMMEMORY;
}

int32_t CopyBitmapToSurface(plat::Surface* surface, const plat::Bitmap* bitmap, int x, int y,
                            int width, int height) {
    if (!surface || !bitmap) return plat::DDERR_GENERIC;
    plat::Restore(surface);
    plat::Dc* source = plat::CreateBitmapDC(bitmap);
    if (width == 0) width = bitmap->width;
    if (height == 0) height = bitmap->height;
    plat::Dc* dc = nullptr;
    int32_t result = plat::GetDC(surface, &dc);
    if (result == plat::DD_OK) {
        plat::StretchBlt(dc, 0, 0, surface->width, surface->height, source, x, y, width, height,
                         plat::SRCCOPY);
        plat::ReleaseDC(surface, dc);
    }
    plat::DeleteDC(source);
    return result;
}

plat::Surface* LoadBitmapSurface(const char* path, uint16_t* width, uint16_t* height,
                                 int placement) {
    std::unique_ptr<plat::Bitmap> bitmap = plat::LoadBitmapFile(path);
    if (!bitmap) return nullptr;
    plat::Surface* surface = nullptr;
    if (plat::CreateSurface(gkScreen.DirectDraw, PlacementCaps(placement), bitmap->width,
                            bitmap->height, &surface) != plat::DD_OK)
        return nullptr;
    *width = static_cast<uint16_t>(bitmap->width);
    *height = static_cast<uint16_t>(bitmap->height);
    CopyBitmapToSurface(surface, bitmap.get(), 0, 0, 0, 0);
    return surface;
}

uint32_t MatchSurfaceColor(plat::Surface* surface, uint32_t color) {
    const bool real = color != 0xFFFFFFFF;
    uint32_t saved = 0;
    plat::Dc* dc = nullptr;
    if (real && plat::GetDC(surface, &dc) == plat::DD_OK) {
        saved = plat::GetPixel(dc, 0, 0);
        plat::SetPixel(dc, 0, 0, color);
        plat::ReleaseDC(surface, dc);
    }
    uint32_t value = 0xFFFFFFFF;
    uint8_t* pixels = nullptr;
    int pitch = 0;
    int32_t result;
    do {
        result = plat::Lock(surface, &pixels, &pitch, 0);
    } while (result == plat::DDERR_WASSTILLDRAWING);
    if (result == plat::DD_OK) {
        int bytes = plat::BytesPerPixel(surface->format);
        value = 0;
        std::memcpy(&value, pixels, bytes);
        plat::Unlock(surface);
    }
    if (real && plat::GetDC(surface, &dc) == plat::DD_OK) {
        plat::SetPixel(dc, 0, 0, saved);
        plat::ReleaseDC(surface, dc);
    }
    return value;
}

int32_t SetSurfaceColorKey(plat::Surface* surface, uint32_t color) {
    return plat::SetColorKey(surface, plat::DDCKEY_SRCBLT, MatchSurfaceColor(surface, color));
}

}  // namespace gkDraw
