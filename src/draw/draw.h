// Screen and sprites: the screen state gkScreen, the sprite object table, screen set-up and
// release, and the drawing operations on them.
#pragma once

#include <cstdint>
#include <cstdio>

#include "gk_limits.h"
#include "platform/display.h"
#include "platform/gdi.h"

// ---------------------------------------------------------------------------------------------
// Screen state and set-up
// ---------------------------------------------------------------------------------------------

struct gkScreenState {
    plat::Device* DirectDraw = nullptr;
    plat::Surface* Primary = nullptr;  // the window's client area
    plat::Surface* Back = nullptr;     // the back screen everything is drawn on
    plat::Clipper* Clipper = nullptr;  // windowed mode only
    int Width = 0, Height = 0;         // back screen and game area
    int ColorDepth = 16;               // requested full-screen depth; windowed: the desktop's
    int AltDepth1 = 0, AltDepth2 = 0;  // full-screen fallback depths, 0 = none
    int Device3D = 0;                  // device came from the enumeration
    int CanStretch = 0;                // the device stretches in blits
    int OriginX = 0, OriginY = 0;      // screen position of the client area
    plat::Rect ClientRect;             // destination of the present
    plat::Rect SourceRect;             // source of the present
    plat::Rect Clip;                   // clip rectangle of clipped blits and effects
    uint32_t RedMask = 0, GreenMask = 0, BlueMask = 0;
    uint16_t RedShift = 0, GreenShift = 0, BlueShift = 0;     // lowest set bit of each mask
    uint32_t RedMax = 0, GreenMax = 0, BlueMax = 0;           // mask >> shift
    uint16_t Red5Shift = 0, Green5Shift = 0, Blue5Shift = 0;  // places a 0-31 value at the top
    uint32_t HalfMask = 0;   // bits that survive a right shift by one, per channel
    uint32_t ColorMask = 0;  // the white pixel
};
extern gkScreenState gkScreen;

namespace gkDraw {
// Brings up the display; width -1 takes gkApp.WindowWidth/WindowHeight. mode 1: every surface
// placed by the driver; 3: primary and back by the driver, slots 0 and 1 in system memory;
// else all in system memory. 1 on success, 0 after an error report.
int Screen(int width, int height, int mode);
void Release();
void SetClip(int left, int top, int right, int bottom);
void SetColorDepth(int depth, int alt1, int alt2);
}  // namespace gkDraw

namespace gkSystem {
int GetColorDepth();  // the desktop's bits per pixel (16 or 32)
int IsWindowed();     // 1 in a window, 0 full screen
// 1 = go on, 0 = the program is quitting.
int CheckColor(const char* file);
}  // namespace gkSystem

// ---------------------------------------------------------------------------------------------
// Sprite object table
// ---------------------------------------------------------------------------------------------

struct SpriteObject {
    plat::Surface* surface = nullptr;  // none when the slot holds no image
    char name[32] = {};                // empty = free; "*" = blank object
    int32_t fromPack = 0;              // 1 when loaded from the pack file
    int32_t placement = 2;             // placement used by reloads
    uint32_t colorKey = 0;             // GDI colour, or 0xFFFFFFFF (-1) for the corner key
    uint16_t width = 0;
    uint16_t height = 0;
};
// Slots 0-3: Buffer, Screen, Font, Font buffer (internal); 4-1023 for game code.
extern SpriteObject gkSprites[gk::kSpriteSlots];

