// Test helpers for reading and writing raw surface pixels and the back screen in GDI colours.
#pragma once

#include <algorithm>
#include <cstring>
#include <tuple>

#include "draw/draw.h"
#include "platform/display.h"

namespace gktest {

inline size_t Offset(const plat::Surface* s, int x, int y) {
    return size_t(y) * s->pitch + size_t(x) * plat::BytesPerPixel(s->format);
}

inline uint32_t Raw(const plat::Surface* s, int x, int y) {
    uint32_t v = 0;
    std::memcpy(&v, s->pixels.data() + Offset(s, x, y), plat::BytesPerPixel(s->format));
    return v;
}

// The raw values at several points, to compare them in one go.
inline std::vector<uint32_t> Raws(const plat::Surface* s,
                                  std::initializer_list<std::pair<int, int>> points) {
    std::vector<uint32_t> values;
    for (auto [x, y] : points) values.push_back(Raw(s, x, y));
    return values;
}

// Writes behind the display's back, so the surface's cached opaque runs are dropped as a lock
// would drop them.
inline void PutRaw(plat::Surface* s, int x, int y, uint32_t v) {
    s->keyRuns.reset();
    s->keyedBlitsSinceChange = 0;
    std::memcpy(s->pixels.data() + Offset(s, x, y), &v, plat::BytesPerPixel(s->format));
}

// The GDI colour stored at (x, y) of the back screen, through the display's conversion.
inline uint32_t BackAt(int x, int y) {
    return plat::PixelToColor(gkScreen.Back->format, Raw(gkScreen.Back, x, y));
}

inline void FillBack(uint32_t color) {
    plat::Blt(gkScreen.Back, nullptr, nullptr, nullptr, plat::DDBLT_COLORFILL,
              plat::ColorToPixel(gkScreen.Back->format, color));
}

// A colour as it comes back after a trip through the back screen's format.
inline uint32_t Stored(uint32_t color) {
    plat::PixelFormat format = gkScreen.Back->format;
    return plat::PixelToColor(format, plat::ColorToPixel(format, color));
}

// Inclusive bounds of the back screen's pixels of one colour within [x0, x1) × [y0, y1);
// right < 0 when there are none.
struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    auto Edges() const { return std::tuple(left, top, right, bottom); }
};
inline Box Find(uint32_t color, int x0 = 0, int y0 = 0, int x1 = 640, int y1 = 480) {
    Box b;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (BackAt(x, y) == color)
                b = {std::min(b.left, x), std::min(b.top, y), std::max(b.right, x),
                     std::max(b.bottom, y)};
    return b;
}

}  // namespace gktest
