// Message box speed on the headless backend: a 400-character Japanese message in a 600 × 400 box
// on the 640 × 480 back screen, put plainly (gothic 16) and smoothly (gothic 16 at double size),
// beside one PrintFormat of the same text (counter x_print_format: times as long; ms: per call).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "draw/draw.h"
#include "platform/backend.h"
#include "text/text.h"

namespace {

// Thread CPU time: the ratio stays meaningful on a machine shared with other work.
double NowSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

void SetUpScreen() {
    static bool ready = [] {
        plat::UseBackend(plat::Backend::Headless);
        return gkDraw::Screen(640, 480, 0) == 1;
    }();
    if (!ready) std::abort();
}

// 400 double-byte characters, punctuation included (this file is compiled to Shift-JIS).
const std::string& Message() {
    static const std::string text = [] {
        const std::string phrase = "吾輩は猫である。名前はまだ無い、どこで生れたか見当がつかぬ。";
        std::string all;
        while (all.size() < 800) all += phrase;
        return all.substr(0, 800);
    }();
    return text;
}

double g_printSeconds = 0;

template <class Body>
void Measure(benchmark::State& state, Body body, double* seconds = nullptr) {
    SetUpScreen();
    body();  // warm the font and glyph caches
    const double start = NowSeconds();
    for (auto _ : state) body();
    const double each = (NowSeconds() - start) / static_cast<double>(state.iterations());
    if (seconds) *seconds = each;
    state.counters["ms"] = each * 1e3;
    if (!seconds && g_printSeconds > 0) state.counters["x_print_format"] = each / g_printSeconds;
}

void BM_PrintFormat(benchmark::State& state) {
    Measure(
        state, [] { gkDraw::PrintFormat(20, 40, "%s", Message().c_str()); }, &g_printSeconds);
}
BENCHMARK(BM_PrintFormat)->Unit(benchmark::kMicrosecond);

void BM_PutMessage(benchmark::State& state) {
    Measure(state, [] {
        gkDraw::SelectFont(1, 16, 0, 0, 0, 0);
        gkDraw::SetTextColors(0xFFFFFF, 0x400000, 1);
        gkDraw::PutMessage(20, 40, 620, 440, Message().c_str(), 0);
        gkDraw::ReleaseFont();
    });
}
BENCHMARK(BM_PutMessage)->Unit(benchmark::kMicrosecond);

void BM_PutSmoothMessage(benchmark::State& state) {
    Measure(state, [] {
        gkDraw::SetTextColors(0xFFFFFF, 0x400000, 1);
        gkDraw::SelectSpriteFont(1, 16);
        gkDraw::PutSmoothMessage(20, 40, 620, 440, Message().c_str(), 0);
        gkDraw::ReleaseSpriteFont();
    });
}
BENCHMARK(BM_PutSmoothMessage)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