namespace gkDraw {
// Loads a BMP (named relative to the executable's folder) into the lowest free slot 4-1023, keyed
// with the default key. The slot, or 0 after an error report.
int LoadObject(const char* name, int placement);
// A blank width × height sprite in the lowest free slot; the slot, or 0 after an error report.
int CreateObject(int width, int height, int placement);
// Replaces the image of a slot in place with a BMP; 1, or 0 after an error report.
int SwapObject(const char* name, int slot, int placement);
void ReleaseObject(int slot);  // frees the slot's surface and empties it
void RestoreObjects();         // after surface loss: every slot reloaded in place from its source
// The colour key sprites get when loaded (a GDI colour, -1 for each image's top-left pixel).
void SetDefaultColorKey(uint32_t color);
void UseCornerColorKey();                          // later loads keyed on their top-left pixel
void SetObjectColorKey(int slot, uint32_t color);  // keys one sprite on a GDI colour
void SetObjectCornerColorKey(int slot);            // keys one sprite on its top-left pixel
void CopyColorKey(int dst, int src);               // gives dst the key src has

// Helpers shared by the loaders.
// Surface creation caps for a placement code: 2 = driver's choice, else system memory.
uint32_t PlacementCaps(int placement);
// Loads the BMP at path into a new surface of its size; nullptr when it cannot.
plat::Surface* LoadBitmapSurface(const char* path, uint16_t* width, uint16_t* height,
                                 int placement);
// Copies bitmap (x, y, width, height; 0 = the bitmap's own) stretched onto the whole surface.
int32_t CopyBitmapToSurface(plat::Surface* surface, const plat::Bitmap* bitmap, int x, int y,
                            int width, int height);
// The raw pixel of a GDI colour in the surface's format; colour -1: the top-left pixel's value.
// 0xFFFFFFFF when the surface cannot be locked.
uint32_t MatchSurfaceColor(plat::Surface* surface, uint32_t color);
int32_t SetSurfaceColorKey(plat::Surface* surface, uint32_t color);
// Empties a slot to its free values.
void EmptySlot(int slot);
// Keys a filled slot with the default key (or the corner key in corner mode), stored in colorKey.
void ApplyDefaultKey(int slot);
// Gives a claimed slot a new blank surface as CreateObject does: size stored, default key
// applied. The slot, or 0 after CreateObject's error report.
int FillBlankObject(int slot, int width, int height, int placement);
// A slot number inside the table; operations given another number do nothing.
bool ValidSlot(int slot);
// Object n's surface; nullptr for a number outside the table or a slot without an image.
plat::Surface* ObjectSurface(int n);
}  // namespace gkDraw

// ---------------------------------------------------------------------------------------------
// Pack files: images appended one after another (width, height, upper-cased name, 5-5-5
// pixels), the converter that writes them from a folder of BMP files, and screenshots
// ---------------------------------------------------------------------------------------------

// One image pack entry as a walk over every entry reads it (listing a pack).
struct gkImagePackEntry {
    uint64_t Offset;  // the entry's first byte in the pack
    uint16_t Width, Height;
    char Name[128];  // the stored name; longer names end a scan
};

namespace gkDraw {
// Pack path = the executable's folder followed by name; nothing is opened.
void SetPackFile(const char* name);
// Forgets the pack path, as at start: every pack open fails until SetPackFile.
void ClearPackFile();
// Loads the first entry named name (compared upper-cased) into a new slot; the slot, or 0 after
// an error report. Names longer than 30 bytes are refused.
int LoadPack(const char* name, int placement);
// Reloads the entry into slot, keeping its number; the slot, or 0 (after an error report unless
// the slot is outside the table or the staging surface could not be locked).
int SwapPack(const char* name, int slot, int placement);
// Reads the entry at the pack's position, with the checks of the lookup and its pixels whole,
// and leaves the pack at the next entry. False at the pack's end or at an entry that does not
// fit in the pack; the pack is then at the start of that entry.
bool ReadPackEntry(std::FILE* pack, gkImagePackEntry* entry);
// Appends every *.BMP of folder (relative to the executable's folder; "" for that folder itself)
// to the pack, in name order; fresh deletes the pack first. Needs a desktop deeper than 16 bits.
// 1, or 0 after an error report.
int Convert(const char* pack, const char* folder, int fresh);
// Appends the image file source (relative to the executable's folder) to the pack as an entry
// named after the file without its folder. Images that do not load are skipped.
void AppendPackEntry(const char* pack, const char* source);
// Writes the back screen's top-left width × height pixels (cut to the back screen) as a 24-bit
// BMP file next to the executable, replacing it whole. 1 when the whole file was written; 0
// when nothing was (no pixels, no lock, a depth other than 16 or 32, a file that cannot be
// written).
int SaveScreen(const char* name, int width, int height);
}  // namespace gkDraw

