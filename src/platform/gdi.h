// GDI's role: a device context drawing into a surface (GetDC) or reading a bitmap (a memory
// context with the bitmap selected), pixel access and StretchBlt. Every colour passes through
// the display's one GDI colour <-> pixel conversion.
#pragma once

#include <cstdint>

#include "platform/display.h"

namespace plat {

constexpr uint32_t CLR_INVALID = 0xFFFFFFFF;
constexpr uint32_t SRCCOPY = 0x00CC0020;

// A device context: on a surface, or on a bitmap.
struct Dc {
    Surface* surface = nullptr;
    const Bitmap* bitmap = nullptr;
};

// A context on the surface (DDERR_SURFACELOST when its memory is lost). Release it with
// ReleaseDC.
int32_t GetDC(Surface* surface, Dc** dc);
int32_t ReleaseDC(Surface* surface, Dc* dc);
// CreateCompatibleDC + SelectObject of a bitmap; DeleteDC frees it.
Dc* CreateBitmapDC(const Bitmap* bitmap);
void DeleteDC(Dc* dc);

// The colour at (x, y); CLR_INVALID outside the context's pixels.
uint32_t GetPixel(const Dc* dc, int x, int y);
// Stores the colour converted to the pixel format; returns the colour actually stored, or
// CLR_INVALID outside the surface.
uint32_t SetPixel(Dc* dc, int x, int y, uint32_t color);
// Copies src (x, y, w, h) onto dst (x, y, w, h), stretched nearest-neighbour, with SRCCOPY.
// Parts of the destination outside its surface are not drawn; source points outside the source
// read black. Returns false for a bad context or raster operation.
bool StretchBlt(Dc* dst, int dx, int dy, int dw, int dh, const Dc* src, int sx, int sy, int sw,
                int sh, uint32_t rop);

}  // namespace plat
