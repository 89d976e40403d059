// Display core shared by both backends: pixel formats and the GDI colour conversion, the device,
// surfaces, clippers, locks, colour keys, lost surfaces, Blt/BltFast (inner loops in
// platform/blit_kernels), and the headless fault injection. Presenting the primary surface goes to
// the backend.
#include "platform/display.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "gk_limits.h"
#include "platform/backend.h"
#include "platform/blit_kernels.h"
#include "platform/display_backend.h"
#include "platform/environment.h"
#include "platform/window.h"

namespace plat {

struct Device {
    bool fullScreen = false;
    int modeWidth = 0, modeHeight = 0;  // full-screen display mode, 0 until set
};

struct Clipper {
    bool hasWindow = false;
};

namespace {

constexpr int kMaxSurfacePixels = 64 << 20;  // anything larger is refused as out of memory
constexpr uint8_t kRestoredByte = 0xCD;      // what a restored surface holds: not an image

PixelFormat FormatFromEnvironment() {
    static constexpr PixelFormat formats[] = {PixelFormat::R5G6B5, PixelFormat::X1R5G5B5,
                                              PixelFormat::X8R8G8B8};
    return formats[EnvChoice("GK_DISPLAY_FORMAT", {"565", "555", "8888"}, 0)];
}

struct Faults {
    int surfaceCreation = 0;  // countdown to the failing creation
    int locks = 0;            // failing locks left, -1 = all
    int32_t lockCode = DDERR_GENERIC;
    int blits = 0;  // failing blits left
    int32_t blitCode = DDERR_GENERIC;
    std::set<int> refusedDepths;
    std::multiset<headless::Fail> next;
};

struct DisplayState {
    PixelFormat format = FormatFromEnvironment();
    std::set<Surface*> surfaces;  // every live surface
    Surface* primary = nullptr;
    bool vsyncRequested = false;
    Faults faults;
    // Headless record of what was presented: the primary surface itself, which changes only
    // through presents, until something is about to change it otherwise (a lock, a restore, its
    // release); then a copy is kept.
    Surface presented;
    bool presentedIsPrimary = false;
    int presents = 0;
    int vblanks = 0;
    int minimized = 0;
    bool headlessFullScreen = false;
    std::vector<int> modeRequests;  // depths SetDisplayMode was asked for
    std::string dumpFolder = EnvText("GK_FRAME_DUMP") ? EnvText("GK_FRAME_DUMP") : "";
};

DisplayState& State() {
    static DisplayState state;
    return state;
}

const detail::DisplayBackend& Shown() {
    return IsHeadless() ? detail::HeadlessDisplay() : detail::SdlDisplay();
}

// A set-up operation fails once when a headless test asked for it.
bool Injected(headless::Fail operation) {
    auto& next = State().faults.next;
    auto it = next.find(operation);
    if (!IsHeadless() || it == next.end()) return false;
    next.erase(it);
    return true;
}

Rect Whole(const Surface* s) {
    return {0, 0, s->width, s->height};
}

bool Inside(const Rect& r, const Surface* s) {
    return r.left >= 0 && r.top >= 0 && r.right <= s->width && r.bottom <= s->height &&
           r.left < r.right && r.top < r.bottom;
}

Rect Intersect(const Rect& a, const Rect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

bool Empty(const Rect& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

uint8_t* PixelAt(Surface* s, int x, int y) {
    return s->pixels.data() + static_cast<size_t>(y) * s->pitch + x * BytesPerPixel(s->format);
}

// Tells the window procedure where the client area now is, as a window that changes between
// full-screen and windowed mode hears through WM_MOVE.
void PostClientOrigin() {
    int x = 0, y = 0;
    Shown().clientOrigin(&x, &y);
    PostMessage(WM_MOVE, 0, MakeLParam(x, y));
}

// Copies the presented frame out of the primary surface before the surface changes without a
// present.
void KeepPresentedFrame(const Surface* surface) {
    if (!surface->primary()) return;  // the common case, told without the display's record
    DisplayState& st = State();
    if (!st.presentedIsPrimary || surface != st.primary) return;
    st.presented = *st.primary;
    st.presentedIsPrimary = false;
}

void Present() {
    DisplayState& st = State();
    if (!st.primary) return;
    Shown().present(*st.primary, st.vsyncRequested);
    st.vsyncRequested = false;
}

// ---- Inner loops of the blits: the kernels of platform/blit_kernels.h. --------------------------

// The surface's pixels or key may have changed: its opaque runs are stale.
void Changed(Surface* s) {
    s->keyRuns.reset();
    s->keyedBlitsSinceChange = 0;
}

// The opaque runs for a keyed blit from src, or null to use the vector keyed copy. They are
// found on the second keyed blit since the last change, so that a surface redrawn before each
// put (a stretch buffer, a text sprite) does not pay a scan of all its pixels every time.
const kernels::OpaqueRuns* KeyRuns(Surface* src) {
    if (src->keyedBlitsSinceChange < 2 && ++src->keyedBlitsSinceChange == 2) {
        auto runs = std::make_shared<kernels::OpaqueRuns>(
            kernels::FindOpaqueRuns(src->pixels.data(), src->pitch, src->width, src->height,
                                    BytesPerPixel(src->format), src->colorKey));
        if (kernels::RunsPay(*runs)) src->keyRuns = std::move(runs);
    }
    return src->keyRuns.get();
}

// Copies the source rectangle `from` unstretched onto dst with its first pixel at (x, y).
void CopyRect(Surface* dst, int x, int y, Surface* src, const Rect& from, bool keyed) {
    const int bpp = BytesPerPixel(dst->format);
    const int w = from.right - from.left, h = from.bottom - from.top;
    uint8_t* d = PixelAt(dst, x, y);
    const kernels::OpaqueRuns* runs = keyed ? KeyRuns(src) : nullptr;
    if (runs)
        kernels::CopyRuns(d, dst->pitch, src->pixels.data(), src->pitch, *runs, from.left, from.top,
                          w, h, bpp);
    else if (keyed)
        kernels::CopyKeyed(d, dst->pitch, PixelAt(src, from.left, from.top), src->pitch, w, h, bpp,
                           src->colorKey);
    else
        kernels::CopyOpaque(d, dst->pitch, PixelAt(src, from.left, from.top), src->pitch, w, h,
                            bpp);
}

// Copies src rectangle `from` onto dst rectangle `to` (stretched when the sizes differ), drawing
// only the part `visible` of `to`.
void DrawBlit(Surface* dst, const Rect& to, const Rect& visible, Surface* src, const Rect& from,
              bool keyed) {
    const int sw = from.right - from.left, sh = from.bottom - from.top;
    if (to.right - to.left == sw && to.bottom - to.top == sh) {
        const int dx = visible.left - to.left, dy = visible.top - to.top;
        CopyRect(dst, visible.left, visible.top, src,
                 {from.left + dx, from.top + dy, from.left + dx + visible.right - visible.left,
                  from.top + dy + visible.bottom - visible.top},
                 keyed);
        return;
    }
    const int bpp = BytesPerPixel(dst->format);
    const kernels::StretchArea area{to.right - to.left,
                                    to.bottom - to.top,
                                    sw,
                                    sh,
                                    visible.left - to.left,
                                    visible.top - to.top,
                                    visible.right - to.left,
                                    visible.bottom - to.top};
    kernels::Stretch(PixelAt(dst, visible.left, visible.top), dst->pitch,
                     PixelAt(src, from.left, from.top), src->pitch, area, bpp, keyed,
                     src->colorKey);
}

// Where a blit lands on dst: refused unless inside, except on a clipped primary surface, where
// the rectangle is in screen coordinates and only the client area is touched.
int32_t Destination(Surface* dst, const Rect& to, Rect* placed, Rect* visible) {
    *placed = to;
    if (!dst->clipper) {
        *visible = to;
        return Inside(to, dst) ? DD_OK : DDERR_INVALIDRECT;
    }
    if (Empty(to)) return DDERR_INVALIDRECT;
    int ox = 0, oy = 0;
    Shown().clientOrigin(&ox, &oy);
    *placed = {to.left - ox, to.top - oy, to.right - ox, to.bottom - oy};
    *visible = Intersect(*placed, Whole(dst));
    return DD_OK;
}

// A blit failure a headless test asked for: its code, or DD_OK.
int32_t InjectedBlitFailure() {
    Faults& f = State().faults;
    if (f.blits <= 0 || !IsHeadless()) return DD_OK;
    --f.blits;
    return f.blitCode;
}

int32_t Usable(const Surface* s) {
    if (!s) return DDERR_INVALIDPARAMS;
    if (s->lost) return DDERR_SURFACELOST;
    if (s->lockCount > 0) return DDERR_SURFACEBUSY;
    return DD_OK;
}

}  // namespace

// ---- Pixel formats --------------------------------------------------------------------------

PixelMasks Masks(PixelFormat format) {
    switch (format) {
        case PixelFormat::X1R5G5B5:
            return {0x7C00, 0x03E0, 0x001F, 16};
        case PixelFormat::X8R8G8B8:
            return {0xFF0000, 0x00FF00, 0x0000FF, 32};
        case PixelFormat::R5G6B5:
            break;
    }
    return {0xF800, 0x07E0, 0x001F, 16};
}

static uint32_t ChannelToPixel(uint32_t value8, uint32_t mask) {
    int bits = std::popcount(mask);
    return (value8 >> (8 - bits)) << std::countr_zero(mask);
}

static uint32_t ChannelToColor(uint32_t pixel, uint32_t mask) {
    int bits = std::popcount(mask);
    uint32_t v = (pixel & mask) >> std::countr_zero(mask);
    return ((v << (8 - bits)) | (v >> (2 * bits - 8))) & 0xFF;
}

uint32_t ColorToPixel(PixelFormat format, uint32_t color) {
    // One branch per format, so that each one's masks and shifts are constants.
    const auto pack = [color](PixelMasks m) {
        return ChannelToPixel(color & 0xFF, m.red) | ChannelToPixel((color >> 8) & 0xFF, m.green) |
               ChannelToPixel((color >> 16) & 0xFF, m.blue);
    };
    switch (format) {
        case PixelFormat::X1R5G5B5:
            return pack(Masks(PixelFormat::X1R5G5B5));
        case PixelFormat::X8R8G8B8:
            return pack(Masks(PixelFormat::X8R8G8B8));
        case PixelFormat::R5G6B5:
            break;
    }
    return pack(Masks(PixelFormat::R5G6B5));
}

uint32_t PixelToColor(PixelFormat format, uint32_t pixel) {
    PixelMasks m = Masks(format);
    return ChannelToColor(pixel, m.red) | ChannelToColor(pixel, m.green) << 8 |
           ChannelToColor(pixel, m.blue) << 16;
}

PixelFormat DisplayFormat() {
    return State().format;
}

int DesktopDepth() {
    return Masks(State().format).bitCount;
}

// ---- Device -----------------------------------------------------------------------------------

int32_t EnumerateDevices(bool (*callback)(const int* driver, void* context), void* context) {
    callback(nullptr, context);
    return DD_OK;
}

int32_t CreateDevice(const int*, Device** device) {
    *device = nullptr;
    if (Injected(headless::Fail::CreateDevice)) return DDERR_GENERIC;
    *device = new Device;
    return DD_OK;
}

void ReleaseDevice(Device* device) {
    delete device;
}

// A software device: no 3D hardware, stretching done by the emulation layer.
int32_t GetCaps(Device*, Caps* hardware, Caps* emulation) {
    if (hardware) *hardware = {};
    if (emulation) *emulation = {DDCAPS_BLTSTRETCH, DDSCAPS_OFFSCREENPLAIN};
    return DD_OK;
}

int32_t SetCooperativeLevel(Device* device, uint32_t flags) {
    if (Injected(headless::Fail::CooperativeLevel)) return DDERR_GENERIC;
    bool fullScreen = flags & DDSCL_FULLSCREEN;
    if (fullScreen && !(flags & DDSCL_EXCLUSIVE)) return DDERR_INVALIDPARAMS;
    if (fullScreen != device->fullScreen && !fullScreen) {
        Shown().setFullScreen(false, 0, 0);
        PostClientOrigin();
    }
    device->fullScreen = fullScreen;
    return DD_OK;
}

int32_t SetDisplayMode(Device* device, int width, int height, int bitsPerPixel) {
    State().modeRequests.push_back(bitsPerPixel);
    if (!device->fullScreen || width <= 0 || height <= 0) return DDERR_INVALIDMODE;
    if (bitsPerPixel != 16 && bitsPerPixel != 32) return DDERR_INVALIDMODE;
    if (IsHeadless() && State().faults.refusedDepths.count(bitsPerPixel)) return DDERR_INVALIDMODE;
    if (!Shown().setFullScreen(true, width, height)) return DDERR_INVALIDMODE;
    PixelFormat sixteen = FormatFromEnvironment();
    if (sixteen == PixelFormat::X8R8G8B8) sixteen = PixelFormat::R5G6B5;
    State().format = bitsPerPixel == 32 ? PixelFormat::X8R8G8B8 : sixteen;
    device->modeWidth = width;
    device->modeHeight = height;
    PostClientOrigin();
    return DD_OK;
}

int32_t RestoreDisplayMode(Device* device) {
    device->modeWidth = device->modeHeight = 0;
    State().format = FormatFromEnvironment();
    return DD_OK;
}

int32_t WaitForVerticalBlank(Device*, uint32_t) {
    State().vsyncRequested = true;
    State().vblanks++;
    return DD_OK;
}

int32_t FlipToGDISurface(Device*) {
    return DD_OK;
}

void MinimizeMainWindow() {
    Shown().minimize();
}

// ---- Surfaces ---------------------------------------------------------------------------------

int32_t CreateSurface(Device* device, uint32_t caps, int width, int height, Surface** surface) {
    *surface = nullptr;
    DisplayState& st = State();
    if (IsHeadless() && st.faults.surfaceCreation > 0 && --st.faults.surfaceCreation == 0)
        return DDERR_OUTOFMEMORY;
    if (caps & DDSCAPS_PRIMARYSURFACE) {
        if (st.primary) return DDERR_INVALIDPARAMS;  // one primary surface per display
        width = device->modeWidth;
        height = device->modeHeight;
        if (!device->fullScreen || width == 0) Shown().clientSize(&width, &height);
    }
    if (width <= 0 || height <= 0) return DDERR_INVALIDPARAMS;
    if (static_cast<int64_t>(width) * height > kMaxSurfacePixels) return DDERR_OUTOFMEMORY;
    auto* s = new Surface;
    s->width = width;
    s->height = height;
    s->format = st.format;
    s->pitch = (width * BytesPerPixel(s->format) + 3) & ~3;  // rows start on 4-byte boundaries
    s->pixels.assign(static_cast<size_t>(s->pitch) * height, 0);
    s->caps = caps;
    st.surfaces.insert(s);
    if (s->primary()) st.primary = s;
    *surface = s;
    return DD_OK;
}

void ReleaseSurface(Surface* surface) {
    if (!surface) return;
    DisplayState& st = State();
    if (surface == st.primary) {
        KeepPresentedFrame(surface);
        st.primary = nullptr;
        Shown().releasePrimary();
    }
    st.surfaces.erase(surface);
    delete surface;
}

int32_t CreateClipper(Device*, Clipper** clipper) {
    *clipper = nullptr;
    if (Injected(headless::Fail::CreateClipper)) return DDERR_GENERIC;
    *clipper = new Clipper;
    return DD_OK;
}

int32_t SetClipperWindow(Clipper* clipper) {
    if (Injected(headless::Fail::ClipperWindow)) return DDERR_GENERIC;
    clipper->hasWindow = true;
    return DD_OK;
}

int32_t SetClipper(Surface* surface, Clipper* clipper) {
    if (Injected(headless::Fail::AttachClipper)) return DDERR_GENERIC;
    surface->clipper = clipper;
    return DD_OK;
}

void ReleaseClipper(Clipper* clipper) {
    for (Surface* s : State().surfaces)
        if (s->clipper == clipper) s->clipper = nullptr;
    delete clipper;
}

int32_t IsLost(const Surface* surface) {
    if (!surface) return DDERR_INVALIDPARAMS;
    return surface->lost ? DDERR_SURFACELOST : DD_OK;
}

int32_t Restore(Surface* surface) {
    if (!surface) return DDERR_INVALIDPARAMS;
    if (surface->lost) {
        KeepPresentedFrame(surface);
        std::fill(surface->pixels.begin(), surface->pixels.end(), kRestoredByte);
        surface->lost = false;
        Changed(surface);
    }
    return DD_OK;
}

int32_t Lock(Surface* surface, uint8_t** pixels, int* pitch, uint32_t flags) {
    *pixels = nullptr;
    if (!surface) return DDERR_INVALIDPARAMS;
    if (surface->lost) return DDERR_SURFACELOST;
    Faults& f = State().faults;
    while (IsHeadless() && f.locks != 0) {
        if (f.locks > 0) --f.locks;
        // DDLOCK_WAIT waits out a blit in progress instead of answering it.
        if (!(flags & DDLOCK_WAIT) || f.lockCode != DDERR_WASSTILLDRAWING || f.locks < 0)
            return f.lockCode;
    }
    surface->lockCount++;
    Changed(surface);
    KeepPresentedFrame(surface);
    *pixels = surface->pixels.data();
    *pitch = surface->pitch;
    return DD_OK;
}

int32_t Unlock(Surface* surface) {
    if (!surface || surface->lockCount == 0) return DDERR_NOTLOCKED;
    surface->lockCount--;
    if (surface->primary() && surface == State().primary) Present();
    return DD_OK;
}

int32_t GetPixelFormat(const Surface* surface, PixelMasks* masks) {
    if (Injected(headless::Fail::PixelFormat)) return DDERR_GENERIC;
    *masks = Masks(surface->format);
    return DD_OK;
}

int32_t SetColorKey(Surface* surface, uint32_t flags, uint32_t key) {
    if (!surface || !(flags & DDCKEY_SRCBLT)) return DDERR_INVALIDPARAMS;
    surface->hasColorKey = true;
    surface->colorKey = key;
    Changed(surface);
    return DD_OK;
}

int32_t GetColorKey(const Surface* surface, uint32_t flags, uint32_t* key) {
    if (!surface || !(flags & DDCKEY_SRCBLT) || !surface->hasColorKey) return DDERR_GENERIC;
    *key = surface->colorKey;
    return DD_OK;
}

// ---- Blits ------------------------------------------------------------------------------------

int32_t Blt(Surface* dst, const Rect* dstRect, Surface* src, const Rect* srcRect, uint32_t flags,
            uint32_t fill) {
    if (int32_t r = InjectedBlitFailure(); r != DD_OK) return r;
    if (int32_t r = Usable(dst); r != DD_OK) return r;
    Rect to, visible;
    if (int32_t r = Destination(dst, dstRect ? *dstRect : Whole(dst), &to, &visible); r != DD_OK)
        return r;
    if (flags & DDBLT_COLORFILL) {
        Changed(dst);
        if (!Empty(visible)) {
            kernels::Fill(PixelAt(dst, visible.left, visible.top), dst->pitch,
                          visible.right - visible.left, visible.bottom - visible.top,
                          BytesPerPixel(dst->format), fill);
        }
    } else {
        if (src != dst)
            if (int32_t r = Usable(src); r != DD_OK) return r;
        if (!src || src->format != dst->format) return DDERR_INVALIDPARAMS;
        Rect from = srcRect ? *srcRect : Whole(src);
        if (!Inside(from, src)) return DDERR_INVALIDRECT;
        Changed(dst);
        const bool keyed = (flags & DDBLT_KEYSRC) && src->hasColorKey;
        if (!Empty(visible) && src != dst) {
            DrawBlit(dst, to, visible, src, from, keyed);
        } else if (!Empty(visible)) {
            // A blit within one surface reads a snapshot so overlapping rectangles copy cleanly.
            Surface snapshot = *src;
            DrawBlit(dst, to, visible, &snapshot, from, keyed);
        }
    }
    if (dst->primary()) Present();
    return DD_OK;
}

// The common put, two different surfaces without a clipper, goes straight to the copy; the rest
// is Blt's.
int32_t BltFast(Surface* dst, int x, int y, Surface* src, const Rect* srcRect, uint32_t flags) {
    if (!src) return DDERR_INVALIDPARAMS;
    // Read in place: a caller that has just written the rectangle field by field would make a
    // whole-rectangle copy wait for those stores.
    const Rect whole = Whole(src);
    const Rect& from = srcRect ? *srcRect : whole;
    // Summed in 64 bits; a corner beyond the int range is outside every surface, as its
    // clamped value is.
    const Rect to{x, y, gk::SaturateInt(int64_t{x} + (int64_t{from.right} - from.left)),
                  gk::SaturateInt(int64_t{y} + (int64_t{from.bottom} - from.top))};
    const bool keyed = flags & DDBLTFAST_SRCCOLORKEY;
    if (!dst || dst == src || dst->clipper)
        return Blt(dst, &to, src, &from, keyed ? DDBLT_KEYSRC : 0);
    if (int32_t r = InjectedBlitFailure(); r != DD_OK) return r;
    if (int32_t r = Usable(dst); r != DD_OK) return r;
    if (!Inside(to, dst)) return DDERR_INVALIDRECT;
    if (int32_t r = Usable(src); r != DD_OK) return r;
    if (src->format != dst->format) return DDERR_INVALIDPARAMS;
    if (!Inside(from, src)) return DDERR_INVALIDRECT;
    Changed(dst);
    CopyRect(dst, x, y, src, from, keyed && src->hasColorKey);
    if (dst->primary()) Present();
    return DD_OK;
}

// ---- Headless backend -------------------------------------------------------------------------

namespace {

// The headless window's client area; a 640 x 480 one at the desktop's corner while no window
// exists.
Rect HeadlessClient() {
    Rect client;
    if (!headless::ClientArea(client)) client = {0, 0, 640, 480};
    return client;
}

void HeadlessClientSize(int* width, int* height) {
    Rect client = HeadlessClient();
    *width = client.right - client.left;
    *height = client.bottom - client.top;
}

void HeadlessClientOrigin(int* x, int* y) {
    Rect client = State().headlessFullScreen ? Rect{} : HeadlessClient();
    *x = client.left;
    *y = client.top;
}

bool HeadlessSetFullScreen(bool on, int, int) {
    State().headlessFullScreen = on;
    return true;
}

void HeadlessPresent(const Surface& primary, bool) {
    DisplayState& st = State();
    st.presentedIsPrimary = &primary == st.primary;
    if (!st.presentedIsPrimary) st.presented = primary;
    st.presents++;
    if (st.dumpFolder.empty()) return;
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%05d.bmp", st.presents);
    SaveSurfaceBmp(&primary, (st.dumpFolder + name).c_str());
}

void HeadlessReleasePrimary() {}

void HeadlessMinimize() {
    State().minimized++;
}

}  // namespace

const detail::DisplayBackend& detail::HeadlessDisplay() {
    static const DisplayBackend backend{HeadlessClientSize,     HeadlessClientOrigin,
                                        HeadlessSetFullScreen,  HeadlessPresent,
                                        HeadlessReleasePrimary, HeadlessMinimize};
    return backend;
}

namespace headless {

void ResetDisplay() {
    DisplayState& st = State();
    st.format = FormatFromEnvironment();
    st.faults = {};
    st.presented = {};
    st.presentedIsPrimary = false;
    st.presents = st.vblanks = st.minimized = 0;
    st.vsyncRequested = false;
    st.headlessFullScreen = false;
    st.modeRequests.clear();
}

void UseDisplayFormat(PixelFormat format) {
    State().format = format;
}

void FailSurfaceCreation(int n) {
    State().faults.surfaceCreation = n;
}

void FailLocks(int count, int32_t code) {
    State().faults.locks = count;
    State().faults.lockCode = code;
}

void FailBlits(int count, int32_t code) {
    State().faults.blits = count;
    State().faults.blitCode = code;
}

void LoseAllSurfaces() {
    for (Surface* s : State().surfaces) s->lost = true;
}

void RefuseDisplayDepth(int bitsPerPixel) {
    State().faults.refusedDepths.insert(bitsPerPixel);
}

void FailNext(Fail operation) {
    State().faults.next.insert(operation);
}

const Surface* PresentedFrame() {
    const DisplayState& st = State();
    if (!st.presents) return nullptr;
    return st.presentedIsPrimary ? st.primary : &st.presented;
}

int PresentCount() {
    return State().presents;
}

int VerticalBlankCount() {
    return State().vblanks;
}

const std::vector<int>& DisplayModeRequests() {
    return State().modeRequests;
}

int MinimizeCount() {
    return State().minimized;
}

void DumpFrames(const char* folder) {
    State().dumpFolder = folder ? folder : "";
}

}  // namespace headless

}  // namespace plat
