// Platform GDI on a small surface: the context's stock objects, hollow brushes, inversion,
// hatch backgrounds and DrawText's line layout.
#include <cstring>
#include <tuple>

#include "platform/gdi.h"
#include "support/fixture.h"

namespace {

using V = std::vector<uint32_t>;

class GdiTest : public gktest::Framework {
  protected:
    void SetUp() override {
        gktest::Framework::SetUp();
        ASSERT_EQ(plat::CreateDevice(nullptr, &device_), plat::DD_OK);
        ASSERT_EQ(plat::CreateSurface(device_, plat::DDSCAPS_OFFSCREENPLAIN, 64, 64, &surface_),
                  plat::DD_OK);
        ASSERT_EQ(plat::GetDC(surface_, &dc_), plat::DD_OK);
        Paint({plat::BS_SOLID, 0x808080, 0});
        grey_ = At(0, 0);
    }
    void TearDown() override {
        plat::ReleaseDC(surface_, dc_);
        plat::ReleaseSurface(surface_);
        plat::ReleaseDevice(device_);
        gktest::Framework::TearDown();
    }
    // The whole surface filled with the brush and no outline.
    void Paint(const plat::LogBrush& brush) {
        plat::Brush* ours = plat::CreateBrushIndirect(brush);
        plat::Pen* none = plat::CreatePen(plat::PS_NULL, 1, 0);
        plat::Brush* oldBrush = plat::SelectObject(dc_, ours);
        plat::Pen* oldPen = plat::SelectObject(dc_, none);
        plat::Rectangle(dc_, 0, 0, 65, 65);  // a box without a pen is one pixel smaller
        plat::SelectObject(dc_, oldBrush);
        plat::SelectObject(dc_, oldPen);
        plat::DeleteObject(ours);
        plat::DeleteObject(none);
    }
    uint32_t At(int x, int y) { return plat::GetPixel(dc_, x, y); }

    plat::Device* device_ = nullptr;
    plat::Surface* surface_ = nullptr;
    plat::Dc* dc_ = nullptr;
    uint32_t grey_ = 0;
};

TEST_F(GdiTest, StockObjectsHollowBrushAndInversion) {
    plat::Rectangle(dc_, 10, 10, 20, 20);  // a black pen on a white brush
    EXPECT_EQ((V{At(10, 10), At(19, 19), At(15, 15), At(20, 20)}), (V{0, 0, 0xFFFFFF, grey_}));
    plat::Brush* hollow = plat::CreateBrushIndirect({plat::BS_HOLLOW, 0xFF, 0});
    plat::Brush* old = plat::SelectObject(dc_, hollow);
    plat::Rectangle(dc_, 30, 30, 40, 40);
    EXPECT_EQ((V{At(30, 30), At(35, 35)}), (V{0, grey_}));
    plat::SelectObject(dc_, old);
    plat::DeleteObject(hollow);

    plat::SetPixel(dc_, 5, 5, 0x123456);
    const uint32_t before = At(5, 5);
    plat::InvertRect(dc_, {0, 0, 10, 10});
    EXPECT_EQ((V{At(5, 5), At(0, 0), At(10, 10)}), (V{0xFFFFFF - before, 0xFFFFFF - grey_, 0}));
    plat::InvertRect(dc_, {-5, -5, 100, 100});  // clipped, not refused
    EXPECT_EQ((V{At(5, 5), At(50, 50)}), (V{before, 0xFFFFFF - grey_}));

    // StretchBlt samples the nearest pixel and refuses empty rectangles.
    plat::SetPixel(dc_, 60, 60, 0xFF);
    EXPECT_TRUE(plat::StretchBlt(dc_, 40, 40, 2, 2, dc_, 60, 60, 1, 1, plat::SRCCOPY));
    EXPECT_EQ((V{At(40, 40), At(41, 41), At(42, 42)}), (V{0xFF, 0xFF, 0xFFFFFF - grey_}));
    for (auto [w, h, sw, sh] : {std::tuple{0, 2, 1, 1}, {2, 0, 1, 1}, {2, 2, 0, 1}, {2, 2, 1, 0}})
        EXPECT_FALSE(plat::StretchBlt(dc_, 40, 40, w, h, dc_, 60, 60, sw, sh, plat::SRCCOPY));
}

TEST_F(GdiTest, HatchGapsFollowTheBackgroundMode) {
    Paint({plat::BS_HATCHED, 0xFF, plat::HS_HORIZONTAL});
    EXPECT_EQ((V{At(5, 4), At(5, 5)}), (V{0xFF, 0xFFFFFF}));  // gaps in the default white
    plat::SetBkColor(dc_, 0xFF0000);
    Paint({plat::BS_HATCHED, 0xFF00, plat::HS_VERTICAL});
    EXPECT_EQ((V{At(4, 5), At(5, 5)}), (V{0xFF00, 0xFF0000}));
    EXPECT_EQ(plat::SetBkMode(dc_, plat::TRANSPARENT), plat::OPAQUE);
    Paint({plat::BS_HATCHED, 0xFFFF, plat::HS_CROSS});
    EXPECT_EQ((V{At(4, 5), At(5, 4), At(5, 5)}), (V{0xFFFF, 0xFFFF, 0xFF0000}));
}

TEST_F(GdiTest, DrawTextBreaksLinesAtLineFeedsAndWordsAndCalculates) {
    plat::Size space{}, word{};
    plat::GetTextExtentPoint32(dc_, " ", 1, &space);
    plat::GetTextExtentPoint32(dc_, "ab", 2, &word);
    const int h = space.cy;
    auto lines = [&](const char* text, int width, uint32_t format) {
        plat::Rect rect{0, 0, width, 0};
        const int height = plat::DrawText(dc_, text, -1, &rect, format | plat::DT_CALCRECT);
        EXPECT_EQ(rect.bottom, height);
        return height / h;
    };
    const uint32_t wrap = plat::DT_WORDBREAK;
    EXPECT_EQ((std::vector<int>{lines("ab", 100, 0), lines("ab\r\ncd\ref\ngh", 100, 0),
                                lines("ab cd", word.cx + space.cx, 0),  // no breaking unasked
                                lines("ab cd", word.cx + space.cx, wrap),
                                lines("ab cd", 2 * word.cx + space.cx, wrap),
                                lines("abababab", word.cx, wrap),  // a long word is split
                                lines("", 100, 0)}),
              (std::vector<int>{1, 4, 1, 2, 1, 4, 1}));
    plat::Rect rect{0, 0, 100, 0};
    plat::DrawText(dc_, "ab", -1, &rect, plat::DT_CALCRECT);
    EXPECT_EQ(rect.right, word.cx);
}

}  // namespace
