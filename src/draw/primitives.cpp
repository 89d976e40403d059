// Primitive drawing on the back screen through its device context: lines, boxes, polygons,
// Bezier curves and single pixels, in GDI colours and not limited by the clip rectangle. Pens
// and brushes live for one call.
#include "draw/draw.h"
#include "platform/gdi.h"

namespace {

// Runs draw(dc) on the back screen's context with a solid pen of colour and width and, when
// given, a brush; the context's own pen and brush are put back and ours deleted afterwards.
template <typename Fn>
void OnBackScreen(uint32_t color, int width, const plat::LogBrush* brush, Fn draw) {
    plat::Dc* dc = nullptr;
    if (!gkScreen.Back || plat::GetDC(gkScreen.Back, &dc) != plat::DD_OK) return;
    plat::Pen* pen = plat::CreatePen(plat::PS_SOLID, width, color);
    plat::Pen* oldPen = plat::SelectObject(dc, pen);
    plat::Brush* ourBrush = brush ? plat::CreateBrushIndirect(*brush) : nullptr;
    plat::Brush* oldBrush = ourBrush ? plat::SelectObject(dc, ourBrush) : nullptr;
    draw(dc);
    if (ourBrush) {
        plat::SelectObject(dc, oldBrush);
        plat::DeleteObject(ourBrush);
    }
    plat::SelectObject(dc, oldPen);
    plat::DeleteObject(pen);
    plat::ReleaseDC(gkScreen.Back, dc);
}

}  // namespace

namespace gkDraw {

void DrawPolygon(const plat::Point* points, int count, uint32_t color, uint32_t background,
                 int width, int fillMode) {
    plat::LogBrush brush = fillMode == 0
                               ? plat::LogBrush{plat::BS_HOLLOW, 0, 0}
                               : plat::LogBrush{plat::BS_HATCHED, color, plat::HS_DIAGCROSS};
    OnBackScreen(color, width, &brush, [&](plat::Dc* dc) {
        if (fillMode == 2) {
            plat::SetBkMode(dc, plat::TRANSPARENT);
        } else {
            plat::SetBkColor(dc, background);
        }
        plat::Polygon(dc, points, count);
    });
}

void GetPixel(int x, int y, int* red, int* green, int* blue) {
    // Without a context the result is the invalid colour, as for a point outside the screen.
    uint32_t value = plat::CLR_INVALID;
    plat::Dc* dc = nullptr;
    if (gkScreen.Back && plat::GetDC(gkScreen.Back, &dc) == plat::DD_OK) {
        value = plat::GetPixel(dc, x, y);
        plat::ReleaseDC(gkScreen.Back, dc);
    }
    *red = static_cast<int>(value & 0xFF);
    *green = static_cast<int>((value >> 8) & 0xFF);
    *blue = static_cast<int>((value >> 16) & 0xFF);
}

void SetPixel(int x, int y, uint32_t color) {
    plat::Dc* dc = nullptr;
    if (!gkScreen.Back || plat::GetDC(gkScreen.Back, &dc) != plat::DD_OK) return;
    plat::SetPixel(dc, x, y, color);
    plat::ReleaseDC(gkScreen.Back, dc);
}

void DrawLine(int x1, int y1, int x2, int y2, uint32_t color, int width) {
    OnBackScreen(color, width, nullptr, [&](plat::Dc* dc) {
        plat::MoveToEx(dc, x1, y1, nullptr);
        plat::LineTo(dc, x2, y2);
    });
}

void DrawBox(int left, int top, int right, int bottom, uint32_t fillColor, uint32_t lineColor,
             int width) {
    plat::LogBrush brush{plat::BS_SOLID, fillColor, 0};
    OnBackScreen(lineColor, width, &brush,
                 [&](plat::Dc* dc) { plat::Rectangle(dc, left, top, right, bottom); });
}

void DrawBezier(const plat::Point* points, int count, uint32_t color, int width) {
    OnBackScreen(color, width, nullptr, [&](plat::Dc* dc) { plat::PolyBezier(dc, points, count); });
}

}  // namespace gkDraw