// ---------------------------------------------------------------------------------------------
// Present and screen transitions
// ---------------------------------------------------------------------------------------------

// Present and overlay state: the screen transition and the picture viewer. Key triggers read
// 0 while a transition runs or the viewer is on.
struct gkPresentState {
    int WaitVSync = 1;
    int TransitionStep = 0;       // 0 none, 1-10 the step drawn
    int TransitionDirection = 0;  // +1 fade-out, -1 fade-in, 0 none
    int PatternSprite = 0;
    int ViewerOn = 0;
    int ViewerPicture = 0, ViewerTile = 0, ViewerHeight = 0;
    float ViewerScroll = 0, ViewerTileX = 0, ViewerTileY = 0;
};
extern gkPresentState gkPresent;

namespace gkDraw {
// Ends a frame: stamps the transition step and draws the viewer over the back screen, waits for
// the vertical blank when WaitVSync is set, and shows the back screen in the window.
void Present();
void SetWaitVSync(int flag);
// Loads the 640 × 48 pattern (ten 64 × 48 frames) keyed on black; its slot, 0 on failure.
int LoadTransitionPattern(const char* file);
// Ten presents stamping pattern frames 0 … 9 (fade-out) or 9 … 0 (fade-in).
void StartFadeOut();
void StartFadeIn();
// Loads (first call) or replaces in place (later calls) the viewer's picture and tile, keyed
// on black; the picture is `height` pixels high and scrolls from its top.
void LoadViewer(const char* picture, const char* tile, int height);
// Hides the viewer, or shows it when one is loaded.
void ToggleViewer();
// What the main loop and the key triggers ask: a transition is running; it is a fade-out; the
// viewer is shown.
bool TransitionRunning();
bool FadingOut();
bool ViewerShown();
}  // namespace gkDraw

// ---------------------------------------------------------------------------------------------
// Primitive drawing on the back screen: GDI colours (0x00BBGGRR), not limited by Clip
// ---------------------------------------------------------------------------------------------

namespace gkDraw {
// fillMode 0: outline only; 1: diagonal cross-hatch in colour with the gaps in background;
// 2: the hatch with the gaps left as they were. Inside by the alternate rule.
void DrawPolygon(const plat::Point* points, int count, uint32_t color, uint32_t background,
                 int width, int fillMode);
// Each channel 0-255 as the back screen stores it; 255, 255, 255 outside the back screen.
void GetPixel(int x, int y, int* red, int* green, int* blue);
void SetPixel(int x, int y, uint32_t color);
// From (x1, y1) up to but not including (x2, y2) with a one-pixel pen.
void DrawLine(int x1, int y1, int x2, int y2, uint32_t color, int width);
// Always filled; with width 1 it covers columns left .. right - 1 and rows top .. bottom - 1.
void DrawBox(int left, int top, int right, int bottom, uint32_t fillColor, uint32_t lineColor,
             int width);
// count = 1 + 3 × number of curves.
void DrawBezier(const plat::Point* points, int count, uint32_t color, int width);
}  // namespace gkDraw

// ---------------------------------------------------------------------------------------------
// Blits: puts of sprite objects (clipped by gkScreen.Clip), fills with raw pixel values, and the
// animated strip puts that draw an object one source row at a time
// ---------------------------------------------------------------------------------------------

// Persistent state of the animated puts, one set per operation, shared by all its calls; each
// call advances its own set once.
struct gkPutAnimationState {
    float WavePhase = 0;         // PutWave, degrees
    int WaveSign = 1;            // PutWave's alternating sign
    float TileX = 0, TileY = 0;  // PutScrollTiles offsets, in -width..0 and -height..0
    float WaveScrollPhase = 0, WaveScrollRow = 0;  // PutWaveScroll
    float WaveTilesPhase = 0, WaveTilesRow = 0;    // PutWaveTiles
    float RollPhase = 0;                           // PutRoll, rows
};
extern gkPutAnimationState gkPutAnimation;

