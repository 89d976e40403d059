// Soak run: the board game through the real main loop on the headless backend for 100,000
// unpaced frames with scripted keys and mouse, the resident memory sampled every 10,000 frames.
// Counters: us_per_frame; rss_kib_<n> after n × 10,000 frames; growth_kib from the first sample
// to the last (flat memory: a few pages at most).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "game/game.h"
#include "gk.h"
#include "platform/window.h"

namespace {

constexpr int kFrames = 100000, kSampleEvery = 10000;
constexpr int kScript[] = {VK_RIGHT, VK_DOWN, VK_RETURN, VK_LEFT, VK_UP, VK_RETURN};

int frame = 0;
std::vector<long> samples;

// Wall time: the frames run the whole loop, waits for the clock included.
double NowSeconds() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

long ResidentKib() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// One key of the script pressed every 8th frame and let go on the next; the mouse circles.
void ScriptedFrame() {
    const int key = kScript[frame / 8 % std::size(kScript)];
    if (frame % 8 < 2) {
        const bool down = frame % 8 == 0;
        plat::headless::SetKeyDown(key, down);
        plat::PostMessage(down ? WM_KEYDOWN : WM_KEYUP, key, 0);
    }
    plat::PostMessage(WM_MOUSEMOVE, 0, plat::MakeLParam(320 + frame % 200, 240 + frame % 150));
    GameFrame();
    if (++frame % kSampleEvery == 0) samples.push_back(ResidentKib());
}

void Soak(benchmark::State& state) {
    setenv("GK_BACKEND", "headless", 1);
    setenv("GK_FRAMES", std::to_string(kFrames).c_str(), 1);
    setenv("GK_HEADLESS_FPS", "0", 1);
    double seconds = 0;
    for (auto _ : state) {
        frame = 0;
        samples.clear();
        RegisterGame();
        gkSystem::SetGameHooks({[] { GameInit(); }, ScriptedFrame, GameKeyDown, nullptr});
        const double start = NowSeconds();
        if (WinMain(nullptr, nullptr, "", 10) != 0) state.SkipWithError("the run did not start");
        seconds = NowSeconds() - start;
    }
    state.counters["frames"] = frame;
    state.counters["us_per_frame"] = frame ? seconds * 1e6 / frame : 0;
    for (size_t i = 0; i < samples.size(); ++i)
        state.counters["rss_kib_" + std::to_string(i + 1)] = static_cast<double>(samples[i]);
    if (!samples.empty())
        state.counters["growth_kib"] = static_cast<double>(samples.back() - samples.front());
}
BENCHMARK(Soak)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
