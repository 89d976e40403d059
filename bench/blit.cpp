// Blit speed: the framework's puts and fills on a 640×480 16-bit back screen (full-screen keyed
// puts of an opaque image, of round sprites covering half of it and of a 50 % noise mask; 1000
// keyed 40×40 sprites, some partly clipped; the opaque put; ClearScreen; HalfFillRect), timed in
// the same run as SDL_BlitSurface / SDL_FillRect on 16-bit SDL surfaces holding the same pixels
// (colour key set, RLE off and on) and memcpy of the same bytes. Each case of ours reports its time
// as ratios to those baselines (counters x_memcpy, x_sdl, x_sdl_rle; below 1 = ours is faster).
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "app/app.h"
#include "draw/draw.h"
#include "platform/backend.h"
#include "platform/display.h"

namespace {

constexpr int kW = 640, kH = 480;
constexpr uint16_t kKey = 0;

// CPU seconds per iteration of every case measured so far, by name. CPU time of this thread,
// not wall time, so that other processes on a shared machine do not skew the ratios.
std::map<std::string, double> g_seconds;

double NowSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

// Runs body once per iteration, records the mean time and reports ratios to the baselines.
template <class Body>
void Measure(benchmark::State& state, const std::string& name, Body body,
             std::vector<std::pair<std::string, std::string>> ratios = {}) {
    body();  // warm caches (and let SDL build its RLE encoding)
    const double start = NowSeconds();
    for (auto _ : state) body();
    g_seconds[name] = (NowSeconds() - start) / static_cast<double>(state.iterations());
    for (const auto& [counter, baseline] : ratios)
        if (g_seconds.count(baseline))
            state.counters[counter] = g_seconds[name] / g_seconds[baseline];
}

// The test images, as 16-bit 5-6-5 pixels.
enum Image { kOpaque, kRound, kNoise, kImageCount };
const char* const kImageNames[] = {"opaque", "round_sprites", "noise_mask"};

std::vector<uint16_t> MakeImage(Image kind, int w, int h, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint16_t> px(static_cast<size_t>(w) * h);
    for (auto& p : px) p = static_cast<uint16_t>(1 + rng() % 0xFFFF);  // never the key
    if (kind == kRound) {
        // Discs of radius 16 in a 40-pixel grid: about half of the area is opaque.
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int cx = x % 40 - 20, cy = y % 40 - 20;
                if (cx * cx + cy * cy > 255) px[y * w + x] = kKey;
            }
    } else if (kind == kNoise) {
        for (auto& p : px)
            if (rng() & 1) p = kKey;
    }
    return px;
}

SDL_Surface* SdlSurface(const std::vector<uint16_t>& px, int w, int h, bool keyed, bool rle) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 16, SDL_PIXELFORMAT_RGB565);
    for (int y = 0; y < h; ++y)
        std::memcpy(static_cast<uint8_t*>(s->pixels) + y * s->pitch, &px[y * w], w * 2);
    if (keyed) SDL_SetColorKey(s, SDL_TRUE, kKey);
    SDL_SetSurfaceRLE(s, rle ? 1 : 0);
    return s;
}

// 1000 positions for the small sprite, some of them partly off the screen.
std::vector<SDL_Point> SpritePositions() {
    std::mt19937 rng(7);
    std::vector<SDL_Point> pos(1000);
    for (auto& p : pos)
        p = {static_cast<int>(rng() % 700) - 30, static_cast<int>(rng() % 540) - 30};
    return pos;
}

struct Fixture {
    std::vector<uint16_t> images[kImageCount];
    std::vector<uint16_t> sprite = MakeImage(kRound, 40, 40, 3);
    std::vector<SDL_Point> positions = SpritePositions();
    SDL_Surface* sdlBack = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 16, SDL_PIXELFORMAT_RGB565);
    Fixture() {
        for (int i = 0; i < kImageCount; ++i)
            images[i] = MakeImage(static_cast<Image>(i), kW, kH, 11 + i);
    }
};
Fixture& F() {
    static Fixture f;
    return f;
}

// Our side: the framework on the headless backend (the SDL backend differs only in how the
// primary surface reaches the window), with a 640×480 16-bit back screen and objects holding
// the same pixels, keyed on black (raw 0).
int ObjectWith(const std::vector<uint16_t>& px, int w, int h) {
    const int slot = gkDraw::CreateObject(w, h, 0);
    uint8_t* pixels = nullptr;
    int pitch = 0;
    plat::Lock(gkSprites[slot].surface, &pixels, &pitch, plat::DDLOCK_WAIT);
    for (int y = 0; y < h; ++y) std::memcpy(pixels + y * pitch, &px[y * w], w * 2);
    plat::Unlock(gkSprites[slot].surface);
    return slot;
}

struct Framework {
    int images[kImageCount];
    int sprite;
    Framework() {
        plat::UseBackend(plat::Backend::Headless);
        plat::headless::UseDisplayFormat(plat::PixelFormat::R5G6B5);
        gkSystem::Init();
        gkDraw::Screen(kW, kH, 0);
        for (int i = 0; i < kImageCount; ++i) images[i] = ObjectWith(F().images[i], kW, kH);
        sprite = ObjectWith(F().sprite, 40, 40);
    }
};
Framework& G() {
    static Framework g;
    return g;
}

