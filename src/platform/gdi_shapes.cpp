// GDI shapes on a surface's device context: pens, brushes (solid, hollow, hatched), background
// mode, lines, rectangles, polygons, Bezier curves and inverted rectangles. Colours go through
// the display's one GDI colour -> pixel conversion; everything is clipped to the surface.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "platform/gdi.h"
#include "platform/gdi_raster.h"

namespace plat {

namespace raster {

void FillSpan(Surface* s, int x0, int x1, int y, uint32_t raw) {
    if (y >= 0 && y < s->height) SpanFill(s, raw)(std::max(x0, 0), std::min(x1, s->width), y);
}

void FillRect(Surface* s, int left, int top, int right, int bottom, uint32_t raw) {
    left = std::max(left, 0);
    right = std::min(right, s->width);
    top = std::max(top, 0);
    bottom = std::min(bottom, s->height);
    if (left >= right || top >= bottom) return;
    const SpanFill fill(s, raw);
    const size_t bytes = size_t(right - left) * fill.bytesPerPixel;
    uint8_t* row = fill.At(left, top);
    const auto fillRows = [&] {
        for (int y = top; y < bottom; ++y, row += fill.pitch) FillBytes(row, bytes, fill.pattern);
    };
    // A text cell's rows are 8 to 15 bytes: a loop of its own, which the compiler reduces to the
    // two stores such a span takes.
    if (bytes >= 8 && bytes < 16)
        fillRows();
    else
        fillRows();
}

}  // namespace raster

namespace {

const Pen kBlackPen{PS_SOLID, 1, 0x000000};
const Brush kWhiteBrush{BS_SOLID, 0xFFFFFF, 0};

const Pen& CurrentPen(const Dc* dc) {
    return dc->pen ? *dc->pen : kBlackPen;
}
const Brush& CurrentBrush(const Dc* dc) {
    return dc->brush ? *dc->brush : kWhiteBrush;
}

// Whether pixel (x, y) lies on a line of an 8×8 hatch pattern anchored at the surface origin.
bool OnHatch(int hatch, int x, int y) {
    bool forward = ((x - y) & 7) == 0;   // "\"
    bool backward = ((x + y) & 7) == 7;  // "/"
    bool horizontal = (y & 7) == 4;
    bool vertical = (x & 7) == 4;
    switch (hatch) {
        case HS_HORIZONTAL:
            return horizontal;
        case HS_VERTICAL:
            return vertical;
        case HS_FDIAGONAL:
            return forward;
        case HS_BDIAGONAL:
            return backward;
        case HS_CROSS:
            return horizontal || vertical;
        default:
            return forward || backward;
    }
}

// The context's brush with its colours converted to pixels once per shape.
struct Paint {
    uint32_t style;
    int hatch;
    bool opaque;  // hatch gaps painted in the background colour
    uint32_t ink, gap;
};

Paint BrushPaint(const Dc* dc) {
    const Brush& brush = CurrentBrush(dc);
    const PixelFormat format = dc->surface->format;
    return {brush.style, brush.hatch, dc->bkMode != TRANSPARENT, ColorToPixel(format, brush.color),
            ColorToPixel(format, dc->bkColor)};
}

// Paints a span with the brush: solid, nothing for a hollow brush, or hatch lines in the brush
// colour with the gaps in the background colour unless the background is transparent.
void BrushSpan(Surface* s, const Paint& paint, int y, int x0, int x1) {
    if (paint.style == BS_NULL) return;
    if (paint.style != BS_HATCHED) {
        raster::FillSpan(s, x0, x1, y, paint.ink);
        return;
    }
    for (int x = x0; x < x1; ++x) {
        if (OnHatch(paint.hatch, x, y)) {
            raster::Plot(s, x, y, paint.ink);
        } else if (paint.opaque) {
            raster::Plot(s, x, y, paint.gap);
        }
    }
}

// Pens are at most this wide: a wider one covers more than any screen.
constexpr int kWidestPen = 4096;
// Strokes longer than this are first cut to the part that can reach the surface, so their work
// is bounded by the surface; shorter ones are drawn from their own end points.
constexpr int64_t kLongestWholeStroke = 1 << 16;

int PenWidth(const Pen& pen) {
    return std::min(pen.width, kWidestPen);
}

// A coordinate in 64 bits brought into int: beyond a few surface sizes it is off the surface.
int Clamped(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, -2 * kWidestPen, INT32_MAX / 2));
}

