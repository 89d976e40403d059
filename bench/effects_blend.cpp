// Blend effect speed: full-screen 640×480 puts of a 16-bit 5-6-5 sprite onto the back screen
// (an opaque image, and round sprites covering about half of it) through PutHalf, PutFade,
// PutAdd, PutDark, PutGray, PutShadow, PutAlpha, PutBlur and PutSmooth, timed in the same run as
// memcpy of the same 614,400 bytes and SDL_BlitSurface with SDL_SetSurfaceAlphaMod 128 of the same
// pixels (the round image colour-keyed on black). Each case of ours reports its time as ratios to
// those baselines (counters x_memcpy and x_sdl_alpha; below 1 = ours is faster).
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <ctime>
#include <functional>
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

enum Image { kOpaque, kRound, kImageCount };
const char* const kImageNames[] = {"opaque", "round"};

std::vector<uint16_t> MakeImage(Image kind) {
    std::mt19937 rng(11 + kind);
    std::vector<uint16_t> px(kW * kH);
    for (auto& p : px) p = static_cast<uint16_t>(1 + rng() % 0xFFFF);
    if (kind == kRound)  // discs of radius 16 in a 40-pixel grid: about half is opaque
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const int cx = x % 40 - 20, cy = y % 40 - 20;
                if (cx * cx + cy * cy > 255) px[y * kW + x] = 0;
            }
    return px;
}

struct Fixture {
    std::vector<uint16_t> images[kImageCount] = {MakeImage(kOpaque), MakeImage(kRound)};
    SDL_Surface* sdlBack = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 16, SDL_PIXELFORMAT_RGB565);
    int objects[kImageCount];
    Fixture() {
        plat::UseBackend(plat::Backend::Headless);
        plat::headless::UseDisplayFormat(plat::PixelFormat::R5G6B5);
        gkSystem::Init();
        gkDraw::Screen(kW, kH, 0);
        for (int i = 0; i < kImageCount; ++i) {
            objects[i] = gkDraw::CreateObject(kW, kH, 0);
            uint8_t* pixels = nullptr;
            int pitch = 0;
            plat::Lock(gkSprites[objects[i]].surface, &pixels, &pitch, plat::DDLOCK_WAIT);
            for (int y = 0; y < kH; ++y)
                std::memcpy(pixels + y * pitch, &images[i][y * kW], kW * 2);
            plat::Unlock(gkSprites[objects[i]].surface);
        }
    }
};
Fixture& F() {
    static Fixture f;
    return f;
}

const std::string kMemcpy = "memcpy";

void BM_Memcpy(benchmark::State& state) {
    std::vector<uint16_t> dst(kW * kH);
    Measure(state, kMemcpy, [&] {
        std::memcpy(dst.data(), F().images[kOpaque].data(), kW * kH * 2);
        benchmark::ClobberMemory();
    });
}

// SDL's alpha-modulated blit at 128 (blending on; the round image keyed on black).
void BM_SdlAlpha(benchmark::State& state) {
    const auto image = static_cast<Image>(state.range(0));
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 16, SDL_PIXELFORMAT_RGB565);
    for (int y = 0; y < kH; ++y)
        std::memcpy(static_cast<uint8_t*>(s->pixels) + y * s->pitch, &F().images[image][y * kW],
                    kW * 2);
    if (image == kRound) SDL_SetColorKey(s, SDL_TRUE, 0);
    SDL_SetSurfaceBlendMode(s, SDL_BLENDMODE_BLEND);
    SDL_SetSurfaceAlphaMod(s, 128);
    Measure(state, std::string("sdl_alpha_") + kImageNames[image],
            [&] {
                SDL_Rect dst{0, 0, kW, kH};
                SDL_BlitSurface(s, nullptr, F().sdlBack, &dst);
            },
            {{"x_memcpy", kMemcpy}});
    SDL_FreeSurface(s);
}

// Our effects, each called as (0, 0, object, 0, 0, 640, 480) with its own strength arguments.
const std::map<std::string, std::function<int(int)>> kEffects = {
    {"half", [](int n) { return gkDraw::PutHalf(0, 0, n, 0, 0, kW, kH); }},
    {"fade16", [](int n) { return gkDraw::PutFade(0, 0, 16, n, 0, 0, kW, kH); }},
    {"add", [](int n) { return gkDraw::PutAdd(0, 0, n, 0, 0, kW, kH); }},
    {"dark16", [](int n) { return gkDraw::PutDark(0, 0, 16, n, 0, 0, kW, kH); }},
    {"gray", [](int n) { return gkDraw::PutGray(0, 0, n, 0, 0, kW, kH); }},
    {"shadow", [](int n) { return gkDraw::PutShadow(0, 0, n, 0, 0, kW, kH); }},
    {"alpha0.5", [](int n) { return gkDraw::PutAlpha(0, 0, 0.5f, n, 0, 0, kW, kH); }},
    {"blur3", [](int n) { return gkDraw::PutBlur(0, 0, 3, n, 0, 0, kW, kH); }},
    {"smooth", [](int n) { return gkDraw::PutSmooth(0, 0, n, 0, 0, kW, kH); }},
};

void BM_Effect(benchmark::State& state, const std::string& effect) {
    const auto image = static_cast<Image>(state.range(0));
    const int n = F().objects[image];
    const auto& put = kEffects.at(effect);
    std::vector<std::pair<std::string, std::string>> ratios = {{"x_memcpy", kMemcpy}};
    if (effect == "alpha0.5")
        ratios.push_back({"x_sdl_alpha", "sdl_alpha_" + std::string(kImageNames[image])});
    Measure(
        state, effect + "_" + kImageNames[image], [&] { put(n); }, ratios);
}

// Baselines first: the ratios of our cases read their times.
BENCHMARK(BM_Memcpy);
BENCHMARK(BM_SdlAlpha)->DenseRange(kOpaque, kRound);
BENCHMARK_CAPTURE(BM_Effect, half, "half")->DenseRange(kOpaque, kRound);
BENCHMARK_CAPTURE(BM_Effect, fade16, "fade16")->DenseRange(kOpaque, kRound);
BENCHMARK_CAPTURE(BM_Effect, add, "add")->DenseRange(kOpaque, kRound);
BENCHMARK_CAPTURE(BM_Effect, dark16, "dark16")->DenseRange(kOpaque, kRound);
BENCHMARK_CAPTURE(BM_Effect, gray, "gray")->DenseRange(kOpaque, kRound);
BENCHMARK_CAPTURE(BM_Effect, shadow, "shadow")->DenseRange(kOpaque, kRound);
BENCHMARK_CAPTURE(BM_Effect, alpha, "alpha0.5")->DenseRange(kOpaque, kRound);
BENCHMARK_CAPTURE(BM_Effect, blur3, "blur3")->DenseRange(kOpaque, kRound);
BENCHMARK_CAPTURE(BM_Effect, smooth, "smooth")->DenseRange(kOpaque, kRound);

}  // namespace

BENCHMARK_MAIN();
