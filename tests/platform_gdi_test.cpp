// Platform GDI on a small surface: the context's stock objects, hollow pens and brushes,
// inversion, hatch backgrounds, text background modes and DrawText's line layout.
#include <cstring>

#include "platform/gdi.h"
#include "support/fixture.h"

namespace {

class GdiTest : public gktest::Framework {
  protected:
    void SetUp() override {
        gktest::Framework::SetUp();
        ASSERT_EQ(plat::CreateDevice(nullptr, &device_), plat::DD_OK);
        ASSERT_EQ(plat::CreateSurface(device_, plat::DDSCAPS_OFFSCREENPLAIN, 64, 64, &surface_),
                  plat::DD_OK);
        ASSERT_EQ(plat::GetDC(surface_, &dc_), plat::DD_OK);
        plat::LogBrush grey{plat::BS_SOLID, 0x808080, 0};
        Paint(grey, 0, 0, 64, 64);
    }
    void TearDown() override {
        plat::ReleaseDC(surface_, dc_);
        plat::ReleaseSurface(surface_);
        plat::ReleaseDevice(device_);
        gktest::Framework::TearDown();
    }
    // Columns l .. r - 1, rows t .. b - 1 filled with the brush and no outline.
    void Paint(const plat::LogBrush& brush, int l, int t, int r, int b) {
        plat::Brush* ours = plat::CreateBrushIndirect(brush);
        plat::Pen* none = plat::CreatePen(plat::PS_NULL, 1, 0);
        plat::Brush* oldBrush = plat::SelectObject(dc_, ours);
        plat::Pen* oldPen = plat::SelectObject(dc_, none);
        plat::Rectangle(dc_, l, t, r + 1, b + 1);  // a box without a pen is one pixel smaller
        plat::SelectObject(dc_, oldBrush);
        plat::SelectObject(dc_, oldPen);
        plat::DeleteObject(ours);
        plat::DeleteObject(none);
    }
    uint32_t At(int x, int y) { return plat::GetPixel(dc_, x, y); }
    uint32_t Stored(uint32_t color) {
        return plat::PixelToColor(surface_->format, plat::ColorToPixel(surface_->format, color));
    }

