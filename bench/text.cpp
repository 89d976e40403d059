// Text speed on the headless backend: one PrintFormat call (font selection, one digit in the
// standard print style, release), and one frame of the board game (11 DrawBox calls and 180
// one-digit PrintFormat calls) beside the same frame without its text (counter x_no_text).
#include "text/text.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>

#include "draw/draw.h"
#include "platform/backend.h"

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

// The board: 9 cells, the cursor cell and the square under the mouse.
void DrawBoxes() {
    for (int cell = 0; cell < 9; ++cell) {
        int x = 280 + cell % 3 * 40, y = 200 + cell / 3 * 40;
        gkDraw::DrawBox(x, y, x + 40, y + 40, 0, 0xFF, 1);
    }
    gkDraw::DrawBox(320, 240, 360, 280, 0, 0xFF00, 1);
    gkDraw::DrawBox(90, 90, 110, 110, 0xFFFF, 0xFF, 1);
}

void DrawFlags() {
    for (int i = 0; i < 180; ++i) {
        gkDraw::PrintFormat(300 + i % 3 * 30, 50 + i / 3 % 3 * 30, "%d", i & 1);
    }
}

double g_noTextSeconds = 0;

template <class Body>
double Measure(benchmark::State& state, Body body) {
    body();  // warm the font and glyph caches
    double start = NowSeconds();
    for (auto _ : state) body();
    return (NowSeconds() - start) / static_cast<double>(state.iterations());
}

void BM_PrintFormat(benchmark::State& state) {
    SetUpScreen();
    Measure(state, [] { gkDraw::PrintFormat(300, 50, "%d", 1); });
}
BENCHMARK(BM_PrintFormat);

void BM_FrameWithoutText(benchmark::State& state) {
    SetUpScreen();
    g_noTextSeconds = Measure(state, DrawBoxes);
}
BENCHMARK(BM_FrameWithoutText);

void BM_BoardFrame(benchmark::State& state) {
    SetUpScreen();
    double seconds = Measure(state, [] {
        DrawBoxes();
        DrawFlags();
    });
    if (g_noTextSeconds > 0) state.counters["x_no_text"] = seconds / g_noTextSeconds;
}
BENCHMARK(BM_BoardFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
