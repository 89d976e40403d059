// Blits of sprite objects: the clipped put and its variants, stretched puts, the grab of the back
// screen, fills, and the two software loops (the 50 % fill and the mirrored put). Whole
// rectangles go to the display's blitter; the software loops run the same blit kernels on
// locked surfaces and work on 16- and 32-bit displays alike.
#include <algorithm>

#include "draw/draw.h"
#include "platform/blit_kernels.h"
#include "platform/gdi.h"

namespace {

using plat::Rect;

// The put rule: trims the source rectangle of a put at (x, y) into clipped so that the drawn
// part lies inside the clip rectangle. False when nothing is left (an empty rectangle still counts
// as drawable, and the blitter then draws nothing). Computed in 64 bits; a trimmed rectangle beyond
// the int range lies outside every object, so it counts as nothing left.
bool ClipPut(int& x, int& y, const Rect& src, Rect& clipped) {
    const Rect& clip = gkScreen.Clip;
    int64_t px = x, py = y, l = src.left, t = src.top, r = src.right, b = src.bottom;
    if (px + (r - l) > clip.right) r = clip.right - px + l;
    if (py + (b - t) > clip.bottom) b = clip.bottom - py + t;
    if (px < clip.left) {
        l += clip.left - px;
        px = clip.left;
    }
    if (py < clip.top) {
        t += clip.top - py;
        py = clip.top;
    }
    if (r < l || b < t) return false;
    for (int64_t v : {px, py, l, t, r, b})
        if (v != gk::SaturateInt(v)) return false;
    x = static_cast<int>(px);
    y = static_cast<int>(py);
    clipped = {static_cast<int>(l), static_cast<int>(t), static_cast<int>(r), static_cast<int>(b)};
    return true;
}

// A lost surface is repaired; the draw that found it is not repeated.
int32_t RepairLoss(int32_t result) {
    if (result == plat::DDERR_SURFACELOST) gkDraw::RestoreObjects();
    return result;
}

void ClippedPut(plat::Surface* dst, int x, int y, int slot, const Rect& src, bool keyed) {
    plat::Surface* object = gkDraw::ObjectSurface(slot);
    Rect clipped;
    if (!dst || !object || !ClipPut(x, y, src, clipped)) return;
    const uint32_t key = keyed ? plat::DDBLTFAST_SRCCOLORKEY : plat::DDBLTFAST_NOCOLORKEY;
    RepairLoss(plat::BltFast(dst, x, y, object, &clipped, key | plat::DDBLTFAST_WAIT));
}

int32_t FillBack(const Rect& rect, uint32_t value) {
    return plat::Blt(gkScreen.Back, &rect, nullptr, nullptr,
                     plat::DDBLT_COLORFILL | plat::DDBLT_WAIT, value);
}

// Stretch without a stretching blitter: GDI stretches into slot 0, then a clipped put copies it.
void StretchThroughBuffer(int x, int y, int slot, const Rect& src, int width, int height,
                          bool keyed) {
    plat::Surface* buffer = gkSprites[0].surface;
    plat::Surface* object = gkDraw::ObjectSurface(slot);
    plat::Dc *bufferDc = nullptr, *objectDc = nullptr;
    const int32_t first = buffer ? plat::GetDC(buffer, &bufferDc) : plat::DDERR_INVALIDPARAMS;
    const int32_t second = object ? plat::GetDC(object, &objectDc) : plat::DDERR_INVALIDPARAMS;
    // An empty or refused stretch leaves the buffer as an earlier one left it: nothing to put.
    const bool stretched =
        first == plat::DD_OK && second == plat::DD_OK &&
        plat::StretchBlt(bufferDc, 0, 0, width, height, objectDc, src.left, src.top,
                         src.right - src.left, src.bottom - src.top, plat::SRCCOPY);
    if (bufferDc) plat::ReleaseDC(buffer, bufferDc);
    if (objectDc) plat::ReleaseDC(object, objectDc);
    if (first != plat::DD_OK || second != plat::DD_OK)
        RepairLoss(first != plat::DD_OK ? first : second);
    else if (stretched)
        ClippedPut(gkScreen.Back, x, y, 0, {0, 0, width, height}, keyed);
}

void Stretch(int x, int y, int slot, const Rect& src, int width, int height, bool keyed) {
    if (!gkDraw::ValidSlot(slot)) return;
    if (!gkScreen.CanStretch) {
        StretchThroughBuffer(x, y, slot, src, width, height, keyed);
        return;
    }
    // A destination corner beyond the int range is outside the back screen: refused either way.
    const int64_t right = int64_t{x} + width, bottom = int64_t{y} + height;
    if (right != gk::SaturateInt(right) || bottom != gk::SaturateInt(bottom)) return;
    const Rect dst{x, y, static_cast<int>(right), static_cast<int>(bottom)};
    RepairLoss(plat::Blt(gkScreen.Back, &dst, gkSprites[slot].surface, &src,
                         (keyed ? plat::DDBLT_KEYSRC : 0) | plat::DDBLT_WAIT));
}

// The part of rect that the software loops may touch: inside the clip rectangle and, whatever
// the clip rectangle says, inside the back screen.
// Takes 64-bit edges so that callers may add sizes to corners without wrapping around.
Rect SoftwareArea(int64_t left, int64_t top, int64_t right, int64_t bottom) {
    const Rect& clip = gkScreen.Clip;
    const int64_t width = gkScreen.Back ? gkScreen.Back->width : 0;
    const int64_t height = gkScreen.Back ? gkScreen.Back->height : 0;
    // Clamped to the back screen on both sides, so every edge fits an int.
    auto edge = [](int64_t v, int64_t limit) {
        return static_cast<int>(std::clamp<int64_t>(v, -1, limit));
    };
    return {edge(std::max<int64_t>({left, clip.left, 0}), width + 1),
            edge(std::max<int64_t>({top, clip.top, 0}), height + 1),
            edge(std::min<int64_t>({right, clip.right, width}), width),
            edge(std::min<int64_t>({bottom, clip.bottom, height}), height)};
}

bool Inside(const Rect& r, const plat::Surface* s) {
    return r.left >= 0 && r.top >= 0 && r.right <= s->width && r.bottom <= s->height;
}

uint8_t* PixelAt(uint8_t* pixels, int pitch, int x, int y, int bytesPerPixel) {
    return pixels + static_cast<intptr_t>(pitch) * y + static_cast<intptr_t>(x) * bytesPerPixel;
}

}  // namespace