    plat::Device* device_ = nullptr;
    plat::Surface* surface_ = nullptr;
    plat::Dc* dc_ = nullptr;
};

TEST_F(GdiTest, FreshContextDrawsWithABlackPenOnAWhiteBrush) {
    plat::Rectangle(dc_, 10, 10, 20, 20);
    EXPECT_EQ(At(10, 10), 0u);
    EXPECT_EQ(At(19, 19), 0u);
    EXPECT_EQ(At(15, 15), 0xFFFFFFu);
    EXPECT_EQ(At(20, 20), Stored(0x808080));
    plat::Point previous{};
    plat::MoveToEx(dc_, 1, 2, &previous);
    plat::MoveToEx(dc_, 3, 4, &previous);
    EXPECT_EQ(previous.x, 1);
    EXPECT_EQ(previous.y, 2);
}

TEST_F(GdiTest, HollowBrushAndNullPenLeaveTheirPartsAlone) {
    plat::LogBrush hollow{plat::BS_HOLLOW, 0xFF, 0};
    plat::Brush* brush = plat::CreateBrushIndirect(hollow);
    plat::Brush* old = plat::SelectObject(dc_, brush);
    plat::Rectangle(dc_, 10, 10, 20, 20);
    EXPECT_EQ(At(10, 10), 0u);
    EXPECT_EQ(At(15, 15), Stored(0x808080));
    plat::SelectObject(dc_, old);
    plat::DeleteObject(brush);

    Paint({plat::BS_SOLID, 0xFF, 0}, 30, 30, 40, 40);
    EXPECT_EQ(At(30, 30), 0xFFu);
    EXPECT_EQ(At(39, 39), 0xFFu);
    EXPECT_EQ(At(40, 40), Stored(0x808080));
}

TEST_F(GdiTest, HatchGapsFollowTheBackgroundMode) {
    Paint({plat::BS_HATCHED, 0xFF, plat::HS_HORIZONTAL}, 0, 0, 64, 64);
    EXPECT_EQ(At(5, 4), 0xFFu);      // a hatch line
    EXPECT_EQ(At(5, 5), 0xFFFFFFu);  // a gap in the default white background
    plat::SetBkColor(dc_, 0xFF0000);
    Paint({plat::BS_HATCHED, 0xFF00, plat::HS_VERTICAL}, 0, 0, 64, 64);
    EXPECT_EQ(At(4, 5), 0xFF00u);
    EXPECT_EQ(At(5, 5), 0xFF0000u);
    EXPECT_EQ(plat::SetBkMode(dc_, plat::TRANSPARENT), plat::OPAQUE);
    Paint({plat::BS_HATCHED, 0xFFFF, plat::HS_CROSS}, 0, 0, 64, 64);
    EXPECT_EQ(At(4, 5), 0xFFFFu);
    EXPECT_EQ(At(5, 4), 0xFFFFu);
    EXPECT_EQ(At(5, 5), 0xFF0000u);  // kept from before
}

TEST_F(GdiTest, InvertRectFlipsEveryBitAndTwiceRestores) {
    plat::SetPixel(dc_, 5, 5, 0x123456);
    uint32_t before = At(5, 5);
    plat::InvertRect(dc_, {0, 0, 10, 10});
    EXPECT_EQ(At(5, 5), 0xFFFFFFu - before);
    EXPECT_EQ(At(0, 0), 0xFFFFFFu - Stored(0x808080));
    EXPECT_EQ(At(10, 10), Stored(0x808080));
    plat::InvertRect(dc_, {-5, -5, 100, 100});  // clipped, not refused
    EXPECT_EQ(At(5, 5), before);
    EXPECT_EQ(At(30, 30), 0xFFFFFFu - Stored(0x808080));
}

TEST_F(GdiTest, TextCellsAreFilledOnlyInOpaqueMode) {
    plat::LogFont record{};
    record.height = 12;
    record.charSet = plat::SHIFTJIS_CHARSET;
    plat::Font font = plat::CreateFont(record);
    plat::Font stock = plat::SelectObject(dc_, font);
    plat::Size size{};
    plat::GetTextExtentPoint32(dc_, "..", 2, &size);
    EXPECT_EQ(size.cy, 12);
    plat::SetBkColor(dc_, 0xFF);
    plat::TextOut(dc_, 0, 0, "..", 2);
    EXPECT_EQ(At(0, 0), 0xFFu);
    EXPECT_EQ(At(size.cx - 1, 11), 0xFFu);
    EXPECT_EQ(At(size.cx, 0), Stored(0x808080));
    EXPECT_EQ(At(0, 12), Stored(0x808080));
    plat::SetBkMode(dc_, plat::TRANSPARENT);
    plat::TextOut(dc_, 0, 20, "..", 2);
    EXPECT_EQ(At(0, 20), Stored(0x808080));
    EXPECT_EQ(plat::SelectObject(dc_, stock), font);
}

TEST_F(GdiTest, DrawTextBreaksLinesAtLineFeedsAndWordsAndCalculates) {
    plat::Size space{}, word{};
    plat::GetTextExtentPoint32(dc_, " ", 1, &space);
    plat::GetTextExtentPoint32(dc_, "ab", 2, &word);
    int h = space.cy;
    auto measure = [&](const char* text, int width, uint32_t format) {
        plat::Rect rect{0, 0, width, 0};
        int height = plat::DrawText(dc_, text, -1, &rect, format | plat::DT_CALCRECT);
        EXPECT_EQ(rect.bottom, height);
        return rect;
    };
    EXPECT_EQ(measure("ab", 100, 0).bottom, h);
    EXPECT_EQ(measure("ab", 100, 0).right, word.cx);
    EXPECT_EQ(measure("ab\r\ncd\ref\ngh", 100, 0).bottom, 4 * h);
    EXPECT_EQ(measure("ab cd", word.cx + space.cx, 0).bottom, h);  // no breaking without the flag
    EXPECT_EQ(measure("ab cd", word.cx + space.cx, plat::DT_WORDBREAK).bottom, 2 * h);
    EXPECT_EQ(measure("ab cd", 2 * word.cx + space.cx, plat::DT_WORDBREAK).bottom, h);
    // A word wider than the box is split between characters.
    EXPECT_EQ(measure("abababab", word.cx, plat::DT_WORDBREAK).bottom, 4 * h);
    EXPECT_EQ(measure("", 100, 0).bottom, h);
}

}  // namespace
