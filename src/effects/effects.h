// Software pixel effects on locked 16-bit surfaces: the lookup tables built at screen set-up, the
// two ways of splitting a pixel into colour components, the noise cursors, and the two frames
// every effect runs in (a sprite rectangle put onto the back screen, and a region of the back
// screen reworked in place). The effects never report errors: they answer 1, or 0 when a surface
// cannot be locked.
#pragma once

#include <algorithm>
#include <cstdint>

#include "draw/draw.h"
#include "gk_limits.h"
#include "platform/simd.h"  // the fast loops' AVX2 versions, chosen at run time (Avx2Loops)

// ---------------------------------------------------------------------------------------------
// Lookup tables and pixel components
// ---------------------------------------------------------------------------------------------

// Filled by gkDraw::BuildEffectTables and read-only afterwards; zeros before it runs. Every table
// but Sine holds zeros unless the display runs at 16 bits per pixel. "Placed" entries are shifted
// to their channel k's placement shift (k = 0 red, 1 green, 2 blue).
struct gkEffectTableSet {
    int32_t Sine[gk::kSineEntries];               // trunc(360 × sin(i°))
    uint8_t Component[gk::kComponentEntries][3];  // 5-bit red, green, blue of a pixel value
    uint16_t Fade[gk::kFadeEntries];  // [k][a][s][d]: max(0, s - a) + max(0, d - (31 - a)), placed
    uint16_t Add[gk::kFadeEntries];   // [k][a][s][d]: min(31, max(0, s - a) + d), placed
    uint16_t Subtract[gk::kSubtractEntries];  // [k][s][d]: max(0, s - d), placed
    uint16_t Grey[gk::kGreyEntries];          // [r + g + b]: (r + g + b) / 3, not placed
    uint8_t Noise[gk::kNoiseEntries];         // rand() % 3, in index order
};
extern gkEffectTableSet gkEffectTables;

