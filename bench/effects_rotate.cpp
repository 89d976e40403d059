// Rotation and tunnel speed on a 640×480 16-bit back screen: PutRotate at 30° of a 640×480
// sprite into the whole screen, PutTunnel of a 640×480 block from a 256×256 texture, each
// beside its plain per-pixel reference, and BuildTunnel of a 640×480 map (a one-off cost),
// timed in the same run as memcpy of the 614,400 bytes of a screen. Counters x_memcpy and
// x_reference give each case's time as a ratio to those baselines (below 1 = ours is faster).
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

constexpr int kW = 640, kH = 480, kTexture = 256;

// An object of random opaque pixels.
int RandomObject(int w, int h, uint32_t seed) {
    std::mt19937 rng(seed);
    const int slot = gkDraw::CreateObject(w, h, 0);
    uint8_t* pixels = nullptr;
    int pitch = 0;
    plat::Lock(gkSprites[slot].surface, &pixels, &pitch, plat::DDLOCK_WAIT);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            reinterpret_cast<uint16_t*>(pixels + y * pitch)[x] = 1 + rng() % 0xFFFF;
    plat::Unlock(gkSprites[slot].surface);
    return slot;
}

// The framework on the headless backend with a 640×480 5-6-5 back screen.
struct Framework {
    int sprite, texture;
    Framework() {
        plat::UseBackend(plat::Backend::Headless);
        plat::headless::UseDisplayFormat(plat::PixelFormat::R5G6B5);
        gkSystem::Init();
        gkDraw::Screen(kW, kH, 0);
        sprite = RandomObject(kW, kH, 1);
        texture = RandomObject(kTexture, kTexture, 2);
        gkDraw::BuildTunnel(kTexture, kTexture, kW, kH, -1, -1, -1, 0, 0, 0);
    }
};
Framework& G() {
    static Framework g;
    return g;
}

const std::string kMemcpy = "memcpy";

void BM_Memcpy(benchmark::State& state) {
    std::vector<uint16_t> from(kW * kH, 0x1234), to(kW * kH);
    Measure(state, kMemcpy, [&] {
        std::memcpy(to.data(), from.data(), kW * kH * 2);
        benchmark::ClobberMemory();
    });
}

void BM_RotateReference(benchmark::State& state) {
    Measure(state, "rotate_reference",
            [] { gkDraw::reference::PutRotate(0, 0, kW, kH, 30, G().sprite, 0, 0, kW, kH); },
            {{"x_memcpy", kMemcpy}});
}

void BM_Rotate(benchmark::State& state) {
    Measure(state, "rotate", [] { gkDraw::PutRotate(0, 0, kW, kH, 30, G().sprite, 0, 0, kW, kH); },
            {{"x_memcpy", kMemcpy}, {"x_reference", "rotate_reference"}});
}

void BM_TunnelReference(benchmark::State& state) {
    int frame = 0;
    Measure(state, "tunnel_reference",
            [&] {
                ++frame;
                gkDraw::reference::PutTunnel(0, 0, frame, 3 * frame, G().texture);
            },
            {{"x_memcpy", kMemcpy}});
}

void BM_Tunnel(benchmark::State& state) {
    int frame = 0;
    Measure(state, "tunnel",
            [&] {
                ++frame;
                gkDraw::PutTunnel(0, 0, frame, 3 * frame, G().texture);
            },
            {{"x_memcpy", kMemcpy}, {"x_reference", "tunnel_reference"}});
}

void BM_BuildTunnel(benchmark::State& state) {
    Measure(state, "build_tunnel",
            [] { gkDraw::BuildTunnel(kTexture, kTexture, kW, kH, -1, -1, -1, 0, 0, 0); },
            {{"x_memcpy", kMemcpy}});
}

// Baselines first: the ratios of our cases read their times.
BENCHMARK(BM_Memcpy);
BENCHMARK(BM_RotateReference);
BENCHMARK(BM_Rotate);
BENCHMARK(BM_TunnelReference);
BENCHMARK(BM_Tunnel);
BENCHMARK(BM_BuildTunnel)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