// Stamps the pen's dot centred on (x, y): one pixel, or a disc as wide as the pen. Only the
// disc's rows on the surface are visited.
void Dot(Surface* s, const Pen& pen, uint32_t raw, int64_t x, int64_t y) {
    const int width = PenWidth(pen);
    if (width <= 1) {
        raster::Plot(s, Clamped(x), Clamped(y), raw);
        return;
    }
    double r = width / 2.0;
    int64_t reach = width / 2;
    for (int64_t dy = std::max(-reach, -y); dy <= std::min(reach, s->height - 1 - y); ++dy) {
        int half = static_cast<int>(std::floor(std::sqrt(std::max(0.0, r * r - double(dy * dy)))));
        raster::FillSpan(s, Clamped(x - half), Clamped(x + half + 1), Clamped(y + dy), raw);
    }
}

// Cuts a long stroke to the surface grown by the pen's reach (plus one pixel), rounding the
// new end points; false when no part of it comes near the surface.
bool CutToSurface(const Surface* s, int reach, int64_t& x0, int64_t& y0, int64_t& x1, int64_t& y1) {
    const double lo = -reach - 1.0, right = s->width + reach + 1.0,
                 bottom = s->height + reach + 1.0;
    const double dx = double(x1 - x0), dy = double(y1 - y0);
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {double(x0) - lo, right - double(x0), double(y0) - lo, bottom - double(y0)};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    if (t0 > t1) return false;
    const int64_t ax = x0, ay = y0;
    x0 = std::llround(double(ax) + t0 * dx);
    y0 = std::llround(double(ay) + t0 * dy);
    x1 = std::llround(double(ax) + t1 * dx);
    y1 = std::llround(double(ay) + t1 * dy);
    return true;
}

// A one-pixel stroke along a row or a column, end point left out: a span or a one-pixel-wide
// rectangle.
bool StraightStroke(Surface* s, int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t raw) {
    if (y0 == y1) {
        raster::FillSpan(s, Clamped(x0 < x1 ? x0 : x1 + 1), Clamped(x0 < x1 ? x1 : x0 + 1),
                         Clamped(y0), raw);
        return true;
    }
    if (x0 != x1) return false;
    const int64_t top = std::max<int64_t>(y0 < y1 ? y0 : y1 + 1, 0);
    const int64_t bottom = std::min<int64_t>(y0 < y1 ? y1 : y0 + 1, s->height);
    if (top < bottom)
        raster::FillRect(s, Clamped(x0), static_cast<int>(top), Clamped(x0) + 1,
                         static_cast<int>(bottom), raw);
    return true;
}

