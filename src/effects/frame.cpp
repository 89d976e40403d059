// The two frames of the software effects: the sprite effect frame (clip a sprite rectangle put
// onto the back screen, lock the object and the back screen) and the region frame (lock the back
// screen, and the scratch buffer where a filter needs it). Effects walk 16-bit pixels only; a
// surface in another format is refused like a failed lock.
#include "effects/effects.h"

namespace {

using gkDraw::FrameStatus;

// Locks a 16-bit surface; its pixel (0, 0) and row length in pixels.
bool Lock16(plat::Surface* surface, uint16_t** pixels, int* stride) {
    if (!surface || plat::BytesPerPixel(surface->format) != 2) return false;
    uint8_t* bytes = nullptr;
    int pitch = 0;
    if (plat::Lock(surface, &bytes, &pitch, plat::DDLOCK_WAIT) != plat::DD_OK) return false;
    *pixels = reinterpret_cast<uint16_t*>(bytes);
    *stride = pitch >> 1;
    return true;
}

}  // namespace

namespace gkDraw {

bool InsideSurface(const plat::Surface* surface, int l, int t, int r, int b) {
    return 0 <= l && l <= r && r <= surface->width && 0 <= t && t <= b && b <= surface->height;
}

FrameStatus OpenSpriteFrame(int x, int y, int n, int l, int t, int r, int b, SpriteFrame* frame,
                            bool checkSource) {
    plat::Surface* object = ObjectSurface(n);
    if (!object) return FrameStatus::LockFailed;
    if (checkSource && !InsideSurface(object, l, t, r, b)) return FrameStatus::Clipped;
    const plat::Rect clip = ClipOnBackScreen();
    // In 64 bits, so that corners and sizes near the ends of the int range cannot wrap around;
    // whatever is left after clipping lies on the screen.
    int64_t x0 = x, y0 = y, l0 = l, t0 = t, w = int64_t{r} - l, h = int64_t{b} - t;
    if (x0 + w > clip.right) w = clip.right - x0;
    if (y0 + h > clip.bottom) h = clip.bottom - y0;
    if (x0 < clip.left) {
        l0 += clip.left - x0;
        w -= clip.left - x0;
        x0 = clip.left;
    }
    if (y0 < clip.top) {
        t0 += clip.top - y0;
        h -= clip.top - y0;
        y0 = clip.top;
    }
    if (w < 0 || h < 0) return FrameStatus::Clipped;
    SpriteFrame& f = *frame;
    f = {int(x0), int(y0), int(l0), int(t0), int(w), int(h), object};
    return LockSpriteFrame(&f);
}

FrameStatus LockSpriteFrame(SpriteFrame* frame) {
    SpriteFrame& f = *frame;
    if (!Lock16(f.object, &f.source, &f.sourceStride)) return FrameStatus::LockFailed;
    if (!Lock16(gkScreen.Back, &f.back, &f.backStride)) {
        plat::Unlock(f.object);
        return FrameStatus::LockFailed;
    }
    return FrameStatus::Locked;
}

void CloseSpriteFrame(const SpriteFrame& frame) {
    plat::Unlock(frame.object);
    plat::Unlock(gkScreen.Back);
}

FrameStatus OpenRegionFrame(int x, int y, int w, int h, Reach reach, RegionLocks locks,
                            RegionFrame* frame) {
    // In 64 bits: a huge corner plus a huge size must not wrap around onto the screen.
    const int left = std::max(x, reach.left), top = std::max(y, reach.top);
    const int right =
        static_cast<int>(std::min<int64_t>(int64_t{x} + w, gkScreen.Width - reach.right));
    const int bottom =
        static_cast<int>(std::min<int64_t>(int64_t{y} + h, gkScreen.Height - reach.bottom));
    if (right <= left || bottom <= top) return FrameStatus::Clipped;
    RegionFrame& f = *frame;
    f = {left, top, right - left, bottom - top, locks};
    plat::Surface* buffer = gkSprites[0].surface;
    if (locks == RegionLocks::BufferThenBack && !Lock16(buffer, &f.buffer, &f.bufferStride))
        return FrameStatus::LockFailed;
    if (!Lock16(gkScreen.Back, &f.back, &f.backStride)) {
        if (f.buffer) plat::Unlock(buffer);
        return FrameStatus::LockFailed;
    }
    return FrameStatus::Locked;
}

void CloseRegionFrame(const RegionFrame& frame) {
    if (frame.locks == RegionLocks::BufferThenBack) plat::Unlock(gkSprites[0].surface);
    plat::Unlock(gkScreen.Back);
}

}  // namespace gkDraw
