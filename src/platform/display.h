// The display (DirectDraw's role): a device, surfaces in the display's pixel format, the primary
// surface that is the window's client area, blits, locks, colour keys, lost surfaces, and the one
// conversion between GDI colours (0x00BBGGRR) and raw pixels. Both backends share the surface
// memory and the blit loops; they differ only in how the primary surface reaches the screen
// (SDL: a streaming texture; headless: kept for tests to read) and in the headless fault
// injection. Also here: decoding BMP files into device-independent bitmaps.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace plat {

// Result codes, with their Windows values.
constexpr int32_t DD_OK = 0;
constexpr int32_t DDERR_GENERIC = static_cast<int32_t>(0x80004005);
constexpr int32_t DDERR_OUTOFMEMORY = static_cast<int32_t>(0x8007000E);
constexpr int32_t DDERR_INVALIDPARAMS = static_cast<int32_t>(0x80070057);
constexpr int32_t DDERR_INVALIDRECT = static_cast<int32_t>(0x88760096);
constexpr int32_t DDERR_INVALIDMODE = static_cast<int32_t>(0x88760172);
constexpr int32_t DDERR_SURFACEBUSY = static_cast<int32_t>(0x887601AE);
constexpr int32_t DDERR_SURFACELOST = static_cast<int32_t>(0x887601C2);
constexpr int32_t DDERR_WASSTILLDRAWING = static_cast<int32_t>(0x8876021C);
constexpr int32_t DDERR_NOTLOCKED = static_cast<int32_t>(0x88760248);

// Device and surface capability bits.
constexpr uint32_t DDCAPS_3D = 0x00000001;
constexpr uint32_t DDCAPS_BLTSTRETCH = 0x00000200;
constexpr uint32_t DDSCAPS_TEXTURE = 0x00001000;
constexpr uint32_t DDSCAPS_OFFSCREENPLAIN = 0x00000040;
constexpr uint32_t DDSCAPS_PRIMARYSURFACE = 0x00000200;
constexpr uint32_t DDSCAPS_SYSTEMMEMORY = 0x00000800;

// Cooperative levels.
constexpr uint32_t DDSCL_FULLSCREEN = 0x00000001;
constexpr uint32_t DDSCL_ALLOWREBOOT = 0x00000002;
constexpr uint32_t DDSCL_NORMAL = 0x00000008;
constexpr uint32_t DDSCL_EXCLUSIVE = 0x00000010;

// Blit, lock, key and vertical-blank flags.
constexpr uint32_t DDBLT_COLORFILL = 0x00000400;
constexpr uint32_t DDBLT_KEYSRC = 0x00008000;
constexpr uint32_t DDBLT_WAIT = 0x01000000;
constexpr uint32_t DDBLTFAST_NOCOLORKEY = 0x00000000;
constexpr uint32_t DDBLTFAST_SRCCOLORKEY = 0x00000001;
constexpr uint32_t DDBLTFAST_WAIT = 0x00000010;
constexpr uint32_t DDLOCK_WAIT = 0x00000001;
constexpr uint32_t DDCKEY_SRCBLT = 0x00000008;
constexpr uint32_t DDWAITVB_BLOCKBEGIN = 0x00000001;

// Windows RECT: right and bottom exclusive.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// The display's pixel formats: 16-bit 5-6-5 (the default), 16-bit 5-5-5, 32-bit X8R8G8B8.
enum class PixelFormat { R5G6B5, X1R5G5B5, X8R8G8B8 };

struct PixelMasks {
    uint32_t red = 0, green = 0, blue = 0;
    int bitCount = 0;
};
PixelMasks Masks(PixelFormat format);
inline int BytesPerPixel(PixelFormat format) {
    return format == PixelFormat::X8R8G8B8 ? 4 : 2;
}

// The one conversion between GDI colours (0x00BBGGRR) and raw pixels. Towards the pixel each
// channel keeps its top bits (black is 0 in every format); back towards a GDI colour the bits are
// repeated downwards, so white stays 0x00FFFFFF and pixel -> colour -> pixel is exact.
uint32_t ColorToPixel(PixelFormat format, uint32_t color);
uint32_t PixelToColor(PixelFormat format, uint32_t pixel);

