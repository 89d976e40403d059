// Animated strip puts: an object drawn one source row at a time through PutObject (PutRoll:
// PutObjectOpaque), each row displaced or repeated to make waves, scrolling tiles, mosaics,
// skipped rows, shakes and rolls. Their phases and offsets persist in gkPutAnimation and move
// with the frame time; the random ones use rand(), seeded at start-up.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "draw/draw.h"
#include "system/system.h"

gkPutAnimationState gkPutAnimation;

namespace {

constexpr double kPi = 3.14159265358979323846;

// amplitude × cos(a degrees), truncated toward zero.
int WaveOffset(int amplitude, int64_t degrees) {
    return static_cast<int>(amplitude *
                            std::cos(static_cast<double>(degrees) * (kPi + kPi) / 360.0));
}

// The wave's angle step for row r: one degree per `period` rows (per row when period is 0).
int64_t WaveRow(int64_t r, int period) {
    return period != 0 ? r / period : r;
}

// One source row r of the rectangle's width, put at (x, y). Positions are computed in 64 bits
// by the callers; beyond the int range they are off every screen, where the clamp keeps them.
void Strip(int64_t x, int64_t y, int slot, int sl, int64_t r, int sr) {
    gkDraw::PutObject(gk::SaturateInt(x), gk::SaturateInt(y), slot, sl, gk::SaturateInt(r), sr,
                      gk::SaturateInt(r + 1));
}

// Rows r in [first, last) whose strip lands on screen row base + r inside the clip rectangle.
// Other rows draw nothing, so the loops visit only these: their work is bounded by the clip
// rectangle's height, whatever the arguments.
struct Rows {
    int64_t first, last;
};
Rows VisibleRows(int64_t base, int64_t first, int64_t last) {
    return {std::max(first, gkScreen.Clip.top - base), std::min(last, gkScreen.Clip.bottom - base)};
}

void AdvancePhase(float& phase, float speed) {
    phase += gkSystem::FrameDelta * speed;
    if (phase >= 360) phase -= 360;
}

// Row scroll of the scrolling waves: moves back by speed rows per second, wrapped into 0..h.
void AdvanceRowScroll(float& scroll, float speed, int h) {
    scroll -= gkSystem::FrameDelta * speed;
    if (scroll < 0) scroll += h;
    if (scroll >= h) scroll -= h;
}

// A tile offset: moves by speed pixels per second, kept within -size..0.
void AdvanceTileOffset(float& offset, float speed, int size) {
    offset += gkSystem::FrameDelta * speed;
    if (offset < -size) offset += size;
    if (offset > 0) offset -= size;
}

}  // namespace

