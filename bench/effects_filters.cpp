// Filter speed on a full 640×480 16-bit back screen of random pixels: BlurRect, GrainRect and
// ShimmerRect over the whole screen, and PutGlow of a 64×64 sprite with all eight rays, timed
// in the same run as memcpy of the screen's 614,400 bytes (counter x_memcpy; below 1 = faster
// than the copy). The per-pixel reference walks of the blur and the grain are timed beside
// their vector versions (x_reference).
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
            {{"x_memcpy", kMemcpy}, {"x_reference", "blur_reference"}});
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
BENCHMARK(BM_GrainReference);
BENCHMARK(BM_BlurRect);
BENCHMARK(BM_GrainRect);
BENCHMARK(BM_ShimmerRect);
BENCHMARK(BM_PutGlow);

}  // namespace

BENCHMARK_MAIN();