// The display's current format: GK_DISPLAY_FORMAT (565, 555 or 8888) at start; in full-screen
// mode SetDisplayMode's depth chooses it (16 keeps the 16-bit layout, 32 is X8R8G8B8).
PixelFormat DisplayFormat();
// Bits per pixel of the desktop (GetDeviceCaps BITSPIXEL's role): follows DisplayFormat.
int DesktopDepth();

struct Clipper;
namespace kernels {
struct OpaqueRuns;
}

// Pixel memory starts on a cache line, so that the wide stores of fills and copies line up with
// lines whenever the row offset does.
template <class T>
struct CacheLineAllocator {
    using value_type = T;
    static constexpr std::align_val_t kAlignment{64};
    CacheLineAllocator() = default;
    template <class U>
    CacheLineAllocator(const CacheLineAllocator<U>&) {}
    T* allocate(size_t n) { return static_cast<T*>(::operator new(n * sizeof(T), kAlignment)); }
    void deallocate(T* p, size_t) { ::operator delete(p, kAlignment); }
    friend bool operator==(const CacheLineAllocator&, const CacheLineAllocator&) { return true; }
};
using PixelBuffer = std::vector<uint8_t, CacheLineAllocator<uint8_t>>;

// A surface: plain memory in its pixel format. Pixel (0, 0) is at pixels.data(); rows are
// `pitch` bytes apart.
struct Surface {
    int width = 0;
    int height = 0;
    int pitch = 0;
    PixelFormat format = PixelFormat::R5G6B5;
    PixelBuffer pixels;
    uint32_t caps = 0;           // DDSCAPS_* requested at creation
    bool hasColorKey = false;    // source colour key set
    uint32_t colorKey = 0;       // raw pixel value skipped by keyed blits
    bool lost = false;           // memory gone until Restore
    int lockCount = 0;           // Lock minus Unlock
    Clipper* clipper = nullptr;  // primary surface only: maps screen rectangles to the window
    // Keyed blits from this surface copy its opaque runs, found on the second keyed blit since
    // its pixels or key last changed (lock, GDI context, blit onto it, new key, restore); null
    // before that and when the runs do not pay.
    std::shared_ptr<const kernels::OpaqueRuns> keyRuns;
    int keyedBlitsSinceChange = 0;
    bool primary() const { return caps & DDSCAPS_PRIMARYSURFACE; }
};

// The device (one software device that stretches in its blits).
struct Device;
struct Caps {
    uint32_t caps = 0;         // DDCAPS_*
    uint32_t surfaceCaps = 0;  // DDSCAPS_*
};

// Calls `callback` once per display driver (driver nullptr = the primary display driver) until it
// returns false. Returns DD_OK.
int32_t EnumerateDevices(bool (*callback)(const int* driver, void* context), void* context);
// Creates the device of `driver` (nullptr for the default device).
int32_t CreateDevice(const int* driver, Device** device);
void ReleaseDevice(Device* device);
int32_t GetCaps(Device* device, Caps* hardware, Caps* emulation);
// DDSCL_NORMAL for windowed, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE (| DDSCL_ALLOWREBOOT) for
// full-screen use of the main window.
int32_t SetCooperativeLevel(Device* device, uint32_t flags);
// Full-screen only: 16 or 32 bits per pixel; other depths are refused with DDERR_INVALIDMODE.
int32_t SetDisplayMode(Device* device, int width, int height, int bitsPerPixel);
int32_t RestoreDisplayMode(Device* device);
// Waits for the next vertical blank: the next present of the primary surface waits for it.
int32_t WaitForVerticalBlank(Device* device, uint32_t flags);
// Lets message boxes show over a full-screen display.
int32_t FlipToGDISurface(Device* device);
// CloseWindow's role: minimises the main window once the display has left full-screen mode.
void MinimizeMainWindow();

// Every surface operation answers a missing surface (nullptr) with an error code.