void SdlPut(SDL_Surface* src, int x, int y) {
    SDL_Rect dst{x, y, src->w, src->h};
    SDL_BlitSurface(src, nullptr, F().sdlBack, &dst);
}

const std::string kMemcpy = "memcpy";

void BM_Memcpy(benchmark::State& state) {
    std::vector<uint16_t> dst(kW * kH);
    Measure(state, kMemcpy, [&] {
        std::memcpy(dst.data(), F().images[kOpaque].data(), kW * kH * 2);
        benchmark::ClobberMemory();
    });
}

// SDL keyed full-screen blit of one image; arg 0 = image, arg 1 = RLE.
void BM_SdlKeyed(benchmark::State& state) {
    const auto image = static_cast<Image>(state.range(0));
    const bool rle = state.range(1);
    SDL_Surface* s = SdlSurface(F().images[image], kW, kH, true, rle);
    Measure(state, std::string("sdl") + (rle ? "_rle_" : "_") + kImageNames[image],
            [&] { SdlPut(s, 0, 0); }, {{"x_memcpy", kMemcpy}});
    SDL_FreeSurface(s);
}

void BM_OurKeyed(benchmark::State& state) {
    const auto image = static_cast<Image>(state.range(0));
    const std::string name = kImageNames[image];
    Measure(state, "ours_" + name,
            [&] { gkDraw::PutObject(0, 0, G().images[image], 0, 0, kW, kH); },
            {{"x_memcpy", kMemcpy}, {"x_sdl", "sdl_" + name}, {"x_sdl_rle", "sdl_rle_" + name}});
}

void BM_SdlSprites(benchmark::State& state) {
    const bool rle = state.range(0);
    SDL_Surface* s = SdlSurface(F().sprite, 40, 40, true, rle);
    Measure(state, rle ? "sdl_rle_sprites" : "sdl_sprites", [&] {
        for (const auto& p : F().positions) SdlPut(s, p.x, p.y);
    });
    SDL_FreeSurface(s);
}

void BM_OurSprites(benchmark::State& state) {
    Measure(state, "ours_sprites",
            [&] {
                for (const auto& p : F().positions)
                    gkDraw::PutObject(p.x, p.y, G().sprite, 0, 0, 40, 40);
            },
            {{"x_sdl", "sdl_sprites"}, {"x_sdl_rle", "sdl_rle_sprites"}});
}

void BM_SdlOpaque(benchmark::State& state) {
    SDL_Surface* s = SdlSurface(F().images[kOpaque], kW, kH, false, false);
    Measure(state, "sdl_opaque", [&] { SdlPut(s, 0, 0); }, {{"x_memcpy", kMemcpy}});
    SDL_FreeSurface(s);
}

void BM_OurOpaque(benchmark::State& state) {
    Measure(state, "ours_opaque",
            [&] { gkDraw::PutObjectOpaque(0, 0, G().images[kOpaque], 0, 0, kW, kH); },
            {{"x_memcpy", kMemcpy}, {"x_sdl", "sdl_opaque"}});
}

void BM_SdlFill(benchmark::State& state) {
    Measure(state, "sdl_fill", [&] { SDL_FillRect(F().sdlBack, nullptr, 0); },
            {{"x_memcpy", kMemcpy}});
}

void BM_OurClear(benchmark::State& state) {
    Measure(state, "ours_clear", [&] { gkDraw::ClearScreen(); },
            {{"x_memcpy", kMemcpy}, {"x_sdl", "sdl_fill"}});
}

// SDL has no 50 % fill; its nearest tool is an alpha-modulated blit of a filled surface.
void BM_SdlHalf(benchmark::State& state) {
    SDL_Surface* s = SdlSurface(F().images[kOpaque], kW, kH, false, false);
    SDL_FillRect(s, nullptr, 0xF800);
    SDL_SetSurfaceBlendMode(s, SDL_BLENDMODE_BLEND);
    SDL_SetSurfaceAlphaMod(s, 128);
    Measure(state, "sdl_half", [&] { SdlPut(s, 0, 0); }, {{"x_memcpy", kMemcpy}});
    SDL_FreeSurface(s);
}

void BM_OurHalf(benchmark::State& state) {
    Measure(state, "ours_half", [&] { gkDraw::HalfFillRect(0, 0, kW, kH, 0xF800); },
            {{"x_memcpy", kMemcpy}, {"x_sdl", "sdl_half"}});
}

// Baselines first: the ratios of our cases read their times.
BENCHMARK(BM_Memcpy);
BENCHMARK(BM_SdlKeyed)->ArgsProduct({{kOpaque, kRound, kNoise}, {0, 1}});
BENCHMARK(BM_OurKeyed)->DenseRange(kOpaque, kNoise);
BENCHMARK(BM_SdlSprites)->Arg(0)->Arg(1);
BENCHMARK(BM_OurSprites);
BENCHMARK(BM_SdlOpaque);
BENCHMARK(BM_OurOpaque);
BENCHMARK(BM_SdlFill);
BENCHMARK(BM_OurClear);
BENCHMARK(BM_SdlHalf);
BENCHMARK(BM_OurHalf);

}  // namespace

BENCHMARK_MAIN();
