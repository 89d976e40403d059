// Message boxes: text laid out in a box with line breaking (punctuation that may not start a line
// hangs past the right edge), shadow, thickening and extra line spacing, rendered into the Font
// sprite (slot 2) and put on the back screen, or kept there for the typewriter reveal. The
// smooth variant draws each line at double size into the Font buffer sprite (slot 3) and reduces
// it 2:1 with a 3 × 3 filter whose edges blend with the back screen's pixels underneath.
#include <algorithm>
#include <cstring>
#include <vector>

#include "draw/draw.h"
#include "system/system.h"
#include "text/text.h"

gkMessageState gkMessage;

namespace {

using plat::Rect;
using plat::Size;

constexpr int kFontSlot = 2;
constexpr int kFontBufferSlot = 3;
// Positions beyond this are far off any screen; clamping to it keeps every sum in range.
constexpr int kCoordinateLimit = 1 << 24;
constexpr uint32_t kDarkest = 0x101010;

// Characters that may not start a line; at the right edge they hang past it instead.
constexpr const char* kNoLineStart[] = {"、", "。", "，", "．", "・", "…",  "‥", "”",
                                        "’",  "（", "」", ",",  ".",  "　", " "};

bool NoLineStart(const char* ch, int length) {
    for (const char* entry : kNoLineStart) {
        if (std::strlen(entry) == size_t(length) && std::memcmp(entry, ch, length) == 0)
            return true;
    }
    return false;
}

// Black is the sprites' transparent key and what the smooth filter counts as empty.
uint32_t FloorColor(uint32_t color) {
    const bool dark = (color & 0xFF) < 16 && (color >> 8 & 0xFF) < 16 && (color >> 16 & 0xFF) < 16;
    return dark ? kDarkest : color;
}

// A selection on the slot that draws glyphs alone, without their cells' background.
void OpenTransparent(int slot) {
    gkDraw::OpenFontSelection(gkDraw::ObjectSurface(slot));
    if (gkFont.Dc) plat::SetBkMode(gkFont.Dc, plat::TRANSPARENT);
}

// What one rendering needs besides the text: the box's limits, the flags and the step of the
// shadow (1 normal, 2 at double size).
struct Box {
    int x, y, right, bottom;
    int flags;
    int shadowStep;
    // Within the coordinate limit, so that line steps cannot overflow.
    int BaseLineHeight() const {
        return std::clamp(gkFont.Description->height, -kCoordinateLimit, kCoordinateLimit) +
               (flags & gkDraw::kMessageSpacing);
    }
};

// Draws one character with its cell's top-left corner at (x, y) through the open selection:
// the shadow, the glyph, then its thickened copies.
void DrawCharacter(const Box& box, int x, int y, const char* ch, int length) {
    char text[3] = {};
    std::memcpy(text, ch, length);
    const int h = box.flags & gkDraw::kMessageThickenX ? 1 : 0;
    const int v = box.flags & gkDraw::kMessageThickenY ? 1 : 0;
    if (box.flags & gkDraw::kMessageShadow) {
        plat::SetTextColor(gkFont.Dc, gkText.BackColor);
        gkDraw::PutText(x + box.shadowStep + h, y + box.shadowStep + v, text);
    }
    plat::SetTextColor(gkFont.Dc, gkText.TextColor);
    gkDraw::PutText(x, y, text);
    if (h) gkDraw::PutText(x + 1, y, text);
    if (h && v) gkDraw::PutText(x + 1, y + 1, text);
    if (v) gkDraw::PutText(x, y + 1, text);
}

// The character's cell: its extent (rounded up to even sizes at double size), grown by the
// shadow and the thickening.
Size CellSize(const Box& box, const char* ch, int length) {
    Size size{};
    plat::GetTextExtentPoint32(gkFont.Dc, ch, length, &size);
    if (box.shadowStep == 2) {
        size.cx += size.cx & 1;
        size.cy += size.cy & 1;
    }
    if (box.flags & gkDraw::kMessageShadow) {
        size.cx += box.shadowStep;
        size.cy += box.shadowStep;
    }
    if (box.flags & gkDraw::kMessageThickenX) ++size.cx;
    if (box.flags & gkDraw::kMessageThickenY) ++size.cy;
    return size;
}

void GrowBox(int right, int bottom) {
    Rect& all = gkMessage.Glyphs[0];
    all.right = std::max(all.right, right);
    all.bottom = std::max(all.bottom, bottom);
}

// False when the list is full: the rendering ends there.
bool AddGlyph(const Rect& cell) {
    if (gkMessage.Count >= gk::kGlyphListEntries) return false;
    gkMessage.Glyphs[gkMessage.Count++] = cell;
    return true;
}

void PutFromFontSprite(const Rect& r) {
    gkDraw::PutObject(r.left, r.top, kFontSlot, r.left, r.top, r.right, r.bottom);
}

// One character of the text at byte i: a line feed, or 1 or 2 bytes (a lead byte is never
// separated from its trail byte; one at the very end stands alone).
struct Character {
    const char* bytes;
    int length;
    bool lineFeed;
};
Character CharacterAt(const char* text, int i, int length) {
    if (text[i] == '\n') return {text + i, 1, true};
    return {text + i, plat::CharLength(text + i, length - i), false};
}

// Lays the text out on the open selection of the Font sprite, drawing each glyph in place.
void RenderLines(const Box& box, const char* text) {
    const int length = static_cast<int>(std::strlen(text));
    int px = box.x, py = box.y;
    int lineHeight = box.BaseLineHeight();
    for (int i = 0; i < length;) {
        const Character ch = CharacterAt(text, i, length);
        const Size cell = ch.lineFeed ? Size{} : CellSize(box, ch.bytes, ch.length);
        const int left = px;
        px += cell.cx;
        lineHeight = std::max(lineHeight, cell.cy);
        const bool crosses = px > box.right;
        const bool hangs = crosses && !ch.lineFeed && NoLineStart(ch.bytes, ch.length);
        // A character wider than the whole box stays on the line it starts.
        const bool alone = left == box.x;
        if (ch.lineFeed || hangs || (crosses && !alone)) {
            if (hangs) {
                DrawCharacter(box, left, py, ch.bytes, ch.length);
                GrowBox(px, py + cell.cy);
            }
            if (hangs || ch.lineFeed) i += ch.length;  // else it starts the next line
            px = box.x;
            py += lineHeight;
            if (py + lineHeight >= box.bottom) return;
            continue;
        }
        if (!AddGlyph({left, py, px, py + cell.cy})) return;
        DrawCharacter(box, left, py, ch.bytes, ch.length);
        GrowBox(px, py + cell.cy);
        i += ch.length;
    }
}

// ---- Reduction of the double-size strip ----------------------------------------------------

struct Locked {
    plat::Surface* surface;
    uint8_t* pixels = nullptr;
    int pitch = 0;
};

// The channel layout of the display's pixels: three fields of `max + 1` levels.
struct Channels {
    int shift[3];
    uint32_t max;
};

Channels DisplayChannels(bool wide) {
    if (wide) return {{gkScreen.RedShift, gkScreen.GreenShift, gkScreen.BlueShift}, 255};
    return {{gkScreen.Red5Shift, gkScreen.Green5Shift, gkScreen.Blue5Shift}, 31};
}

// For each destination pixel, the 3 × 3 source pixels around (2i, 2j) of the area (those off
// the surface left out): n non-black ones with channel sums S give (S + M + (8 - n) × B) / 8
// per channel (no B term from n = 8 on), B the back screen's channel underneath, capped at M.
// With no ink the pixel stays transparent. Each row of destination pixels first sums the three
// source rows per column (black adds nothing to a sum), so neighbours share their columns.
template <typename Pixel>
void ReduceArea(const Locked& strip, const Locked& out, const Locked& back, int sx, int sy, int dx,
                int dy, int w, int h, const Channels& ch) {
    // Column k of the sums is source column sx - 1 + k; those off the surface stay empty.
    const int columns = 2 * w + 1;
    const int first = std::max(0, 1 - sx), last = std::min(columns, strip.surface->width - sx + 1);
    std::vector<uint32_t> sums(4 * size_t(columns));
    uint32_t* count = sums.data();
    uint32_t* channel[3] = {count + columns, count + 2 * columns, count + 3 * columns};
    for (int j = 0; j < h; ++j) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int r = 0; r < 3; ++r) {
            const int y = sy + 2 * j + r - 1;
            if (y < 0 || y >= strip.surface->height) continue;
            const Pixel* row =
                reinterpret_cast<const Pixel*>(strip.pixels + size_t(y) * strip.pitch);
            for (int k = first; k < last; ++k) {
                const Pixel p = row[sx - 1 + k];
                count[k] += p != 0;
                for (int c = 0; c < 3; ++c) channel[c][k] += p >> ch.shift[c] & ch.max;
            }
        }
        Pixel* target = reinterpret_cast<Pixel*>(out.pixels + size_t(dy + j) * out.pitch) + dx;
        const Pixel* under =
            reinterpret_cast<const Pixel*>(back.pixels + size_t(dy + j) * back.pitch) + dx;
        for (int i = 0; i < w; ++i) {
            const int k = 2 * i;
            const uint32_t n = count[k] + count[k + 1] + count[k + 2];
            if (!n) continue;
            const uint32_t weight = n < 8 ? 8 - n : 0;
            uint32_t value = 0;
            for (int c = 0; c < 3; ++c) {
                const uint32_t sum = channel[c][k] + channel[c][k + 1] + channel[c][k + 2];
                const uint32_t b = under[i] >> ch.shift[c] & ch.max;
                value |= std::min((sum + ch.max + weight * b) / 8, ch.max) << ch.shift[c];
            }
            target[i] = static_cast<Pixel>(value);
        }
    }
}

