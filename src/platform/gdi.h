// GDI's role: a device context drawing into a surface (GetDC) or reading a bitmap (a memory
// context with the bitmap selected), pixel access and StretchBlt, pens, brushes and shapes,
// fonts and text. Every colour passes through the display's one GDI colour <-> pixel conversion.
#pragma once

#include <cstdint>

#include "platform/display.h"
#include "platform/font.h"

namespace plat {

constexpr uint32_t CLR_INVALID = 0xFFFFFFFF;
constexpr uint32_t SRCCOPY = 0x00CC0020;

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

struct Pen;
struct LogBrush;

// A device context: on a surface, or on a bitmap. Null pen, brush and font stand for the stock
// ones: a black one-pixel pen, a white solid brush and the system font.
struct Dc {
    Surface* surface = nullptr;
    const Bitmap* bitmap = nullptr;
    Pen* pen = nullptr;
    LogBrush* brush = nullptr;
    Font font = nullptr;
    int bkMode = OPAQUE;
    uint32_t bkColor = 0xFFFFFF;
    uint32_t textColor = 0x000000;
    int x = 0, y = 0;  // current position (MoveToEx, LineTo)
};

// A context on the surface (DDERR_SURFACELOST when its memory is lost). Release it with
// ReleaseDC.
int32_t GetDC(Surface* surface, Dc** dc);
int32_t ReleaseDC(Surface* surface, Dc* dc);
// CreateCompatibleDC + SelectObject of a bitmap; DeleteDC frees it.
Dc* CreateBitmapDC(const Bitmap* bitmap);
void DeleteDC(Dc* dc);

// The colour at (x, y); CLR_INVALID outside the context's pixels.
uint32_t GetPixel(const Dc* dc, int x, int y);
// Stores the colour converted to the pixel format; returns the colour actually stored, or
// CLR_INVALID outside the surface.
uint32_t SetPixel(Dc* dc, int x, int y, uint32_t color);
// Copies src (x, y, w, h) onto dst (x, y, w, h), stretched nearest-neighbour, with SRCCOPY.
// Parts of the destination outside its surface are not drawn; source points outside the source
// read black. Returns false for a bad context or raster operation.
bool StretchBlt(Dc* dst, int dx, int dy, int dw, int dh, const Dc* src, int sx, int sy, int sw,
                int sh, uint32_t rop);

// ---------------------------------------------------------------------------------------------
// Pens, brushes and shapes
// ---------------------------------------------------------------------------------------------

constexpr int PS_SOLID = 0;
constexpr int PS_NULL = 5;
constexpr uint32_t BS_SOLID = 0;
constexpr uint32_t BS_NULL = 1;
constexpr uint32_t BS_HOLLOW = BS_NULL;
constexpr uint32_t BS_HATCHED = 2;
constexpr int HS_HORIZONTAL = 0;
constexpr int HS_VERTICAL = 1;
constexpr int HS_FDIAGONAL = 2;
constexpr int HS_BDIAGONAL = 3;
constexpr int HS_CROSS = 4;
constexpr int HS_DIAGCROSS = 5;

struct Point {
    int32_t x, y;
};
struct Size {
    int32_t cx, cy;
};

// A pen of width 0 or 1 draws one-pixel lines that leave out their end point; wider pens draw
// round-capped strokes centred on the path, end point included. PS_NULL draws nothing.
struct Pen {
    int style;
    int width;
    uint32_t color;
};
struct LogBrush {
    uint32_t style;
    uint32_t color;
    int hatch;
};
using Brush = LogBrush;

Pen* CreatePen(int style, int width, uint32_t color);
Brush* CreateBrushIndirect(const LogBrush& brush);
void DeleteObject(Pen* pen);
void DeleteObject(Brush* brush);
// Each returns the object selected before (a fresh context has a black one-pixel pen, a white
// solid brush and the stock font).
Pen* SelectObject(Dc* dc, Pen* pen);
Brush* SelectObject(Dc* dc, Brush* brush);
Font SelectObject(Dc* dc, Font font);

// Each returns the previous value. A fresh context draws opaque, on white, in black.
int SetBkMode(Dc* dc, int mode);
uint32_t SetBkColor(Dc* dc, uint32_t color);
uint32_t SetTextColor(Dc* dc, uint32_t color);

bool MoveToEx(Dc* dc, int x, int y, Point* previous);
// Draws from the current position to (x, y), which becomes the current position.
bool LineTo(Dc* dc, int x, int y);
// Inside filled with the brush, outline drawn with the pen; with a one-pixel pen the box covers
// columns left .. right - 1 and rows top .. bottom - 1.
bool Rectangle(Dc* dc, int left, int top, int right, int bottom);
// The closed outline through the points; the inside filled by the alternate rule.
bool Polygon(Dc* dc, const Point* points, int count);
// Cubic Bezier curves: a start point, then three points (two controls, an end) per curve.
bool PolyBezier(Dc* dc, const Point* points, int count);
// Inverts every pixel of the rectangle.
bool InvertRect(Dc* dc, const Rect& rect);

// ---------------------------------------------------------------------------------------------
// Text
// ---------------------------------------------------------------------------------------------

constexpr uint32_t DT_LEFT = 0x0000;
constexpr uint32_t DT_CENTER = 0x0001;
constexpr uint32_t DT_RIGHT = 0x0002;
constexpr uint32_t DT_WORDBREAK = 0x0010;
constexpr uint32_t DT_CALCRECT = 0x0400;
constexpr uint32_t DT_NOPREFIX = 0x0800;

// Shift-JIS text in one line with its cell's top-left corner at (x, y), in the selected font
// and text colour; in opaque mode the cells are filled with the background colour first. A
// font with an escapement turns the line about (x, y).
bool TextOut(Dc* dc, int x, int y, const char* text, int length);
bool GetTextExtentPoint32(Dc* dc, const char* text, int length, Size* size);
// Text in a rectangle from its top: lines end at line feeds (CR, LF or CR LF) and, with
// DT_WORDBREAK, before a word or double-byte character that would pass the right edge (a word
// wider than the rectangle is split between characters). Each line is aligned left, centred
// (DT_CENTER) or right (DT_RIGHT); nothing is clipped to the rectangle. An ampersand is always
// an ordinary character. DT_CALCRECT draws nothing and sets the bottom (and, for a single line,
// the right edge) to what the text occupies. length -1: up to the NUL. Returns the text height.
int DrawText(Dc* dc, const char* text, int length, Rect* rect, uint32_t format);

}  // namespace plat
