// Text speed on the headless backend: one PrintFormat call (font selection, one digit in the
// standard print style, release), and the board game's real frame (GameFrame: clear, mouse
// marker, board, cursor, nine blocks, 180 one-digit PrintFormat calls, present). Each iteration
// also copies the back screen with memcpy, timed apart on the thread's CPU clock, as a measure of
// the machine's state in the same run (counter x_memcpy: our time over the copy's; us: ours per
// call in microseconds). The Time column is ours alone too (given as manual time), while the CPU
// column counts the whole iteration, copy included. Take medians over --benchmark_repetitions.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <vector>

#include "game/game.h"
#include "gk.h"
#include "platform/backend.h"
#include "platform/window.h"

namespace {

double NowSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

// The game as the framework runs it headless: window, screen, block sprite, and a block on every
// cell so that the frame draws all it can.
void SetUpGame() {
    static bool ready = [] {
        plat::UseBackend(plat::Backend::Headless);
        ResetGame();
        RegisterGame();
        gkApp.hWnd = plat::CreateMainWindow("Gridkeep", 640, 480, true, gkSystem::WndProc);
        GameInit();
        for (int cell = 0; cell < kCellCount; ++cell)
            gGame.Blocks[cell] = {280 + cell % 3 * 40, 200 + cell / 3 * 40, 1};
        return gkScreen.Back != nullptr && gGame.BlockSprite != 0;
    }();
    if (!ready) std::abort();
}

void Measure(benchmark::State& state, const std::function<void()>& body) {
    SetUpGame();
    std::vector<uint8_t> copy(gkScreen.Back->pixels.size());
    auto baseline = [&] {
        std::memcpy(copy.data(), gkScreen.Back->pixels.data(), copy.size());
        benchmark::ClobberMemory();
    };
    body();  // warm the font and glyph caches
    double ours = 0, memcpySeconds = 0;
    for (auto _ : state) {
        double start = NowSeconds();
        baseline();
        memcpySeconds += NowSeconds() - start;
        start = NowSeconds();
        body();
        const double seconds = NowSeconds() - start;
        ours += seconds;
        state.SetIterationTime(seconds);
    }
    state.counters["x_memcpy"] = ours / memcpySeconds;
    state.counters["us"] = 1e6 * ours / static_cast<double>(state.iterations());
}

void BM_PrintFormat(benchmark::State& state) {
    Measure(state, [] { gkDraw::PrintFormat(300, 50, "%d", 1); });
}
BENCHMARK(BM_PrintFormat)->UseManualTime();

void BM_GameFrame(benchmark::State& state) {
    Measure(state, GameFrame);
}
BENCHMARK(BM_GameFrame)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