// Reduces the area (0, 0)-(width, height) of the Font buffer into the Font sprite at (dx, dy),
// inside the clip rectangle and the surfaces. Cut edges take the source along by twice the
// destination pixels cut off, so the glyphs stay in place.
void ReduceStrip(int width, int height, int dx, int dy) {
    Locked strip{gkDraw::ObjectSurface(kFontBufferSlot)}, out{gkDraw::ObjectSurface(kFontSlot)},
        back{gkScreen.Back};
    int sx = 0, sy = 0, w = width / 2, h = height / 2;
    const Rect& clip = gkScreen.Clip;
    const int clipRight = std::min({clip.right, out.surface->width, back.surface->width});
    const int clipBottom = std::min({clip.bottom, out.surface->height, back.surface->height});
    const int clipLeft = std::max(clip.left, 0), clipTop = std::max(clip.top, 0);
    if (dx + w > clipRight) w = clipRight - dx;
    if (dy + h > clipBottom) h = clipBottom - dy;
    if (dx < clipLeft) {
        sx = 2 * (clipLeft - dx);
        w -= clipLeft - dx;
        dx = clipLeft;
    }
    if (dy < clipTop) {
        sy = 2 * (clipTop - dy);
        h -= clipTop - dy;
        dy = clipTop;
    }
    if (w <= 0 || h <= 0) return;
    Locked* order[] = {&strip, &out, &back};
    int locked = 0;
    for (; locked < 3; ++locked) {
        Locked& l = *order[locked];
        if (plat::Lock(l.surface, &l.pixels, &l.pitch, plat::DDLOCK_WAIT) != plat::DD_OK) break;
    }
    const bool wide = plat::BytesPerPixel(out.surface->format) == 4;
    if (locked == 3) {
        const Channels ch = DisplayChannels(wide);
        if (wide) {
            ReduceArea<uint32_t>(strip, out, back, sx, sy, dx, dy, w, h, ch);
        } else {
            ReduceArea<uint16_t>(strip, out, back, sx, sy, dx, dy, w, h, ch);
        }
    }
    while (locked > 0) plat::Unlock(order[--locked]->surface);
}