// DDSCAPS_PRIMARYSURFACE: the window's client area (its size; width and height are ignored).
// Otherwise an off-screen surface of width x height in the display format.
int32_t CreateSurface(Device* device, uint32_t caps, int width, int height, Surface** surface);
void ReleaseSurface(Surface* surface);

// A clipper bound to the main window: blits to the primary surface then take screen
// coordinates and touch only the client area.
int32_t CreateClipper(Device* device, Clipper** clipper);
int32_t SetClipperWindow(Clipper* clipper);
int32_t SetClipper(Surface* surface, Clipper* clipper);
void ReleaseClipper(Clipper* clipper);

int32_t IsLost(const Surface* surface);
// Gives a lost surface new memory; its contents are undefined afterwards.
int32_t Restore(Surface* surface);

// Locks the whole surface: pointer to pixel (0, 0) and the pitch in bytes, valid until Unlock.
int32_t Lock(Surface* surface, uint8_t** pixels, int* pitch, uint32_t flags);
int32_t Unlock(Surface* surface);

int32_t GetPixelFormat(const Surface* surface, PixelMasks* masks);
int32_t SetColorKey(Surface* surface, uint32_t flags, uint32_t key);
// DDERR_GENERIC when the surface has no source colour key.
int32_t GetColorKey(const Surface* surface, uint32_t flags, uint32_t* key);

// Blt: dstRect/srcRect nullptr mean the whole surface. DDBLT_COLORFILL fills dstRect with the
// raw value `fill` (src unused); otherwise src is copied, stretched nearest-neighbour when the
// sizes differ, skipping pixels equal to src's key with DDBLT_KEYSRC. A rectangle that is empty
// or not inside its surface refuses the whole blit (DDERR_INVALIDRECT); a lost surface answers
// DDERR_SURFACELOST. Both draw nothing.
int32_t Blt(Surface* dst, const Rect* dstRect, Surface* src, const Rect* srcRect, uint32_t flags,
            uint32_t fill = 0);
// BltFast: an unstretched copy of srcRect to (x, y), keyed with DDBLTFAST_SRCCOLORKEY.
int32_t BltFast(Surface* dst, int x, int y, Surface* src, const Rect* srcRect, uint32_t flags);

// A device-independent bitmap: pixels as GDI colours, top row first.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};
// Decodes a BMP file (1, 4, 8, 16, 24 and 32 bits, bottom-up or top-down). nullptr for a file
// that is missing, truncated, not a BMP, or of an absurd size.
std::unique_ptr<Bitmap> LoadBitmapFile(const char* path);
// Writes a surface as a 24-bit BMP (frame dumps, looking at test results).
bool SaveSurfaceBmp(const Surface* surface, const char* path);

namespace headless {
// Start-up state: display format from GK_DISPLAY_FORMAT, no injected faults, nothing presented.
void ResetDisplay();
void UseDisplayFormat(PixelFormat format);
// The n-th surface creation from now fails (1 = the next one); 0 cancels.
void FailSurfaceCreation(int n);
// The next `count` locks (-1: every lock) answer `code`.
void FailLocks(int count, int32_t code = DDERR_GENERIC);
// The next `count` blits (Blt and BltFast) answer `code` and draw nothing.
void FailBlits(int count, int32_t code);
// Marks every existing surface lost.
void LoseAllSurfaces();
// SetDisplayMode refuses this depth.
void RefuseDisplayDepth(int bitsPerPixel);
// The next call of one set-up operation fails (twice asked: the next two calls).
enum class Fail {
    CreateDevice,
    CooperativeLevel,
    CreateClipper,
    ClipperWindow,
    AttachClipper,
    PixelFormat
};
void FailNext(Fail operation);
// The primary surface as last presented (nullptr before any), how many presents and vertical
// blank waits happened.
const Surface* PresentedFrame();
int PresentCount();
int VerticalBlankCount();
int MinimizeCount();
// The depths SetDisplayMode was asked for, in order.
const std::vector<int>& DisplayModeRequests();
// Writes every later present as <folder>/frame_NNNNN.bmp (nullptr stops); GK_FRAME_DUMP sets it
// at start.
void DumpFrames(const char* folder);
}  // namespace headless

}  // namespace plat
