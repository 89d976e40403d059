// Pixel-level helpers shared by the GDI shapes and the GDI text: raw pixel stores clipped to the
// surface, horizontal spans, and the scanline polygon fill (alternate rule) they are built on.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/display.h"

namespace plat::raster {

inline void Plot(Surface* s, int x, int y, uint32_t raw) {
    if (x < 0 || y < 0 || x >= s->width || y >= s->height) return;
    uint8_t* p = s->pixels.data() + size_t(y) * s->pitch;
    if (BytesPerPixel(s->format) == 4) {
        reinterpret_cast<uint32_t*>(p)[x] = raw;
    } else {
        reinterpret_cast<uint16_t*>(p)[x] = static_cast<uint16_t>(raw);
    }
}

// Sets n bytes (a positive multiple of the pixel size) to `pattern`, one pixel repeated over 8
// bytes. Text and shapes fill mostly spans of a few pixels, so the stores are sized to the span
// and overlap rather than going through a general fill: every store starts a whole number of
// pixels in, so the pattern lines up wherever it lands.
inline void FillBytes(uint8_t* d, size_t n, uint64_t pattern) {
    typedef uint64_t Pair __attribute__((vector_size(16)));
    if (n >= 16) {
        const Pair pair = {pattern, pattern};
        for (size_t i = 0; i + 16 < n; i += 16) std::memcpy(d + i, &pair, 16);
        std::memcpy(d + n - 16, &pair, 16);
    } else if (n >= 8) {
        std::memcpy(d, &pattern, 8);
        std::memcpy(d + n - 8, &pattern, 8);
    } else if (n >= 4) {
        std::memcpy(d, &pattern, 4);
        std::memcpy(d + n - 4, &pattern, 4);
    } else {
        std::memcpy(d, &pattern, 2);
    }
}

// One pixel value ready to be stored into one surface: the surface's memory, pitch and pixel size
// and the pixel repeated over 8 bytes, read once for many spans. (The spans' byte stores could
// alias the surface record, so spans filled through the record would reload it every time.)
struct SpanFill {
    uint8_t* pixels;
    size_t pitch;
    size_t bytesPerPixel;
    uint64_t pattern;
    SpanFill(Surface* s, uint32_t raw)
        : pixels(s->pixels.data()),
          pitch(s->pitch),
          bytesPerPixel(BytesPerPixel(s->format)),
          pattern(bytesPerPixel == 4 ? raw * 0x0000000100000001ull
                                     : (raw & 0xFFFF) * 0x0001000100010001ull) {}
    uint8_t* At(int x, int y) const {
        return pixels + size_t(y) * pitch + size_t(x) * bytesPerPixel;
    }
    // Pixels x0 .. x1 - 1 of row y, which must lie inside the surface.
    void operator()(int x0, int x1, int y) const {
        if (x0 < x1) FillBytes(At(x0, y), size_t(x1 - x0) * bytesPerPixel, pattern);
    }
};
// Pixels x0 .. x1 - 1 of row y, clipped to the surface.
void FillSpan(Surface* s, int x0, int x1, int y, uint32_t raw);
// Columns left .. right - 1, rows top .. bottom - 1, clipped.
void FillRect(Surface* s, int left, int top, int right, int bottom, uint32_t raw);

struct PointF {
    double x, y;
};
// Calls span(y, x0, x1) for every run of pixels x0 .. x1 - 1 of row y, clipped to the surface,
// whose centres lie inside the closed polygon by the alternate (even-odd) rule.
template <typename SpanFn>
void ScanPolygon(const Surface* s, const std::vector<PointF>& points, SpanFn span);

template <typename SpanFn>
void ScanPolygon(const Surface* s, const std::vector<PointF>& points, SpanFn span) {
    if (points.size() < 3) return;
    double minY = points[0].y, maxY = points[0].y;
    for (const PointF& p : points) {
        minY = p.y < minY ? p.y : minY;
        maxY = p.y > maxY ? p.y : maxY;
    }
    // Clamped before conversion: points far off the surface convert to its edges.
    int yStart = static_cast<int>(std::clamp(minY, 0.0, double(s->height)));
    int yEnd = maxY > s->height ? s->height : static_cast<int>(maxY) + 1;
    std::vector<double> crossings;
    for (int y = yStart; y < yEnd; ++y) {
        double cy = y + 0.5;
        crossings.clear();
        for (size_t i = 0; i < points.size(); ++i) {
            const PointF& a = points[i];
            const PointF& b = points[(i + 1) % points.size()];
            // Half-open in y so that a vertex shared by two edges counts once.
            if ((a.y <= cy && cy < b.y) || (b.y <= cy && cy < a.y)) {
                crossings.push_back(a.x + (cy - a.y) * (b.x - a.x) / (b.y - a.y));
            }
        }
        std::sort(crossings.begin(), crossings.end());
        for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
            // Pixel x is inside when its centre x + 0.5 lies in [left, right).
            const double right = s->width;
            int x0 = static_cast<int>(std::ceil(std::clamp(crossings[i] - 0.5, -1.0, right)));
            int x1 = static_cast<int>(std::ceil(std::clamp(crossings[i + 1] - 0.5, -1.0, right)));
            x0 = x0 < 0 ? 0 : x0;
            x1 = x1 > s->width ? s->width : x1;
            if (x0 < x1) span(y, x0, x1);
        }
    }
}

}  // namespace plat::raster
