// Blit speed: the framework's puts and fills on a 640×480 16-bit back screen (full-screen keyed
// puts of an opaque image, of round sprites covering half of it and of a 50 % noise mask; 1000
// keyed 40×40 sprites, some partly clipped; keyed round sprites of 8×8 to 640×480; the opaque
// put; ClearScreen; HalfFillRect) beside SDL_BlitSurface / SDL_FillRect on 16-bit SDL surfaces
// holding the same pixels (colour key set, RLE off and on) and memcpy of the same bytes. Every
// iteration runs the baselines and our case in turn, each timed on the thread's CPU clock, so a
// ratio compares work done under the same machine load; counters x_<baseline> are our time over
// the baseline's (below 1 = ours is faster). Take medians over --benchmark_repetitions.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
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

double NowSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

// A named piece of work; in a comparison the last one is ours and the others its baselines.
struct Work {
    std::string name;
    std::function<void()> body;
};

// Runs every body once per iteration, in turn, and reports our time over each baseline's.
void Compare(benchmark::State& state, const std::vector<Work>& work) {
    for (const Work& w : work) w.body();  // warm caches (and let SDL build its RLE encoding)
    std::vector<double> seconds(work.size());
    for (auto _ : state)
        for (size_t i = 0; i < work.size(); ++i) {
            const double start = NowSeconds();
            work[i].body();
            seconds[i] += NowSeconds() - start;
        }
    for (size_t i = 0; i + 1 < work.size(); ++i)
        state.counters["x_" + work[i].name] = seconds.back() / seconds[i];
    state.counters["ours_us"] = 1e6 * seconds.back() / static_cast<double>(state.iterations());
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

// One disc (an ellipse for a sprite that is not square) filling a w × h sprite.
std::vector<uint16_t> RoundSprite(int w, int h) {
    std::vector<uint16_t> px = MakeImage(kOpaque, w, h, 5);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double u = (x + 0.5) / w * 2 - 1, v = (y + 0.5) / h * 2 - 1;
            if (u * u + v * v > 1) px[y * w + x] = kKey;
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

// n positions for a w × h sprite: inside the screen, or (clipped) reaching up to 30 pixels out.
std::vector<SDL_Point> Positions(int n, int w, int h, bool clipped) {
    std::mt19937 rng(7);
    const int margin = clipped ? 30 : 0;
    std::vector<SDL_Point> pos(n);
    for (auto& p : pos)
        p = {static_cast<int>(rng() % (kW - w + 1 + 2 * margin)) - margin,
             static_cast<int>(rng() % (kH - h + 1 + 2 * margin)) - margin};
    return pos;
}

// The keyed round sprites of the scaling cases, and how many puts make one piece of work
// (about a screenful of sprite pixels).
constexpr int kSizes[][2] = {{8, 8}, {40, 40}, {160, 160}, {640, 480}};
int PutsPerWork(int size) {
    return std::max(1, kW * kH / (kSizes[size][0] * kSizes[size][1]));
}

struct Fixture {
    std::vector<uint16_t> images[kImageCount];
    std::vector<uint16_t> sprite = MakeImage(kRound, 40, 40, 3);
    std::vector<SDL_Point> positions = Positions(1000, 40, 40, true);
    std::vector<uint16_t> memcpyTarget = std::vector<uint16_t>(kW * kH);
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

// A 640×480 16-bit SDL back screen. Every SDL case draws onto its own, as ours draws onto the
// framework's: a destination shared by two cases would be warm in the cache for the second.
std::shared_ptr<SDL_Surface> SdlBack() {
    return {SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 16, SDL_PIXELFORMAT_RGB565), SDL_FreeSurface};
}

Work Memcpy() {
    return {"memcpy", [] {
                std::memcpy(F().memcpyTarget.data(), F().images[kOpaque].data(), kW * kH * 2);
                benchmark::ClobberMemory();
            }};
}

// SDL's puts of an SDL surface at the positions (the surface is freed with the last copy).
Work SdlPuts(const std::string& name, SDL_Surface* s, std::vector<SDL_Point> at) {
    std::shared_ptr<SDL_Surface> surface(s, SDL_FreeSurface);
    return {name, [surface, at, back = SdlBack()] {
                for (const auto& p : at) {
                    SDL_Rect dst{p.x, p.y, surface->w, surface->h};
                    SDL_BlitSurface(surface.get(), nullptr, back.get(), &dst);
                }
            }};
}

Work OurPuts(int slot, int w, int h, std::vector<SDL_Point> at) {
    return {"ours", [=] {
                for (const auto& p : at) gkDraw::PutObject(p.x, p.y, slot, 0, 0, w, h);
            }};
}

// Full-screen keyed put of one image: memcpy, SDL without and with RLE, ours.
void BM_FullScreenKeyed(benchmark::State& state) {
    const auto& px = F().images[state.range(0)];
    const std::vector<SDL_Point> origin{{0, 0}};
    Compare(state, {Memcpy(), SdlPuts("sdl", SdlSurface(px, kW, kH, true, false), origin),
                    SdlPuts("sdl_rle", SdlSurface(px, kW, kH, true, true), origin),
                    OurPuts(G().images[state.range(0)], kW, kH, origin)});
    state.SetLabel(kImageNames[state.range(0)]);
}

void BM_Sprites1000(benchmark::State& state) {
    const auto& at = F().positions;
    Compare(state, {SdlPuts("sdl", SdlSurface(F().sprite, 40, 40, true, false), at),
                    SdlPuts("sdl_rle", SdlSurface(F().sprite, 40, 40, true, true), at),
                    OurPuts(G().sprite, 40, 40, at)});
}

// Keyed round sprites of one size, as many puts as cover about a screen.
void BM_RoundSprites(benchmark::State& state) {
    const int w = kSizes[state.range(0)][0], h = kSizes[state.range(0)][1];
    const auto px = RoundSprite(w, h);
    const auto at = Positions(PutsPerWork(state.range(0)), w, h, false);
    G();
    static std::map<int64_t, int> slots;  // one object per size, made once
    if (!slots.count(state.range(0))) slots[state.range(0)] = ObjectWith(px, w, h);
    Compare(state, {SdlPuts("sdl", SdlSurface(px, w, h, true, false), at),
                    SdlPuts("sdl_rle", SdlSurface(px, w, h, true, true), at),
                    OurPuts(slots[state.range(0)], w, h, at)});
    state.SetLabel(std::to_string(w) + "x" + std::to_string(h));
}

void BM_Opaque(benchmark::State& state) {
    Compare(state,
            {Memcpy(),
             SdlPuts("sdl", SdlSurface(F().images[kOpaque], kW, kH, false, false), {{0, 0}}),
             {"ours", [] { gkDraw::PutObjectOpaque(0, 0, G().images[kOpaque], 0, 0, kW, kH); }}});
}

void BM_Clear(benchmark::State& state) {
    G();
    Compare(state, {Memcpy(),
                    {"sdl_fill", [back = SdlBack()] { SDL_FillRect(back.get(), nullptr, 0); }},
                    {"ours", [] { gkDraw::ClearScreen(); }}});
}

// SDL has no 50 % fill; its nearest tool is an alpha-modulated blit of a filled surface.
void BM_Half(benchmark::State& state) {
    SDL_Surface* s = SdlSurface(F().images[kOpaque], kW, kH, false, false);
    SDL_FillRect(s, nullptr, 0xF800);
    SDL_SetSurfaceBlendMode(s, SDL_BLENDMODE_BLEND);
    SDL_SetSurfaceAlphaMod(s, 128);
    G();
    Compare(state, {Memcpy(),
                    SdlPuts("sdl_half", s, {{0, 0}}),
                    {"ours", [] { gkDraw::HalfFillRect(0, 0, kW, kH, 0xF800); }}});
}

BENCHMARK(BM_FullScreenKeyed)->DenseRange(kOpaque, kNoise);
BENCHMARK(BM_Sprites1000);
BENCHMARK(BM_RoundSprites)->DenseRange(0, 3);
BENCHMARK(BM_Opaque);
BENCHMARK(BM_Clear);
BENCHMARK(BM_Half);

}  // namespace

BENCHMARK_MAIN();
