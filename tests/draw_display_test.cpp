// The display layer on the headless backend: surfaces, blit refusals, keyed puts, locks, lost
// surfaces, presenting and frame dumps, BMP decoding.
#include <functional>

#include "platform/gdi.h"
#include "support/back_screen.h"
#include "support/draw_files.h"

namespace {

using namespace plat;
using gktest::Raws;
using V = std::vector<uint32_t>;
using Results = std::vector<int32_t>;  // in the order made: braces evaluate left to right

class Display : public gktest::DrawFiles {
  protected:
    void SetUp() override {
        DrawFiles::SetUp();
        ASSERT_EQ(CreateDevice(nullptr, &device), DD_OK);
        ASSERT_EQ(SetCooperativeLevel(device, DDSCL_NORMAL), DD_OK);
    }
    void TearDown() override {
        for (Surface* s : made) ReleaseSurface(s);
        ReleaseDevice(device);
        DrawFiles::TearDown();
    }
    Surface* Make(int w, int h, uint32_t caps = DDSCAPS_OFFSCREENPLAIN) {
        Surface* s = nullptr;
        EXPECT_EQ(CreateSurface(device, caps, w, h, &s), DD_OK);
        made.push_back(s);
        return s;
    }
    std::unique_ptr<Bitmap> Load(const std::vector<uint8_t>& bytes) {
        gktest::WriteFile(folder + "/x.bmp", bytes);
        return LoadBitmapFile((folder + "/x.bmp").c_str());
    }
    Device* device = nullptr;
    std::vector<Surface*> made;
};

TEST_F(Display, SurfacesKeysRefusedRectanglesAndOverlappingCopies) {
    Surface *a = Make(3, 2), *dst = Make(10, 10), *src = Make(4, 4), *none = nullptr;
    uint32_t key = 0;
    SetColorKey(a, DDCKEY_SRCBLT, 7);
    EXPECT_EQ(
        (Results{a->pitch, DesktopDepth(), GetColorKey(a, DDCKEY_SRCBLT, &key), int32_t(key),
                 GetColorKey(dst, DDCKEY_SRCBLT, &key) != DD_OK,
                 CreateSurface(device, DDSCAPS_OFFSCREENPLAIN, 0, 5, &none) != DD_OK,
                 CreateSurface(device, DDSCAPS_OFFSCREENPLAIN, 100000, 100000, &none) != DD_OK,
                 none == nullptr}),
        (Results{8, 16, DD_OK, 7, true, true, true, true}));
    Blt(src, nullptr, nullptr, nullptr, DDBLT_COLORFILL, 5);
    for (const Rect& r : {Rect{-1, 0, 3, 4}, {7, 7, 11, 11}, {2, 2, 2, 6}, {5, 5, 3, 3}}) {
        EXPECT_EQ(Blt(dst, &r, src, nullptr, 0), DDERR_INVALIDRECT);
        EXPECT_EQ(Blt(dst, &r, nullptr, nullptr, DDBLT_COLORFILL, 1), DDERR_INVALIDRECT);
    }
    const Rect srcBad{2, 2, 6, 6};
    EXPECT_EQ((Results{Blt(dst, nullptr, src, &srcBad, 0), BltFast(dst, 8, 0, src, nullptr, 0),
                       BltFast(dst, 0, -1, src, nullptr, 0)}),
              Results(3, DDERR_INVALIDRECT));
    for (uint8_t b : dst->pixels) ASSERT_EQ(b, 0);

    // A copy one pixel right and down within one surface reads every pixel before overwriting.
    for (int i = 0; i < 16; ++i) gktest::PutRaw(dst, i % 4, i / 4, i + 1);
    Rect from{0, 0, 3, 3};
    ASSERT_EQ(BltFast(dst, 1, 1, dst, &from, 0), DD_OK);
    EXPECT_EQ(Raws(dst, {{1, 0}, {0, 1}, {1, 1}, {2, 1}, {3, 1}, {1, 2}, {3, 3}}),
              (V{2, 5, 1, 2, 3, 5, 11}));
}

// Keyed puts copy cached opaque runs from the second put on: every way of changing the source's
// pixels or key shows in the next puts.
TEST_F(Display, KeyedPutsFollowEveryChangeOfTheSource) {
    Surface *dst = Make(4, 1), *src = Make(4, 1), *other = Make(4, 1);
    for (int x = 0; x < 4; ++x) gktest::PutRaw(src, x, 0, x % 2 ? 5 : 6);
    gktest::PutRaw(other, 0, 0, 3);
    SetColorKey(src, DDCKEY_SRCBLT, 5);
    const Rect first{0, 0, 1, 1}, last{3, 0, 4, 1};
    const std::pair<std::function<void()>, V> steps[] = {
        {[] {}, {6, 0, 6, 0}},
        {[&] {
             uint8_t* p = nullptr;
             int pitch = 0;
             ASSERT_EQ(Lock(src, &p, &pitch, DDLOCK_WAIT), DD_OK);
             p[2] = 9;  // pixel 1, whose high byte is 0
             Unlock(src);
         },
         {6, 9, 6, 0}},
        {[&] { SetColorKey(src, DDCKEY_SRCBLT, 6); }, {0, 9, 0, 5}},
        {[&] { BltFast(src, 2, 0, other, &first, 0); }, {0, 9, 3, 5}},
        {[&] { Blt(src, &last, nullptr, nullptr, DDBLT_COLORFILL, 6); }, {0, 9, 3, 0}},
    };
    for (const auto& [change, expect] : steps) {
        change();
        for (int put = 0; put < 3; ++put) {
            Blt(dst, nullptr, nullptr, nullptr, DDBLT_COLORFILL, 0);
            ASSERT_EQ(BltFast(dst, 0, 0, src, nullptr, DDBLTFAST_SRCCOLORKEY), DD_OK);
            EXPECT_EQ(Raws(dst, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}), expect) << put;
        }
    }
}

