// The display layer on the headless backend: colour conversion, surfaces, blits and their
// refusals, locks, lost surfaces, fault injection, device contexts, BMP decoding, presenting.
#include <unistd.h>

#include <cstring>
#include <functional>

#include "platform/display.h"
#include "platform/gdi.h"
#include "support/back_screen.h"
#include "support/bmp.h"
#include "support/fixture.h"

namespace {

using namespace plat;
using gktest::Raw;
using gktest::Raws;
using V = std::vector<uint32_t>;

class Display : public gktest::Framework {
  protected:
    void SetUp() override {
        Framework::SetUp();
        ASSERT_EQ(CreateDevice(nullptr, &device), DD_OK);
        ASSERT_EQ(SetCooperativeLevel(device, DDSCL_NORMAL), DD_OK);
    }
    void TearDown() override {
        for (Surface* s : made) ReleaseSurface(s);
        ReleaseDevice(device);
        Framework::TearDown();
    }
    Surface* Make(int w, int h, uint32_t caps = DDSCAPS_OFFSCREENPLAIN) {
        Surface* s = nullptr;
        EXPECT_EQ(CreateSurface(device, caps, w, h, &s), DD_OK);
        made.push_back(s);
        return s;
    }
    Device* device = nullptr;
    std::vector<Surface*> made;
};

TEST_F(Display, ColourConversionPerFormat) {
    EXPECT_EQ(ColorToPixel(PixelFormat::R5G6B5, 0x0000FF), 0xF800u);
    EXPECT_EQ(ColorToPixel(PixelFormat::R5G6B5, 0x00FF00), 0x07E0u);
    EXPECT_EQ(ColorToPixel(PixelFormat::R5G6B5, 0xFF0000), 0x001Fu);
    EXPECT_EQ(ColorToPixel(PixelFormat::X1R5G5B5, 0xFFFFFF), 0x7FFFu);
    EXPECT_EQ(ColorToPixel(PixelFormat::X8R8G8B8, 0x123456), 0x563412u);
    EXPECT_EQ(ColorToPixel(PixelFormat::R5G6B5, 0x070307), 0u);  // below one step is black
    for (PixelFormat f : {PixelFormat::R5G6B5, PixelFormat::X1R5G5B5, PixelFormat::X8R8G8B8}) {
        EXPECT_EQ(ColorToPixel(f, 0), 0u);
        EXPECT_EQ(PixelToColor(f, ColorToPixel(f, 0xFFFFFF)), 0xFFFFFFu);
    }
    // Every 16-bit pixel survives the trip through a GDI colour.
    for (uint32_t p = 0; p < 0x10000; ++p) {
        ASSERT_EQ(ColorToPixel(PixelFormat::R5G6B5, PixelToColor(PixelFormat::R5G6B5, p)), p);
        uint32_t p555 = p & 0x7FFF;
        ASSERT_EQ(ColorToPixel(PixelFormat::X1R5G5B5, PixelToColor(PixelFormat::X1R5G5B5, p555)),
                  p555);
    }
}

TEST_F(Display, SurfacesTakeTheDisplayFormatWithAlignedRows) {
    Surface* a = Make(3, 2);
    EXPECT_EQ(a->format, PixelFormat::R5G6B5);
    EXPECT_EQ(a->pitch, 8);
    EXPECT_EQ(DesktopDepth(), 16);
    headless::UseDisplayFormat(PixelFormat::X8R8G8B8);
    Surface* b = Make(3, 2);
    EXPECT_EQ(b->pitch, 12);
    EXPECT_EQ(DesktopDepth(), 32);
    Surface* primary = Make(0, 0, DDSCAPS_PRIMARYSURFACE);
    EXPECT_EQ(primary->width, 640);
    EXPECT_EQ(primary->height, 480);
    Surface* none = nullptr;
    EXPECT_NE(CreateSurface(device, DDSCAPS_OFFSCREENPLAIN, 0, 5, &none), DD_OK);
    EXPECT_NE(CreateSurface(device, DDSCAPS_OFFSCREENPLAIN, 100000, 100000, &none), DD_OK);
    EXPECT_EQ(none, nullptr);
}

TEST_F(Display, FillCopyKeyAndStretch) {
    Surface* dst = Make(8, 4);
    Surface* src = Make(2, 2);
    Rect r{1, 1, 3, 3};
    ASSERT_EQ(Blt(dst, &r, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, 0x1F1234), DD_OK);
    EXPECT_EQ(Raws(dst, {{1, 1}, {3, 1}}), (V{0x1234, 0}));  // low 16 bits on a 16-bit surface
    const uint32_t image[] = {7, 0, 9, 7};
    for (int i = 0; i < 4; ++i) gktest::PutRaw(src, i % 2, i / 2, image[i]);
    SetColorKey(src, DDCKEY_SRCBLT, 7);
    ASSERT_EQ(BltFast(dst, 1, 1, src, nullptr, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(Raws(dst, {{1, 1}, {2, 1}, {1, 2}, {2, 2}}), (V{0x1234, 0, 9, 0x1234}));
    ASSERT_EQ(BltFast(dst, 1, 1, src, nullptr, DDBLTFAST_NOCOLORKEY), DD_OK);
    EXPECT_EQ(Raw(dst, 1, 1), 7u);
    // Stretch 2x2 onto 4x2 (nearest neighbour), keyed.
    Rect wide{4, 0, 8, 2};
    ASSERT_EQ(Blt(dst, &wide, src, nullptr, DDBLT_KEYSRC | DDBLT_WAIT), DD_OK);
    uint32_t expect[2][4] = {{0, 0, 0, 0}, {9, 9, 0, 0}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(Raw(dst, 4 + x, y), expect[y][x]) << x << "," << y;
    uint32_t key = 0;
    EXPECT_EQ(GetColorKey(src, DDCKEY_SRCBLT, &key), DD_OK);
    EXPECT_EQ(key, 7u);
    EXPECT_NE(GetColorKey(dst, DDCKEY_SRCBLT, &key), DD_OK);
}

// Keyed puts copy cached opaque runs from the second put on: every way of changing the source's
// pixels or key shows in the next puts.
TEST_F(Display, KeyedPutsFollowEveryChangeOfTheSource) {
    Surface* dst = Make(4, 1);
    Surface* src = Make(4, 1);
    Surface* other = Make(4, 1);
    for (int x = 0; x < 4; ++x) gktest::PutRaw(src, x, 0, x % 2 ? 5 : 6);
    gktest::PutRaw(other, 0, 0, 3);
    SetColorKey(src, DDCKEY_SRCBLT, 5);
    const Rect first{0, 0, 1, 1}, last{3, 0, 4, 1};
    auto lockedWrite = [&](uint32_t v) {
        uint8_t* p = nullptr;
        int pitch = 0;
        ASSERT_EQ(Lock(src, &p, &pitch, DDLOCK_WAIT), DD_OK);
        std::memcpy(p + 2, &v, 2);  // pixel 1
        Unlock(src);
    };
    const struct {
        std::function<void()> change;
        V expect;
    } steps[] = {
        {[] {}, {6, 0, 6, 0}},
        {[&] { lockedWrite(9); }, {6, 9, 6, 0}},
        {[&] { SetColorKey(src, DDCKEY_SRCBLT, 6); }, {0, 9, 0, 5}},
        {[&] {
             Dc* dc = nullptr;
             ASSERT_EQ(GetDC(src, &dc), DD_OK);
             SetPixel(dc, 0, 0, 0xFFFFFF);
             ReleaseDC(src, dc);
         },
         {0xFFFF, 9, 0, 5}},
        {[&] { BltFast(src, 2, 0, other, &first, 0); }, {0xFFFF, 9, 3, 5}},
        {[&] { Blt(src, &last, nullptr, nullptr, DDBLT_COLORFILL, 6); }, {0xFFFF, 9, 3, 0}},
    };
    for (const auto& step : steps) {
        step.change();
        for (int put = 0; put < 3; ++put) {
            Blt(dst, nullptr, nullptr, nullptr, DDBLT_COLORFILL, 0);
            ASSERT_EQ(BltFast(dst, 0, 0, src, nullptr, DDBLTFAST_SRCCOLORKEY), DD_OK);
            EXPECT_EQ(Raws(dst, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}), step.expect) << put;
        }
    }
}

TEST_F(Display, OverlappingCopyWithinOneSurface) {
    Surface* s = Make(4, 1);
    for (int x = 0; x < 4; ++x) gktest::PutRaw(s, x, 0, x + 1);
    Rect from{0, 0, 3, 1};
    ASSERT_EQ(BltFast(s, 1, 0, s, &from, 0), DD_OK);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(Raw(s, x, 0), x == 0 ? 1u : uint32_t(x));
}

TEST_F(Display, RectanglesOutsideEitherSurfaceAreRefused) {
    Surface* dst = Make(10, 10);
    Surface* src = Make(4, 4);
    Blt(src, nullptr, nullptr, nullptr, DDBLT_COLORFILL, 5);
    Rect bad[] = {{-1, 0, 3, 4}, {7, 7, 11, 11}, {2, 2, 2, 6}, {5, 5, 3, 3}};
    for (const Rect& r : bad) {
        EXPECT_EQ(Blt(dst, &r, src, nullptr, 0), DDERR_INVALIDRECT);
        EXPECT_EQ(Blt(dst, &r, nullptr, nullptr, DDBLT_COLORFILL, 1), DDERR_INVALIDRECT);
    }
    Rect srcBad{2, 2, 6, 6};
    EXPECT_EQ(Blt(dst, nullptr, src, &srcBad, 0), DDERR_INVALIDRECT);
    EXPECT_EQ(BltFast(dst, 8, 0, src, nullptr, 0), DDERR_INVALIDRECT);
    EXPECT_EQ(BltFast(dst, 0, -1, src, nullptr, 0), DDERR_INVALIDRECT);
    for (uint8_t b : dst->pixels) ASSERT_EQ(b, 0);
}

TEST_F(Display, LocksAndInjectedLockFailures) {
    Surface* s = Make(4, 4);
    uint8_t* p = nullptr;
    int pitch = 0;
    ASSERT_EQ(Lock(s, &p, &pitch, DDLOCK_WAIT), DD_OK);
    EXPECT_EQ(p, s->pixels.data());
    EXPECT_EQ(pitch, 8);
    EXPECT_EQ(Blt(s, nullptr, nullptr, nullptr, DDBLT_COLORFILL, 1), DDERR_SURFACEBUSY);
    EXPECT_EQ(Unlock(s), DD_OK);
    EXPECT_EQ(Unlock(s), DDERR_NOTLOCKED);

    headless::FailLocks(2, DDERR_WASSTILLDRAWING);
    EXPECT_EQ(Lock(s, &p, &pitch, 0), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(Lock(s, &p, &pitch, DDLOCK_WAIT), DD_OK);  // waits out the remaining one
    Unlock(s);
    headless::FailLocks(-1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Lock(s, &p, &pitch, 0), DDERR_GENERIC);
    Dc* dc = nullptr;
    EXPECT_NE(GetDC(s, &dc), DD_OK);
    headless::FailLocks(0);
    EXPECT_EQ(Lock(s, &p, &pitch, 0), DD_OK);
    Unlock(s);
}

TEST_F(Display, LostSurfacesRefuseUntilRestored) {
    Surface* a = Make(2, 2);
    Surface* b = Make(2, 2);
    headless::LoseAllSurfaces();
    EXPECT_EQ(IsLost(a), DDERR_SURFACELOST);
    EXPECT_EQ(BltFast(a, 0, 0, b, nullptr, 0), DDERR_SURFACELOST);
    uint8_t* p;
    int pitch;
    EXPECT_EQ(Lock(a, &p, &pitch, DDLOCK_WAIT), DDERR_SURFACELOST);
    Dc* dc;
    EXPECT_EQ(GetDC(a, &dc), DDERR_SURFACELOST);
    EXPECT_EQ(Restore(a), DD_OK);
    EXPECT_EQ(IsLost(a), DD_OK);
    EXPECT_EQ(BltFast(a, 0, 0, b, nullptr, 0), DDERR_SURFACELOST);  // source still lost
    Restore(b);
    EXPECT_EQ(BltFast(a, 0, 0, b, nullptr, 0), DD_OK);
}

TEST_F(Display, InjectedSetupFailures) {
    headless::FailSurfaceCreation(2);
    Surface* s = nullptr;
    EXPECT_EQ(CreateSurface(device, DDSCAPS_OFFSCREENPLAIN, 2, 2, &s), DD_OK);
    made.push_back(s);
    EXPECT_EQ(CreateSurface(device, DDSCAPS_OFFSCREENPLAIN, 2, 2, &s), DDERR_OUTOFMEMORY);
    EXPECT_EQ(CreateSurface(device, DDSCAPS_OFFSCREENPLAIN, 2, 2, &s), DD_OK);
    made.push_back(s);
    headless::FailNext(headless::Fail::PixelFormat);
    PixelMasks m;
    EXPECT_NE(GetPixelFormat(s, &m), DD_OK);
    EXPECT_EQ(GetPixelFormat(s, &m), DD_OK);
    EXPECT_EQ(m.red, 0xF800u);
    Device* d = nullptr;
    headless::FailNext(headless::Fail::CreateDevice);
    EXPECT_NE(CreateDevice(nullptr, &d), DD_OK);
    EXPECT_EQ(d, nullptr);
}

TEST_F(Display, FullScreenDepthsSetTheFormat) {
    EXPECT_EQ(SetCooperativeLevel(device, DDSCL_FULLSCREEN), DDERR_INVALIDPARAMS);
    ASSERT_EQ(SetCooperativeLevel(device, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE), DD_OK);
    EXPECT_EQ(SetDisplayMode(device, 640, 480, 24), DDERR_INVALIDMODE);
    EXPECT_EQ(SetDisplayMode(device, 640, 480, 32), DD_OK);
    EXPECT_EQ(DisplayFormat(), PixelFormat::X8R8G8B8);
    headless::RefuseDisplayDepth(32);
    EXPECT_EQ(SetDisplayMode(device, 320, 240, 32), DDERR_INVALIDMODE);
    EXPECT_EQ(SetDisplayMode(device, 320, 240, 16), DD_OK);
    EXPECT_EQ(DisplayFormat(), PixelFormat::R5G6B5);
    Surface* primary = Make(0, 0, DDSCAPS_PRIMARYSURFACE);
    EXPECT_EQ(primary->width, 320);
    RestoreDisplayMode(device);
    EXPECT_EQ(DesktopDepth(), 16);
}

TEST_F(Display, PresentingThePrimarySurface) {
    Surface* primary = Make(0, 0, DDSCAPS_PRIMARYSURFACE);
    Surface* back = Make(640, 480);
    Clipper* clipper = nullptr;
    ASSERT_EQ(CreateClipper(device, &clipper), DD_OK);
    SetClipperWindow(clipper);
    SetClipper(primary, clipper);
    EXPECT_EQ(headless::PresentedFrame(), nullptr);
    Blt(back, nullptr, nullptr, nullptr, DDBLT_COLORFILL, ColorToPixel(DisplayFormat(), 0xFF));
    WaitForVerticalBlank(device, DDWAITVB_BLOCKBEGIN);
    // A clipped primary takes screen rectangles and draws only the client area.
    Rect screen{-10, 0, 630, 480};
    ASSERT_EQ(Blt(primary, &screen, back, nullptr, DDBLT_WAIT), DD_OK);
    const Surface* shown = headless::PresentedFrame();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(headless::PresentCount(), 1);
    EXPECT_EQ(headless::VerticalBlankCount(), 1);
    EXPECT_EQ(Raws(shown, {{0, 0}, {629, 479}, {630, 0}}), (V{0xF800, 0xF800, 0}));
    ReleaseClipper(clipper);
    EXPECT_EQ(primary->clipper, nullptr);

    char folder[] = "/tmp/gkframesXXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    headless::DumpFrames(folder);
    ASSERT_EQ(BltFast(primary, 0, 0, back, nullptr, 0), DD_OK);
    headless::DumpFrames(nullptr);
    std::string dumped = std::string(folder) + "/frame_00002.bmp";
    auto frame = LoadBitmapFile(dumped.c_str());
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->width, 640);
    EXPECT_EQ(frame->pixels[0], 0xFFu);
    std::remove(dumped.c_str());
    rmdir(folder);
}

class Bmp : public Display {
  protected:
    std::string Path(const char* name) { return ::testing::TempDir() + name; }
};

TEST_F(Bmp, DecodesEveryDepthAndRowOrder) {
    const std::vector<uint32_t> colors = {0x000000, 0x0000FF, 0x00FF00,
                                          0xFF0000, 0xFFFFFF, 0x808080};
    for (int bits : {1, 4, 8, 16, 24, 32})
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, top-down " << topDown);
            std::vector<uint32_t> img = colors;
            if (bits == 1)
                for (uint32_t& c : img) c = c ? 0xFFFFFF : 0;
            // 16-bit files hold 5 bits per channel: compare what survives of them.
            auto kept = [&](uint32_t c) {
                return bits == 16 ? ColorToPixel(PixelFormat::X1R5G5B5, c) : c;
            };
            std::string path = Path("depth.bmp");
            gktest::WriteFile(path, gktest::EncodeBmp(3, 2, bits, img, topDown));
            auto bm = LoadBitmapFile(path.c_str());
            ASSERT_NE(bm, nullptr);
            EXPECT_EQ(std::pair(bm->width, bm->height), std::pair(3, 2));
            for (int i = 0; i < 6; ++i) EXPECT_EQ(kept(bm->pixels[i]), kept(img[i])) << i;
        }
}

TEST_F(Bmp, BadFilesAreRefused) {
    std::vector<uint8_t> good = gktest::EncodeBmp(4, 4, 24, std::vector<uint32_t>(16, 0x123456));
    auto refuse = [&](std::vector<uint8_t> bytes, const char* what) {
        std::string path = Path("bad.bmp");
        gktest::WriteFile(path, bytes);
        EXPECT_EQ(LoadBitmapFile(path.c_str()), nullptr) << what;
    };
    refuse({good.begin(), good.end() - 5}, "truncated pixels");
    refuse({good.begin(), good.begin() + 20}, "truncated header");
    refuse({}, "empty");
    auto patched = [&](size_t at, uint32_t v, int bytes) {
        std::vector<uint8_t> b = good;
        for (int i = 0; i < bytes; ++i) b[at + i] = v >> (8 * i);
        return b;
    };
    refuse(patched(0, 'X', 1), "not BM");
    refuse(patched(18, 0x7FFFFFFF, 4), "absurd width");
    refuse(patched(22, 0x80000000, 4), "absurd height");
    refuse(patched(18, 0, 4), "zero width");
    refuse(patched(14, 7, 4), "bad header size");
    refuse(patched(28, 7, 2), "bad bit count");
    refuse(patched(30, 1, 4), "compressed");
    refuse(patched(10, 0xFFFFFFF0, 4), "pixel offset past the end");
    std::vector<uint8_t> text(200, 'a');
    refuse(text, "not an image");
    EXPECT_EQ(LoadBitmapFile("/nonexistent/x.bmp"), nullptr);
}

}  // namespace