// A straight stroke from (x0, y0) to (x1, y1) in the pen's pixel value raw. One-pixel pens leave
// out the end point (so joined strokes draw each joint once); wider pens include it under their
// round cap.
void Stroke(Surface* s, const Pen& pen, uint32_t raw, int64_t x0, int64_t y0, int64_t x1,
            int64_t y1) {
    if (std::max(std::abs(x1 - x0), std::abs(y1 - y0)) > kLongestWholeStroke &&
        !CutToSurface(s, PenWidth(pen) / 2, x0, y0, x1, y1))
        return;
    if (pen.width <= 1 && StraightStroke(s, x0, y0, x1, y1, raw)) return;
    int64_t dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int64_t err = dx + dy;
    for (;;) {
        bool end = x0 == x1 && y0 == y1;
        if (end && pen.width <= 1) break;
        Dot(s, pen, raw, x0, y0);
        if (end) break;
        int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

// Strokes the path through the points (closed: back to the first) and finishes the last point
// that the one-pixel strokes leave out when the path is open.
void StrokePath(Dc* dc, const std::vector<Point>& path, bool closed) {
    const Pen& pen = CurrentPen(dc);
    if (pen.style == PS_NULL || !dc->surface || path.empty()) return;
    Surface* s = dc->surface;
    const uint32_t raw = ColorToPixel(s->format, pen.color);
    for (size_t i = 0; i + 1 < path.size(); ++i)
        Stroke(s, pen, raw, path[i].x, path[i].y, path[i + 1].x, path[i + 1].y);
    if (closed)
        Stroke(s, pen, raw, path.back().x, path.back().y, path[0].x, path[0].y);
    else
        Dot(s, pen, raw, path.back().x, path.back().y);
}

}  // namespace

Pen* CreatePen(int style, int width, uint32_t color) {
    return new Pen{style, width, color};
}

Brush* CreateBrushIndirect(const LogBrush& brush) {
    return new Brush(brush);
}

void DeleteObject(Pen* pen) {
    delete pen;
}

void DeleteObject(Brush* brush) {
    delete brush;
}

Pen* SelectObject(Dc* dc, Pen* pen) {
    return std::exchange(dc->pen, pen);
}

Brush* SelectObject(Dc* dc, Brush* brush) {
    return std::exchange(dc->brush, brush);
}

int SetBkMode(Dc* dc, int mode) {
    return std::exchange(dc->bkMode, mode);
}

uint32_t SetBkColor(Dc* dc, uint32_t color) {
    return std::exchange(dc->bkColor, color);
}

bool MoveToEx(Dc* dc, int x, int y, Point* previous) {
    if (previous) *previous = {dc->x, dc->y};
    dc->x = x;
    dc->y = y;
    return true;
}

bool LineTo(Dc* dc, int x, int y) {
    if (!dc->surface) return false;
    if (const Pen& pen = CurrentPen(dc); pen.style != PS_NULL)
        Stroke(dc->surface, pen, ColorToPixel(dc->surface->format, pen.color), dc->x, dc->y, x, y);
    dc->x = x;
    dc->y = y;
    return true;
}

bool Rectangle(Dc* dc, int left, int top, int right, int bottom) {
    if (!dc->surface) return false;
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    // Without a pen the box is one pixel smaller, as the outline would have covered it.
    bool pen = CurrentPen(dc).style != PS_NULL;
    Surface* s = dc->surface;
    // The fill's far edges, in 64 bits and then within the surface (an edge at INT_MIN less one
    // would not fit in an int).
    const int fillRight =
        static_cast<int>(std::clamp<int64_t>(pen ? right : right - int64_t{1}, 0, s->width));
    const int fillBottom =
        static_cast<int>(std::clamp<int64_t>(pen ? bottom : bottom - int64_t{1}, 0, s->height));
    const Paint paint = BrushPaint(dc);
    if (paint.style != BS_NULL && paint.style != BS_HATCHED) {
        raster::FillRect(s, left, top, fillRight, fillBottom, paint.ink);
    } else {
        for (int y = std::max(top, 0); y < fillBottom; ++y)
            BrushSpan(s, paint, y, std::max(left, 0), fillRight);
    }
    if (pen && right > left && bottom > top) {
        const Pen& outline = CurrentPen(dc);
        const uint32_t raw = ColorToPixel(s->format, outline.color);
        const int64_t l = left, t = top, r = right - int64_t{1}, b = bottom - int64_t{1};
        Stroke(s, outline, raw, l, t, r, t);
        Stroke(s, outline, raw, r, t, r, b);
        Stroke(s, outline, raw, r, b, l, b);
        Stroke(s, outline, raw, l, b, l, t);
    }
    return true;
}

bool Polygon(Dc* dc, const Point* points, int count) {
    if (!dc->surface || count < 2) return false;
    std::vector<raster::PointF> shape;
    for (int i = 0; i < count; ++i) shape.push_back({double(points[i].x), double(points[i].y)});
    const Paint paint = BrushPaint(dc);
    raster::ScanPolygon(dc->surface, shape,
                        [&](int y, int x0, int x1) { BrushSpan(dc->surface, paint, y, x0, x1); });
    StrokePath(dc, std::vector<Point>(points, points + count), true);
    return true;
}

bool PolyBezier(Dc* dc, const Point* points, int count) {
    if (!dc->surface || count < 4 || (count - 1) % 3 != 0) return false;
    std::vector<Point> path{points[0]};
    for (int i = 1; i + 2 < count; i += 3) {
        const Point &p0 = points[i - 1], &p1 = points[i], &p2 = points[i + 1], &p3 = points[i + 2];
        // Enough segments that each is a few pixels long along the control polygon.
        auto length = [](const Point& a, const Point& b) {
            return std::hypot(double(b.x) - a.x, double(b.y) - a.y);
        };
        double reach = length(p0, p1) + length(p1, p2) + length(p2, p3);
        int steps = std::clamp(static_cast<int>(reach / 3), 1, 512);
        for (int k = 1; k <= steps; ++k) {
            double t = double(k) / steps, u = 1 - t;
            double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
            Point p{static_cast<int32_t>(std::lround(a * p0.x + b * p1.x + c * p2.x + d * p3.x)),
                    static_cast<int32_t>(std::lround(a * p0.y + b * p1.y + c * p2.y + d * p3.y))};
            if (p.x != path.back().x || p.y != path.back().y) path.push_back(p);
        }
    }
    StrokePath(dc, path, false);
    return true;
}

bool InvertRect(Dc* dc, const Rect& rect) {
    Surface* s = dc->surface;
    if (!s) return false;
    PixelMasks masks = Masks(s->format);
    uint32_t all = masks.red | masks.green | masks.blue;
    for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, s->height); ++y) {
        uint8_t* row = s->pixels.data() + size_t(y) * s->pitch;
        for (int x = std::max(rect.left, 0); x < std::min(rect.right, s->width); ++x) {
            if (BytesPerPixel(s->format) == 4) {
                reinterpret_cast<uint32_t*>(row)[x] ^= all;
            } else {
                reinterpret_cast<uint16_t*>(row)[x] ^= static_cast<uint16_t>(all);
            }
        }
    }
    return true;
}

}  // namespace plat