TEST_F(Display, LocksInjectedFailuresAndLostSurfaces) {
    Surface *s = Make(4, 4), *b = Make(2, 2);
    uint8_t* p = nullptr;
    int pitch = 0;
    Dc* dc = nullptr;
    EXPECT_EQ(
        (Results{Lock(s, &p, &pitch, DDLOCK_WAIT),
                 Blt(s, nullptr, nullptr, nullptr, DDBLT_COLORFILL, 1), Unlock(s), Unlock(s)}),
        (Results{DD_OK, DDERR_SURFACEBUSY, DD_OK, DDERR_NOTLOCKED}));
    headless::FailLocks(2, DDERR_WASSTILLDRAWING);  // a waiting lock waits out the second
    EXPECT_EQ((Results{Lock(s, &p, &pitch, 0), Lock(s, &p, &pitch, DDLOCK_WAIT), Unlock(s)}),
              (Results{DDERR_WASSTILLDRAWING, DD_OK, DD_OK}));

    headless::LoseAllSurfaces();
    EXPECT_EQ((Results{IsLost(s), Lock(s, &p, &pitch, DDLOCK_WAIT), GetDC(s, &dc), Restore(s),
                       IsLost(s), BltFast(s, 0, 0, b, nullptr, 0),  // the source is still lost
                       Blt(s, nullptr, b, nullptr, 0, 0)}),
              (Results{DDERR_SURFACELOST, DDERR_SURFACELOST, DDERR_SURFACELOST, DD_OK, DD_OK,
                       DDERR_SURFACELOST, DDERR_SURFACELOST}));
    Restore(b);
    EXPECT_EQ((Results{BltFast(s, 0, 0, b, nullptr, 0), Blt(s, nullptr, b, nullptr, 0, 0)}),
              (Results{DD_OK, DD_OK}));
    headless::FailLocks(-1);  // a lasting failure is not waited out
    EXPECT_NE(GetDC(s, &dc), DD_OK);
}

TEST_F(Display, PresentingThePrimarySurfaceAndDumpingFrames) {
    Surface *primary = Make(0, 0, DDSCAPS_PRIMARYSURFACE), *back = Make(640, 480);
    Clipper* clipper = nullptr;
    ASSERT_EQ(CreateClipper(device, &clipper), DD_OK);
    SetClipperWindow(clipper);
    SetClipper(primary, clipper);
    Blt(back, nullptr, nullptr, nullptr, DDBLT_COLORFILL, ColorToPixel(DisplayFormat(), 0xFF));
    // A clipped primary takes screen rectangles and draws only the client area; each present
    // is dumped, numbered from 1.
    headless::DumpFrames(folder.c_str());
    Rect screen{-10, 0, 630, 480};
    ASSERT_EQ(Blt(primary, &screen, back, nullptr, DDBLT_WAIT), DD_OK);
    auto frame = LoadBitmapFile((folder + "/frame_00001.bmp").c_str());
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(std::tuple(frame->width, frame->pixels[0], frame->pixels[640 * 480 - 11],
                         frame->pixels[630]),
              std::tuple(640, 0xFFu, 0xFFu, 0u));
    ReleaseClipper(clipper);
    EXPECT_EQ(primary->clipper, nullptr);
}

TEST_F(Display, BmpDecodesEveryDepthAndRowOrderAndRefusesBadFiles) {
    for (int bits : {1, 4, 8, 16, 24, 32})
        for (bool topDown : {false, true}) {
            // Full or empty channels, which every depth keeps exactly; two colours at 1 bit.
            const V img = bits == 1 ? V{0, 0xFFFFFF, 0xFFFFFF, 0, 0, 0xFFFFFF}
                                    : V{0, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF, 0xFFFF00};
            auto bm = Load(gktest::EncodeBmp(3, 2, bits, img, topDown));
            ASSERT_NE(bm, nullptr) << bits;
            EXPECT_EQ(std::tuple(bm->width, bm->height, bm->pixels), std::tuple(3, 2, img))
                << bits << " bits, top-down " << topDown;
        }
    const std::vector<uint8_t> good = gktest::EncodeBmp(4, 4, 24, V(16, 0x123456));
    auto patched = [&](size_t at, uint32_t v, int bytes) {
        std::vector<uint8_t> b = good;
        for (int i = 0; i < bytes; ++i) b[at + i] = v >> (8 * i);
        return b;
    };
    const std::pair<const char*, std::vector<uint8_t>> files[] = {
        {"truncated pixels", {good.begin(), good.end() - 5}},
        {"not BM", patched(0, 'X', 1)},
        {"absurd width", patched(18, 0x7FFFFFFF, 4)},
        {"absurd height", patched(22, 0x80000000, 4)},
        {"zero width", patched(18, 0, 4)},
        {"bad header size", patched(14, 7, 4)},
        {"bad bit count", patched(28, 7, 2)},
        {"compressed", patched(30, 1, 4)},
        {"pixel offset past the end", patched(10, 0xFFFFFFF0, 4)},
        // Decodable (its one pixel read from the header) but a byte short of the shortest header.
        {"25 bytes",
         {'B', 'M', 25, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 12, 0, 0, 0, 1, 0, 1, 0, 1, 0, 24}},
    };
    for (const auto& [what, bytes] : files) EXPECT_EQ(Load(bytes), nullptr) << what;
}

}  // namespace