namespace gkDraw {
// Fills return the platform's result code (0 on success); a rectangle not inside the surface
// is refused and nothing is drawn.
int32_t ClearScreen();
int32_t ClearObject(int slot);
int32_t ClearRect(int left, int top, int right, int bottom);
// A one-pixel black outline inside the rectangle (four fills).
int32_t ClearFrame(int left, int top, int right, int bottom);
int32_t WhiteScreen();
int32_t WhiteRect(int left, int top, int right, int bottom);
// Fills with the low 16 bits of colour.
int32_t FillRect(int left, int top, int right, int bottom, uint32_t color);
// 50 % blend of the rectangle (within Clip) with colour; 1, or 0 when the back screen cannot
// be locked.
int HalfFillRect(int left, int top, int right, int bottom, uint32_t color);

// Source rectangle (sl, st, sr, sb) of a slot to (x, y): keyed or opaque, onto the back screen
// or another object, clipped by Clip. A lost surface runs RestoreObjects and drops the draw.
void PutObject(int x, int y, int slot, int sl, int st, int sr, int sb);
void PutObjectOnObject(int dst, int x, int y, int slot, int sl, int st, int sr, int sb);
void PutObjectOpaque(int x, int y, int slot, int sl, int st, int sr, int sb);
void PutObjectOpaqueOnObject(int dst, int x, int y, int slot, int sl, int st, int sr, int sb);
// Stretched to width × height at (x, y): by the blitter when gkScreen.CanStretch, else through
// slot 0 and a clipped put keyed by slot 0's key.
void PutStretch(int x, int y, int slot, int sl, int st, int sr, int sb, int width, int height);
void PutStretchOpaque(int x, int y, int slot, int sl, int st, int sr, int sb, int width,
                      int height);
// Copies the back screen rectangle to (0, 0) of the slot.
void GrabScreen(int slot, int left, int top, int right, int bottom);
// type 0 plain, 1 mirrored left to right, 2 flipped top to bottom, 3 both; pixel value 0 is
// transparent. 1, or 0 when a surface cannot be locked.
int PutFlip(int x, int y, int type, int slot, int sl, int st, int sr, int sb);

// Row by row, each row shifted sideways along a cosine wave whose phase moves by speed degrees a
// second; with alternate, every other row's shift is mirrored.
void PutWave(int x, int y, int amplitude, int period, float speed, int slot, int sl, int st, int sr,
             int sb, int alternate);
// Covers the screen with copies of the rectangle, their offset moving by the speeds over time.
void PutScrollTiles(float speedX, float speedY, int slot, int sl, int st, int sr, int sb);
// A wave whose rows also scroll through the image, wrapping around.
void PutWaveScroll(int x, int y, int amplitude, int period, float waveSpeed, float scrollSpeed,
                   int slot, int sl, int st, int sr, int sb);
// Fills the band of rows top to bottom - 1 with the image tiled across, waving and scrolling.
void PutWaveTiles(int top, int bottom, int amplitude, int period, float waveSpeed,
                  float scrollSpeed, int slot, int sl, int st, int sr, int sb);
// Every rows-th row repeated rows times: a mosaic of horizontal bands.
void PutRowMosaic(int x, int y, int rows, int slot, int sl, int st, int sr, int sb);
// Draws only some rows, leaving the others as they were: every step-th row after the first, or
// for a negative step random gaps of 1 to -step rows; step 0 draws nothing.
void PutSkipRows(int x, int y, int step, int slot, int sl, int st, int sr, int sb);
// Each row shifted sideways by a random amount up to amplitude; amplitude 0 is a plain put.
void PutShake(int x, int y, int amplitude, int slot, int sl, int st, int sr, int sb);
// The image wound round a turning drum (opaque), turning forward or back at speed rows a second.
void PutRoll(int x, int y, int forward, float speed, int slot, int sl, int st, int sr, int sb);
}  // namespace gkDraw