namespace gkDraw {

void PutWave(int x, int y, int amplitude, int period, float speed, int slot, int sl, int st, int sr,
             int sb, int alternate) {
    if (!gkDraw::ValidSlot(slot)) return;
    gkPutAnimationState& a = gkPutAnimation;
    // The alternating sign flips once per source row, drawn or not.
    const int sign = a.WaveSign;
    const auto signAt = [&](int64_t row) { return alternate && (row - st) % 2 ? -sign : sign; };
    const Rows rows = VisibleRows(int64_t{y} - st, st, sb);
    for (int64_t r = rows.first; r < rows.last; ++r) {
        int d = WaveOffset(amplitude, WaveRow(r, period) + static_cast<int>(a.WavePhase));
        if (alternate) d *= signAt(r);
        Strip(int64_t{x} + d, int64_t{y} + r - st, slot, sl, r, sr);
    }
    a.WaveSign = signAt(std::max<int64_t>(sb, st));
    AdvancePhase(a.WavePhase, speed);
}

void PutScrollTiles(float speedX, float speedY, int slot, int sl, int st, int sr, int sb) {
    if (!ValidSlot(slot)) return;
    gkPutAnimationState& a = gkPutAnimation;
    const int tw = gk::SaturateInt(int64_t{sr} - sl), th = gk::SaturateInt(int64_t{sb} - st);
    // An empty tile would divide by zero and cover nothing.
    if (tw != 0 && th != 0)
        for (int j = 0; j < gkScreen.Height / th + 2; ++j)
            for (int i = 0; i < gkScreen.Width / tw + 2; ++i)
                PutObject(gk::SaturateInt(int64_t{tw} * i + static_cast<int>(a.TileX)),
                          gk::SaturateInt(int64_t{th} * j + static_cast<int>(a.TileY)), slot, sl,
                          st, sr, sb);
    AdvanceTileOffset(a.TileX, speedX, tw);
    AdvanceTileOffset(a.TileY, speedY, th);
}

void PutWaveScroll(int x, int y, int amplitude, int period, float waveSpeed, float scrollSpeed,
                   int slot, int sl, int st, int sr, int sb) {
    if (!ValidSlot(slot)) return;
    gkPutAnimationState& a = gkPutAnimation;
    const int64_t h = int64_t{sb} - st;
    const Rows rows = VisibleRows(y, st, sb);
    for (int64_t r = rows.first; r < rows.last; ++r) {
        const int d =
            WaveOffset(amplitude, WaveRow(r, period) + static_cast<int>(a.WaveScrollPhase));
        int64_t s = r + static_cast<int>(a.WaveScrollRow);
        if (s >= sb) s -= h;
        Strip(int64_t{x} + d, int64_t{y} + r, slot, sl, s, sr);
    }
    AdvancePhase(a.WaveScrollPhase, waveSpeed);
    AdvanceRowScroll(a.WaveScrollRow, scrollSpeed, gk::SaturateInt(h));
}

void PutWaveTiles(int top, int bottom, int amplitude, int period, float waveSpeed,
                  float scrollSpeed, int slot, int sl, int st, int sr, int sb) {
    if (!ValidSlot(slot)) return;
    gkPutAnimationState& a = gkPutAnimation;
    const int64_t h = int64_t{sb} - st, tw = int64_t{sr} - sl;
    // An empty image would divide by zero and cover nothing.
    if (h != 0 && tw != 0) {
        const Rows rows = VisibleRows(top, 0, int64_t{bottom} - top);
        for (int64_t q = rows.first; q < rows.last; ++q) {
            int64_t s = q % h + static_cast<int>(a.WaveTilesRow);
            if (s > h - 1) s -= h;
            const int d =
                WaveOffset(amplitude, WaveRow(q, period) + static_cast<int>(a.WaveTilesPhase));
            for (int64_t i = 0; i < gkScreen.Width / tw + 2; ++i)
                Strip(tw * i + d - amplitude, top + q, slot, sl, st + s, sr);
        }
    }
    AdvancePhase(a.WaveTilesPhase, waveSpeed);
    AdvanceRowScroll(a.WaveTilesRow, scrollSpeed, gk::SaturateInt(h));
}

void PutRowMosaic(int x, int y, int rows, int slot, int sl, int st, int sr, int sb) {
    if (rows < 1 || sb <= st) return;  // fewer than one row per block would never advance
    // Block k repeats source row st + k × rows on screen rows q - st of its block; the last
    // block is drawn whole. Only the visible screen rows are visited.
    const int64_t blocks = (int64_t{sb} - st + rows - 1) / rows;
    const Rows visible = VisibleRows(int64_t{y} - st, st, st + blocks * rows);
    for (int64_t q = visible.first; q < visible.last; ++q)
        Strip(x, int64_t{y} + q - st, slot, sl, st + (q - st) / rows * rows, sr);
}

void PutSkipRows(int x, int y, int step, int slot, int sl, int st, int sr, int sb) {
    const Rows visible = VisibleRows(int64_t{y} - st, st, sb);
    if (step > 0) {
        // The first row of the step grid at or after the first visible row.
        const int64_t first = std::max<int64_t>(int64_t{st} + step,
                                                st + (visible.first - st + step - 1) / step * step);
        for (int64_t r = first; r < visible.last; r += step)
            Strip(x, int64_t{y} + r - st, slot, sl, r, sr);
    } else if (step < 0) {
        // Random gaps: rows above the screen are stepped over in one go, and the walk ends at
        // the screen's bottom.
        const int64_t gap = -int64_t{step};
        for (int64_t r = std::max<int64_t>(st, visible.first - 1) + std::rand() % gap + 1;
             r < visible.last; r += std::rand() % gap + 1)
            Strip(x, int64_t{y} + r - st, slot, sl, r, sr);
    }
}

void PutShake(int x, int y, int amplitude, int slot, int sl, int st, int sr, int sb) {
    if (amplitude <= 0) {
        PutObject(x, y, slot, sl, st, sr, sb);
        return;
    }
    const Rows visible = VisibleRows(int64_t{y} - st, st, sb);
    for (int64_t r = visible.first; r < visible.last; ++r)
        Strip(int64_t{x} + std::rand() % (2 * int64_t{amplitude}) - amplitude, int64_t{y} + r - st,
              slot, sl, r, sr);
}

void PutRoll(int x, int y, int forward, float speed, int slot, int sl, int st, int sr, int sb) {
    const int64_t h = int64_t{sb} - st;
    if (h < 2 || !ValidSlot(slot)) return;  // the drum's angle step divides by h - 1
    const int64_t half = h / 2;
    float& phase = gkPutAnimation.RollPhase;
    // Source row k exists only below the object's height, and the screen rows y + j only
    // inside the clip rectangle: the loops visit no others.
    const plat::Surface* object = ObjectSurface(slot);
    const int64_t rows = std::min<int64_t>(h, object ? object->height : 0);
    const Rows visible = VisibleRows(y, 0, h);
    int64_t next = 0;
    for (int64_t k = 0; k < rows; ++k) {
        const int64_t target = static_cast<int64_t>(
            std::cos((k + static_cast<double>(phase)) * (kPi + kPi) / (h - 1)) * half + half);
        for (int64_t j = std::max(next, visible.first); j <= std::min(target, visible.last - 1);
             ++j)
            PutObjectOpaque(x, static_cast<int>(y + j), slot, sl, static_cast<int>(k), sr,
                            static_cast<int>(k + 1));
        next = target + 1;
    }
    if (forward == 0) {
        phase -= gkSystem::FrameDelta * speed;
        if (phase < 0) phase += h;
    } else {
        phase += gkSystem::FrameDelta * speed;
        if (phase >= h) phase -= h;
    }
}

}  // namespace gkDraw
