// The fast blit loops against their per-pixel references on random images, plus exact pixel
// results for the stretch and the overlapping copy, which the surface tests reach only in part.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "platform/blit_kernels.h"

namespace {

namespace k = plat::kernels;

// A padded image: pitch wider than needed so that writes past a row's end would show.
struct Image {
    int width, height, bpp, pitch;
    std::vector<uint8_t> bytes;
    Image(int w, int h, int bytesPerPixel)
        : width(w),
          height(h),
          bpp(bytesPerPixel),
          pitch(w * bytesPerPixel + 24),
          bytes(static_cast<size_t>(pitch) * h) {}
    uint8_t* At(int x, int y) { return bytes.data() + pitch * y + x * bpp; }
    uint32_t Get(int x, int y) {
        uint32_t v = 0;
        std::memcpy(&v, At(x, y), bpp);
        return v;
    }
    void Set(int x, int y, uint32_t v) { std::memcpy(At(x, y), &v, bpp); }
};

// Random pixels drawn from a small palette so that the key occurs often and in runs.
void Randomise(Image& image, std::mt19937& rng) {
    std::uniform_int_distribution<uint32_t> pick(0, 3), any;
    const uint32_t palette[4] = {0, 0xF81F, any(rng), any(rng)};
    for (auto& b : image.bytes) b = static_cast<uint8_t>(any(rng));
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) image.Set(x, y, palette[pick(rng)]);
}

struct Case {
    int w, h, sx, sy, dx, dy;
};

Case RandomCase(std::mt19937& rng, int size) {
    std::uniform_int_distribution<int> extent(0, size / 2), offset(0, size / 2 - 1);
    return {extent(rng), extent(rng), offset(rng), offset(rng), offset(rng), offset(rng)};
}

class KernelMatch : public ::testing::TestWithParam<int> {};

TEST_P(KernelMatch, FastLoopsEqualReferenceOnRandomImages) {
    const int bpp = GetParam();
    std::mt19937 rng(1234 + bpp);
    constexpr int kSize = 80;
    for (int round = 0; round < 300; ++round) {
        Image src(kSize, kSize, bpp), fast(kSize, kSize, bpp);
        Randomise(src, rng);
        Randomise(fast, rng);
        Image slow = fast;
        const Case c = RandomCase(rng, kSize);
        const uint32_t key = src.Get(0, 0);
        const int kind = round % 7;
        SCOPED_TRACE(testing::Message()
                     << "round " << round << " kind " << kind << " " << c.w << "x" << c.h);
        uint8_t* d1 = fast.At(c.dx, c.dy);
        uint8_t* d2 = slow.At(c.dx, c.dy);
        const uint8_t* s = src.At(c.sx, c.sy);
        switch (kind) {
            case 0:
                k::CopyOpaque(d1, fast.pitch, s, src.pitch, c.w, c.h, bpp);
                k::reference::CopyOpaque(d2, slow.pitch, s, src.pitch, c.w, c.h, bpp);
                break;
            case 1:
                k::CopyKeyed(d1, fast.pitch, s, src.pitch, c.w, c.h, bpp, key);
                k::reference::CopyKeyed(d2, slow.pitch, s, src.pitch, c.w, c.h, bpp, key);
                break;
            case 2:
                k::Fill(d1, fast.pitch, c.w, c.h, bpp, 0x12345678);
                k::reference::Fill(d2, slow.pitch, c.w, c.h, bpp, 0x12345678);
                break;
            case 3: {
                const uint32_t mask = bpp == 2 ? 0x7BEF : 0x7F7F7F;
                k::HalfFill(d1, fast.pitch, c.w, c.h, bpp, mask, key ^ 0xA5A5A5A5);
                k::reference::HalfFill(d2, slow.pitch, c.w, c.h, bpp, mask, key ^ 0xA5A5A5A5);
                break;
            }
            case 4: {
                const bool mx = round & 1, my = round & 2;
                // The source origin is the pixel shown first; mirrored walks go back from it.
                const uint8_t* m = src.At(mx ? c.sx + c.w - 1 : c.sx, my ? c.sy + c.h - 1 : c.sy);
                k::CopyMirroredKeyed(d1, fast.pitch, m, src.pitch, c.w, c.h, bpp, mx, my, key);
                k::reference::CopyMirroredKeyed(d2, slow.pitch, m, src.pitch, c.w, c.h, bpp, mx, my,
                                                key);
                break;
            }
            case 5: {
                // A 1..20 square source onto the whole rectangle c.w × c.h, of which only the
                // part from (c.sx / 4, c.sy / 4) on is drawn.
                const k::StretchArea area{c.w,
                                          c.h,
                                          1 + c.sx / 2,
                                          1 + c.sy / 2,
                                          std::min(c.sx / 4, c.w),
                                          std::min(c.sy / 4, c.h),
                                          c.w,
                                          c.h};
                const bool keyed = round & 1;
                k::Stretch(d1, fast.pitch, src.At(3, 5), src.pitch, area, bpp, keyed, key);
                k::reference::Stretch(d2, slow.pitch, src.At(3, 5), src.pitch, area, bpp, keyed,
                                      key);
                break;
            }
            case 6: {
                // Runs of 1 .. 40 pixels between the key's own, found over the whole image.
                const int run = 1 + round % 40;
                for (int y = 0; y < kSize; ++y)
                    for (int x = 0; x < kSize; ++x)
                        if ((x / run + y) % 3 == 0) src.Set(x, y, key);
                const k::OpaqueRuns runs =
                    k::FindOpaqueRuns(src.At(0, 0), src.pitch, kSize, kSize, bpp, key);
                k::CopyRuns(d1, fast.pitch, src.At(0, 0), src.pitch, runs, c.sx, c.sy, c.w, c.h,
                            bpp);
                k::reference::CopyKeyed(d2, slow.pitch, s, src.pitch, c.w, c.h, bpp, key);
                break;
            }
        }
        ASSERT_EQ(fast.bytes, slow.bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(PixelSizes, KernelMatch, ::testing::Values(2, 4));

TEST(KernelReference, StretchSamplesNearestAndDrawsOnlyTheVisiblePart) {
    Image src(3, 1, 2), dst(6, 2, 2);
    for (int x = 0; x < 3; ++x) src.Set(x, 0, 10 + x);
    k::Stretch(dst.At(0, 0), dst.pitch, src.At(0, 0), src.pitch, {6, 2, 3, 1, 0, 0, 6, 2}, 2, false,
               0);
    const uint32_t doubled[6] = {10, 10, 11, 11, 12, 12};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(dst.Get(x, y), doubled[x]) << x << "," << y;
    // Halving keyed, drawing from destination column 1 on: columns 1 and 2 sample source
    // columns 2 (11, drawn) and 4 (12 = key, destination kept).
    Image small(3, 1, 2);
    k::Stretch(small.At(1, 0), small.pitch, dst.At(0, 0), dst.pitch, {3, 1, 6, 1, 1, 0, 3, 1}, 2,
               true, 12);
    EXPECT_EQ(small.Get(0, 0), 0u);
    EXPECT_EQ(small.Get(1, 0), 11u);
    EXPECT_EQ(small.Get(2, 0), 0u);
}

TEST(KernelReference, OpaqueCopyOverlappingRowsInOneImage) {
    Image img(4, 4, 2);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) img.Set(x, y, y * 4 + x);
    k::CopyOpaque(img.At(0, 1), img.pitch, img.At(0, 0), img.pitch, 4, 3, 2);  // scroll down
    for (int y = 1; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(img.Get(x, y), uint32_t((y - 1) * 4 + x));
}

}  // namespace