namespace gkDraw {

// Called by Screen once the back screen's pixel format is known: always the sine table; the
// colour and noise tables at a display depth of 16 (the noise table takes 10000 values of rand),
// otherwise they are emptied so that no table of an earlier 16-bit set-up outlives it.
void BuildEffectTables();

// 360 × sine and cosine of an angle in whole degrees; any angle is taken modulo 360, so no
// angle reads outside the table.
inline int32_t SineOf(int degrees) {
    return gkEffectTables.Sine[(degrees % 360 + 360) % 360];
}
inline int32_t CosineOf(int degrees) {
    return gkEffectTables.Sine[(degrees % 360 + 360) % 360 + 90];
}

// Fade and add tables: channel k, level a, source s, destination d (5-bit components). A level
// outside 0..31 is held at the nearer end so that no caller's level reads outside the table.
inline int FadeIndex(int k, int a, int s, int d) {
    return ((k * gk::kLevels5 + std::clamp(a, 0, gk::kLevels5 - 1)) * gk::kLevels5 + s) *
               gk::kLevels5 +
           d;
}
inline int SubtractIndex(int k, int s, int d) {
    return (k * gk::kLevels5 + s) * gk::kLevels5 + d;
}

struct Rgb {
    int r = 0, g = 0, b = 0;
};

// Native split: each channel in its own range, 0-31 or 0-63 for a 6-bit channel.
inline Rgb SplitNative(uint16_t pixel) {
    return {static_cast<int>((pixel >> gkScreen.RedShift) & gkScreen.RedMax),
            static_cast<int>((pixel >> gkScreen.GreenShift) & gkScreen.GreenMax),
            static_cast<int>((pixel >> gkScreen.BlueShift) & gkScreen.BlueMax)};
}
// Native components put back unmasked: a value above its channel's maximum spills into the
// channel above it.
inline uint16_t PackNative(int r, int g, int b) {
    return static_cast<uint16_t>(r << gkScreen.RedShift | g << gkScreen.GreenShift |
                                 b << gkScreen.BlueShift);
}
// 5-bit split through the component table: a 6-bit channel loses its lowest bit.
inline Rgb Split5(uint16_t pixel) {
    const uint8_t* c = gkEffectTables.Component[pixel];
    return {c[0], c[1], c[2]};
}
// 5-bit components put back at the top of their channels (a 6-bit channel's lowest bit is 0).
inline uint16_t Pack5(int r, int g, int b) {
    return static_cast<uint16_t>(r << gkScreen.Red5Shift | g << gkScreen.Green5Shift |
                                 b << gkScreen.Blue5Shift);
}

// ---------------------------------------------------------------------------------------------
// Noise cursors: each noise-driven effect keeps its own read position (0 at start, kept for the
// whole run). Both read the entry at the cursor and move on by one; after the last entry a
// wrapping cursor returns to 0 and a jumping one to rand() % 1000.
// ---------------------------------------------------------------------------------------------

int NextNoiseWrapping(int32_t* cursor);
int NextNoiseJumping(int32_t* cursor);

// ---------------------------------------------------------------------------------------------
// Frames: clip, lock, walk, unlock
// ---------------------------------------------------------------------------------------------

enum class FrameStatus {
    Clipped,     // nothing left to draw, nothing locked: the effect answers 1
    LockFailed,  // a surface could not be locked (or is not 16-bit); nothing stays locked: 0
    Locked,      // walk, then close the frame
};
inline int FrameResult(FrameStatus status) {
    return status == FrameStatus::Clipped ? 1 : 0;
}

// A sprite effect's rectangle after clipping, with the object and the back screen locked.
// Walk positions (i, j) count from the first drawn column and row.
struct SpriteFrame {
    int x = 0, y = 0;  // first drawn back screen pixel
    int l = 0, t = 0;  // the object pixel drawn there
    int w = 0, h = 0;  // drawn columns and rows
    plat::Surface* object = nullptr;
    uint16_t* source = nullptr;  // object pixel (0, 0)
    int sourceStride = 0;        // pixels per row
    uint16_t* back = nullptr;    // back screen pixel (0, 0)
    int backStride = 0;
    uint16_t* Source(int i, int j) const { return source + (t + j) * sourceStride + l + i; }
    uint16_t* Dest(int i, int j) const { return back + (y + j) * backStride + x + i; }
};

// The clip rectangle held to the back screen: a clip rectangle larger than the screen cannot
// make an effect write past it.
inline plat::Rect ClipOnBackScreen() {
    const plat::Rect& c = gkScreen.Clip;
    return {std::max(c.left, 0), std::max(c.top, 0), std::min(c.right, gkScreen.Width),
            std::min(c.bottom, gkScreen.Height)};
}

// Whether the rectangle (l, t, r, b), right and bottom exclusive, lies inside the surface.
bool InsideSurface(const plat::Surface* surface, int l, int t, int r, int b);

// Clips the put of object n's rectangle (l, t, r, b) at (x, y) by the clip rectangle (and the
// back screen's own edges), then locks the object and the back screen. An empty rectangle
// (r = l) still locks. An object number without a surface fails like a lock. checkSource: a source
// rectangle not lying inside the object draws nothing (as the blitter refuses one); effects that
// read the object their own way pass false and keep their reads inside it.
FrameStatus OpenSpriteFrame(int x, int y, int n, int l, int t, int r, int b, SpriteFrame* frame,
                            bool checkSource = true);
// Locks frame->object, then the back screen, filling in their pixels and strides; for effects
// that clip in their own way. On a failure nothing stays locked.
FrameStatus LockSpriteFrame(SpriteFrame* frame);
// Unlocks the object, then the back screen.
void CloseSpriteFrame(const SpriteFrame& frame);

// The standard sprite effect: rule(i, j, source, dest) for every source pixel but the
// transparent value 0, rows top to bottom, columns left to right. 1, or 0 on a lock failure.
template <class Rule>
int SpriteEffect(int x, int y, int n, int l, int t, int r, int b, Rule rule) {
    SpriteFrame f;
    if (FrameStatus s = OpenSpriteFrame(x, y, n, l, t, r, b, &f); s != FrameStatus::Locked)
        return FrameResult(s);
    for (int j = 0; j < f.h; ++j) {
        const uint16_t* from = f.Source(0, j);
        uint16_t* to = f.Dest(0, j);
        for (int i = 0; i < f.w; ++i)
            if (from[i]) rule(i, j, from[i], to[i]);
    }
    CloseSpriteFrame(f);
    return 1;
}

// Which surfaces a region filter locks, in locking (and unlocking) order; the buffer is the
// scratch image of internal slot 0.
enum class RegionLocks { Back, BufferThenBack };

// How far a filter reads or writes outside its region on each side.
struct Reach {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// A region of the back screen with its surfaces locked.
struct RegionFrame {
    int x = 0, y = 0, w = 0, h = 0;
    RegionLocks locks = RegionLocks::Back;
    uint16_t* back = nullptr;  // back screen pixel (0, 0)
    int backStride = 0;
    uint16_t* buffer = nullptr;  // scratch buffer pixel (0, 0), BufferThenBack only
    int bufferStride = 0;
    uint16_t* Back(int px, int py) const { return back + py * backStride + px; }
    uint16_t* Buffer(int px, int py) const { return buffer + py * bufferStride + px; }
};

// The region (x, y, w, h) is not clipped by the clip rectangle; it is cut so that it, grown by
// reach, stays on the back screen (nothing left: Clipped). Then the surfaces are locked.
FrameStatus OpenRegionFrame(int x, int y, int w, int h, Reach reach, RegionLocks locks,
                            RegionFrame* frame);
// Unlocks in the order of locking.
void CloseRegionFrame(const RegionFrame& frame);

// A region filter: walk(frame) between open and close. 1, or 0 on a lock failure.
template <class Walk>
int RegionEffect(int x, int y, int w, int h, Reach reach, RegionLocks locks, Walk walk) {
    RegionFrame f;
    if (FrameStatus s = OpenRegionFrame(x, y, w, h, reach, locks, &f); s != FrameStatus::Locked)
        return FrameResult(s);
    walk(f);
    CloseRegionFrame(f);
    return 1;
}

}  // namespace gkDraw

// ---------------------------------------------------------------------------------------------
// Clip-rectangle wipes: the edges of gkScreen.Clip move over time, so that what a frame draws
// lands only inside the part of the screen revealed so far. No pixel is touched here.
// ---------------------------------------------------------------------------------------------

struct gkWipeState {
    int32_t State = 0;      // 0 idle, 1 opening, 2 closing, -1 closed (Clip collapsed)
    plat::Rect SavedClip;   // the full rectangle a wipe opens to or closes from
    int32_t Close = 0;      // non-zero for a closing wipe
    int32_t Type = 0;       // 1..9
    float Speed = 0.0f;     // pixels per second
    int32_t SlitWidth = 0;  // slit of types 8 and 9, in pixels
};
extern gkWipeState gkWipe;

namespace gkDraw {

// Starts an opening (close 0) or closing wipe of the given type (0 picks 1..9 at random).
// A closed screen gets its full rectangle back first. 0 while a wipe runs or for a type
// outside 0..9, with nothing changed; else 1.
int StartWipe(int close, int type, float speed, int slitWidth);
// Moves the running wipe's edges by trunc(FrameDelta × speed) + 1 pixels. 0 when no wipe runs;
// else 1, also on the call that completes it (opening → idle, closing → closed).
int StepWipe();
// Hides the screen at once: Clip collapses and the state becomes closed.
void CloseClip();
// A wipe still opening or closing jumps to the full rectangle and stops; a closed screen stays
// closed. The main loop calls this on the first frame of a new scene.
void CancelWipe();

}  // namespace gkDraw

// ---------------------------------------------------------------------------------------------
// Glow, noise and region filters: a glow put sending fading rays out of a sprite's pixels, and
// filters reworking a region of the back screen in place (rising and neighbour blurs, 2× and 4×
// enlargements through the scratch buffer, a circular mosaic, film grain, inversion). A region
// is trimmed to the back screen (with the row below that the rising blurs read) and the filter
// works as if given the trimmed region; nothing left answers 1 with nothing changed.
// ---------------------------------------------------------------------------------------------

// Cursors and counters of the noise-driven filters: 0 at start, kept for the whole run.
struct gkFilterState {
    int32_t GlowCursor = 0;  // wrapping
    int32_t ShimmerCounter = 0, ShimmerCursor = 0;
    int32_t FireCounter = 0, FireCursor = 0;
    int32_t GrainCursor = 0, GrainRGBCursor = 0;
};
extern gkFilterState gkFilters;

namespace gkDraw {

// The put of object n's rectangle (l, t, r, b) at (x, y), keyed by pixel value 0 and drawn only
// when draw is non-zero; every opaque pixel sends rays (bits: 0x40 up, 0x20 up-left, 0x80
// up-right, 0x02 down, 0x01 down-left, 0x04 down-right, 0x08 left, 0x10 right) of its 5-bit
// colour shifted right per channel (shifts held to 0..15) and dimmed by one noise value, each
// step one unit darker, added to the pixels they cross inside the clip rectangle.
int PutGlow(int x, int y, int redShift, int greenShift, int blueShift, int directions, int draw,
            int n, int l, int t, int r, int b);
// Each pixel of the region takes the blurred or plain value of the pixel below it, as noise
// decides: the picture rises and flickers. Reads the row below the region too.
int ShimmerRect(int x, int y, int w, int h);
// ShimmerRect whose blurred pixels lose one unit in each flagged channel.
int FireRect(int red, int green, int blue, int x, int y, int w, int h);
// Each inner pixel becomes the average of its four neighbours, in place, left to right and top
// to bottom; the region's outer pixels are only read.
int BlurRect(int x, int y, int w, int h);
int CoolBlurRect(int red, int green, int blue, int x, int y, int w, int h);
// Enlarges the region 2× or 4× into the scratch buffer (dotted: only the top-left quarter of
// each block, the rest keeps the buffer's content) and puts it back opaque at (x, y), clipped.
// A region whose enlargement does not fit the scratch buffer is cut to what fits.
int ZoomRect2(int x, int y, int w, int h, int dotted);
int ZoomRect4(int x, int y, int w, int h, int dotted);
// Inside the circle of the radius around (x, y), blocks of blockSize² pixels take the colour of
// their top-left pixel. A radius or block size below 1 changes nothing.
int MosaicCircle(int x, int y, int radius, int blockSize);
// Adds a noise value (0..2, shifted left by shift, held to 0..5) to each 5-bit component of
// every pixel of the region, or only to the flagged channels.
int GrainRect(int shift, int x, int y, int w, int h);
int GrainRectRGB(int red, int green, int blue, int shift, int x, int y, int w, int h);
// The walks of the blur and grain filters over a locked region: the plain per-pixel reference,
// and a vector version giving the same pixels, which answers false (and does nothing) where
// the processor or the pixel layout does not allow it. Flags are 0 or 1 per channel.
void BlurWalk(const RegionFrame& frame, Rgb cool);
bool BlurWalkFast(const RegionFrame& frame, Rgb cool);
void GrainWalk(const RegionFrame& frame, Rgb add, int shift, int32_t* cursor);
bool GrainWalkFast(const RegionFrame& frame, Rgb add, int shift, int32_t* cursor);

// Inverts every bit of the pixels in the rectangle (any depth, through the device context);
// the result of giving the context back, 0 on success.
int32_t InvertRect(int left, int top, int right, int bottom);

}  // namespace gkDraw

// ---------------------------------------------------------------------------------------------
// Rotation and distortion puts. Rotations map every pixel of the destination rectangle
// (x1, y1)-(x2, y2) back into object n's rectangle (l, t, r, b) through the sine table: U and V
// are 360 times the source position, angles in whole degrees are taken modulo 360, and the image
// stays centred in the destination however the clip rectangle cuts it. Transparent (0) source
// pixels are skipped. All answer 1, or 0 when a surface cannot be locked or n has no image.
// ---------------------------------------------------------------------------------------------

namespace gkDraw {

// Truncation toward zero of a float result, held within ±2^62 so that no later sum overflows
// (NaN gives 0).
inline int64_t Truncate(double value) {
    constexpr double kLimit = 4.6e18;
    return value == value ? static_cast<int64_t>(std::clamp(value, -kLimit, kLimit)) : 0;
}

// Positions falling outside the source rectangle stay untouched.
int PutRotate(int x1, int y1, int x2, int y2, int angle, int n, int l, int t, int r, int b);
// The source repeats, mirrored about its top-left corner, over the whole destination.
int PutRotateTile(int x1, int y1, int x2, int y2, int angle, int n, int l, int t, int r, int b);
// Scaled by zoom about the destination's centre. A zoom of 0 or not finite draws nothing.
int PutRotateZoom(int x1, int y1, int x2, int y2, int angle, float zoom, int n, int l, int t, int r,
                  int b);
// Scaled and repeated; the repeat is anchored as in PutRotateTile.
int PutRotateZoomTile(int x1, int y1, int x2, int y2, int angle, float zoom, int n, int l, int t,
                      int r, int b);
// Repeated with separate zooms across and down, each stepped after every row, and the 5-bit
// components scaled by the factors (above 1 they spill into the next channel). A row whose zoom
// is 0 or not finite draws nothing.
int PutFloor(int x1, int y1, int x2, int y2, int angle, float zoomX, float zoomXStep, float zoomY,
             float zoomYStep, float factorRed, float factorGreen, float factorBlue, int n, int l,
             int t, int r, int b);

// The sprite as a height field seen obliquely: every step-th source pixel of every step-th row,
// lifted by a cosine of its distance from the centre (amplitude, frequency), shifted sideways by
// shear per row and scaled, is written where it lands inside the clip rectangle, including 0.
// A step below 1 draws nothing.
int PutRipple(int x, int y, int amplitude, int frequency, int step, float scale, float shear, int n,
              int l, int t, int r, int b);
// Repeats source column k (types 0, 1) or row k (types 2, 3), counted from the first drawn one:
// 0 repeats it to the right up to the screen's edge, 1 to the left (also filling the row from
// the screen's left edge), 2 downwards to the screen's bottom, 3 upwards (also filling from the
// screen's top). A k past the drawn or the sprite's columns (rows) repeats the last of them.
// Other types lock and draw nothing.
int PutStreak(int x, int y, int type, uint16_t k, int n, int l, int t, int r, int b);
// Pulls the background under each non-transparent sprite pixel up by the pixel's 5-bit red less
// trunc(31 - 31 × strength) rows, staying inside the drawn rectangle.
int PutRefract(int x, int y, float strength, int n, int l, int t, int r, int b);

}  // namespace gkDraw

// ---------------------------------------------------------------------------------------------
// Tunnel map: texture coordinates for every pixel of a W × H block, built once from each pixel's
// angle and distance around a centre, then drawn every frame with scroll offsets.
// ---------------------------------------------------------------------------------------------

struct gkTunnelEntry {
    int16_t u = 0, v = 0;  // 0 <= u < A, 0 <= v < B
};
struct gkTunnelMap {
    gkTunnelEntry Map[gk::kTunnelEntries];  // row i, column j at i × W + j
    int32_t A = 0, B = 0;                   // texture width and height
    int32_t W = 0, H = 0;                   // block size; 0 before the first build
};
extern gkTunnelMap gkTunnel;

namespace gkDraw {

// Fills the map for an A × B texture and a W × H block. centreX, centreY of -1 take W / 2 and
// H / 2; view divisor d of -1 takes 8, below 2 becomes 2. motion 1-4 moves the centre row by row
// (1 up from the bottom, 2 mirrored across, 3 leftwards from the right, 4 rightwards from the
// left); metric 0-6 chooses the distance, depth 0-5 the depth scale. Answers H; 0 with the map
// kept when W or H is below 1, W × H exceeds the map, A or B is outside 1..32768 or metric or
// depth is unknown. Entries at distance 0 or with a zero depth divisor get v = 0.
int BuildTunnel(int A, int B, int W, int H, int centreX, int centreY, int d, int motion, int metric,
                int depth);
// Draws the block at (x, y) from object n's pixel ((u + du) mod A, (v + dv) mod B), opaque,
// within the back screen (the clip rectangle is not applied). Any du, dv; a texture smaller than
// A × B repeats. 1, or 0 when a surface cannot be locked or n has no image.
int PutTunnel(int x, int y, int du, int dv, int n);

}  // namespace gkDraw

// Plain per-pixel versions that the fast loops are checked against.
namespace gkDraw::reference {
int PutRotate(int x1, int y1, int x2, int y2, int angle, int n, int l, int t, int r, int b);
int PutTunnel(int x, int y, int du, int dv, int n);
}  // namespace gkDraw::reference

// ---------------------------------------------------------------------------------------------
// Blend and colour effects: a rectangle (l, t, r, b) of object n put at (x, y) onto the back
// screen through a per-pixel colour rule. Source pixels of raw value 0 are transparent and leave
// the back screen as it is. Levels run 0-31 (31 = full strength) and are held to that range;
// alphas and factors run 0.0-1.0. Each answers 1, also when clipping leaves nothing to draw, and
// 0 when a surface cannot be locked, the object has no surface or n is not a slot (a 32-bit
// display included), with nothing drawn.
// ---------------------------------------------------------------------------------------------

namespace gkDraw {

// Which inner loops the effects run: the fast ones (the default), the fast ones without AVX2
// even where the processor has it, or the plain per-pixel reference loops, which read the
// lookup tables as described and which the fast ones must match pixel for pixel.
enum class EffectLoops { Fast, Baseline, Reference };
inline EffectLoops gkEffectLoops = EffectLoops::Fast;

// Whether the AVX2 versions run: the processor has AVX2 and gkEffectLoops asks for fast loops.
inline bool Avx2Loops() {
    return plat::HasAvx2() && gkEffectLoops == EffectLoops::Fast;
}

// 50 %: both pixels halved channel by channel (lowest bit dropped) and added.
int PutHalf(int x, int y, int n, int l, int t, int r, int b);
// Per channel trunc(source × alpha + back × (1 - alpha)) on the full channel ranges. An alpha
// outside 0.0-1.0 is not held: a channel above its maximum spills into the next one.
int PutAlpha(int x, int y, float alpha, int n, int l, int t, int r, int b);
int PutAlphaRGB(int x, int y, float alphaRed, float alphaGreen, float alphaBlue, int n, int l,
                int t, int r, int b);
// Dissolve on 5-bit components: max(0, s - (31 - level)) + max(0, d - level) per channel, so
// level 31 draws the source and level 0 the back screen, each reduced to five bits a channel.
int PutFade(int x, int y, int level, int n, int l, int t, int r, int b);
int PutFadeRGB(int x, int y, int levelRed, int levelGreen, int levelBlue, int n, int l, int t,
               int r, int b);
// PutAlphaRGB and PutFadeRGB whose strength rises by 1/32 (one level) every `step` columns past
// column `start` of each row (vertical 0), or every `step` rows past row `start` (vertical
// non-zero), up to the full source. Columns and rows count from the first drawn one.
int PutAlphaGradient(int x, int y, float alphaRed, float alphaGreen, float alphaBlue, int vertical,
                     uint16_t start, int step, int n, int l, int t, int r, int b);
int PutFadeGradient(int x, int y, int levelRed, int levelGreen, int levelBlue, int vertical,
                    uint16_t start, int step, int n, int l, int t, int r, int b);
// Saturating add of 5-bit components; PutAddAlpha first lowers the source by
// trunc(31 - factor × 31), the factor held to 0.0-1.0.
int PutAdd(int x, int y, int n, int l, int t, int r, int b);
int PutAddAlpha(int x, int y, float factor, int n, int l, int t, int r, int b);
// The source's 5-bit red darkens each 5-bit channel of the back screen by that much.
int PutShadow(int x, int y, int n, int l, int t, int r, int b);
// A source pixel next to transparent ones (within the rectangle) becomes the 5-bit average of
// itself and the back screen pixels under those neighbours; others are copied unchanged.
int PutSmooth(int x, int y, int n, int l, int t, int r, int b);
// The source with only the flagged channels kept (black when none is).
int PutChannels(int x, int y, int red, int green, int blue, int n, int l, int t, int r, int b);
// The source with each channel scaled by trunc(channel × factor), replacing the back screen.
int PutBright(int x, int y, float factor, int n, int l, int t, int r, int b);
int PutBrightRGB(int x, int y, float factorRed, float factorGreen, float factorBlue, int n, int l,
                 int t, int r, int b);
// The source darkened on 5-bit components: max(0, s - (31 - level)); level 0 draws black.
int PutDark(int x, int y, int level, int n, int l, int t, int r, int b);
int PutDarkRGB(int x, int y, int levelRed, int levelGreen, int levelBlue, int n, int l, int t,
               int r, int b);
// The 5-bit average of a box × box square of the drawn rectangle (transparent pixels count as
// black) starting at each opaque pixel, moved inwards at the right and bottom edges. A box
// below 1 draws nothing; one larger than the drawn width or height shrinks to the smaller.
int PutBlur(int x, int y, int box, int n, int l, int t, int r, int b);
// The source's 5-bit grey level (r + g + b) / 3 in all three channels.
int PutGray(int x, int y, int n, int l, int t, int r, int b);

}  // namespace gkDraw
