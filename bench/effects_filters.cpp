// Filter speed on a full 640×480 16-bit back screen of random pixels: BlurRect, GrainRect and
// ShimmerRect over the whole screen, and PutGlow of a 64×64 sprite with all eight rays, timed
// in the same run as memcpy of the screen's 614,400 bytes (counter x_memcpy; below 1 = faster
// than the copy). The per-pixel reference walks of the blur and the grain are timed beside
// their vector versions (x_reference). The blur's floor (x_floor) is the same average of four
// neighbours in AVX2 without the in-place blur's order: every pixel from the unblurred screen
// into another buffer, each row sixteen pixels at a time.
#include <benchmark/benchmark.h>

#include <cstring>
#include <ctime>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "app/app.h"
#include "effects/effects.h"
#include "measure.h"
#include "platform/backend.h"
#include "platform/display.h"

namespace {

constexpr int kW = 640, kH = 480;

void FillRandom(plat::Surface* s, uint32_t seed) {
    std::mt19937 rng(seed);
    uint8_t* pixels = nullptr;
    int pitch = 0;
    plat::Lock(s, &pixels, &pitch, plat::DDLOCK_WAIT);
    for (int y = 0; y < s->height; ++y)
        for (int x = 0; x < s->width; ++x)
            reinterpret_cast<uint16_t*>(pixels + y * pitch)[x] = static_cast<uint16_t>(rng());
    plat::Unlock(s);
}

// The framework on the headless backend with a random back screen and a random 64×64 sprite.
struct Framework {
    int sprite;
    std::vector<uint16_t> from = std::vector<uint16_t>(kW * kH, 0x1234), to;
    Framework() : to(from.size()) {
        plat::UseBackend(plat::Backend::Headless);
        plat::headless::UseDisplayFormat(plat::PixelFormat::R5G6B5);
        gkSystem::Init();
        gkDraw::Screen(kW, kH, 0);
        sprite = gkDraw::CreateObject(64, 64, 0);
        FillRandom(gkSprites[sprite].surface, 2);
        FillRandom(gkScreen.Back, 1);
    }
};
Framework& G() {
    static Framework g;
    return g;
}

const std::string kMemcpy = "memcpy";

using Lanes16 = uint16_t __attribute__((vector_size(32)));

__attribute__((target("avx2"))) inline Lanes16 LoadLanes(const uint16_t* p) {
    Lanes16 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The 5-6-5 average of four neighbours of sixteen pixels, from rows above, at and below.
__attribute__((target("avx2"))) inline Lanes16 Average(const uint16_t* up, const uint16_t* at,
                                                       const uint16_t* down) {
    const Lanes16 l = LoadLanes(at - 1), r = LoadLanes(at + 1), u = LoadLanes(up),
                  d = LoadLanes(down);
    const Lanes16 red = (l >> 11) + (r >> 11) + (u >> 11) + (d >> 11);
    const Lanes16 green = ((l >> 6) & 31) + ((r >> 6) & 31) + ((u >> 6) & 31) + ((d >> 6) & 31);
    const Lanes16 blue = (l & 31) + (r & 31) + (u & 31) + (d & 31);
    return (red >> 2) << 11 | (green >> 2) << 6 | blue >> 2;
}

__attribute__((target("avx2"))) void AverageOutOfPlace(const uint16_t* from, uint16_t* to) {
    for (int j = 1; j < kH - 1; ++j)
        for (int i = 1; i + 16 <= kW - 1; i += 16) {
            const Lanes16 v =
                Average(from + (j - 1) * kW + i, from + j * kW + i, from + (j + 1) * kW + i);
            std::memcpy(to + j * kW + i, &v, sizeof v);
        }
}

void BM_BlurFloor(benchmark::State& state) {
    Measure(state, "blur_floor",
            [] {
                AverageOutOfPlace(G().from.data(), G().to.data());
                benchmark::ClobberMemory();
            },
            {{"x_memcpy", kMemcpy}});
}

void BM_Memcpy(benchmark::State& state) {
    Measure(state, kMemcpy, [] {
        std::memcpy(G().to.data(), G().from.data(), kW * kH * 2);
        benchmark::ClobberMemory();
    });
}

// The reference walk of a filter over the whole screen, for the x_reference ratio.
template <class Walk>
void Reference(benchmark::State& state, const std::string& name, Walk walk) {
    Measure(state, name,
            [&] { gkDraw::RegionEffect(0, 0, kW, kH, {}, gkDraw::RegionLocks::Back, walk); });
}

void BM_BlurReference(benchmark::State& state) {
    Reference(state, "blur_reference",
              [](const gkDraw::RegionFrame& f) { gkDraw::BlurWalk(f, {}); });
}

void BM_GrainReference(benchmark::State& state) {
    Reference(state, "grain_reference", [](const gkDraw::RegionFrame& f) {
        gkDraw::GrainWalk(f, {1, 1, 1}, 0, &gkFilters.GrainCursor);
    });
}

void BM_BlurRect(benchmark::State& state) {
    Measure(state, "blur", [] { gkDraw::BlurRect(0, 0, kW, kH); },
            {{"x_memcpy", kMemcpy}, {"x_reference", "blur_reference"}, {"x_floor", "blur_floor"}});
}

void BM_GrainRect(benchmark::State& state) {
    Measure(state, "grain", [] { gkDraw::GrainRect(0, 0, 0, kW, kH); },
            {{"x_memcpy", kMemcpy}, {"x_reference", "grain_reference"}});
}

void BM_ShimmerRect(benchmark::State& state) {
    Measure(state, "shimmer", [] { gkDraw::ShimmerRect(0, 0, kW, kH - 1); },
            {{"x_memcpy", kMemcpy}});
}

void BM_PutGlow(benchmark::State& state) {
    Measure(state, "glow",
            [] { gkDraw::PutGlow(288, 208, 0, 0, 0, 0xFF, 1, G().sprite, 0, 0, 64, 64); },
            {{"x_memcpy", kMemcpy}});
}

// Baselines first: the ratios of the later cases read their times.
BENCHMARK(BM_Memcpy);
BENCHMARK(BM_BlurReference);
BENCHMARK(BM_BlurFloor);
BENCHMARK(BM_GrainReference);
BENCHMARK(BM_BlurRect);
BENCHMARK(BM_GrainRect);
BENCHMARK(BM_ShimmerRect);
BENCHMARK(BM_PutGlow);

}  // namespace

BENCHMARK_MAIN();
