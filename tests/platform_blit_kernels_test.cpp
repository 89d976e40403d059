// The fast blit loops against their per-pixel references on random images, and the stretch's
// nearest sampling and visible part, which the draw tests reach only from the left edge.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <tuple>
#include <vector>

#include "platform/blit_kernels.h"

namespace {

namespace k = plat::kernels;

// A padded image: pitch wider than needed so that writes past a row's end would show.
struct Image {
    int bpp, pitch;
    std::vector<uint8_t> bytes;
    Image(int w, int h, int bytesPerPixel)
        : bpp(bytesPerPixel), pitch(w * bytesPerPixel + 24), bytes(size_t(pitch) * h) {}
    uint8_t* At(int x, int y) { return bytes.data() + pitch * y + x * bpp; }
    uint32_t Get(int x, int y) {
        uint32_t v = 0;
        std::memcpy(&v, At(x, y), bpp);
        return v;
    }
    void Set(int x, int y, uint32_t v) { std::memcpy(At(x, y), &v, bpp); }
};

constexpr int kSize = 80;

// Random bytes, then pixels from a small palette so that the key occurs often and in runs.
void Randomise(Image& image, std::mt19937& rng) {
    const uint32_t palette[4] = {0, 0xF81F, uint32_t(rng()), uint32_t(rng())};
    for (auto& b : image.bytes) b = uint8_t(rng());
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) image.Set(x, y, palette[rng() % 4]);
}

// Pixel size, and whether the AVX-512 versions may run.
class KernelMatch : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(KernelMatch, FastLoopsEqualReferenceOnRandomImages) {
    const auto [bpp, wide] = GetParam();
    k::AllowWideVectors(wide);
    std::mt19937 rng(1234 + bpp);
    for (int round = 0; round < 300; ++round) {
        Image src(kSize, kSize, bpp), fast(kSize, kSize, bpp);
        Randomise(src, rng);
        Randomise(fast, rng);
        Image slow = fast;
        const int w = rng() % 41, h = rng() % 41, sx = rng() % 40, sy = rng() % 40, dx = rng() % 40,
                  dy = rng() % 40;
        const uint32_t key = src.Get(0, 0);
        const bool odd = round & 1, mirrorY = round & 2;
        SCOPED_TRACE(testing::Message() << "round " << round << " " << w << "x" << h);
        const uint8_t* s = src.At(sx, sy);
        // Runs both versions of a kernel onto the same place of the two copies.
        auto both = [&](auto fastKernel, auto referenceKernel, auto... rest) {
            fastKernel(fast.At(dx, dy), fast.pitch, rest...);
            referenceKernel(slow.At(dx, dy), slow.pitch, rest...);
        };
        switch (round % 7) {
            case 0:
                both(k::CopyOpaque, k::reference::CopyOpaque, s, src.pitch, w, h, bpp);
                break;
            case 1:
                both(k::CopyKeyed, k::reference::CopyKeyed, s, src.pitch, w, h, bpp, key);
                break;
            case 2:
                both(k::Fill, k::reference::Fill, w, h, bpp, 0x12345678u);
                break;
            case 3:
                both(k::HalfFill, k::reference::HalfFill, w, h, bpp,
                     uint32_t(bpp == 2 ? 0x7BEF : 0x7F7F7F), key ^ 0xA5A5A5A5);
                break;
            case 4:  // the source origin is the pixel shown first; mirrored walks go back from it
                both(k::CopyMirroredKeyed, k::reference::CopyMirroredKeyed,
                     src.At(odd ? sx + w - 1 : sx, mirrorY ? sy + h - 1 : sy), src.pitch, w, h, bpp,
                     odd, mirrorY, key);
                break;
            case 5: {  // a 1..20 square source onto w × h, drawn from (sx / 4, sy / 4) on
                const k::StretchArea area{
                    w, h, 1 + sx / 2, 1 + sy / 2, std::min(sx / 4, w), std::min(sy / 4, h), w, h};
                both(k::Stretch, k::reference::Stretch, src.At(3, 5), src.pitch, area, bpp, odd,
                     key);
                break;
            }
            case 6: {  // runs of 1 .. 40 pixels between the key's own, found over the whole
                // image, or (odd rounds) over the columns drawn, so that no run is cut
                const int run = 1 + round % 40, from = odd ? sx : 0;
                for (int y = 0; y < kSize; ++y)
                    for (int x = 0; x < kSize; ++x)
                        if ((x / run + y) % 3 == 0) src.Set(x, y, key);
                const k::OpaqueRuns runs =
                    k::FindOpaqueRuns(src.At(from, 0), src.pitch, odd ? w : kSize, kSize, bpp, key);
                k::CopyRuns(fast.At(dx, dy), fast.pitch, src.At(from, 0), src.pitch, runs,
                            sx - from, sy, w, h, bpp);
                k::reference::CopyKeyed(slow.At(dx, dy), slow.pitch, s, src.pitch, w, h, bpp, key);
                break;
            }
        }
        ASSERT_EQ(fast.bytes, slow.bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(PixelSizes, KernelMatch,
                         ::testing::Combine(::testing::Values(2, 4), ::testing::Bool()));

// Halving 10 11 12 10 11 12 keyed on 11, drawn from destination column 1 on: columns 1 and 2
// sample source columns 2 (12, drawn) and 4 (11, the key: kept); column 0 is left alone.
TEST(KernelReference, StretchSamplesNearestAndDrawsOnlyTheVisiblePart) {
    Image src(6, 1, 2), dst(3, 1, 2);
    for (int x = 0; x < 6; ++x) src.Set(x, 0, 10 + x % 3);
    for (int x = 0; x < 3; ++x) dst.Set(x, 0, 7);
    k::Stretch(dst.At(1, 0), dst.pitch, src.At(0, 0), src.pitch, {3, 1, 6, 1, 1, 0, 3, 1}, 2, true,
               11);
    EXPECT_EQ((std::vector<uint32_t>{dst.Get(0, 0), dst.Get(1, 0), dst.Get(2, 0)}),
              (std::vector<uint32_t>{7, 12, 7}));
}

}  // namespace
