// GDI text on a surface's device context: the selected font, text and background colours,
// TextOut (also turned by the font's escapement), text extents and DrawText's line layout.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>
#include <vector>

#include "gk_limits.h"
#include "platform/gdi.h"
#include "platform/gdi_raster.h"

namespace plat {

namespace {

// The font a context uses before any is selected (the system font's role).
Font StockFont() {
    static Font font = [] {
        LogFont record{};
        record.height = 16;
        record.weight = FW_NORMAL;
        record.charSet = SHIFTJIS_CHARSET;
        return CreateFont(record);
    }();
    return font;
}

Font CurrentFont(const Dc* dc) {
    return dc->font ? dc->font : StockFont();
}

// Places text-space points (along the baseline, down from the cell top) on the surface for a
// line starting at (x, y) and turned by the escapement.
struct TextFrame {
    double x, y, cos, sin;
    bool upright;  // a whole number of turns: boxes stay axis-aligned rectangles
    TextFrame(int x0, int y0, int escapement)
        : x(x0),
          y(y0),
          cos(escapement % 3600 == 0 ? 1.0 : std::cos(Radians(escapement))),
          sin(escapement % 3600 == 0 ? 0.0 : std::sin(Radians(escapement))),
          upright(escapement % 3600 == 0) {}
    static double Radians(int escapement) { return escapement / 10.0 * std::numbers::pi / 180.0; }
    raster::PointF At(double along, double down) const {
        return {x + along * cos + down * sin, y - along * sin + down * cos};
    }
};

// Fills the text-space box [a0, a1) × [d0, d1) of the line.
void FillTextBox(Surface* s, const TextFrame& frame, int a0, int a1, int d0, int d1, uint32_t raw) {
    if (frame.upright) {
        const int64_t x = static_cast<int64_t>(frame.x), y = static_cast<int64_t>(frame.y);
        raster::FillRect(s, gk::SaturateInt(x + a0), gk::SaturateInt(y + d0),
                         gk::SaturateInt(x + a1), gk::SaturateInt(y + d1), raw);
        return;
    }
    raster::ScanPolygon(s, {frame.At(a0, d0), frame.At(a1, d0), frame.At(a1, d1), frame.At(a0, d1)},
                        [&](int y, int x0, int x1) { raster::FillSpan(s, x0, x1, y, raw); });
}

// For each group of pixels one 8-byte word holds (4 of 16 bits, 2 of 32 bits), indexed by the
// group's ink bits: the mask of the inked pixels' bytes.
template <int kBytes>
constexpr std::array<uint64_t, 1 << (8 / kBytes)> kInkMasks = [] {
    std::array<uint64_t, 1 << (8 / kBytes)> masks{};
    const uint64_t pixel = kBytes == 2 ? 0xFFFF : 0xFFFFFFFF;
    for (size_t bits = 0; bits < masks.size(); ++bits)
        for (int i = 0; i < 8 / kBytes; ++i)
            if (bits >> i & 1) masks[bits] |= pixel << (8 * kBytes * i);
    return masks;
}();

// Draws the glyph a row at a time from its row bits, as 8-byte words blending the ink into the
// surface: a few steps a row instead of a span per run. A row's words end with the group of its
// last inked pixel, so they may reach a few pixels past the glyph's width.
template <int kBytes>
void DrawGlyphWords(const raster::SpanFill& ink, const Glyph& glyph, int x, int y) {
    constexpr int kPerWord = 8 / kBytes;
    uint8_t* row = ink.At(x, y);
    for (uint64_t bits : glyph.rowBits) {
        for (uint8_t* word = row; bits != 0; bits >>= kPerWord, word += 8) {
            const uint64_t mask = kInkMasks<kBytes>[bits & ((1 << kPerWord) - 1)];
            uint64_t pixels;
            std::memcpy(&pixels, word, 8);
            pixels = (pixels & ~mask) | (ink.pattern & mask);
            std::memcpy(word, &pixels, 8);
        }
        row += ink.pitch;
    }
}

// Draws the glyph's ink with the bitmap's top-left corner at (left, top): a glyph wholly inside
// the surface is drawn without tests (by words when they stay on the surface's rows, else by
// runs), one that is not has each run cut to the surface.
void DrawGlyph(const Surface* s, const raster::SpanFill& ink, const Glyph& glyph, int64_t left,
               int64_t top) {
    if (left >= 0 && top >= 0 && left + glyph.width <= s->width &&
        top + glyph.height <= s->height) {
        const int x = static_cast<int>(left), y = static_cast<int>(top);
        // The width rounded up to 4 pixels: a whole number of words in both pixel sizes.
        const int64_t wordsEnd = left + (glyph.width + 3) / 4 * 4;
        if (!glyph.rowBits.empty() && wordsEnd <= s->width) {
            if (ink.bytesPerPixel == 2)
                DrawGlyphWords<2>(ink, glyph, x, y);
            else
                DrawGlyphWords<4>(ink, glyph, x, y);
            return;
        }
        for (const InkRun& run : glyph.runs) ink(x + run.x0, x + run.x1, y + run.y);
        return;
    }
    for (const InkRun& run : glyph.runs) {
        const int64_t y = top + run.y;
        const int64_t x0 = std::max<int64_t>(left + run.x0, 0);
        const int64_t x1 = std::min<int64_t>(left + run.x1, s->width);
        if (y >= 0 && y < s->height)
            ink(static_cast<int>(x0), static_cast<int>(x1), static_cast<int>(y));
    }
}

struct Line {
    int start;
    int length;
};

bool IsSpace(char c) {
    return c == ' ';
}

// Splits text into DrawText's lines: at CR, LF or CR LF, and when wrapping, before the word or
// double-byte character that would pass maxWidth. Spaces at a wrap are dropped.
std::vector<Line> LayoutLines(Font font, const char* text, int length, int maxWidth, bool wrap) {
    std::vector<Line> lines;
    int i = 0;
    for (;;) {
        int start = i, width = 0;
        int breakAt = -1;  // end of the line's text at the last break opportunity
        bool wrapped = false;
        while (i < length && text[i] != '\n' && text[i] != '\r') {
            int n = CharLength(text + i, length - i);
            int advance = GetGlyph(font, text + i, n).advance;
            bool doubleByte = n == 2;
            if (doubleByte && i > start) breakAt = i;
            if (wrap && !IsSpace(text[i]) && width + advance > maxWidth && i > start) {
                if (breakAt > start) i = breakAt;
                wrapped = true;
                break;
            }
            width += advance;
            i += n;
            if (IsSpace(text[i - 1]) || doubleByte) breakAt = i;
        }
        int end = i;
        while (wrapped && end > start && IsSpace(text[end - 1])) --end;
        lines.push_back({start, end - start});
        if (wrapped) {
            while (i < length && IsSpace(text[i])) ++i;
            continue;
        }
        if (i >= length) break;
        i += (text[i] == '\r' && i + 1 < length && text[i + 1] == '\n') ? 2 : 1;
        if (i >= length) break;
    }
    return lines;
}

}  // namespace

Font SelectObject(Dc* dc, Font font) {
    return std::exchange(dc->font, font);
}

uint32_t SetTextColor(Dc* dc, uint32_t color) {
    return std::exchange(dc->textColor, color);
}

bool TextOut(Dc* dc, int x, int y, const char* text, int length) {
    Surface* s = dc->surface;
    if (!s || length < 0) return false;
    Font font = CurrentFont(dc);
    const FontMetrics& m = GetFontMetrics(font);
    TextFrame frame(x, y, m.escapement);
    int width = TextWidth(font, text, length);
    if (dc->bkMode != TRANSPARENT) {
        FillTextBox(s, frame, 0, width, 0, m.height, ColorToPixel(s->format, dc->bkColor));
    }
    const uint32_t inkPixel = ColorToPixel(s->format, dc->textColor);
    const raster::SpanFill ink(s, inkPixel);
    int pen = 0;
    for (int i = 0; i < length;) {
        int n = CharLength(text + i, length - i);
        const Glyph& glyph = GetGlyph(font, text + i, n);
        // Upright text steps along the row in whole pixels; turned text places each pen point.
        int64_t originX = int64_t{x} + pen, originY = int64_t{y} + m.ascent;
        if (!frame.upright) {
            raster::PointF origin = frame.At(pen, m.ascent);
            originX = std::llround(origin.x);
            originY = std::llround(origin.y);
        }
        DrawGlyph(s, ink, glyph, originX + glyph.left, originY - glyph.top);
        pen += glyph.advance;
        i += n;
    }
    auto rule = [&](int top) {
        FillTextBox(s, frame, 0, width, top, top + m.lineThickness, inkPixel);
    };
    if (m.underline) rule(m.ascent + m.underlineOffset);
    if (m.strikeOut) rule(m.ascent - m.strikeOffset);
    return true;
}

bool GetTextExtentPoint32(Dc* dc, const char* text, int length, Size* size) {
    Font font = CurrentFont(dc);
    *size = {TextWidth(font, text, length), GetFontMetrics(font).height};
    return true;
}

int DrawText(Dc* dc, const char* text, int length, Rect* rect, uint32_t format) {
    if (length < 0) length = static_cast<int>(std::strlen(text));
    Font font = CurrentFont(dc);
    int lineHeight = GetFontMetrics(font).height;
    // Positions in 64 bits, brought back into int at the ends of its range.
    const int64_t left = rect->left, right = rect->right;
    std::vector<Line> lines =
        LayoutLines(font, text, length, gk::SaturateInt(right - left), format & DT_WORDBREAK);
    const int height = gk::SaturateInt(int64_t{lineHeight} * static_cast<int64_t>(lines.size()));
    if (format & DT_CALCRECT) {
        rect->bottom = gk::SaturateInt(int64_t{rect->top} + height);
        if (lines.size() == 1) {
            rect->right =
                gk::SaturateInt(left + TextWidth(font, text + lines[0].start, lines[0].length));
        }
        return height;
    }
    int64_t y = rect->top;
    for (const Line& line : lines) {
        int width = TextWidth(font, text + line.start, line.length);
        int64_t x = left;
        if (format & DT_CENTER) {
            x = left + (right - left - width) / 2;
        } else if (format & DT_RIGHT) {
            x = right - width;
        }
        TextOut(dc, gk::SaturateInt(x), gk::SaturateInt(y), text + line.start, line.length);
        y += lineHeight;
    }
    return height;
}

}  // namespace plat