// The strip of the current line: where its left edge lands on the screen and what it holds.
struct Strip {
    int lx, ly;      // screen position of the strip's left edge
    int width = 0;   // double-size pixels drawn so far
    int height = 0;  // double-size line height so far
};

// Reduces the strip onto the Font sprite, cut at the bottom limit, and grows the box to it.
void FlushStrip(const Box& box, const Strip& strip) {
    gkDraw::CloseFontSelection(gkDraw::ObjectSurface(kFontBufferSlot));
    int height = strip.height;
    const int overhang = strip.ly + strip.height / 2 - box.bottom;
    if (overhang > 0) height -= overhang * 2;
    GrowBox(strip.lx + strip.width / 2, strip.ly + height / 2);
    ReduceStrip(strip.width, height, strip.lx, strip.ly);
}

// Lays the text out line by line in the strip, flushing it at every line end and whenever it
// is as wide as the screen.
void RenderSmoothLines(const Box& box, const char* text) {
    const int length = static_cast<int>(std::strlen(text));
    Strip strip{box.x, box.y, 0, box.BaseLineHeight()};
    for (int i = 0; i < length && gkFont.Dc;) {
        const Character ch = CharacterAt(text, i, length);
        Size cell{};
        if (!ch.lineFeed) {
            DrawCharacter(box, strip.width, 0, ch.bytes, ch.length);
            cell = CellSize(box, ch.bytes, ch.length);
        }
        const int left = strip.lx + strip.width / 2;
        strip.width += cell.cx;
        strip.height = std::max(strip.height, cell.cy);
        const bool crosses = strip.lx + strip.width / 2 >= box.right;
        const bool full = strip.width >= gkScreen.Width;
        const bool hangs = crosses && !ch.lineFeed && NoLineStart(ch.bytes, ch.length);
        // Alone in the strip, a character that cannot go further left (line start) or that
        // fills a strip on its own stays where it is.
        const bool stays = strip.width == cell.cx && (strip.lx == box.x || !crosses);
        if (ch.lineFeed || hangs || ((crosses || full) && !stays)) {
            if (hangs || ch.lineFeed) {
                i += ch.length;
            } else {
                strip.width -= cell.cx;
            }
            FlushStrip(box, strip);
            gkDraw::ClearObject(kFontBufferSlot);
            OpenTransparent(kFontBufferSlot);
            strip.lx += strip.width / 2;
            if (strip.lx + cell.cx / 2 >= box.right || ch.lineFeed) {
                strip.lx = box.x;
                strip.ly += strip.height / 2;
            }
            strip.width = 0;
            strip.height = box.BaseLineHeight();
            if (strip.ly >= box.bottom) return;
            continue;
        }
        if (!AddGlyph({left, strip.ly, left + cell.cx / 2, strip.ly + cell.cy / 2})) {
            strip.width -= cell.cx;
            break;
        }
        i += ch.length;
    }
    if (strip.width != 0) FlushStrip(box, strip);
}

