// Animated strip puts: an object drawn one source row at a time through PutObject (PutRoll:
// PutObjectOpaque), each row displaced or repeated to make waves, scrolling tiles, mosaics,
// skipped rows, shakes and rolls. Their phases and offsets persist in gkPutAnimation and move
// with the frame time; the random ones use rand(), seeded at start-up.
#include <cmath>
#include <cstdlib>

#include "draw/draw.h"
#include "system/system.h"

gkPutAnimationState gkPutAnimation;

namespace {

constexpr double kPi = 3.14159265358979323846;

// amplitude × cos(a degrees), truncated toward zero.
int WaveOffset(int amplitude, int degrees) {
    return static_cast<int>(amplitude * std::cos(degrees * (kPi + kPi) / 360.0));
}

// The wave's angle step for row r: one degree per `period` rows (per row when period is 0).
int WaveRow(int r, int period) {
    return period != 0 ? r / period : r;
}

// One source row r of the rectangle's width, put at (x, y).
void Strip(int x, int y, int slot, int sl, int r, int sr) {
    gkDraw::PutObject(x, y, slot, sl, r, sr, r + 1);
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
    gkPutAnimationState& a = gkPutAnimation;
    for (int r = st; r < sb; ++r) {
        int d = WaveOffset(amplitude, WaveRow(r, period) + static_cast<int>(a.WavePhase));
        if (alternate) {
            d *= a.WaveSign;
            a.WaveSign = -a.WaveSign;
        }
        Strip(x + d, y + r - st, slot, sl, r, sr);
    }
    AdvancePhase(a.WavePhase, speed);
}

void PutScrollTiles(float speedX, float speedY, int slot, int sl, int st, int sr, int sb) {
    gkPutAnimationState& a = gkPutAnimation;
    const int tw = sr - sl, th = sb - st;
    // An empty tile would divide by zero and cover nothing.
    if (tw != 0 && th != 0)
        for (int j = 0; j < gkScreen.Height / th + 2; ++j)
            for (int i = 0; i < gkScreen.Width / tw + 2; ++i)
                PutObject(tw * i + static_cast<int>(a.TileX), th * j + static_cast<int>(a.TileY),
                          slot, sl, st, sr, sb);
    AdvanceTileOffset(a.TileX, speedX, tw);
    AdvanceTileOffset(a.TileY, speedY, th);
}

void PutWaveScroll(int x, int y, int amplitude, int period, float waveSpeed, float scrollSpeed,
                   int slot, int sl, int st, int sr, int sb) {
    gkPutAnimationState& a = gkPutAnimation;
    const int h = sb - st;
    for (int r = st; r < sb; ++r) {
        const int d =
            WaveOffset(amplitude, WaveRow(r, period) + static_cast<int>(a.WaveScrollPhase));
        int s = r + static_cast<int>(a.WaveScrollRow);
        if (s >= sb) s -= h;
        Strip(x + d, y + r, slot, sl, s, sr);
    }
    AdvancePhase(a.WaveScrollPhase, waveSpeed);
    AdvanceRowScroll(a.WaveScrollRow, scrollSpeed, h);
}

void PutWaveTiles(int top, int bottom, int amplitude, int period, float waveSpeed,
                  float scrollSpeed, int slot, int sl, int st, int sr, int sb) {
    gkPutAnimationState& a = gkPutAnimation;
    const int h = sb - st, tw = sr - sl;
    // An empty image would divide by zero and cover nothing.
    if (h != 0 && tw != 0)
        for (int q = 0; q < bottom - top; ++q) {
            int s = q % h + static_cast<int>(a.WaveTilesRow);
            if (s > h - 1) s -= h;
            const int d =
                WaveOffset(amplitude, WaveRow(q, period) + static_cast<int>(a.WaveTilesPhase));
            for (int i = 0; i < gkScreen.Width / tw + 2; ++i)
                Strip(tw * i + d - amplitude, top + q, slot, sl, st + s, sr);
        }
    AdvancePhase(a.WaveTilesPhase, waveSpeed);
    AdvanceRowScroll(a.WaveTilesRow, scrollSpeed, h);
}

void PutRowMosaic(int x, int y, int rows, int slot, int sl, int st, int sr, int sb) {
    if (rows < 1) return;  // fewer than one row per block would never advance
    for (int r = st; r < sb; r += rows)
        for (int q = r; q < r + rows; ++q) Strip(x, y + q - st, slot, sl, r, sr);
}

void PutSkipRows(int x, int y, int step, int slot, int sl, int st, int sr, int sb) {
    if (step > 0) {
        for (int r = st + step; r < sb; r += step) Strip(x, y + r - st, slot, sl, r, sr);
    } else if (step < 0) {
        const int gap = -step;
        for (int r = st + std::rand() % gap + 1; r < sb; r += std::rand() % gap + 1)
            Strip(x, y + r - st, slot, sl, r, sr);
    }
}

void PutShake(int x, int y, int amplitude, int slot, int sl, int st, int sr, int sb) {
    if (amplitude <= 0) {
        PutObject(x, y, slot, sl, st, sr, sb);
        return;
    }
    for (int r = st; r < sb; ++r)
        Strip(x + std::rand() % (2 * amplitude) - amplitude, y + r - st, slot, sl, r, sr);
}

void PutRoll(int x, int y, int forward, float speed, int slot, int sl, int st, int sr, int sb) {
    const int h = sb - st;
    if (h < 2) return;  // the drum's angle step divides by h - 1
    const int half = h / 2;
    float& phase = gkPutAnimation.RollPhase;
    int next = 0;
    for (int k = 0; k < h; ++k) {
        const int target = static_cast<int>(
            std::cos((k + static_cast<double>(phase)) * (kPi + kPi) / (h - 1)) * half + half);
        for (int j = next; j <= target; ++j) PutObjectOpaque(x, y + j, slot, sl, k, sr, k + 1);
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
