// Test helpers for reading and painting the back screen in GDI colours.
#pragma once

#include <cstdint>

#include "draw/draw.h"

namespace gktest {

inline uint8_t* BackPixel(int x, int y) {
    plat::Surface* back = gkScreen.Back;
    return back->pixels.data() + size_t(y) * back->pitch +
           size_t(x) * plat::BytesPerPixel(back->format);
}

// The GDI colour stored at (x, y), through the display's conversion.
inline uint32_t BackAt(int x, int y) {
    plat::Surface* back = gkScreen.Back;
    uint8_t* p = BackPixel(x, y);
    uint32_t raw = plat::BytesPerPixel(back->format) == 4 ? *reinterpret_cast<uint32_t*>(p)
                                                          : *reinterpret_cast<uint16_t*>(p);
    return plat::PixelToColor(back->format, raw);
}

// The whole back screen in one GDI colour.
inline void FillBack(uint32_t color) {
    plat::Surface* back = gkScreen.Back;
    uint32_t raw = plat::ColorToPixel(back->format, color);
    for (int y = 0; y < back->height; ++y) {
        for (int x = 0; x < back->width; ++x) {
            uint8_t* p = BackPixel(x, y);
            if (plat::BytesPerPixel(back->format) == 4) {
                *reinterpret_cast<uint32_t*>(p) = raw;
            } else {
                *reinterpret_cast<uint16_t*>(p) = static_cast<uint16_t>(raw);
            }
        }
    }
}

// A colour as it comes back after a trip through the back screen's format.
inline uint32_t Stored(uint32_t color) {
    plat::PixelFormat format = gkScreen.Back->format;
    return plat::PixelToColor(format, plat::ColorToPixel(format, color));
}

}  // namespace gktest