int Clamp(int v) {
    return std::clamp(v, -kCoordinateLimit, kCoordinateLimit);
}

// The frame shared by all renderers: the caller's selection closed for the work and open again
// on return, the colour floor, the glyph list and reveal started afresh, and the box put unless
// the put-after-render flag is clear (a make clears it for its one call).
template <typename LayOut>
void Render(int x, int y, int right, int bottom, const char* text, uint16_t flags, bool smooth,
            bool make, LayOut layOut) {
    if (!gkFont.Description || !gkDraw::ObjectSurface(kFontSlot) ||
        !gkDraw::ObjectSurface(kFontBufferSlot))
        return;
    if (make) gkFont.PutAfterRender = 0;
    plat::Surface* caller = gkFont.Surface;
    gkDraw::CloseFontSelection(caller);
    gkText.TextColor = FloorColor(gkText.TextColor);
    gkText.BackColor = FloorColor(gkText.BackColor);
    const Box box{Clamp(x), Clamp(y), Clamp(right), Clamp(bottom), flags, smooth ? 2 : 1};
    gkMessage.Glyphs[0] = {box.x, box.y, box.x, box.y};
    gkMessage.Count = 1;
    gkDraw::ClearObject(kFontSlot);
    if (smooth) gkDraw::ClearObject(kFontBufferSlot);
    OpenTransparent(smooth ? kFontBufferSlot : kFontSlot);
    if (gkFont.Dc) layOut(box, text ? text : "");
    gkDraw::CloseFontSelection(gkFont.Surface);
    if (gkFont.PutAfterRender == 1) PutFromFontSprite(gkMessage.Glyphs[0]);
    gkDraw::OpenFontSelection(caller);
    gkMessage.Shown = 0;
    gkMessage.Timer = 0.0f;
    gkFont.PutAfterRender = 1;
}

}  // namespace

namespace gkDraw {

void PutMessage(int x, int y, int right, int bottom, const char* text, uint16_t flags) {
    Render(x, y, right, bottom, text, flags, false, false, RenderLines);
}

void MakeMessage(int x, int y, int right, int bottom, const char* text, uint16_t flags) {
    Render(x, y, right, bottom, text, flags, false, true, RenderLines);
}

void PutSmoothMessage(int x, int y, int right, int bottom, const char* text, uint16_t flags) {
    Render(x, y, right, bottom, text, flags, true, false, RenderSmoothLines);
}

void MakeSmoothMessage(int x, int y, int right, int bottom, const char* text, uint16_t flags) {
    Render(x, y, right, bottom, text, flags, true, true, RenderSmoothLines);
}

int TypeMessage(float secondsPerGlyph) {
    if (gkMessage.Count == 0) return 1;
    if (!(secondsPerGlyph > 0.0f) || gkMessage.Shown > gkMessage.Count) {
        PutFromFontSprite(gkMessage.Glyphs[0]);
        gkMessage.Shown = gkMessage.Count + 1;
        return 1;
    }
    for (int k = 1; k < gkMessage.Shown; ++k) PutFromFontSprite(gkMessage.Glyphs[k]);
    gkMessage.Timer += gkSystem::FrameDelta;
    if (gkMessage.Timer >= secondsPerGlyph) {
        if (gkMessage.Shown <= gkMessage.Count) ++gkMessage.Shown;
        gkMessage.Timer = 0.0f;
    }
    return 0;
}

}  // namespace gkDraw