namespace gkDraw {

// ---- Fills --------------------------------------------------------------------------------------

int32_t ClearScreen() {
    return FillBack({0, 0, gkScreen.Width, gkScreen.Height}, 0);
}

int32_t ClearObject(int slot) {
    if (!ValidSlot(slot)) return plat::DDERR_INVALIDPARAMS;
    const Rect all{0, 0, gkSprites[slot].width, gkSprites[slot].height};
    return plat::Blt(gkSprites[slot].surface, &all, nullptr, nullptr,
                     plat::DDBLT_COLORFILL | plat::DDBLT_WAIT, 0);
}

int32_t ClearRect(int left, int top, int right, int bottom) {
    return FillBack({left, top, right, bottom}, 0);
}

int32_t ClearFrame(int left, int top, int right, int bottom) {
    const Rect edges[4] = {{left, top, right, top + 1},
                           {left, bottom - 1, right, bottom},
                           {left, top, left + 1, bottom},
                           {right - 1, top, right, bottom}};
    int32_t result = plat::DD_OK;
    for (const Rect& edge : edges)
        if (int32_t r = FillBack(edge, 0); result == plat::DD_OK) result = r;
    return result;
}

int32_t WhiteScreen() {
    return FillBack({0, 0, gkScreen.Width, gkScreen.Height}, gkScreen.ColorMask);
}

int32_t WhiteRect(int left, int top, int right, int bottom) {
    return FillBack({left, top, right, bottom}, gkScreen.ColorMask);
}

int32_t FillRect(int left, int top, int right, int bottom, uint32_t color) {
    return FillBack({left, top, right, bottom}, color & 0xFFFF);
}

int HalfFillRect(int left, int top, int right, int bottom, uint32_t color) {
    const Rect area = SoftwareArea(left, top, right, bottom);
    if (area.right < area.left || area.bottom < area.top) return 1;
    uint8_t* pixels = nullptr;
    int pitch = 0;
    if (!gkScreen.Back) return 0;
    if (plat::Lock(gkScreen.Back, &pixels, &pitch, plat::DDLOCK_WAIT) != plat::DD_OK) return 0;
    const int bpp = plat::BytesPerPixel(gkScreen.Back->format);
    plat::kernels::HalfFill(PixelAt(pixels, pitch, area.left, area.top, bpp), pitch,
                            area.right - area.left, area.bottom - area.top, bpp, gkScreen.HalfMask,
                            color);
    plat::Unlock(gkScreen.Back);
    return 1;
}

// ---- Puts ---------------------------------------------------------------------------------------

void PutObject(int x, int y, int slot, int sl, int st, int sr, int sb) {
    ClippedPut(gkScreen.Back, x, y, slot, {sl, st, sr, sb}, true);
}

void PutObjectOnObject(int dst, int x, int y, int slot, int sl, int st, int sr, int sb) {
    ClippedPut(ObjectSurface(dst), x, y, slot, {sl, st, sr, sb}, true);
}

void PutObjectOpaque(int x, int y, int slot, int sl, int st, int sr, int sb) {
    ClippedPut(gkScreen.Back, x, y, slot, {sl, st, sr, sb}, false);
}

void PutObjectOpaqueOnObject(int dst, int x, int y, int slot, int sl, int st, int sr, int sb) {
    ClippedPut(ObjectSurface(dst), x, y, slot, {sl, st, sr, sb}, false);
}

void PutStretch(int x, int y, int slot, int sl, int st, int sr, int sb, int width, int height) {
    Stretch(x, y, slot, {sl, st, sr, sb}, width, height, true);
}

void PutStretchOpaque(int x, int y, int slot, int sl, int st, int sr, int sb, int width,
                      int height) {
    Stretch(x, y, slot, {sl, st, sr, sb}, width, height, false);
}

void GrabScreen(int slot, int left, int top, int right, int bottom) {
    const Rect src{left, top, right, bottom};
    if (!ValidSlot(slot)) return;
    RepairLoss(plat::BltFast(gkSprites[slot].surface, 0, 0, gkScreen.Back, &src,
                             plat::DDBLTFAST_NOCOLORKEY | plat::DDBLTFAST_WAIT));
}

int PutFlip(int x, int y, int type, int slot, int sl, int st, int sr, int sb) {
    const Rect area =
        SoftwareArea(x, y, int64_t{x} + (int64_t{sr} - sl), int64_t{y} + (int64_t{sb} - st));
    if (area.right < area.left || area.bottom < area.top) return 1;
    plat::Surface* object = ObjectSurface(slot);
    // The loop reads the object directly, so a source rectangle outside it draws nothing, as
    // the blitter refuses such a rectangle.
    if (!object || !gkScreen.Back) return 0;
    // Nothing to copy: the offsets below are only meaningful for a visible pixel.
    if (!Inside({sl, st, sr, sb}, object) || area.right == area.left || area.bottom == area.top)
        return 1;
    uint8_t *from = nullptr, *to = nullptr;
    int fromPitch = 0, toPitch = 0;
    if (plat::Lock(object, &from, &fromPitch, plat::DDLOCK_WAIT) != plat::DD_OK) return 0;
    if (plat::Lock(gkScreen.Back, &to, &toPitch, plat::DDLOCK_WAIT) != plat::DD_OK) {
        plat::Unlock(object);
        return 0;
    }
    // Screen pixel (x + u, y + v) shows source column sl + u, or sr - 1 - u when mirrored, and
    // row st + v, or sb - 1 - v when flipped; the kernel walks from the first visible pixel.
    const bool mirror = type & 1, flip = type & 2;
    // Offsets within the object's size, since the source lies inside it and the area is not empty.
    const int u = static_cast<int>(int64_t{area.left} - x);
    const int v = static_cast<int>(int64_t{area.top} - y);
    const int bpp = plat::BytesPerPixel(gkScreen.Back->format);
    plat::kernels::CopyMirroredKeyed(
        PixelAt(to, toPitch, area.left, area.top, bpp), toPitch,
        PixelAt(from, fromPitch, mirror ? sr - 1 - u : sl + u, flip ? sb - 1 - v : st + v, bpp),
        fromPitch, area.right - area.left, area.bottom - area.top, bpp, mirror, flip, 0);
    plat::Unlock(gkScreen.Back);
    plat::Unlock(object);
    return 1;
}

}  // namespace gkDraw
