// Fonts and text: the font description record and the installed-font list, the one open font
// selection (on the back screen or on the Font buffer sprite), text drawn straight onto the back
// screen, the standard print style and the frame-rate line, and message boxes rendered into the
// Font sprite with line breaking and a typewriter reveal. Text is Shift-JIS.
#pragma once

#include <cstdint>

#include "gk_limits.h"
#include "platform/font.h"
#include "platform/gdi.h"

struct gkFontListEntry {
    char Name[32];    // face name as enumerated; empty in an unused entry
    uint8_t CharSet;  // its character set; 0 in an unused entry
};

struct gkFontState {
    plat::LogFont* Description = nullptr;  // made by InitFonts; every selection creates from it
    plat::Font Current = nullptr;          // font of the open selection
    plat::Surface* Surface = nullptr;      // surface the open selection draws on
    plat::Dc* Dc = nullptr;                // that surface's device context
    plat::Font Previous = nullptr;         // font the context had before; put back on release
    gkFontListEntry List[gk::kFontListSize] = {};
    int32_t Count = 0;           // entries filled, at most kFontListSize
    int32_t PutAfterRender = 0;  // message renderers put their box when done; 1 after InitFonts
};
extern gkFontState gkFont;

struct gkTextState {
    uint32_t TextColor = 0;  // last colours given to SetTextColors (0x00BBGGRR)
    uint32_t BackColor = 0;
    plat::Rect Box;       // rectangle of the last PutTextRect
    plat::Rect Measured;  // rectangle of the last MeasureTextRect, with the bounds laid out
};
extern gkTextState gkText;

struct gkFpsState {
    int32_t Frames = 0;       // ShowFps calls in the current window, at most 999
    float Fps = 0.0f;         // rate of the last completed 2-second window
    float MaxFps = 0.0f;      // highest rate seen
    float MinFps = 999.9f;    // lowest non-zero rate seen
    uint32_t NextUpdate = 0;  // clock time at which the window closes
    char Text[64] = {};       // the last line shown
};
extern gkFpsState gkFps;

// The last message rendering and its typewriter reveal.
struct gkMessageState {
    // [0] the box of everything rendered, [1 .. Count - 1] the drawn glyph cells in text order,
    // in back-screen coordinates (hanging punctuation is inside the box but not listed).
    plat::Rect Glyphs[gk::kGlyphListEntries];
    int32_t Count = 0;   // entries in use, the box included; 0 before any rendering
    int32_t Shown = 0;   // reveal progress; above Count once the whole box is shown
    float Timer = 0.0f;  // seconds gathered towards the next glyph
};
extern gkMessageState gkMessage;

namespace gkDraw {

// Fonts. InitFonts runs at screen set-up, after the back screen exists; FreeFonts at shutdown.
void InitFonts();
void FreeFonts();
// face 0 "標準明朝", 1 "標準ゴシック", other values keep the last face name; weight 0 normal,
// 1 bold, other values the platform's default; angle in degrees. Opens a selection on the back
// screen; a selection still open is closed first.
void SelectFont(int face, int height, int angle, int weight, int italic, int underline);
void SelectFontByName(const char* name, int height, int angle, int weight, int italic,
                      int underline);
void ReleaseFont();
// A font twice size high on the Font buffer sprite (slot 3), for smooth sprite text.
void SelectSpriteFont(int face, int size);
void SelectSpriteFontByName(const char* name, int size);
void ReleaseSpriteFont();

// Low-level text steps, inside a selection. transparent 0: opaque cells in the background colour.
void SetTextColors(uint32_t textColor, uint32_t backColor, int transparent);
void PutText(int x, int y, const char* text);
// align 0 left, 1 centred, 2 right; other values draw nothing. Lines break between words.
void PutTextRect(int left, int top, int right, int bottom, const char* text, int align);
// Lays the text out as PutTextRect with align 0 into gkText.Measured without drawing.
void MeasureTextRect(int left, int top, int right, int bottom, const char* text);

// Ready-made prints in the standard style (gothic 12, white on 0x800000, opaque), each with its
// own selection. PrintFormat output beyond 255 bytes is cut off.
void PrintText(int x, int y, const char* text);
void PrintFormat(int x, int y, const char* format, ...) __attribute__((format(printf, 3, 4)));
// Once per frame: the frame rate over 2-second windows, printed at (0, 0).
void ShowFps();

// Message boxes. Flags: the low byte is extra line spacing in pixels (in double-size pixels for
// the smooth variant), then a shadow in the background colour, down-right, and a thickening of
// every glyph one pixel to the right and one pixel down. Text and background colours darker
// than 0x101010 in every channel become 0x101010: black is the Font sprite's transparent key.
constexpr uint16_t kMessageSpacing = 0x00FF;
constexpr uint16_t kMessageShadow = 0x0100;
constexpr uint16_t kMessageThickenX = 0x0200;
constexpr uint16_t kMessageThickenY = 0x0400;
// Renders the text from (x, y) into the Font sprite (slot 2), wrapping lines past `right` and
// stopping at the line end that would reach `bottom` (the first line is always drawn), then puts
// the box on the back screen. The font is that of the open screen selection, which is closed
// for the work and open again on return.
void PutMessage(int x, int y, int right, int bottom, const char* text, uint16_t flags);
// As PutMessage, keeping the rendering in the Font sprite for TypeMessage.
void MakeMessage(int x, int y, int right, int bottom, const char* text, uint16_t flags);
// Anti-aliased: inside a sprite selection (twice the wanted size), each line is drawn at double
// size into the Font buffer sprite (slot 3) and reduced 2:1 over the back screen's pixels.
void PutSmoothMessage(int x, int y, int right, int bottom, const char* text, uint16_t flags);
void MakeSmoothMessage(int x, int y, int right, int bottom, const char* text, uint16_t flags);
// Once per frame after a make: puts the glyphs revealed so far and reveals one more each time
// secondsPerGlyph of frame time have gathered. 1 (the whole box put) once everything is shown,
// at once for an interval that is not positive, and when nothing has been rendered yet (nothing
// drawn); else 0.
int TypeMessage(float secondsPerGlyph);

// Shared by the text files: a selection on the surface with a font made from the description
// (one open at a time; an open one is closed first), and closing the one on the surface.
void OpenFontSelection(plat::Surface* surface);
void CloseFontSelection(plat::Surface* surface);

}  // namespace gkDraw
