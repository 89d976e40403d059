// Rotation and tunnel speed on a 640×480 16-bit back screen: PutRotate at 30° of a 640×480
// sprite into the whole screen, PutTunnel of a 640×480 block from a 256×256 texture, each
// beside its plain per-pixel reference, and BuildTunnel of a 640×480 map (a one-off cost),
// timed in the same run as memcpy of the 614,400 bytes of a screen. Counters x_memcpy and
// x_reference give each case's time as a ratio to those baselines (below 1 = ours is faster).
// The floors are what any per-pixel mapping costs on this processor: the same pixels read with
// AVX2 gathers from source offsets computed beforehand, nothing else (x_floor).
#include <benchmark/benchmark.h>
#include <immintrin.h>

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

// Destination pixels [first, last) of each row read from source offsets known beforehand.
struct Mapped {
    std::vector<int32_t> offsets = std::vector<int32_t>(kW * kH);
    std::vector<std::pair<int, int>> rows = std::vector<std::pair<int, int>>(kH, {0, 0});
};

// Eight pixels at the offsets at `at`, one per 32-bit lane.
__attribute__((target("avx2"))) inline __m256i GatherEight(const uint16_t* from,
                                                           const int32_t* at) {
    const __m256i o = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    return _mm256_and_si256(_mm256_i32gather_epi32(reinterpret_cast<const int*>(from), o, 2),
                            _mm256_set1_epi32(0xFFFF));
}

// The floor's loop: sixteen pixels a step with two gathers, as the effects read them.
__attribute__((target("avx2"))) void GatherRows(const Mapped& m, const uint16_t* from,
                                                uint16_t* to) {
    for (int j = 0; j < kH; ++j)
        for (int i = m.rows[j].first; i < m.rows[j].second; i += 16) {
            const int32_t* at = m.offsets.data() + j * kW + i;
            const __m256i p = _mm256_packus_epi32(GatherEight(from, at), GatherEight(from, at + 8));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + j * kW + i),
                                _mm256_permute4x64_epi64(p, 0xD8));
        }
}

// The floor of a put whose pixels are mapped: offsets from the object's pixel (0, 0), kept
// inside the object up to the column step of 16.
template <class Offset>
void Floor(benchmark::State& state, const std::string& name, int object, Offset offset) {
    const plat::Surface* s = gkSprites[object].surface;
    Mapped m;
    for (int j = 0; j < kH; ++j)
        for (int i = 0; i < kW; ++i)
            if (const int32_t o = offset(i, j); o >= 0) {
                m.offsets[j * kW + i] = o;
                if (m.rows[j].first == m.rows[j].second) m.rows[j].first = i;
                m.rows[j].second = i + 1;
            }
    for (auto& [first, last] : m.rows) last = std::min(kW, first + (last - first + 15) / 16 * 16);
    std::vector<uint16_t> to(kW * kH);
    const auto* from = reinterpret_cast<const uint16_t*>(s->pixels.data());
    Measure(state, name, [&] { GatherRows(m, from, to.data()); }, {{"x_memcpy", kMemcpy}});
}

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

// The source pixel the rotation maps each screen pixel to, -1 outside the sprite.
void BM_RotateFloor(benchmark::State& state) {
    const int64_t sn = gkDraw::SineOf(30), cs = gkDraw::CosineOf(30);
    Floor(state, "rotate_floor", G().sprite, [&](int64_t i, int64_t j) {
        const int64_t cx = kW / 2, cy = kH / 2;
        const int64_t u = (360 * cx + (i - cx) * cs - (j - cy) * sn) / 360;
        const int64_t v = (360 * cy + (i - cx) * sn + (j - cy) * cs) / 360;
        return u >= 0 && u < kW && v >= 0 && v < kH ? static_cast<int32_t>(v * kW + u) : -1;
    });
}

void BM_Rotate(benchmark::State& state) {
    Measure(
        state, "rotate", [] { gkDraw::PutRotate(0, 0, kW, kH, 30, G().sprite, 0, 0, kW, kH); },
        {{"x_memcpy", kMemcpy}, {"x_reference", "rotate_reference"}, {"x_floor", "rotate_floor"}});
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

// The texel of each map entry at one scroll position.
void BM_TunnelFloor(benchmark::State& state) {
    Floor(state, "tunnel_floor", G().texture, [](int i, int j) {
        const gkTunnelEntry e = gkTunnel.Map[j * kW + i];
        return (e.v + 3) % kTexture * kTexture + (e.u + 1) % kTexture;
    });
}

void BM_Tunnel(benchmark::State& state) {
    int frame = 0;
    Measure(
        state, "tunnel",
        [&] {
            ++frame;
            gkDraw::PutTunnel(0, 0, frame, 3 * frame, G().texture);
        },
        {{"x_memcpy", kMemcpy}, {"x_reference", "tunnel_reference"}, {"x_floor", "tunnel_floor"}});
}

void BM_BuildTunnel(benchmark::State& state) {
    Measure(state, "build_tunnel",
            [] { gkDraw::BuildTunnel(kTexture, kTexture, kW, kH, -1, -1, -1, 0, 0, 0); },
            {{"x_memcpy", kMemcpy}});
}

// Baselines first: the ratios of our cases read their times.
BENCHMARK(BM_Memcpy);
BENCHMARK(BM_RotateReference);
BENCHMARK(BM_RotateFloor);
BENCHMARK(BM_Rotate);
BENCHMARK(BM_TunnelReference);
BENCHMARK(BM_TunnelFloor);
BENCHMARK(BM_Tunnel);
BENCHMARK(BM_BuildTunnel)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
